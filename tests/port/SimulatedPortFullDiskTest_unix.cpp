#include "port/sim/SimulatedPort.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace kovir {
namespace {

TEST(SimulatedPort, AWriteToAFullDiskIsAnError)
{
    std::FILE* file = std::fopen("/dev/full", "w");
    ASSERT_NE(file, nullptr);
    SimulatedPort port(file);
    try {
        port.PortOut(0x3BC, 0x0F);
        ADD_FAILURE() << "no error on a full disk";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("0x3BC"), std::string::npos) << e.what();
    }
    std::fclose(file);
}

} // namespace
} // namespace kovir
