// make_fault PROGRAM.exe [fault|overflow|endsession]: does to the running
// program what the tests of its endings need, from outside, as Windows or
// a library would:
//   fault       a thread of its own started at an address where there is no
//               code: a fault in one of its libraries;
//   overflow    its window's thread made to push until its stack overflows;
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

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || argc > 3) {
        std::fputs("usage: make_fault PROGRAM.exe [fault|overflow|endsession]\n", stderr);
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
