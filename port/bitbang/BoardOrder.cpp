#include "port/bitbang/BitBangBoards.h"

#include <algorithm>

namespace kovir {

std::vector<std::size_t> BoardsInOrder(std::vector<ListedBoard> boards)
{
    std::stable_sort(boards.begin(), boards.end(), [](const ListedBoard& a, const ListedBoard& b) {
        if (a.serial.empty() != b.serial.empty()) {
            return b.serial.empty();
        }
        return a.serial < b.serial;
    });
    std::vector<std::size_t> order;
    for (const ListedBoard& board : boards) {
        order.push_back(board.listed);
    }
    return order;
}

} // namespace kovir
