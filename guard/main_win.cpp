// kovir-guard.exe: started by kovir.exe and kovir-sim.exe before any port
// library loads, it outlives them. When the program is gone without having
// written its last stop (End task, taskkill /F, a crash no filter saw), it
// writes 0 to every port the program left driving, then ends. It drives
// nothing, and has no window.
//   kovir-guard.exe --detach PIPE PROGRAM TABLE   the program starts it: it
//       starts the guard with the handles it inherits, as numbers, and ends,
//       its exit status the guard's process as a handle of the program's
//   kovir-guard.exe PIPE PROGRAM TABLE            the guard
#include "guard/Guard_win.h"
#include "guard/StartProcess_win.h"

#include "windows/TrustedLibrary.h"

#include <cstring>
#include <string>

#include <cstdint>

namespace {

// A handle's number in decimal, read by hand: the C library's reading is
// one more import for this alone.
HANDLE Inherited(const char* number)
{
    std::uintptr_t value = 0;
    for (; *number >= '0' && *number <= '9'; ++number) {
        value = value * 10 + static_cast<std::uintptr_t>(*number - '0');
    }
    return reinterpret_cast<HANDLE>(value);
}

// The starter: the guard, started as its own child, is no child of the
// program's once this has ended.
int Detach(char** handles)
{
    std::wstring command = L"kovir-guard.exe";
    for (int i = 0; i < 3; ++i) {
        command += L" " + std::wstring(handles[i], handles[i] + std::strlen(handles[i]));
    }
    const HANDLE guard =
        kovir::StartInheriting(kovir::ProgramFolder() + L"\\kovir-guard.exe", command);
    if (!guard) {
        return kovir::StarterCouldNotStart;
    }
    HANDLE theirs = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), guard, Inherited(handles[1]), &theirs,
                         PROCESS_DUP_HANDLE, FALSE, 0)) {
        return kovir::StarterCouldNotHandOver; // the guard ends with the broken pipe
    }
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(theirs));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--detach") == 0) {
        return Detach(argv + 2);
    }
    if (argc != 4) {
        return 2; // not started by the program
    }
    const HANDLE table = Inherited(argv[3]);
    const void* view = MapViewOfFile(table, FILE_MAP_READ, 0, 0, sizeof(kovir::DrivenPorts));
    if (!view) {
        return 1; // the program's first word fails: it says why
    }
    // No box asks anyone anything about a library it loads; and no folder
    // is held busy for as long as it lives.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    SetCurrentDirectoryW(kovir::SystemFolder().c_str());
    kovir::GuardUntilTheEnd(Inherited(argv[1]), Inherited(argv[2]),
                            *static_cast<const kovir::DrivenPorts*>(view));
    return 0;
}
