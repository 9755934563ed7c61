// A stand-in for FTDI's ftd2xx.dll, ours, for the tests (no part of FTDI's
// is used): the functions kovir binds, as the programmer's guide describes
// them, over FTDI devices named by the environment, recording the calls to
// the file named by KOVIR_PORT_LOG, one line each:
//   "ftd2xx.dll loaded", "FT_OpenEx <location>", "FT_SetTimeouts <board> <read> <write>",
//   "FT_SetBitMode <board> <mask> <mode>", "FT_Write <board> <byte>",
//   "FT_Write <board> <byte> timed out", "FT_CyclePort <board>", "FT_Close <board>"
// where <board> is its serial number, or @<location> without one.
//   KOVIR_FT_BOARDS: the devices, comma-separated, as the driver lists them:
//     SERIAL or SERIAL=DESCRIPTION. By the serial's first letter: H an FT232H,
//     T an FT2232 (no board kovir takes), else an FT232R; a factory
//     description unless given.
//   KOVIR_FT_OPEN_ELSEWHERE: the serial of one another program has open.
//   KOVIR_FT_EEPROM: a folder keeping each device's EEPROM (SERIAL.eeprom),
//     made as the factory leaves it on first use; once there, the driver lists
//     the description it holds, as after the device was plugged in again.
//   KOVIR_FT_CLONE: the serial of a device that ignores EEPROM writes.
//   <KOVIR_PORT_LOG>.hang, when it exists: the boards stop answering, and a
//     write returns only after its timeout (FT_SetTimeouts; 30 s without).
#include "tests/support/FactoryEeprom.h"
#include "tests/support/RecordLine_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string Environment(const char* name)
{
    char value[512];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length && length < sizeof value ? std::string(value, length) : std::string();
}

struct Device {
    std::string serial;
    std::string description;
    char chip;
    DWORD location;

    std::uint16_t Product() const { return chip == 'H' ? 0x6014 : chip == 'T' ? 0x6010 : 0x6001; }
    std::string Name() const
    {
        char at[16];
        std::snprintf(at, sizeof at, "@%04lX", location);
        return serial.empty() ? at : serial;
    }
    std::string EepromFile() const
    {
        const std::string folder = Environment("KOVIR_FT_EEPROM");
        return folder.empty() || Product() == 0x6010 ? "" : folder + "\\" + Name() + ".eeprom";
    }
    std::vector<std::uint8_t> Eeprom() const
    {
        std::ifstream file(EepromFile(), std::ios::binary);
        std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(file)),
                                        std::istreambuf_iterator<char>());
        return image.empty() ? kovir::testing::FactoryEeprom(Product(), description, serial) : image;
    }
    void Keep(const std::vector<std::uint8_t>& image) const
    {
        std::ofstream(EepromFile(), std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    // What it enumerated with: its EEPROM's description, once there is one.
    std::string Listed() const
    {
        std::ifstream kept(EepromFile(), std::ios::binary);
        return kept ? kovir::testing::DescriptionIn(Eeprom(), description) : description;
    }
};

std::vector<Device> Devices()
{
    std::vector<Device> devices;
    const std::string listed = Environment("KOVIR_FT_BOARDS");
    for (std::size_t start = 0; start < listed.size();) {
        const std::size_t comma = std::min(listed.find(',', start), listed.size());
        const std::string entry = listed.substr(start, comma - start);
        const std::size_t equals = entry.find('=');
        Device d;
        d.serial = entry.substr(0, equals);
        d.chip = d.serial.empty() ? 'R' : d.serial[0];
        d.description = equals != std::string::npos ? entry.substr(equals + 1)
                        : d.chip == 'H'              ? "Single RS232-HS"
                        : d.chip == 'T'              ? "Dual RS232"
                                                     : "FT232R USB UART";
        d.location = static_cast<DWORD>(0x11 + devices.size());
        devices.push_back(d);
        start = comma + 1;
    }
    return devices;
}

void Record(const std::string& line)
{
    kovir::testing::RecordLine("KOVIR_PORT_LOG", "ftd2xx.dll " + line);
}

// A handle is the device's place in the list, plus one.
const Device* Of(void* handle)
{
    static std::vector<Device> devices;
    devices = Devices();
    const auto index = reinterpret_cast<std::uintptr_t>(handle);
    return index >= 1 && index <= devices.size() ? &devices[index - 1] : nullptr;
}

ULONG writeTimeouts[16] = {};

constexpr ULONG Ok = 0, InvalidHandle = 1, NotFound = 2, NotOpened = 3, IoError = 4;

} // namespace

