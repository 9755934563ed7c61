#include "guard/GuardLink.h"

#include "guard/StartProcess_win.h"
#include "windows/Text.h"
#include "windows/TrustedLibrary.h"

#include <windows.h>

#include <initializer_list>
#include <memory>
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

// What the thread that starts the guard is given, and frees: the starter's
// command line, and the handles it inherits, which the program closes once
// they are passed on.
struct Start {
    std::wstring path, command;
    HANDLE inherited[3] = {};
};

// With the system's reason: no handle has this bit.
constexpr DWORD StartFailed = 0x8000'0000;

// Off the window's thread, so that the window is made meanwhile: starts the
// starter and waits, at most 10 s, for its answer. The thread's exit status
// is the guard's process as a handle of ours, or StartFailed and why.
DWORD WINAPI StartGuard(void* what)
{
    const std::unique_ptr<Start> start(static_cast<Start*>(what));
    const HANDLE starter = StartInheriting(start->path, start->command);
    const DWORD error = GetLastError();
    for (const HANDLE handle : start->inherited) {
        CloseHandle(handle);
    }
    if (!starter) {
        return StartFailed | error;
    }
    DWORD said = 0;
    if (WaitForSingleObject(starter, 10'000) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(starter, &said)) {
        said = StartFailed | WAIT_TIMEOUT;
    } else if (said == 0 || said % 4 != 0) {
        said |= StartFailed; // the starter's own reason
    }
    CloseHandle(starter);
    return said;
}

// The guard's process, once the thread that starts it has ended.
void AwaitGuard(std::intptr_t& starting, std::intptr_t& guard)
{
    if (guard != -1) {
        return;
    }
    DWORD said = StartFailed;
    if (starting != -1) {
        const HANDLE thread = AsHandle(std::exchange(starting, -1));
        if (WaitForSingleObject(thread, 11'000) != WAIT_OBJECT_0 ||
            !GetExitCodeThread(thread, &said)) {
            said = StartFailed | WAIT_TIMEOUT;
        }
        CloseHandle(thread);
    }
    if (said & StartFailed) {
        throw std::runtime_error(DescribeGuardNotStarted("kovir-guard.exe --detach: kod " +
                                                             std::to_string(said & ~StartFailed),
                                                         "kovir-guard.exe"));
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
    // first byte.
    // A guard that is not there is said at once, before any port library
    // loads; one that does not start, at the first word.
    HANDLE thread = nullptr;
    if (!folder.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
        DuplicateHandle(self, self, self, &started.program, SYNCHRONIZE | PROCESS_DUP_HANDLE, TRUE,
                        0)) {
        auto start = std::make_unique<Start>();
        start->path = path;
        start->command = L"kovir-guard.exe --detach";
        for (HANDLE handle : {started.pipeRead, started.program, started.table}) {
            start->command += L" " + HandleText(handle);
        }
        start->inherited[0] = started.pipeRead;
        start->inherited[1] = started.program;
        start->inherited[2] = started.table;
        thread = CreateThread(nullptr, 64 * 1024, &StartGuard, start.get(),
                              STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread) {
            start.release(); // the thread's now, with the handles it closes
            started.pipeRead = started.program = started.table = nullptr;
        }
    }
    if (!thread) {
        const DWORD error = GetLastError();
        CloseHandle(started.pipeWrite);
        UnmapViewOfFile(view);
        Fail(Utf8(path), error);
    }
    starting_ = reinterpret_cast<std::intptr_t>(thread);
}

GuardLink::~GuardLink()
{
    // The guard sees the end now, if it has not had the last word.
    CloseHandle(AsHandle(end_));
    for (const std::intptr_t handle : {guard_, starting_}) {
        if (handle != -1) {
            CloseHandle(AsHandle(handle));
        }
    }
    UnmapViewOfFile(table_);
}

void GuardLink::Say(GuardWord word, int descriptor)
{
    // Before any port is driven: a guard that did not start is Load's failure.
    AwaitGuard(starting_, guard_);
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
