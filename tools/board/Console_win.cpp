#include "tools/board/Console.h"

#include <windows.h>

namespace kovir {

void UseUtf8Console()
{
    SetConsoleOutputCP(CP_UTF8);
}

} // namespace kovir
