// The guard itself over real kernel objects: a socket pair for the
// program's end, a pipe for the simulated port's trace, and shared memory
// for the run's table of driving ports.
#include "guard/Guard.h"
#include "guard/GuardWords.h"
#include "port/DrivenPorts.h"
#include "port/sim/TraceFormat.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace kovir {
namespace {

std::int64_t MonotonicMicros()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000 + now.tv_nsec / 1000;
}

// The program's side, as the real one speaks: each word one datagram.
struct ProgramEnd {
    int program = -1, guard = -1;
    int traceRead = -1, traceWrite = -1;
    int tableMemory = -1;
    DrivenPorts* table = nullptr;

    ProgramEnd()
    {
        int ends[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
        program = ends[0];
        guard = ends[1];
        int pipe[2];
        EXPECT_EQ(pipe2(pipe, O_CLOEXEC | O_NONBLOCK), 0);
        traceRead = pipe[0];
        traceWrite = pipe[1];
        tableMemory = memfd_create("driven", MFD_CLOEXEC);
        EXPECT_EQ(ftruncate(tableMemory, sizeof(DrivenPorts)), 0);
        void* shared =
            mmap(nullptr, sizeof(DrivenPorts), PROT_READ | PROT_WRITE, MAP_SHARED, tableMemory, 0);
        table = new (shared) DrivenPorts;
    }
    ~ProgramEnd()
    {
        munmap(table, sizeof(DrivenPorts));
        for (const int fd : {program, guard, traceRead, traceWrite, tableMemory}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    void Say(const GuardWord& word, int descriptor = -1) const
    {
        const auto bytes = EncodeGuardWord(word);
        iovec part{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        if (descriptor >= 0) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* c = CMSG_FIRSTHDR(&message);
            c->cmsg_level = SOL_SOCKET;
            c->cmsg_type = SCM_RIGHTS;
            c->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(c), &descriptor, sizeof descriptor);
        }
        EXPECT_EQ(sendmsg(program, &message, 0), static_cast<ssize_t>(bytes.size()));
    }
    void HandTrace(std::int16_t port, std::int64_t start) const
    {
        Say({GuardWordKind::Port, {StopWay::TraceLine, port, 0, 0, start}}, traceWrite);
    }
    // The program is gone: its end closes, and the guard does its work.
    int End()
    {
        close(program);
        program = -1;
        return GuardUntilTheEnd(guard);
    }
    std::vector<TraceRecord> Trace() const
    {
        std::string text(4096, '\0');
        const ssize_t size = read(traceRead, text.data(), text.size());
        text.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
        std::vector<TraceRecord> records;
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            std::string why;
            const auto record =
                ParseTraceLine(std::string_view(text).substr(start, end - start), why);
            EXPECT_TRUE(record) << why;
            if (record) {
                records.push_back(*record);
            }
        }
        return records;
    }
};

TEST(Guard, AtTheProgramsEndItStopsThePortsLeftDrivingAndOnlyThose)
{
    struct Row {
        const char* what;
        bool table, lpt1Driving, lastWord, lpt1HandedTwice, noise;
        std::vector<std::uint16_t> stopped; // ports, in the trace's order
    } rows[] = {
        {"killed while driving", true, true, false, false, false, {0x378}},
        {"killed at rest", true, false, false, false, false, {}},
        {"its close stopped them", true, true, true, false, false, {}},
        {"no table came: every port", false, false, false, false, false, {0x378, 0x278}},
        {"a port handed twice is stopped once", true, true, false, true, false, {0x378}},
        {"a datagram that is no word changes nothing", true, true, false, false, true, {0x378}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ProgramEnd end;
        if (row.table) {
            end.Say({GuardWordKind::Table, {}}, end.tableMemory);
        }
        const std::int64_t start = MonotonicMicros();
        end.HandTrace(0x378, start);
        end.HandTrace(0x278, start);
        if (row.lpt1HandedTwice) {
            end.HandTrace(0x378, start);
        }
        end.table->Writing(0x378);
        end.table->Wrote(0x378, row.lpt1Driving ? 0x0F : 0);
        end.table->Wrote(0x278, 0);
        if (row.lastWord) {
            end.Say({GuardWordKind::Stopped, {}});
        }
        if (row.noise) {
            const char noise[] = "not a word of ours";
            EXPECT_EQ(send(end.program, noise, sizeof noise, 0), static_cast<ssize_t>(sizeof noise));
        }
        EXPECT_EQ(end.End(), static_cast<int>(row.stopped.size()));
        std::vector<std::uint16_t> seen;
        for (const TraceRecord& record : end.Trace()) {
            EXPECT_EQ(record.value, 0);
            seen.push_back(record.port);
        }
        EXPECT_EQ(seen, row.stopped);
    }
}

TEST(Guard, ItsTraceLineIsTimedFromTheProgramsStartLikeTheProgramsOwn)
{
    ProgramEnd end;
    end.Say({GuardWordKind::Table, {}}, end.tableMemory);
    end.HandTrace(0x378, MonotonicMicros() - 2'500'000); // the program started 2.5 s ago
    end.table->Wrote(0x378, 0x0F);
    end.End();
    const std::vector<TraceRecord> trace = end.Trace();
    ASSERT_EQ(trace.size(), 1U);
    EXPECT_GE(trace[0].micros, 2'500'000);
    EXPECT_LT(trace[0].micros, 3'500'000);
}

} // namespace
} // namespace kovir
