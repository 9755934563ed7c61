#include "port/bitbang/BitBangBoards.h"
#include "port/bitbang/BoardProblem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using kovir::BoardFault;
using kovir::DescribeBoardProblem;

TEST(SortBoards, BySerialWhateverTheBusOrderThoseWithoutASerialLastAsListed)
{
    struct Board {
        std::string serial;
        int listed;
    };
    struct Case {
        const char* what;
        std::vector<Board> listed;
        std::vector<int> order;
    };
    const std::vector<Case> cases = {
        {"none", {}, {}},
        {"one", {{"A1", 0}}, {0}},
        {"listed in reverse", {{"B2", 0}, {"A1", 1}}, {1, 0}},
        {"no rights to read two", {{"", 0}, {"B2", 1}, {"", 2}, {"A1", 3}}, {3, 1, 0, 2}},
    };
    for (const Case& c : cases) {
        std::vector<const Board*> boards;
        for (const Board& board : c.listed) {
            boards.push_back(&board);
        }
        kovir::SortBoards(boards);
        std::vector<int> order;
        for (const Board* board : boards) {
            order.push_back(board->listed);
        }
        EXPECT_EQ(order, c.order) << c.what;
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
