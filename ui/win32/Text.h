#pragma once

#include <string>
#include <string_view>

namespace kovir {

// Our texts are UTF-8; the window system takes UTF-16.
std::wstring Wide(std::string_view text);

} // namespace kovir