extern "C" {

__declspec(dllexport) ULONG WINAPI FT_CreateDeviceInfoList(DWORD* count)
{
    *count = static_cast<DWORD>(Devices().size());
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type,
                                                          DWORD* id, DWORD* location, char* serial,
                                                          char* description, void** handle)
{
    const auto devices = Devices();
    if (index >= devices.size()) {
        return NotFound;
    }
    const Device& d = devices[index];
    const bool elsewhere = !d.serial.empty() && d.serial == Environment("KOVIR_FT_OPEN_ELSEWHERE");
    *flags = elsewhere ? 1 : 0;
    *type = d.chip == 'H' ? 8 : d.chip == 'T' ? 4 : 5;
    *id = 0x04030000 | d.Product();
    *location = d.location;
    // The driver gives no strings for a device another program has open.
    std::snprintf(serial, 16, "%s", elsewhere ? "" : d.serial.c_str());
    std::snprintf(description, 64, "%s", elsewhere ? "" : d.Listed().c_str());
    *handle = nullptr;
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_OpenEx(void* what, DWORD how, void** handle)
{
    constexpr DWORD ByLocation = 4;
    const auto location = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(what));
    char line[64];
    std::snprintf(line, sizeof line, "FT_OpenEx %04lX%s", location,
                  how == ByLocation ? "" : " (not by location)");
    Record(line);
    const auto devices = Devices();
    for (std::size_t i = 0; i < devices.size() && how == ByLocation; ++i) {
        if (devices[i].location == location) {
            if (!devices[i].serial.empty() &&
                devices[i].serial == Environment("KOVIR_FT_OPEN_ELSEWHERE")) {
                return NotOpened;
            }
            *handle = reinterpret_cast<void*>(i + 1);
            return Ok;
        }
    }
    return NotFound;
}

__declspec(dllexport) ULONG WINAPI FT_SetTimeouts(void* handle, ULONG read, ULONG write)
{
    const Device* d = Of(handle);
    Record("FT_SetTimeouts " + (d ? d->Name() : "?") + " " + std::to_string(read) + " " +
           std::to_string(write));
    if (!d) {
        return InvalidHandle;
    }
    writeTimeouts[reinterpret_cast<std::uintptr_t>(handle) % 16] = write;
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_SetBitMode(void* handle, UCHAR mask, UCHAR mode)
{
    const Device* d = Of(handle);
    char line[64];
    std::snprintf(line, sizeof line, "FT_SetBitMode %s %02x %d", d ? d->Name().c_str() : "?", mask, mode);
    Record(line);
    return d ? Ok : InvalidHandle;
}

__declspec(dllexport) ULONG WINAPI FT_Write(void* handle, void* data, DWORD size, DWORD* written)
{
    const Device* d = Of(handle);
    std::string line = "FT_Write " + (d ? d->Name() : "?");
    for (DWORD i = 0; i < size; ++i) {
        line += " " + std::to_string(static_cast<unsigned char>(static_cast<unsigned char*>(data)[i]));
    }
    *written = size;
    if (GetFileAttributesA((Environment("KOVIR_PORT_LOG") + ".hang").c_str()) !=
        INVALID_FILE_ATTRIBUTES) {
        const ULONG timeout = writeTimeouts[reinterpret_cast<std::uintptr_t>(handle) % 16];
        Sleep(timeout ? timeout : 30000);
        *written = 0;
        line += " timed out";
    }
    Record(line);
    return d ? Ok : InvalidHandle;
}

__declspec(dllexport) ULONG WINAPI FT_ReadEE(void* handle, DWORD word, WORD* value)
{
    const Device* d = Of(handle);
    const auto image = d ? d->Eeprom() : std::vector<std::uint8_t>();
    if (2 * word + 1 >= image.size()) {
        return d ? IoError : InvalidHandle;
    }
    *value = static_cast<WORD>(image[2 * word] | image[2 * word + 1] << 8);
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_WriteEE(void* handle, DWORD word, WORD value)
{
    const Device* d = Of(handle);
    auto image = d ? d->Eeprom() : std::vector<std::uint8_t>();
    if (2 * word + 1 >= image.size()) {
        return d ? IoError : InvalidHandle;
    }
    if (d->serial != Environment("KOVIR_FT_CLONE")) {
        image[2 * word] = static_cast<std::uint8_t>(value);
        image[2 * word + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    d->Keep(image);
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_CyclePort(void* handle)
{
    const Device* d = Of(handle);
    Record("FT_CyclePort " + (d ? d->Name() : "?"));
    return d ? Ok : InvalidHandle;
}

__declspec(dllexport) ULONG WINAPI FT_Close(void* handle)
{
    const Device* d = Of(handle);
    Record("FT_Close " + (d ? d->Name() : "?"));
    return d ? Ok : InvalidHandle;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Record("loaded");
    }
    return TRUE;
}

} // extern "C"
