#include "tools/board/BoardTool.h"

#include "port/bitbang/BoardEeprom.h"
#include "tools/board/BoardMessages.h"
#include "tools/board/EepromTransfer.h"
#include "tools/board/SavedImage.h"

#include <exception>
#include <optional>

namespace kovir {

namespace {

// The place without what changes at each plug-in: "1-1" of Linux's
// "1-1, /dev/bus/usb/001/002" (the node is numbered anew); Windows' location
// as it stands.
std::string PortOf(const std::string& place)
{
    return place.substr(0, place.find(','));
}

// The device the image was read from: by its serial number, else by its place.
std::optional<std::size_t> DeviceOf(const std::vector<FtdiDevice>& listed, const SavedImage& saved)
{
    for (const bool byPlace : {false, true}) {
        for (std::size_t i = 0; i < listed.size(); ++i) {
            if (byPlace ? PortOf(listed[i].place) == PortOf(saved.place)
                        : listed[i].serial == saved.serial) {
                return i;
            }
        }
    }
    return std::nullopt;
}

} // namespace

int RestoreBoard(BoardDevices& devices, const std::string& path, std::FILE* out, std::FILE* err)
{
    const std::string refused = "nije vraćena";
    try {
        const SavedImage saved = LoadSavedImage(path);
        if (!EepromChecksumValid(saved.image)) {
            return Refuse(err, saved.serial, refused,
                          "kontrolni zbir EEPROM-a u " + path + " ne odgovara njegovom sadržaju.");
        }
        const auto& listed = devices.List();
        const auto index = DeviceOf(listed, saved);
        if (!index) {
            return Refuse(err, saved.serial, refused,
                          "nije priključen uređaj sa tim serijskim brojem, a ni na mestu " +
                              PortOf(saved.place) + ". Priključite je tamo gde je bila pri pripremi.");
        }
        const FtdiDevice& device = listed[*index];
        if (device.chip != saved.chip || !IsPreparableChip(device) ||
            EepromSizeOf(device.product) != saved.image.size()) {
            return Refuse(err, saved.serial, refused,
                          "na mestu " + device.place + " je " + device.chip + ", a EEPROM je sačuvan sa " +
                              saved.chip + ".");
        }
        if (!device.holder.empty()) {
            return Refuse(err, saved.serial, refused,
                          "drži je " + device.holder + "; zatvorite taj program.");
        }
        const std::unique_ptr<EepromAccess> access = devices.Open(*index);
        if (ReadImage(*access, saved.image.size()) == saved.image) {
            std::fprintf(out, "Pločica %s već ima EEPROM sačuvan u %s.\n", saved.serial.c_str(),
                         path.c_str());
            return 0;
        }
        std::fprintf(out, "Pločica %s (%s, %s): vraća se EEPROM sačuvan u %s.\n",
                     saved.serial.c_str(), device.chip.c_str(), device.place.c_str(), path.c_str());
        const std::vector<std::size_t> differing = WriteImage(*access, saved.image);
        if (!differing.empty()) {
            return Refuse(err, saved.serial, refused,
                          "čip nije zapamtio upis (razlikuju se bajtovi " + OffsetList(differing) +
                              ").");
        }
        access->Reset();
        std::fprintf(out, "Pločica %s ima ponovo EEPROM od pre pripreme. Izvucite je i ponovo "
                          "priključite.\n", saved.serial.c_str());
    } catch (const std::exception& e) {
        std::fprintf(err, "kovir-board: %s\n", e.what());
        return 1;
    }
    return 0;
}

} // namespace kovir
