#include "port/bitbang/BitBangBoards.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

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

} // namespace
