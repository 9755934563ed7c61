#pragma once

#include <cstdint>

namespace kovir {

// The window's six buttons, by their form names: Command1 "Levo",
// Command2 "Desno", Command3 "Napred", Command4 "Nazad", Command5 the sound
// button, Command6 the stop button.
enum class Button : std::uint8_t { Command1, Command2, Command3, Command4, Command5, Command6 };

inline constexpr int ButtonCount = 6;

} // namespace kovir
