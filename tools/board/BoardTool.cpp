#include "tools/board/BoardTool.h"

#include "port/bitbang/BoardEeprom.h"
#include "tools/board/BoardMessages.h"
#include "tools/board/EepromTransfer.h"
#include "tools/board/SavedImage.h"

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
    const std::string refused = "nije pripremljena";
    const auto& listed = devices.List();
    std::vector<std::size_t> matching;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (listed[i].serial == serial) {
            matching.push_back(i);
        }
    }
    if (matching.empty()) {
        return Refuse(err, serial, refused, "nijedan priključeni FTDI uređaj nema taj serijski broj "
                                            "(spisak daje kovir-board bez argumenata).");
    }
    if (matching.size() > 1) {
        return Refuse(err, serial, refused, "taj serijski broj ima više priključenih uređaja; "
                                            "ostavite priključen samo onaj koji pripremate.");
    }
    const FtdiDevice& device = listed[matching.front()];
    if (!IsPreparableChip(device)) {
        return Refuse(err, serial, refused, "ovaj program upravlja samo pločicama FT232R, FT245R i "
                                            "FT232H, a ovo je " + device.chip + ".");
    }
    if (!device.holder.empty()) {
        return Refuse(err, serial, refused, "drži je " + device.holder + "; zatvorite taj program.");
    }
    std::fprintf(out, "Pločica %s (%s, %s): upis EEPROM-a se završava USB resetom, posle kog je "
                      "čip ponovo u serijskom (UART) režimu. Pločica zato pri pripremi ne sme biti "
                      "povezana sa uređajem.\n",
                 serial.c_str(), device.chip.c_str(), device.place.c_str());
    std::string savedIn;
    try {
        const std::unique_ptr<EepromAccess> access = devices.Open(matching.front());
        const std::vector<std::uint8_t> image = ReadImage(*access, EepromSizeOf(device.product));
        const KovirImage made = KovirImageFrom(image);
        if (made.fault) {
            return Refuse(err, serial, refused, FaultText(*made.fault));
        }
        // The device was opened by its place on the bus: another may sit
        // there now, if the one listed was pulled out in between.
        if (EepromSerialName(image) != serial) {
            return Refuse(err, serial, refused,
                          "na njenom mestu (" + device.place + ") je sada uređaj sa serijskim "
                          "brojem „" + EepromSerialName(image) + "”. Pokrenite kovir-board ponovo.");
        }
        const std::vector<std::size_t> changed = EepromDifferences(image, made.image);
        if (changed.empty()) {
            std::fprintf(out, "Pločica %s je već pripremljena za ovaj program.\n", serial.c_str());
            return 0;
        }
        savedIn = SaveImage({device.chip, serial, device.place, image});
        std::fprintf(out, "Stari EEPROM je sačuvan u %s.\n", savedIn.c_str());
        std::string bytes;
        for (const std::size_t at : changed) {
            bytes += (bytes.empty() ? "" : ", ") + Hex(static_cast<unsigned>(at), 2) + ": " +
                     Hex(image[at], 2) + " → " + Hex(made.image[at], 2);
        }
        std::fprintf(out, "Menjaju se bajtovi EEPROM-a (adresa: staro → novo): %s.\n", bytes.c_str());
        const std::vector<std::size_t> differing = WriteImage(*access, made.image);
        if (!differing.empty()) {
            return Refuse(err, serial, refused,
                          "čip nije zapamtio upis (pročitano se razlikuje od upisanog na bajtovima " +
                              OffsetList(differing) + "). To biva kod kopija FTDI čipa koje ne "
                              "podržavaju upis EEPROM-a; takvom pločicom ovaj program ne upravlja. "
                              "Stari EEPROM vraća: kovir-board restore " + savedIn);
        }
        const bool reset = access->Reset();
        std::fprintf(out, "Pločica %s je pripremljena: opis „kovir”, ulazi i izlazi spušteni u "
                          "USB suspenziji, bez buđenja računara. %s\n",
                     serial.c_str(),
                     reset ? "Izvucite je i ponovo priključite: od tada njome upravlja ovaj program."
                           : "Izvucite je i ponovo priključite da bi čip pročitao novi EEPROM.");
    } catch (const std::exception& e) {
        std::fprintf(err, "kovir-board: %s\n", e.what());
        if (!savedIn.empty()) {
            // A write cut half-way leaves a bad checksum: the chip then runs
            // on its defaults, without its serial number, until this is undone.
            std::fprintf(err, "kovir-board: upis je možda ostao nedovršen. Priključite pločicu "
                              "na isto mesto i vratite stari EEPROM: kovir-board restore %s\n",
                         savedIn.c_str());
        }
        return 1;
    }
    return 0;
}

} // namespace kovir
