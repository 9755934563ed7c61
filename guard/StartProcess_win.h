#pragma once

#include <windows.h>

#include <string>

namespace kovir {

// Starts `path` with `command` as its command line, inheriting the handles
// marked so, in a process group of its own (the console's Ctrl+C is not its)
// and out of the caller's job where the job allows it (closing the job does
// not end it). Its process handle; nullptr where it did not start
// (GetLastError).
HANDLE StartInheriting(const std::wstring& path, std::wstring command);

// The starter's answer, as its exit status: the guard's process as a handle
// of the program's (a multiple of 4, never 0), or a reason it has none.
enum StarterFailure : DWORD { StarterCouldNotStart = 1, StarterCouldNotHandOver = 2 };

} // namespace kovir
