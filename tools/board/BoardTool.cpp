#include "tools/board/BoardTool.h"

#include "port/bitbang/BoardEeprom.h"

#include <algorithm>
#include <exception>
#include <vector>

namespace kovir {

namespace {

constexpr const char* Yes = "da";
constexpr const char* No = "ne";

// Pads to `width` characters (UTF-8 continuation bytes take no column).
std::string Column(const std::string& text, std::size_t width)
{
    const auto shown = static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
    return text + std::string(shown < width ? width - shown : 1, ' ');
}

std::string Hex(unsigned value, int digits)
{
    char text[8];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
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
    }
    return {};
}

int Refuse(std::FILE* err, const std::string& serial, const std::string& why)
{
    std::fprintf(err, "kovir-board: pločica %s nije pripremljena: %s\n", serial.c_str(), why.c_str());
    return 1;
}

} // namespace

int ListBoards(BoardDevices& devices, std::FILE* out, std::FILE* err)
{
    const auto& listed = devices.List();
    if (listed.empty()) {
        const std::string hint = devices.NoneFoundHint();
        std::fprintf(err, "kovir-board: nije priključen nijedan FTDI uređaj.%s\n",
                     hint.empty() ? "" : (" " + hint).c_str());
        return 1;
    }
    const std::size_t widths[] = {15, 14, 30, 18, 10};
    std::fprintf(out, "%s%s%s%s%s%s\n", Column("Čip", widths[0]).c_str(),
                 Column("Serijski broj", widths[1]).c_str(), Column("Mesto", widths[2]).c_str(),
                 Column("Opis", widths[3]).c_str(), Column("Za kovir", widths[4]).c_str(),
                 "Drži ga");
    for (const FtdiDevice& d : listed) {
        std::fprintf(out, "%s%s%s%s%s%s\n", Column(d.chip, widths[0]).c_str(),
                     Column(d.serial.empty() ? "-" : d.serial, widths[1]).c_str(),
                     Column(d.place, widths[2]).c_str(), Column(d.description, widths[3]).c_str(),
                     Column(IsKovirBoard(d) ? Yes : No, widths[4]).c_str(),
                     d.holder.empty() ? "-" : d.holder.c_str());
    }
    return 0;
}

int PrepareBoard(BoardDevices& devices, const std::string& serial, std::FILE* out, std::FILE* err)
{
    const auto& listed = devices.List();
    std::vector<std::size_t> matching;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (listed[i].serial == serial) {
            matching.push_back(i);
        }
    }
    if (matching.empty()) {
        return Refuse(err, serial, "nijedan priključeni FTDI uređaj nema taj serijski broj "
                                   "(spisak daje kovir-board bez argumenata).");
    }
    if (matching.size() > 1) {
        return Refuse(err, serial, "taj serijski broj ima više priključenih uređaja; ostavite "
                                   "priključen samo onaj koji pripremate.");
    }
    const FtdiDevice& device = listed[matching.front()];
    const std::size_t size = EepromSizeOf(device.product);
    if (size == 0) {
        return Refuse(err, serial, "ovaj program upravlja samo pločicama FT232R, FT245R i FT232H, "
                                   "a ovo je " + device.chip + ".");
    }
    if (!device.holder.empty()) {
        return Refuse(err, serial, "drži je " + device.holder + "; zatvorite taj program.");
    }
    std::fprintf(out, "Pločica %s (%s, %s): upis EEPROM-a se završava USB resetom, posle kog je "
                      "čip ponovo u serijskom (UART) režimu. Pločica zato pri pripremi ne sme biti "
                      "povezana sa uređajem.\n",
                 serial.c_str(), device.chip.c_str(), device.place.c_str());
    try {
        const std::unique_ptr<EepromAccess> access = devices.Open(matching.front());
        std::vector<std::uint16_t> words(size / 2);
        for (std::size_t i = 0; i < words.size(); ++i) {
            words[i] = access->Read(i);
        }
        const std::vector<std::uint8_t> image = EepromBytes(words);
        const KovirImage made = KovirImageFrom(image);
        if (made.fault) {
            return Refuse(err, serial, FaultText(*made.fault));
        }
        const std::vector<std::size_t> changed = EepromDifferences(image, made.image);
        if (changed.empty()) {
            std::fprintf(out, "Pločica %s je već pripremljena za ovaj program.\n", serial.c_str());
            return 0;
        }
        std::string bytes;
        for (const std::size_t at : changed) {
            bytes += (bytes.empty() ? "" : ", ") + Hex(static_cast<unsigned>(at), 2) + ": " +
                     Hex(image[at], 2) + " → " + Hex(made.image[at], 2);
        }
        std::fprintf(out, "Menjaju se bajtovi EEPROM-a (adresa: staro → novo): %s.\n", bytes.c_str());
        access->Write(EepromWords(made.image));
        std::vector<std::uint8_t> back;
        for (std::size_t i = 0; i < words.size(); ++i) {
            const std::uint16_t word = access->Read(i);
            back.push_back(static_cast<std::uint8_t>(word));
            back.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        if (back != made.image) {
            std::string where;
            for (const std::size_t at : EepromDifferences(back, made.image)) {
                where += (where.empty() ? "" : ", ") + Hex(static_cast<unsigned>(at), 2);
            }
            return Refuse(err, serial,
                          "čip nije zapamtio upis (pročitano se razlikuje od upisanog na bajtovima " +
                              where + "). To biva kod kopija FTDI čipa koje ne podržavaju upis "
                                      "EEPROM-a; takvom pločicom ovaj program ne upravlja.");
        }
        const bool reset = access->Reset();
        std::fprintf(out, "Pločica %s je pripremljena: opis „kovir”, ulazi i izlazi spušteni u "
                          "USB suspenziji, bez buđenja računara. %s\n",
                     serial.c_str(),
                     reset ? "Izvucite je i ponovo priključite: od tada njome upravlja ovaj program."
                           : "Izvucite je i ponovo priključite da bi čip pročitao novi EEPROM.");
    } catch (const std::exception& e) {
        std::fprintf(err, "kovir-board: %s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace kovir
