#pragma once

#include "port/bitbang/FtdiDevice.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kovir {

// FTDI's D2XX library (ftd2xx.dll, which FTDI's driver installs), bound at
// run time as FTDI's programmer's guide publishes it; stdcall on x86. Only
// from the program's folder or the system folder (or `folders`), never the
// current folder or PATH. A PC without it has no boards.
struct D2xx {
    using Status = ULONG;
    using Handle = void*;
    static constexpr Status Ok = 0;
    static constexpr Status DeviceNotOpened = 3;
    // Ours, not the driver's: FT_Write returned without writing the byte
    // (its timeout passed).
    static constexpr Status NotWritten = 0xFFFFFFFF;
    static constexpr DWORD OpenByLocation = 4;
    static constexpr UCHAR AsyncBitBang = 1;

    explicit D2xx(const std::vector<std::wstring>& folders = {});
    ~D2xx();
    D2xx(const D2xx&) = delete;
    D2xx& operator=(const D2xx&) = delete;

    // Loaded, with what listing and driving a board need.
    bool Usable() const;

    // An FTDI device as the driver lists it, and where to open it.
    struct Listed {
        FtdiDevice device;
        DWORD location = 0;
        bool openElsewhere = false; // another program has it open
    };
    // Every FTDI device the driver lists; none where it cannot list them.
    std::vector<Listed> List() const;

    // An opened board into bit-bang mode showing the device nothing but 0:
    // first every pin an input (held at 0 by its pull-down), then `pins`
    // (the pins' byte for 0) written, then every pin an output, driving it;
    // a write waits at most half a second, and where the byte did not go
    // out the pins stay inputs, never driving what they held before. Where a call fails, its status,
    // and `call` names it.
    Status EnterBitBangAtRest(Handle handle, std::uint8_t pins, const char*& call) const;

    // "FT_Write je vratila kod 4" (NotWritten: "FT_Write nije upisala
    // bajt"): for the messages.
    static std::string StatusText(const char* call, Status status);

    HMODULE module = nullptr;
    Status(WINAPI* createDeviceInfoList)(DWORD* count) = nullptr;
    Status(WINAPI* getDeviceInfoDetail)(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                        DWORD* location, char* serial, char* description,
                                        Handle* handle) = nullptr;
    Status(WINAPI* openEx)(void* what, DWORD how, Handle* handle) = nullptr;
    Status(WINAPI* setTimeouts)(Handle, ULONG readMs, ULONG writeMs) = nullptr;
    Status(WINAPI* setBitMode)(Handle, UCHAR mask, UCHAR mode) = nullptr;
    Status(WINAPI* write)(Handle, void* data, DWORD size, DWORD* written) = nullptr;
    Status(WINAPI* close)(Handle) = nullptr;
    // The EEPROM, a word at a time, and the USB reset after it is written:
    // only kovir-board uses these.
    Status(WINAPI* readEE)(Handle, DWORD word, WORD* value) = nullptr;
    Status(WINAPI* writeEE)(Handle, DWORD word, WORD value) = nullptr;
    Status(WINAPI* cyclePort)(Handle) = nullptr;
};

} // namespace kovir
