// The hardware backend's decisions, without hardware: which kernel port is
// ours, and what the operator is told when it cannot be had.
#include "port/ieee1284/PortChoice.h"
#include "port/ieee1284/PortProblem.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace kovir {
namespace {

const std::vector<KnownPort> Renumbered{{"parport0", 0x3BC}, {"parport1", 0x378}, {"parport2", 0x278}};

TEST(PortChoice, FindsThePortByBaseAddressNotByNumber)
{
    EXPECT_EQ(FindPortByBase(Renumbered, 0x378), 1U);
    EXPECT_EQ(FindPortByBase(Renumbered, 0x278), 2U);
    EXPECT_EQ(FindPortByBase(Renumbered, 0x3BC), 0U);
    EXPECT_EQ(FindPortByBase({{"parport0", 0x378}}, 0x278), std::nullopt);
    EXPECT_EQ(FindPortByBase({}, 0x378), std::nullopt);
    // A port whose address the system does not know is never taken for ours.
    EXPECT_EQ(FindPortByBase({{"parport0", 0}}, 0x378), std::nullopt);
}

TEST(PortChoice, DeviceNodeComesFromTheKernelsPortNumber)
{
    EXPECT_EQ(DeviceNodeFor("parport0"), "/dev/parport0");
    EXPECT_EQ(DeviceNodeFor("parport12"), "/dev/parport12");
    EXPECT_EQ(DeviceNodeFor("2"), "/dev/parport2");
    EXPECT_EQ(DeviceNodeFor("0x378"), "");
    EXPECT_EQ(DeviceNodeFor("parport"), "");
    EXPECT_EQ(DeviceNodeFor(""), "");
}

TEST(PortProblem, OpenAndClaimFailuresAreToldApart)
{
    EXPECT_EQ(ClassifyOpenFailure({false, 0}), PortFault::NoDriver);
    EXPECT_EQ(ClassifyOpenFailure({true, EACCES}), PortFault::NoPermission);
    EXPECT_EQ(ClassifyOpenFailure({true, EPERM}), PortFault::NoPermission);
    EXPECT_EQ(ClassifyOpenFailure({true, 0}), PortFault::System);
    EXPECT_EQ(ClassifyClaimFailure(ENXIO), PortFault::Busy);
    EXPECT_EQ(ClassifyClaimFailure(EBUSY), PortFault::Busy);
    EXPECT_EQ(ClassifyClaimFailure(EIO), PortFault::System);
}

struct MessageRow {
    PortProblem problem;
    std::vector<std::string> mustSay;
};

TEST(PortProblem, MessagesNameTheAddressTheReasonAndWhatToDo)
{
    const MessageRow rows[] = {
        {{PortFault::NotFound, 0x278, "", "", "", {{"parport0", 0x378}}},
         {"0x278", "nije pronađen", "0x378 (parport0)", "modprobe parport_pc"}},
        {{PortFault::NotFound, 0x3BC, "", "", "", {}},
         {"0x3BC", "nije pronađen", "nijedan paralelni port"}},
        {{PortFault::NoDriver, 0x378, "/dev/parport0", "", "", {}},
         {"0x378", "/dev/parport0", "parport_pc", "modprobe parport_pc ppdev"}},
        {{PortFault::NoPermission, 0x378, "/dev/parport1", "lp", "", {}},
         {"0x378", "/dev/parport1", "dozvol", "grupe lp", "usermod -aG lp"}},
        {{PortFault::NoPermission, 0x278, "/dev/parport2", "dialout", "", {}},
         {"0x278", "grupe dialout", "usermod -aG dialout"}},
        {{PortFault::Busy, 0x3BC, "/dev/parport2", "", "", {}},
         {"0x3BC", "zauzet", "drugi program", "primerak ovog programa", "modprobe -r lp"}},
        {{PortFault::System, 0x378, "/dev/parport0", "", "Input/output error", {}},
         {"0x378", "nije uspeo", "Input/output error"}},
    };
    for (const MessageRow& row : rows) {
        const std::string message = DescribePortProblem(row.problem);
        for (const std::string& part : row.mustSay) {
            EXPECT_NE(message.find(part), std::string::npos)
                << "missing \"" << part << "\" in: " << message;
        }
    }
}

} // namespace
} // namespace kovir
