#include "tools/board/BoardMessages.h"

namespace kovir {

std::string Hex(unsigned value, int digits)
{
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string OffsetList(const std::vector<std::size_t>& offsets)
{
    std::string list;
    for (const std::size_t at : offsets) {
        list += (list.empty() ? "" : ", ") + Hex(static_cast<unsigned>(at), 2);
    }
    return list;
}

std::string FaultText(EepromFault fault)
{
    switch (fault) {
    case EepromFault::Blank:
        return "EEPROM je prazan: čip radi na fabričkim podešavanjima i u EEPROM-u nema ničega "
               "što bi se sačuvalo. Upišite ga najpre FTDI-jevim alatom (FT_Prog).";
    case EepromFault::BadChecksum:
        return "kontrolni zbir EEPROM-a ne odgovara njegovom sadržaju, pa ga čip ne koristi. "
               "Upišite ga najpre FTDI-jevim alatom (FT_Prog).";
    case EepromFault::NoProductString:
        return "opis proizvoda u EEPROM-u ne stoji gde ga čip traži.";
    case EepromFault::NoRoom:
        return "mesto opisa proizvoda u EEPROM-u je kraće od „kovir”.";
    case EepromFault::NotUart:
        return "FT232H nije u serijskom (UART) režimu (bajt 00 EEPROM-a), pa su neke od nožica "
               "kojima ovaj program upravlja njegovi izlazi u drugom režimu. Vratite ga u "
               "režim „RS232 UART” FTDI-jevim alatom (FT_Prog).";
    case EepromFault::Inverted:
        return "FT232R ima obrnute (invertovane) linije (bajt 0B EEPROM-a), pa bi se 0 videla "
               "kao 1. Isključite obrtanje FTDI-jevim alatom (FT_Prog).";
    }
    return {};
}

int Refuse(std::FILE* err, const std::string& serial, const std::string& what, const std::string& why)
{
    std::fprintf(err, "kovir-board: pločica %s %s: %s\n", serial.c_str(), what.c_str(), why.c_str());
    return 1;
}

} // namespace kovir
