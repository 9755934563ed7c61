#include "guard/GuardWords.h"

namespace kovir {

namespace {

// Little-endian, laid out by hand: the two ends need not agree on padding.
//   0-1 "kg"  2 kind  3 way  4-5 port  6 stop  7 endpoint  8-15 at  16-19 handle
constexpr std::uint8_t Magic0 = 'k', Magic1 = 'g';

} // namespace

std::array<std::uint8_t, GuardWordSize> EncodeGuardWord(const GuardWord& word)
{
    std::array<std::uint8_t, GuardWordSize> bytes{};
    const auto port = static_cast<std::uint16_t>(word.stop.port);
    const auto at = static_cast<std::uint64_t>(word.stop.at);
    bytes[0] = Magic0;
    bytes[1] = Magic1;
    bytes[2] = static_cast<std::uint8_t>(word.kind);
    bytes[3] = static_cast<std::uint8_t>(word.stop.way);
    bytes[4] = static_cast<std::uint8_t>(port & 0xFF);
    bytes[5] = static_cast<std::uint8_t>(port >> 8);
    bytes[6] = word.stop.stop;
    bytes[7] = word.stop.endpoint;
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[8 + i] = static_cast<std::uint8_t>(at >> (8 * i));
    }
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<std::uint8_t>(word.handle >> (8 * i));
    }
    return bytes;
}

std::optional<GuardWord> DecodeGuardWord(std::span<const std::uint8_t> datagram)
{
    if (datagram.size() != GuardWordSize || datagram[0] != Magic0 || datagram[1] != Magic1) {
        return std::nullopt;
    }
    GuardWord word;
    const std::uint8_t kind = datagram[2];
    if (kind < static_cast<std::uint8_t>(GuardWordKind::Table) ||
        kind > static_cast<std::uint8_t>(GuardWordKind::Stopped)) {
        return std::nullopt;
    }
    word.kind = static_cast<GuardWordKind>(kind);
    if (word.kind != GuardWordKind::Port) {
        return word;
    }
    const std::uint8_t way = datagram[3];
    if (way < static_cast<std::uint8_t>(StopWay::TraceLine) ||
        way > static_cast<std::uint8_t>(StopWay::D2xxBoard)) {
        return std::nullopt;
    }
    word.stop.way = static_cast<StopWay>(way);
    word.stop.port = static_cast<std::int16_t>(datagram[4] | datagram[5] << 8);
    word.stop.stop = datagram[6];
    word.stop.endpoint = datagram[7];
    std::uint64_t at = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        at |= std::uint64_t{datagram[8 + i]} << (8 * i);
    }
    word.stop.at = static_cast<std::int64_t>(at);
    for (std::size_t i = 0; i < 4; ++i) {
        word.handle |= std::uint32_t{datagram[16 + i]} << (8 * i);
    }
    return word;
}

} // namespace kovir
