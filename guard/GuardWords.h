#pragma once

#include "port/StopHandOff.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kovir {

// What the program says to its guard, one datagram a word, on a socket pair:
//   Table   — the memory where the run keeps which ports are driving, a
//             descriptor sent with the word;
//   Port    — how to stop one port, with the descriptor it is stopped through;
//   Stopped — the program wrote its last stop: the guard ends, writing nothing.
// The program's end of the socket closing without Stopped is the program's end.
enum class GuardWordKind : std::uint8_t { Table = 1, Port = 2, Stopped = 3 };

struct GuardWord {
    GuardWordKind kind = GuardWordKind::Stopped;
    PortStop stop; // for Port
    // Windows: the handle the stop is written through, as the program made
    // it the guard's (DuplicateHandle); a socket carries it on Linux.
    std::uint32_t handle = 0;
    friend bool operator==(const GuardWord&, const GuardWord&) = default;
};

inline constexpr std::size_t GuardWordSize = 20;

std::array<std::uint8_t, GuardWordSize> EncodeGuardWord(const GuardWord& word);

// Nothing where the datagram is not a word of this build's guard.
std::optional<GuardWord> DecodeGuardWord(std::span<const std::uint8_t> datagram);

} // namespace kovir
