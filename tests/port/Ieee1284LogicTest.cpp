// The hardware backend's decisions, without hardware: which kernel port is
// ours, and what the operator is told when it cannot be had.
#include "port/ieee1284/PortChoice.h"
#include "port/bitbang/FtdiDevice.h"
#include "port/ieee1284/PortProblem.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace kovir {
namespace {

TEST(PortChoice, OnlyPortsTheKernelNumbersAreTakenInTheOrderOfTheirNumbers)
{
    // libieee1284 sorts by name; without the parport driver it lists guesses.
    EXPECT_EQ(KernelPortsInOrder({{"parport10", 0xE010}, {"parport2", 0xD010}, {"parport0", 0x378}}),
              (std::vector<std::size_t>{2, 1, 0}));
    EXPECT_EQ(KernelPortsInOrder({{"0x278", 0x278}, {"0x378", 0x378}, {"0x3bc", 0x3BC}}),
              std::vector<std::size_t>{});
    EXPECT_EQ(KernelPortsInOrder({{"1", 0x278}, {"0", 0}}), (std::vector<std::size_t>{1, 0}));
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
        {{PortFault::NotFound, 0x278, "", "", "", {{"parport0", 0x378}}, {}, ""},
         {"0x278", "nije pronađen", "0x378 (parport0)", "modprobe parport_pc"}},
        {{PortFault::NotFound, 0x3BC, "", "", "", {}, {}, ""},
         {"0x3BC", "nije pronađen", "nijedan paralelni port"}},
        {{PortFault::NoDriver, 0x378, "/dev/parport0", "", "", {}, {}, ""},
         {"0x378", "/dev/parport0", "parport_pc", "modprobe parport_pc ppdev"}},
        {{PortFault::NoPermission, 0x378, "/dev/parport1", "lp", "", {}, {}, ""},
         {"0x378", "/dev/parport1", "dozvol", "grupe lp", "usermod -aG lp"}},
        {{PortFault::NoPermission, 0x278, "/dev/parport2", "dialout", "", {}, {}, ""},
         {"0x278", "grupe dialout", "usermod -aG dialout"}},
        {{PortFault::Busy, 0x3BC, "/dev/parport2", "", "", {}, {}, ""},
         {"0x3BC", "zauzet", "drugi program", "primerak ovog programa", "modprobe -r lp"}},
        {{PortFault::System, 0x378, "/dev/parport0", "", "Input/output error", {}, {}, ""},
         {"0x378", "nije uspeo", "Input/output error"}},
        // A card or an adapter in place of the option's own port is named.
        {{PortFault::Busy, 0x378, "/dev/parport0", "", "", {}, 0xD010, ""}, {"0xD010 (/dev/parport0)"}},
        {{PortFault::System, 0x278, "/dev/parport1", "", "", {}, 0, ""}, {"USB (/dev/parport1)"}},
        {{PortFault::NotFound, 0x3BC, "", "", "", {{"parport0", 0}}, {}, ""}, {"USB (parport0)"}},
        // No port, and an FTDI device not prepared: named, with how to prepare one.
        {{PortFault::NotFound, 0x378, "", "", "", {}, {},
          DescribeUnpreparedBoards({{0x6001, "FT232R/FT245R", "A50285BI", "FT232R USB UART",
                                     "1-1, /dev/bus/usb/001/002", ""}},
                                   "sudo kovir-board")},
         {"nijedan paralelni port", "FT232R/FT245R A50285BI „FT232R USB UART” (1-1, /dev/bus/usb/001/002)",
          "opis „kovir”", "sudo kovir-board prepare SERIJSKI_BROJ"}},
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
