#pragma once

#include "port/sim/TraceFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace kovir::testing {

// The records of a trace's text, each line ending in `lineEnd`; a line that
// is no trace line fails the test.
inline std::vector<TraceRecord> TraceRecords(std::string_view text, std::string_view lineEnd)
{
    std::vector<TraceRecord> records;
    for (std::size_t start = 0, end; (end = text.find(lineEnd, start)) != std::string_view::npos;
         start = end + lineEnd.size()) {
        std::string why;
        const auto record = ParseTraceLine(text.substr(start, end - start), why);
        EXPECT_TRUE(record) << why;
        if (record) {
            records.push_back(*record);
        }
    }
    return records;
}

} // namespace kovir::testing
