#include "port/portlib/LptPortList.h"

#include <algorithm>

namespace kovir {

std::optional<unsigned> LptNumberOf(std::wstring_view portName)
{
    constexpr std::wstring_view Prefix = L"LPT";
    if (portName.size() <= Prefix.size() || portName.size() > Prefix.size() + 3 ||
        !std::equal(Prefix.begin(), Prefix.end(), portName.begin(),
                    [](wchar_t a, wchar_t b) { return a == (b & ~0x20); })) {
        return std::nullopt;
    }
    unsigned number = 0;
    for (const wchar_t c : portName.substr(Prefix.size())) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(c - L'0');
    }
    return number;
}

std::vector<unsigned long> BasesInLptOrder(std::vector<LptPort> ports)
{
    std::stable_sort(ports.begin(), ports.end(),
                     [](const LptPort& a, const LptPort& b) { return a.number < b.number; });
    std::vector<unsigned long> bases;
    for (const LptPort& port : ports) {
        bases.push_back(port.base);
    }
    return bases;
}

std::optional<unsigned long> PortBaseOf(const std::vector<unsigned long>& declaredRanges)
{
    const auto first = std::find_if(declaredRanges.begin(), declaredRanges.end(),
                                    [](unsigned long start) { return start != 0; });
    return first != declaredRanges.end() ? std::optional(*first) : std::nullopt;
}

namespace {

// Reads little-endian numbers out of the list, and says when it ran short.
class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint32_t Number(std::size_t at, std::size_t size)
    {
        std::uint32_t value = 0;
        if (at + size > bytes_.size()) {
            shortOf_ = true;
            return 0;
        }
        for (std::size_t i = size; i-- > 0;) {
            value = value << 8 | bytes_[at + i];
        }
        return value;
    }
    bool ShortOf() const { return shortOf_; }

private:
    std::span<const std::uint8_t> bytes_;
    bool shortOf_ = false;
};

} // namespace

std::vector<unsigned long> IoRangesInResourceList(std::span<const std::uint8_t> list)
{
    // CM_RESOURCE_LIST: a count of full descriptors, each an interface type
    // and bus number, then a partial list (version, revision, count) of
    // 16-byte partial descriptors, packed to 4 bytes: type, share, flags,
    // then for a port its 64-bit start and 32-bit length. A device-specific
    // one (type 5) has its data right after it.
    constexpr std::uint8_t Port = 1, DeviceSpecific = 5;
    constexpr std::size_t Partial = 16;
    Reader read(list);
    std::vector<unsigned long> starts;
    std::size_t at = 4;
    for (std::uint32_t full = 0, fulls = read.Number(0, 4); full < fulls && !read.ShortOf(); ++full) {
        const std::uint32_t partials = read.Number(at + 12, 4);
        at += 16;
        for (std::uint32_t i = 0; i < partials && !read.ShortOf(); ++i, at += Partial) {
            const std::uint32_t type = read.Number(at, 1);
            if (type == Port && read.Number(at + 12, 4) != 0) {
                starts.push_back(read.Number(at + 4, 4));
            } else if (type == DeviceSpecific) {
                // Never past the list's end: on a 32-bit build the sum could wrap.
                const std::uint32_t data = read.Number(at + 4, 4);
                if (data > list.size()) {
                    return {};
                }
                at += data;
            }
        }
    }
    return read.ShortOf() ? std::vector<unsigned long>{} : starts;
}

} // namespace kovir
