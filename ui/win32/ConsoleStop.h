#pragma once

#include <windows.h>

namespace kovir {

// Ctrl+C, Ctrl+Break, closing the console, logoff and shutdown reach a
// console program (kovir-sim.exe) on a thread of their own. While one of
// these lives, each of them takes the close box's path on the window's
// thread, so 0 reaches the selected port before the process ends.
class ConsoleStop {
public:
    explicit ConsoleStop(HWND window);
    ~ConsoleStop();
    ConsoleStop(const ConsoleStop&) = delete;
    ConsoleStop& operator=(const ConsoleStop&) = delete;
};

} // namespace kovir
