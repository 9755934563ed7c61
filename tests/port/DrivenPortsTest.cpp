// Which ports a run leaves driving: what every ending, and the guard, stop.
#include "port/DrivenPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace kovir {
namespace {

std::vector<std::int16_t> DrivingIn(const DrivenPorts& ports)
{
    std::vector<std::int16_t> driving;
    ports.ForEachDriving([&driving](std::int16_t port) { driving.push_back(port); });
    return driving;
}

TEST(DrivenPorts, APortDrivesFromItsWriteUntilA0OrACrashsStopReachesIt)
{
    struct Row {
        const char* what;
        std::function<void(DrivenPorts&)> run;
        std::vector<std::int16_t> driving; // in the order first written
    } rows[] = {
        {"nothing written", [](DrivenPorts&) {}, {}},
        {"a command",
         [](DrivenPorts& p) {
             p.Writing(0x378);
             p.Wrote(0x378, 0x0F);
         },
         {0x378}},
        {"then its stop",
         [](DrivenPorts& p) {
             p.Wrote(0x378, 0x0F);
             p.Writing(0x378);
             p.Wrote(0x378, 0);
         },
         {}},
        {"a write still under way: either byte may show",
         [](DrivenPorts& p) {
             p.Wrote(0x378, 0);
             p.Writing(0x378);
         },
         {0x378}},
        {"a port chosen away from while it drove",
         [](DrivenPorts& p) {
             p.Wrote(0x378, 0x0F);
             p.Wrote(0x278, 0x0E);
             p.Wrote(0x278, 0);
         },
         {0x378}},
        {"two driving, in the order first written",
         [](DrivenPorts& p) {
             p.Wrote(0x3BC, 0x05);
             p.Wrote(0x378, 0x0F);
             p.Wrote(0x3BC, 0x0B);
         },
         {0x3BC, 0x378}},
        {"a crash's stop",
         [](DrivenPorts& p) {
             p.Wrote(0x378, 0x0F);
             p.Stopped(0x378);
         },
         {}},
        {"a crash's stop on a port never written", [](DrivenPorts& p) { p.Stopped(0x278); }, {}},
    };
    for (const Row& row : rows) {
        DrivenPorts ports;
        row.run(ports);
        EXPECT_EQ(DrivingIn(ports), row.driving) << row.what;
        for (const std::int16_t port : {0x378, 0x278, 0x3BC}) {
            const bool listed =
                std::find(row.driving.begin(), row.driving.end(), port) != row.driving.end();
            EXPECT_EQ(ports.Driving(static_cast<std::int16_t>(port)), listed) << row.what;
        }
    }
}

} // namespace
} // namespace kovir
