#include "guard/Guard_win.h"

#include "guard/GuardWords.h"
#include "guard/StopPort.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace kovir {

namespace {

struct Handed {
    PortStop stop;
    HANDLE handle;
};

// One word as the program wrote it; nothing once the program is gone.
std::optional<std::array<std::uint8_t, GuardWordSize>> Read(HANDLE pipe)
{
    std::array<std::uint8_t, GuardWordSize> word{};
    DWORD had = 0;
    while (had < word.size()) {
        DWORD read = 0;
        if (!ReadFile(pipe, word.data() + had, static_cast<DWORD>(word.size() - had), &read,
                      nullptr) ||
            read == 0) {
            return std::nullopt;
        }
        had += read;
    }
    return word;
}

// How long a program gone from its pipe may take to be gone altogether,
// before the stops go out anyway.
constexpr DWORD ProgramEndMs = 10'000;

} // namespace

int GuardUntilTheEnd(HANDLE pipe, HANDLE program, const DrivenPorts& table)
{
    std::vector<Handed> handed;
    bool stopped = false;
    while (const auto bytes = Read(pipe)) {
        const std::optional<GuardWord> word = DecodeGuardWord(*bytes);
        const HANDLE handle =
            word && word->handle
                ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(word->handle))
                : nullptr;
        if (word && word->kind == GuardWordKind::Stopped) {
            stopped = true;
        } else if (word && word->kind == GuardWordKind::Port &&
                   std::none_of(handed.begin(), handed.end(), [&word](const Handed& h) {
                       return h.stop.way == word->stop.way && h.stop.port == word->stop.port;
                   })) {
            handed.push_back({word->stop, handle});
        } else if (handle) {
            CloseHandle(handle);
        }
    }
    int written = 0;
    const bool anyDriving = std::any_of(handed.begin(), handed.end(), [&table](const Handed& h) {
        return table.Driving(h.stop.port);
    });
    if (!stopped && anyDriving) {
        WaitForSingleObject(program, ProgramEndMs);
        for (const Handed& port : handed) {
            if (table.Driving(port.stop.port) &&
                StopPort(port.stop,
                         static_cast<int>(reinterpret_cast<std::intptr_t>(port.handle)))) {
                ++written;
            }
        }
    }
    for (const Handed& port : handed) {
        if (port.handle) {
            CloseHandle(port.handle);
        }
    }
    return written;
}

} // namespace kovir
