#include "port/WriteInProgress.h"
#include "port/sim/SimulatedPort.h"
#include "port/sim/TraceFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace kovir {
namespace {

using namespace std::chrono_literals;

TEST(TraceFormat, EachRecordIsWrittenAsItsLineAndReadBackToTheSameValues)
{
    const struct {
        TraceRecord record;
        const char* line;
    } rows[] = {
        {{0, 0x378, 0x00}, "0.000000 0x378 0x00 00000000"},
        {{41'233, 0x378, 0x0F}, "0.041233 0x378 0x0F 00001111"},
        {{1, 0x3BC, 0x1F}, "0.000001 0x3BC 0x1F 00011111"},
        {{12'500'000, 0x278, 0x15}, "12.500000 0x278 0x15 00010101"},
        {{1'000'000, 0x378, 0xFF}, "1.000000 0x378 0xFF 11111111"},
        {{3'600'000'000'001, 0x3BC, 0x0B}, "3600000.000001 0x3BC 0x0B 00001011"},
        {{999'999'999'999, 0xFFFF, 0x80}, "999999.999999 0xFFFF 0x80 10000000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(FormatTraceLine(row.record), row.line);
        std::string why;
        EXPECT_EQ(ParseTraceLine(row.line, why), row.record) << why;
    }
}

// Everything written to `trace` so far, line by line.
std::vector<std::string> Lines(std::FILE* trace)
{
    std::rewind(trace);
    std::vector<std::string> lines;
    char buffer[128];
    while (std::fgets(buffer, sizeof buffer, trace)) {
        std::string line(buffer);
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

struct TraceFile {
    std::FILE* file = std::tmpfile();
    ~TraceFile() { std::fclose(file); }
};

double Seconds(const std::string& line)
{
    return std::stod(line.substr(0, line.find(' ')));
}

TEST(SimulatedPort, EachWriteIsOneLineOnTheTraceAndWaitsAreReal)
{
    TraceFile trace;
    ASSERT_NE(trace.file, nullptr);
    SimulatedPort port(trace.file);
    port.PortOut(0x378, 0x1F);
    port.Wait(150);
    port.PortOut(0x378, 0x0F);
    port.PortOut(0x3BC, 0x00);

    const auto lines = Lines(trace.file);
    ASSERT_EQ(lines.size(), 3U);
    const std::regex format(R"(\d+\.\d{6} 0x[0-9A-F]{3} 0x[0-9A-F]{2} [01]{8})");
    for (const auto& line : lines) {
        EXPECT_TRUE(std::regex_match(line, format)) << line;
    }
    EXPECT_EQ(lines[0].substr(lines[0].find(' ')), " 0x378 0x1F 00011111");
    EXPECT_EQ(lines[1].substr(lines[1].find(' ')), " 0x378 0x0F 00001111");
    EXPECT_EQ(lines[2].substr(lines[2].find(' ')), " 0x3BC 0x00 00000000");
    EXPECT_GE(Seconds(lines[1]) - Seconds(lines[0]), 0.150);
    EXPECT_LE(Seconds(lines[1]), Seconds(lines[2]));
}

TEST(SimulatedPort, AWaitCountsFromTheLineOfTheByteBeforeIt)
{
    TraceFile trace;
    ASSERT_NE(trace.file, nullptr);
    SimulatedPort port(trace.file);
    port.PortOut(0x378, 0x10);
    std::this_thread::sleep_for(std::chrono::milliseconds(60)); // as a slow reader of the trace
    const auto start = std::chrono::steady_clock::now();
    port.Wait(100);
    const auto took = std::chrono::steady_clock::now() - start;
    port.PortOut(0x378, 0x00);

    const auto lines = Lines(trace.file);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_GE(Seconds(lines[1]) - Seconds(lines[0]), 0.100) << "never shorter on the lines";
    EXPECT_LT(took, std::chrono::milliseconds(80)) << "the 60 ms were part of it";
}

TEST(SimulatedPort, TimeCountsFromWhenThePortWasMade)
{
    TraceFile trace;
    ASSERT_NE(trace.file, nullptr);
    SimulatedPort port(trace.file);
    port.PortOut(0x378, 0);
    EXPECT_LT(Seconds(Lines(trace.file).at(0)), 1.0);
}

TEST(SimulatedPort, AWriteToAStreamOpenForReadingIsAnError)
{
    // As when standard output was closed and its descriptor reused for reading.
    const auto path = std::filesystem::temp_directory_path() / "kovir-trace-read-only.txt";
    std::FILE* made = std::fopen(path.string().c_str(), "w");
    ASSERT_NE(made, nullptr);
    std::fclose(made);
    std::FILE* file = std::fopen(path.string().c_str(), "r");
    ASSERT_NE(file, nullptr);
    SimulatedPort port(file);
    EXPECT_THROW(
        {
            try {
                port.PortOut(0x3BC, 0x0F);
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find("0x3BC"), std::string::npos) << e.what();
                throw;
            }
        },
        std::runtime_error);
    std::fclose(file);
    std::filesystem::remove(path);
}

TEST(SimulatedPort, TheCrashStopGoesOnlyToAPortAlreadyWrittenAsOnTheRealPorts)
{
    TraceFile trace;
    ASSERT_NE(trace.file, nullptr);
    SimulatedPort port(trace.file);
    port.StopFromCrash(0x378); // nothing written yet
    port.PortOut(0x378, 0x0F);
    port.StopFromCrash(0x278); // never written
    port.StopFromCrash(0x378);
    const auto lines = Lines(trace.file);
    ASSERT_EQ(lines.size(), 2U);
    // (Its line end is the system's, as the stream's are: CRLF on Windows.)
    EXPECT_EQ(lines[1].substr(lines[1].find(' '), 20), " 0x378 0x00 00000000");
}

TEST(WriteInProgress, OnlyTheThreadInsideTheWriteIsToldSo)
{
    WriteInProgress write;
    EXPECT_FALSE(write.OnThisThread());
    {
        const WriteInProgress::During writing(write);
        EXPECT_TRUE(write.OnThisThread());
        bool onTheOther = true;
        std::thread([&] { onTheOther = write.OnThisThread(); }).join();
        EXPECT_FALSE(onTheOther) << "a crash on another thread still stops the device";
    }
    EXPECT_FALSE(write.OnThisThread());
}

} // namespace
} // namespace kovir
