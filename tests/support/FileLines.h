#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kovir::testing {

// The lines of a file our test libraries record their calls in; none when
// nothing was recorded.
inline std::vector<std::string> FileLines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace kovir::testing
