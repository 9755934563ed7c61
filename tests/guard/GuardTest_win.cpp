// The guard on Windows over real kernel objects: a pipe for the program's
// words, a pipe for the simulated port's trace, an event standing for the
// program's process, and the run's table of driving ports.
#include "guard/GuardWords.h"
#include "guard/Guard_win.h"
#include "port/DrivenPorts.h"
#include "port/sim/TraceFormat.h"
#include "tests/support/TraceRecords.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace kovir {
namespace {

std::int64_t SteadyMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The program's side, as the real one speaks: each word 20 bytes on a pipe.
struct ProgramEnd {
    HANDLE program = nullptr, guard = nullptr;
    HANDLE traceRead = nullptr, traceWrite = nullptr;
    HANDLE process = CreateEventW(nullptr, TRUE, FALSE, nullptr); // set: the program is gone
    DrivenPorts table;

    ProgramEnd()
    {
        EXPECT_TRUE(CreatePipe(&guard, &program, nullptr, 0));
        EXPECT_TRUE(CreatePipe(&traceRead, &traceWrite, nullptr, 0));
    }
    ~ProgramEnd()
    {
        for (const HANDLE handle : {program, guard, traceRead, traceWrite, process}) {
            if (handle) {
                CloseHandle(handle);
            }
        }
    }

    void SayBytes(const void* bytes, DWORD size) const
    {
        DWORD written = 0;
        EXPECT_TRUE(WriteFile(program, bytes, size, &written, nullptr) && written == size);
    }
    void Say(GuardWord word) const
    {
        const auto bytes = EncodeGuardWord(word);
        SayBytes(bytes.data(), static_cast<DWORD>(bytes.size()));
    }
    // The trace's handle made the guard's, as the program's DuplicateHandle does.
    void HandTrace(std::int16_t port, std::int64_t start) const
    {
        HANDLE theirs = nullptr;
        EXPECT_TRUE(DuplicateHandle(GetCurrentProcess(), traceWrite, GetCurrentProcess(), &theirs,
                                    0, FALSE, DUPLICATE_SAME_ACCESS));
        GuardWord word{GuardWordKind::Port, {StopWay::TraceLine, port, 0, 0, start}};
        word.handle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(theirs));
        Say(word);
    }
    // The program is gone: its end of the pipe closes, its process ends.
    int End()
    {
        CloseHandle(program);
        program = nullptr;
        SetEvent(process);
        const int written = GuardUntilTheEnd(guard, process, table);
        CloseHandle(traceWrite); // the guard has closed its own
        traceWrite = nullptr;
        return written;
    }
    std::vector<TraceRecord> Trace() const
    {
        std::string text;
        char part[512];
        DWORD read = 0;
        while (ReadFile(traceRead, part, sizeof part, &read, nullptr) && read > 0) {
            text.append(part, read);
        }
        return testing::TraceRecords(text, "\r\n");
    }
};

TEST(GuardWin, AtTheProgramsEndItStopsThePortsLeftDrivingAndOnlyThose)
{
    struct Row {
        const char* what;
        bool lpt1Driving, lastWord, lpt1HandedTwice, noise;
        std::vector<std::uint16_t> stopped; // ports, in the trace's order
    } rows[] = {
        {"ended from outside while driving", true, false, false, false, {0x378}},
        {"ended from outside at rest", false, false, false, false, {}},
        {"its close stopped them", true, true, false, false, {}},
        {"a port handed twice is stopped once", true, false, true, false, {0x378}},
        {"bytes that are no word change nothing", true, false, false, true, {0x378}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProgramEnd end;
        const std::int64_t start = SteadyMicros() - 2'500'000; // the program started 2.5 s ago
        end.HandTrace(0x378, start);
        end.HandTrace(0x278, start);
        if (row.lpt1HandedTwice) {
            end.HandTrace(0x378, start);
        }
        end.table.Writing(0x378);
        end.table.Wrote(0x378, row.lpt1Driving ? 0x0F : 0);
        end.table.Wrote(0x278, 0);
        if (row.noise) {
            const char noise[GuardWordSize] = "not a word of ours";
            end.SayBytes(noise, sizeof noise);
        }
        if (row.lastWord) {
            end.Say({GuardWordKind::Stopped, {}});
        }
        EXPECT_EQ(end.End(), static_cast<int>(row.stopped.size()));
        std::vector<std::uint16_t> seen;
        for (const TraceRecord& record : end.Trace()) {
            EXPECT_EQ(record.value, 0);
            EXPECT_GE(record.micros, 2'500'000) << "timed from the program's start";
            EXPECT_LT(record.micros, 3'500'000);
            seen.push_back(record.port);
        }
        EXPECT_EQ(seen, row.stopped);
    }
}

} // namespace
} // namespace kovir
