#pragma once

#include <string>
#include <string_view>

namespace kovir {

// Our texts are UTF-8; Windows takes and gives UTF-16.
std::wstring Wide(std::string_view text);
std::string Utf8(std::wstring_view text);

} // namespace kovir
