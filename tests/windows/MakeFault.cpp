// make_fault PROGRAM.exe: makes the running program fault, as a fault in
// one of its libraries would: a thread of its own started at an address
// where there is no code. The test of what a crash does to the device.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fputs("usage: make_fault PROGRAM.exe\n", stderr);
        return 2;
    }
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
    const auto nowhere = reinterpret_cast<LPTHREAD_START_ROUTINE>(static_cast<INT_PTR>(0x10));
    const HANDLE thread = CreateRemoteThread(process, nullptr, 0, nowhere, nullptr, 0, nullptr);
    if (!thread) {
        std::fprintf(stderr, "make_fault: no thread (%lu)\n", GetLastError());
        return 1;
    }
    CloseHandle(thread);
    CloseHandle(process);
    return 0;
}
