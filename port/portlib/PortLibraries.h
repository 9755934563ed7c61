#pragma once

#include <span>
#include <string_view>

namespace kovir {

// How a port library's write entry point is called. Both are stdcall on
// 32-bit Windows and take the port first; they differ in the data argument.
enum class PortEntry {
    PortOut, // void PortOut(short port, unsigned char data) — IO.DLL
    Out32,   // void Out32(short port, short data) — the InpOut library
};

struct PortLibrary {
    std::string_view file;  // looked for by this name in each folder
    std::string_view entry; // the exported name
    PortEntry kind;
};

// The libraries a build of `pointerBits` (32 or 64) tries, in order; the
// first that loads and has its entry point is bound.
std::span<const PortLibrary> PortLibrariesFor(int pointerBits);

} // namespace kovir
