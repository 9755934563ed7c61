#pragma once

#include <windows.h>

#include <string>

namespace kovir {

// Where a library the program binds by name may come from: the program's own
// folder, then the system folder; never the current folder or PATH, where a
// planted DLL could be waiting. Empty where Windows cannot say (GetLastError).
std::wstring ProgramFolder();
std::wstring SystemFolder();

// LoadLibraryEx's flags for such a library: its own imports beside it or in
// the system folder. Older Windows (without KB2533623) have no such
// confinement: there its imports are looked for beside it and in the system
// folders first, the current folder is out (SetDllDirectory, done once
// here), but PATH is still searched last. `confined`: whether to use the
// confinement where Windows has it.
DWORD TrustedLoadFlags(bool confined = true);

// `file` from the first folder that has it, loaded with TrustedLoadFlags;
// nullptr where none has it or it does not load.
HMODULE LoadTrustedLibrary(const wchar_t* file);

} // namespace kovir
