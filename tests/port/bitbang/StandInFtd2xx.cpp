// A stand-in for FTDI's ftd2xx.dll, ours, for the tests (no part of FTDI's
// is used): the functions kovir binds, as the programmer's guide describes
// them, over boards named by the environment, recording every call to the
// file named by KOVIR_PORT_LOG, one line each:
//   "ftd2xx.dll loaded", "FT_OpenEx <serial>", "FT_SetBitMode <serial> <mask> <mode>",
//   "FT_Write <serial> <byte>", "FT_Close <serial>"
// KOVIR_FT_BOARDS: the boards' serial numbers, comma-separated, in the order
// the driver lists them; KOVIR_FT_OPEN_ELSEWHERE: the one another program has open.
#include "tests/support/RecordLine_win.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Environment(const char* name)
{
    char value[512];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length && length < sizeof value ? std::string(value, length) : std::string();
}

std::vector<std::string> Boards()
{
    std::vector<std::string> serials;
    const std::string listed = Environment("KOVIR_FT_BOARDS");
    for (std::size_t start = 0; start < listed.size();) {
        const std::size_t comma = std::min(listed.find(',', start), listed.size());
        serials.push_back(listed.substr(start, comma - start));
        start = comma + 1;
    }
    return serials;
}

void Record(const std::string& line)
{
    kovir::testing::RecordLine("KOVIR_PORT_LOG", "ftd2xx.dll " + line);
}

// A handle is the board's place in the list, plus one.
std::string SerialOf(void* handle)
{
    const auto boards = Boards();
    const auto index = reinterpret_cast<std::uintptr_t>(handle);
    return index >= 1 && index <= boards.size() ? boards[index - 1] : std::string();
}

constexpr ULONG Ok = 0, InvalidHandle = 1, NotFound = 2, NotOpened = 3;

} // namespace

extern "C" {

__declspec(dllexport) ULONG WINAPI FT_CreateDeviceInfoList(DWORD* count)
{
    *count = static_cast<DWORD>(Boards().size());
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type,
                                                          DWORD* id, DWORD* location, char* serial,
                                                          char* description, void** handle)
{
    const auto boards = Boards();
    if (index >= boards.size()) {
        return NotFound;
    }
    const bool elsewhere = boards[index] == Environment("KOVIR_FT_OPEN_ELSEWHERE");
    *flags = elsewhere ? 1 : 0;
    // By the serial's first letter: H an FT232H, T an FT2232 (not a board
    // kovir takes), else an FT232R.
    const char chip = boards[index][0];
    *type = chip == 'H' ? 8 : chip == 'T' ? 4 : 5;
    *id = chip == 'H' ? 0x04036014 : chip == 'T' ? 0x04036010 : 0x04036001;
    *location = 0x11 + index;
    // The driver gives no strings for a board another program has open.
    std::snprintf(serial, 16, "%s", elsewhere ? "" : boards[index].c_str());
    std::snprintf(description, 64, "%s", elsewhere ? "" : "FT232R USB UART");
    *handle = nullptr;
    return Ok;
}

__declspec(dllexport) ULONG WINAPI FT_OpenEx(void* what, DWORD how, void** handle)
{
    const std::string serial = static_cast<const char*>(what);
    Record("FT_OpenEx " + serial + (how == 1 ? "" : " (not by serial number)"));
    const auto boards = Boards();
    for (std::size_t i = 0; i < boards.size(); ++i) {
        if (boards[i] == serial && how == 1) {
            if (serial == Environment("KOVIR_FT_OPEN_ELSEWHERE")) {
                return NotOpened;
            }
            *handle = reinterpret_cast<void*>(i + 1);
            return Ok;
        }
    }
    return NotFound;
}

__declspec(dllexport) ULONG WINAPI FT_SetBitMode(void* handle, UCHAR mask, UCHAR mode)
{
    char line[64];
    std::snprintf(line, sizeof line, "FT_SetBitMode %s %02x %d", SerialOf(handle).c_str(), mask,
                  mode);
    Record(line);
    return SerialOf(handle).empty() ? InvalidHandle : Ok;
}

__declspec(dllexport) ULONG WINAPI FT_Write(void* handle, void* data, DWORD size, DWORD* written)
{
    std::string line = "FT_Write " + SerialOf(handle);
    for (DWORD i = 0; i < size; ++i) {
        line += " " + std::to_string(static_cast<unsigned char*>(data)[i]);
    }
    Record(line);
    *written = size;
    return SerialOf(handle).empty() ? InvalidHandle : Ok;
}

__declspec(dllexport) ULONG WINAPI FT_Close(void* handle)
{
    Record("FT_Close " + SerialOf(handle));
    return SerialOf(handle).empty() ? InvalidHandle : Ok;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        Record("loaded");
    }
    return TRUE;
}

} // extern "C"
