#pragma once

#include "port/CrashReadableList.h"
#include "port/OptionPorts.h"
#include "port/PortOutput.h"
#include "port/PreciseWait.h"
#include "port/WriteInProgress.h"
#include "port/bitbang/BitBangBoards.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
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
// Given the program's options, the first write also finds the PC's LPT
// ports, and an option whose address has none drives a port elsewhere (a
// PCIe card) or a USB bit-bang board; without a list of ports every
// address is written as it is, and no board is driven.
class PortLibraryPort final : public PortOutput {
public:
    // `options`: the program's port addresses, LPT1 first.
    explicit PortLibraryPort(std::span<const std::int16_t> options);
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
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {}) override;
    std::string DrivenPortName(std::int16_t port) override;
    bool StopFromCrash(std::int16_t port) noexcept override;
    void HandStopsTo(StopHandOff& guard) override { guard_ = &guard; }

private:
    // The address the byte for `address` is written to.
    std::int16_t Driven(std::int16_t address);
    // The board the option at `address` drives, if it drives one.
    std::optional<std::size_t> BoardOf(std::int16_t address) const;
    const OptionPorts& Resolved();

    void Bind(std::int16_t address);
    void Write(std::int16_t port, std::uint8_t value) const noexcept;
    void Hold(std::int16_t address);

    std::vector<std::int16_t> options_;
    std::optional<OptionPorts> resolved_;
    std::atomic<bool> resolvedReady_{false}; // resolved_ complete: the crash stop may read it
    std::size_t lptPorts_ = 0; // the listed LPT ports; the boards come after them
    bool portsListed_ = false; // Windows could list them
    BitBangBoards boards_;
    std::vector<std::wstring> folders_;
    NewerWindows use_;
    void* library_ = nullptr;   // HMODULE
    void (*entry_)() = nullptr; // the bound entry point, cast to its type on use
    bool out32_ = false;        // entry_ is Out32 rather than PortOut
    std::uint8_t libraryIndex_ = 0; // of entry_'s library in the table, for the guard
    // Each address, and its mutex HANDLE: read by the crash stop.
    CrashReadableList<std::pair<std::int16_t, void*>, 8> held_; // the program has three addresses
    WriteInProgress write_; // inside the library's write
    PulseClock clock_;
    StopHandOff* guard_ = nullptr;
};

} // namespace kovir
