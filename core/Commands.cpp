#include "core/Commands.h"

#include <stdexcept>

namespace kovir {

std::uint8_t CheckedCommandByte(std::int16_t value)
{
    if (value < 0 || value > 0xFF) {
        throw std::overflow_error("Prekoračenje: komanda " + std::to_string(value) +
                                  " ne staje u jedan bajt.");
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace kovir
