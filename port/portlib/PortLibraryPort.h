#pragma once

#include "port/PortOutput.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kovir {

// The real parallel port on Windows, through a port-I/O library: IO.DLL, or
// the InpOut library of the build's width. Nothing is loaded before the first
// write; that write binds the first library of the table that loads and has
// its entry point, and the binding is kept for the life of the port. Each
// address is taken for this program alone on its first write, so a second
// kovir on the same port is refused instead of mixing its bytes with ours.
class PortLibraryPort final : public PortOutput {
public:
    // Looks in the program's own folder, then in the system folder; never in
    // the current directory or PATH, where a planted DLL could be waiting.
    PortLibraryPort();
    // Looks in these folders, in this order (full paths).
    explicit PortLibraryPort(std::vector<std::wstring> folders);

    // The newer Windows functions used where the system has them; turned off,
    // the port does what it does on older Windows.
    struct NewerWindows {
        bool confinedLibrarySearch = true; // LoadLibraryEx's search flags: 7 with KB2533623
        bool threadErrorMode = true;       // SetThreadErrorMode: Windows 7
    };
    PortLibraryPort(std::vector<std::wstring> folders, NewerWindows use);
    ~PortLibraryPort() override;
    PortLibraryPort(const PortLibraryPort&) = delete;
    PortLibraryPort& operator=(const PortLibraryPort&) = delete;

    void PortOut(std::int16_t port, std::uint8_t value) override;
    void Wait(std::uint32_t milliseconds) override;
    void WaitIncluding(std::uint32_t milliseconds, const std::function<void()>& meanwhile) override;

private:
    void Bind(std::int16_t address);
    void Hold(std::int16_t address);

    std::vector<std::wstring> folders_;
    NewerWindows use_;
    void* library_ = nullptr;   // HMODULE
    void (*entry_)() = nullptr; // the bound entry point, cast to its type on use
    bool out32_ = false;        // entry_ is Out32 rather than PortOut
    std::vector<std::pair<std::int16_t, void*>> held_; // address, its mutex HANDLE
};

} // namespace kovir
