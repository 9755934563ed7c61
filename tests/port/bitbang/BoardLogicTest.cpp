#include "port/bitbang/BitBangBoards.h"
#include "port/bitbang/BoardProblem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kovir::BoardFault;
using kovir::BoardsInOrder;
using kovir::DescribeBoardProblem;

TEST(BoardsInOrder, BySerialWhateverTheBusOrderThoseWithoutASerialLastAsListed)
{
    struct Case {
        const char* what;
        std::vector<kovir::ListedBoard> listed;
        std::vector<std::size_t> order;
    };
    const Case cases[] = {
        {"none", {}, {}},
        {"one", {{"A1", 0}}, {0}},
        {"listed in reverse", {{"B2", 0}, {"A1", 1}}, {1, 0}},
        {"no rights to read one", {{"", 0}, {"B2", 1}, {"A1", 2}}, {2, 1, 0}},
        {"no rights to read any", {{"", 0}, {"", 1}}, {0, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BoardsInOrder(c.listed), c.order) << c.what;
    }
}

TEST(BoardProblem, EachFaultNamesTheBoardAndWhatToDo)
{
    struct Case {
        BoardFault fault;
        std::vector<std::string> says;
    };
    const Case cases[] = {
        {BoardFault::NoPermission,
         {"Nemate dozvolu", "USB pločica A1 (/dev/bus/usb/001/004)", "60-kovir.rules",
          "ponovo priključite"}},
        {BoardFault::Busy, {"USB pločica A1 (/dev/bus/usb/001/004) je zauzeta", "Zatvorite ga"}},
        {BoardFault::System, {"USB pločici", "nije uspeo: usb bulk write failed."}},
    };
    for (const Case& c : cases) {
        const std::string text =
            DescribeBoardProblem({c.fault, "A1", "/dev/bus/usb/001/004", "usb bulk write failed"});
        for (const std::string& part : c.says) {
            EXPECT_NE(text.find(part), std::string::npos) << text;
        }
    }
    EXPECT_EQ(DescribeBoardProblem({BoardFault::Busy, "", "", ""}).find("pločica ("),
              std::string::npos)
        << "a board without serial or node is named without empty parentheses";
}

} // namespace
