#include "port/bitbang/BitBangBoards.h"

namespace kovir {

bool BoardBefore(const std::string& a, const std::string& b)
{
    if (a.empty() != b.empty()) {
        return b.empty();
    }
    return a < b;
}

} // namespace kovir
