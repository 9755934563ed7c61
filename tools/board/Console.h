#pragma once

namespace kovir {

// Lets the console show the program's UTF-8 text as it is: Windows'
// consoles take another code page unless told.
void UseUtf8Console();

} // namespace kovir
