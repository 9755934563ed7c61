// make_fault PROGRAM.exe [fault|overflow|overflow_in_callback|endsession]:
// does to the running program what the tests of its endings need, from
// outside, as Windows or a library would:
//   fault       a thread of its own started at an address where there is no
//               code: a fault in one of its libraries;
//   overflow    its window's thread made to push until its stack overflows;
//   overflow_in_callback
//               a stack overflow raised on its window's thread in a hook
//               (overflow_hook.dll) it calls back inside GetMessage, where
//               Wine's handler swallows it; then a click on Napred;
//   endsession  what an installer's Restart Manager sends its window:
//               WM_QUERYENDSESSION, then WM_ENDSESSION, both ENDSESSION_CLOSEAPP.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>

namespace {

HWND found = nullptr;

BOOL CALLBACK FindWindowOf(HWND window, LPARAM pid)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    if (owner == static_cast<DWORD>(pid) && std::wcscmp(caption, L"Upravljanje kovirom") == 0) {
        found = window;
        return FALSE;
    }
    return TRUE;
}

int Fail(const char* what)
{
    std::fprintf(stderr, "make_fault: %s (%lu)\n", what, GetLastError());
    return 1;
}

// Its window's thread set to run `push eax/rax; jmp back` from now on.
int Overflow(HANDLE process, HWND window)
{
    const unsigned char pushForever[] = {0x50, 0xEB, 0xFD};
    void* code = VirtualAllocEx(process, nullptr, sizeof pushForever, MEM_COMMIT | MEM_RESERVE,
                                PAGE_EXECUTE_READWRITE);
    SIZE_T written = 0;
    if (!code || !WriteProcessMemory(process, code, pushForever, sizeof pushForever, &written)) {
        return Fail("no code in the program");
    }
    const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | THREAD_SET_CONTEXT,
                                     FALSE, GetWindowThreadProcessId(window, nullptr));
    if (!thread || SuspendThread(thread) == static_cast<DWORD>(-1)) {
        return Fail("the window's thread cannot be stopped");
    }
    CONTEXT context{};
    context.ContextFlags = CONTEXT_CONTROL;
    if (!GetThreadContext(thread, &context)) {
        return Fail("no context");
    }
#ifdef _WIN64
    context.Rip = reinterpret_cast<DWORD64>(code);
#else
    context.Eip = reinterpret_cast<DWORD>(code);
#endif
    if (!SetThreadContext(thread, &context) || ResumeThread(thread) == static_cast<DWORD>(-1)) {
        return Fail("the window's thread cannot be moved");
    }
    CloseHandle(thread);
    return 0;
}

// The hook goes on the window's thread; a message sent makes it call it.
int OverflowInCallback(HWND window)
{
    const HMODULE hook = LoadLibraryW(L"overflow_hook.dll"); // from this program's folder
    FARPROC const entry = hook ? GetProcAddress(hook, "OverflowOnMessage") : nullptr;
    const auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(entry));
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!proc || !SetWindowsHookExW(WH_CALLWNDPROC, proc, hook, thread)) {
        return Fail("no hook on the window's thread");
    }
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    const HWND napred = FindWindowExW(window, nullptr, L"Button", L"Napred");
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(napred), BN_CLICKED),
                 reinterpret_cast<LPARAM>(napred));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: make_fault PROGRAM.exe [fault|overflow|overflow_in_callback|endsession]\n",
                   stderr);
        return 2;
    }
    const wchar_t* what = argc == 3 ? argv[2] : L"fault";
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD pid = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, argv[1]) == 0) {
            pid = entry.th32ProcessID;
        }
    }
    CloseHandle(snapshot);
    const HANDLE process = pid ? OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid) : nullptr;
    if (!process) {
        std::fprintf(stderr, "make_fault: no running %ls\n", argv[1]);
        return 1;
    }
    EnumWindows(&FindWindowOf, static_cast<LPARAM>(pid));
    if (std::wcscmp(what, L"fault") == 0) {
        const auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<INT_PTR>(0x10));
        const HANDLE thread = CreateRemoteThread(process, nullptr, 0, nowhere, nullptr, 0, nullptr);
        if (!thread) {
            return Fail("no thread");
        }
        CloseHandle(thread);
    } else if (!found) {
        return Fail("no window");
    } else if (std::wcscmp(what, L"overflow") == 0) {
        return Overflow(process, found);
    } else if (std::wcscmp(what, L"overflow_in_callback") == 0) {
        return OverflowInCallback(found);
    } else if (std::wcscmp(what, L"endsession") == 0) {
        constexpr LPARAM CloseApp = 0x1; // ENDSESSION_CLOSEAPP
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(found, WM_QUERYENDSESSION, 0, CloseApp, SMTO_ABORTIFHUNG, 5000,
                                 &answer) ||
            !answer) {
            return Fail("the window would not end its session");
        }
        SendMessageTimeoutW(found, WM_ENDSESSION, TRUE, CloseApp, SMTO_ABORTIFHUNG, 5000, &answer);
    } else {
        return Fail("what to do?");
    }
    CloseHandle(process);
    return 0;
}
