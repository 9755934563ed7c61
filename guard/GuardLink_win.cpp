#include "guard/GuardLink.h"

#include "guard/StartProcess_win.h"
#include "windows/Text.h"
#include "windows/TrustedLibrary.h"

#include <windows.h>

#include <initializer_list>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace kovir {

namespace {

[[noreturn]] void Fail(const std::string& what, DWORD error = GetLastError())
{
    throw std::runtime_error(
        DescribeGuardNotStarted(what + ": kod " + std::to_string(error), "kovir-guard.exe"));
}

HANDLE AsHandle(std::intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

// In decimal, by hand: std::to_wstring would bring the C library's wide
// printing in for this alone.
std::wstring HandleText(HANDLE handle)
{
    // Handles fit in 32 bits on every Windows, so that 32- and 64-bit
    // processes can share them.
    auto value = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle));
    std::wstring text;
    do {
        text.insert(text.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return text;
}

// What each end closes on the way out, however far the start came.
struct Started {
    HANDLE table = nullptr, pipeRead = nullptr, pipeWrite = nullptr, program = nullptr;
    ~Started()
    {
        for (HANDLE handle : {table, pipeRead, program}) {
            if (handle) {
                CloseHandle(handle);
            }
        }
    }
};

// The guard's process, once the starter has said it (its exit status): the
// starter's end is awaited at most 10 s.
void AwaitGuard(std::intptr_t& starter, std::intptr_t& guard)
{
    if (guard != -1) {
        return;
    }
    DWORD said = 0;
    bool answered = false;
    if (starter != -1) {
        const HANDLE process = AsHandle(std::exchange(starter, -1));
        answered = WaitForSingleObject(process, 10'000) == WAIT_OBJECT_0 &&
                   GetExitCodeProcess(process, &said) && said != 0 && said % 4 == 0;
        CloseHandle(process);
    }
    if (!answered) {
        throw std::runtime_error(DescribeGuardNotStarted(
            "kovir-guard.exe --detach: kod " + std::to_string(said), "kovir-guard.exe"));
    }
    guard = static_cast<std::intptr_t>(said);
}

} // namespace

// The guard's command line names what it inherits: the pipe it reads the
// program's words from, the program's process (to wait on) and the table.
GuardLink::GuardLink()
{
    Started started;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    started.table = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
                                       sizeof(DrivenPorts), nullptr);
    void* view = started.table
                     ? MapViewOfFile(started.table, FILE_MAP_WRITE, 0, 0, sizeof(DrivenPorts))
                     : nullptr;
    if (!view) {
        Fail("CreateFileMapping");
    }
    table_ = new (view) DrivenPorts;
    const HANDLE self = GetCurrentProcess();
    if (!CreatePipe(&started.pipeRead, &started.pipeWrite, &inherited, 0) ||
        !SetHandleInformation(started.pipeWrite, HANDLE_FLAG_INHERIT, 0)) {
        const DWORD error = GetLastError();
        CloseHandle(started.pipeWrite);
        UnmapViewOfFile(view);
        Fail("CreatePipe", error);
    }
    end_ = reinterpret_cast<std::intptr_t>(started.pipeWrite);
    const std::wstring folder = ProgramFolder();
    const std::wstring path = folder + L"\\kovir-guard.exe";
    // Through a starter, a first kovir-guard.exe that starts the guard and
    // ends: the guard is then no child of the program, which Task Manager's
    // "End task" (the program with its children) or "End process tree"
    // would end with it. The starter's exit status is the guard's process,
    // made a handle of ours; it is awaited at the first word, before the
    // first byte, so that the window is made meanwhile.
    HANDLE starter = nullptr;
    if (!folder.empty() && DuplicateHandle(self, self, self, &started.program,
                                           SYNCHRONIZE | PROCESS_DUP_HANDLE, TRUE, 0)) {
        std::wstring command = L"kovir-guard.exe --detach";
        for (HANDLE handle : {started.pipeRead, started.program, started.table}) {
            command += L" " + HandleText(handle);
        }
        starter = StartInheriting(path, command);
    }
    if (!starter) {
        const DWORD error = GetLastError();
        CloseHandle(started.pipeWrite);
        UnmapViewOfFile(view);
        Fail(Utf8(path), error);
    }
    starter_ = reinterpret_cast<std::intptr_t>(starter);
}

GuardLink::~GuardLink()
{
    // The guard sees the end now, if it has not had the last word.
    CloseHandle(AsHandle(end_));
    for (const std::intptr_t process : {guard_, starter_}) {
        if (process != -1) {
            CloseHandle(AsHandle(process));
        }
    }
    UnmapViewOfFile(table_);
}

void GuardLink::Say(GuardWord word, int descriptor)
{
    // Before any port is driven: a guard that did not start is Load's failure.
    AwaitGuard(starter_, guard_);
    if (descriptor != -1) {
        HANDLE theirs = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), AsHandle(descriptor), AsHandle(guard_), &theirs,
                             0, FALSE, DUPLICATE_SAME_ACCESS)) {
            throw std::runtime_error(
                DescribeGuardGone("DuplicateHandle: kod " + std::to_string(GetLastError())));
        }
        word.handle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(theirs));
    }
    const auto bytes = EncodeGuardWord(word);
    DWORD written = 0;
    if (!WriteFile(AsHandle(end_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error(
            DescribeGuardGone("WriteFile: kod " + std::to_string(GetLastError())));
    }
}

} // namespace kovir
