// Every message the program can give about a port, a port library or a
// board is in the README's "When something is wrong" and in the Serbian
// guide's "Kada nešto ne radi", as its opening words, with what varies
// shown as "…".
#include "port/bitbang/BoardProblem.h"
#include "port/ieee1284/PortProblem.h"
#include "port/portlib/PortLibraryProblem.h"
#include "port/sim/SimulatedPort.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace kovir {
namespace {

// The section of `file` under `heading`, up to the next heading of its level.
std::string Section(const std::string& file, const std::string& heading)
{
    std::ifstream in(std::string(KOVIR_SOURCE_DIR) + "/" + file);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto start = text.find("\n" + heading + "\n");
    if (start == std::string::npos) {
        return {};
    }
    return text.substr(start, text.find("\n## ", start + 1) - start);
}

// The message's opening words: `shown` replaced by "…", then up to the
// first of `stops` after it.
std::string Opening(std::string message, const std::string& shown, const std::string& as,
                    const char* stops = ":.")
{
    const auto at = message.find(shown);
    EXPECT_NE(at, std::string::npos) << message;
    message.replace(at, shown.size(), as);
    return message.substr(0, message.find_first_of(stops, at + as.size()));
}

std::vector<std::string> Openings()
{
    std::vector<std::string> openings;
    for (const PortFault fault : {PortFault::NotFound, PortFault::NoDriver, PortFault::NoPermission,
                                  PortFault::Busy, PortFault::System}) {
        PortProblem problem;
        problem.fault = fault;
        problem.address = 0x378;
        problem.device = "/dev/parport0";
        problem.reason = "Input/output error";
        const std::string message = DescribePortProblem(problem);
        const bool withDevice = message.find("/dev/parport0") != std::string::npos;
        openings.push_back(Opening(message, withDevice ? "0x378 (/dev/parport0)" : "0x378", "0x…"));
    }
    for (const BoardFault fault : {BoardFault::NoPermission, BoardFault::Busy, BoardFault::SerialOpen,
                                   BoardFault::SerialUnsure, BoardFault::System}) {
        BoardProblem problem;
        problem.fault = fault;
        problem.serial = "KV000721";
        problem.tty = "/dev/ttyUSB0";
        problem.reason = "LIBUSB_ERROR_IO";
        openings.push_back(Opening(DescribeBoardProblem(problem), " KV000721", " …"));
    }
    // The simulated port's, when its trace cannot be written (a full disk).
    if (std::FILE* full = std::fopen("/dev/full", "w")) {
        SimulatedPort port(full);
        try {
            port.PortOut(0x378, 0x0F);
            ADD_FAILURE() << "no failure on a full disk";
        } catch (const std::runtime_error& e) {
            openings.push_back(Opening(e.what(), "0x378", "0x…"));
        }
        std::fclose(full);
    }
    // Windows: each starts as a Linux one may, so up to its first full stop.
    const std::string library = "C:/kovir/inpoutx64.dll";
    std::string closed = DescribeInpOutDriverClosed(0x378, library);
    closed.replace(closed.find(library), library.size(), "…");
    openings.push_back(Opening(DescribeNoPortLibrary(0x378, {}, 64), "0x378", "0x…", "."));
    openings.push_back(Opening(closed, "0x378", "0x…", "."));
    openings.push_back(Opening(DescribePortInUse(0x378), "0x378", "0x…", "."));
    return openings;
}

TEST(MessagesDocumented, EveryPortAndBoardMessageIsInBothGuides)
{
    const std::string readme = Section("README.md", "## When something is wrong");
    const std::string guide = Section("docs/uputstvo.md", "## Kada nešto ne radi");
    ASSERT_FALSE(readme.empty());
    ASSERT_FALSE(guide.empty());
    for (const std::string& opening : Openings()) {
        EXPECT_NE(readme.find("\"" + opening), std::string::npos) << "README.md lacks: " << opening;
        EXPECT_NE(guide.find("„" + opening), std::string::npos) << "uputstvo.md lacks: " << opening;
    }
}

} // namespace
} // namespace kovir
