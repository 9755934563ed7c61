#include "tools/board/Console.h"

namespace kovir {

void UseUtf8Console() {}

} // namespace kovir
