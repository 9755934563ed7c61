#include "port/bitbang/D2xx_win.h"

#include "windows/SystemLibrary.h"
#include "windows/TrustedLibrary.h"

#include <cstdio>
#include <cstring>

namespace kovir {

namespace {

template <typename Function> void Bind(HMODULE module, Function& function, const char* name)
{
    function = BoundFunction<Function>(module, name);
}

} // namespace

D2xx::D2xx(const std::vector<std::wstring>& folders)
{
    if (folders.empty()) {
        module = LoadTrustedLibrary(L"ftd2xx.dll");
    }
    for (const std::wstring& folder : folders) {
        const std::wstring path = folder + L"\\ftd2xx.dll";
        if (!module && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            module = LoadLibraryExW(path.c_str(), nullptr, TrustedLoadFlags());
        }
    }
    Bind(module, createDeviceInfoList, "FT_CreateDeviceInfoList");
    Bind(module, getDeviceInfoDetail, "FT_GetDeviceInfoDetail");
    Bind(module, openEx, "FT_OpenEx");
    Bind(module, setTimeouts, "FT_SetTimeouts");
    Bind(module, setBitMode, "FT_SetBitMode");
    Bind(module, write, "FT_Write");
    Bind(module, close, "FT_Close");
    Bind(module, readEE, "FT_ReadEE");
    Bind(module, writeEE, "FT_WriteEE");
    Bind(module, cyclePort, "FT_CyclePort");
}

D2xx::~D2xx()
{
    if (module) {
        FreeLibrary(module);
    }
}

bool D2xx::Usable() const
{
    return createDeviceInfoList && getDeviceInfoDetail && openEx && setTimeouts && setBitMode &&
           write && close;
}

std::vector<D2xx::Listed> D2xx::List() const
{
    std::vector<Listed> listed;
    DWORD count = 0;
    if (!Usable() || createDeviceInfoList(&count) != Ok) {
        return listed;
    }
    for (DWORD i = 0; i < count; ++i) {
        DWORD flags = 0, type = 0, id = 0, location = 0;
        char serial[16] = {};
        char description[64] = {};
        Handle handle = nullptr;
        if (getDeviceInfoDetail(i, &flags, &type, &id, &location, serial, description, &handle) !=
            Ok) {
            continue;
        }
        Listed d;
        d.device.product = static_cast<std::uint16_t>(id & 0xFFFF);
        d.device.chip = ChipFromD2xxType(type);
        d.device.serial.assign(serial, strnlen(serial, sizeof serial));
        d.device.description.assign(description, strnlen(description, sizeof description));
        d.location = location;
        // Held by another program (or its COM port open): the driver then
        // gives no strings for it.
        d.openElsewhere = (flags & 1) != 0;
        char place[32];
        std::snprintf(place, sizeof place, "lokacija 0x%04lX", static_cast<unsigned long>(location));
        d.device.place = place;
        d.device.holder = d.openElsewhere ? "drugi program" : "";
        if (id >> 16 == 0x0403) {
            listed.push_back(std::move(d));
        }
    }
    return listed;
}

D2xx::Status D2xx::EnterBitBangAtRest(Handle handle, std::uint8_t pins, const char*& call) const
{
    // No write, the crash handler's included, waits longer for a board that
    // has stopped answering.
    constexpr ULONG WriteTimeoutMs = 500;
    DWORD written = 0;
    call = "FT_SetTimeouts";
    Status status = setTimeouts(handle, WriteTimeoutMs, WriteTimeoutMs);
    if (status == Ok) {
        call = "FT_SetBitMode";
        status = setBitMode(handle, 0x00, AsyncBitBang);
    }
    if (status == Ok) {
        call = "FT_Write";
        status = write(handle, &pins, 1, &written);
        if (status == Ok && written != 1) {
            status = NotWritten;
        }
    }
    if (status == Ok) {
        call = "FT_SetBitMode";
        status = setBitMode(handle, 0xFF, AsyncBitBang);
    }
    return status;
}

std::string D2xx::StatusText(const char* call, Status status)
{
    if (status == NotWritten) {
        return std::string(call) + " nije upisala bajt";
    }
    return std::string(call) + " je vratila kod " + std::to_string(status);
}

} // namespace kovir
