#include "port/portlib/PortLibraries.h"

namespace kovir {

namespace {

// IO.DLL first: where it sits beside the program it is what the operator
// chose. It exists only as a 32-bit library; a 64-bit build still tries it
// (a 64-bit one may be there) and reports why a 32-bit one cannot be used.
constexpr PortLibrary Libraries32[] = {
    {"IO.DLL", "PortOut", PortEntry::PortOut},
    {"inpout32.dll", "Out32", PortEntry::Out32},
};
constexpr PortLibrary Libraries64[] = {
    {"IO.DLL", "PortOut", PortEntry::PortOut},
    {"inpoutx64.dll", "Out32", PortEntry::Out32},
};

} // namespace

std::span<const PortLibrary> PortLibrariesFor(int pointerBits)
{
    if (pointerBits == 64) {
        return Libraries64;
    }
    return Libraries32;
}

} // namespace kovir
