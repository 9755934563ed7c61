#include "guard/GuardLink.h"

#include "windows/Text.h"
#include "windows/TrustedLibrary.h"

#include <windows.h>

#include <initializer_list>
#include <new>
#include <stdexcept>
#include <string>

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

} // namespace

// The guard's command line names what it inherits: the pipe it reads the
// program's words from, the program's process (to wait on) and the table.
GuardLink::GuardLink()
{
    Started started;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    started.table = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherited, PAGE_READWRITE, 0,
                                       sizeof(DrivenPorts), nullptr);
    void* view = started.table ? MapViewOfFile(started.table, FILE_MAP_WRITE, 0, 0, sizeof(DrivenPorts))
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
    std::wstring command = L"kovir-guard.exe";
    bool made = !folder.empty() &&
                DuplicateHandle(self, self, self, &started.program, SYNCHRONIZE, TRUE, 0);
    if (made) {
        for (HANDLE handle : {started.pipeRead, started.program, started.table}) {
            command += L" " + HandleText(handle);
        }
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION guard{};
        // Its own process group: the console's Ctrl+C is the program's
        // alone. Out of the program's job where the job allows it, so that
        // closing the job does not end the guard with the program.
        for (const DWORD job : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
            made = CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, TRUE,
                                  CREATE_NEW_PROCESS_GROUP | job, nullptr, nullptr, &startup,
                                  &guard);
            if (made) {
                break;
            }
        }
        if (made) {
            CloseHandle(guard.hThread);
            guard_ = reinterpret_cast<std::intptr_t>(guard.hProcess);
        }
    }
    if (!made) {
        const DWORD error = GetLastError();
        CloseHandle(started.pipeWrite);
        UnmapViewOfFile(view);
        Fail(Utf8(path), error);
    }
}

GuardLink::~GuardLink()
{
    // The guard sees the end now, if it has not had the last word.
    CloseHandle(AsHandle(end_));
    CloseHandle(AsHandle(guard_));
    UnmapViewOfFile(table_);
}

void GuardLink::Say(GuardWord word, int descriptor)
{
    if (descriptor != -1) {
        HANDLE theirs = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), AsHandle(descriptor), AsHandle(guard_), &theirs,
                             0, FALSE, DUPLICATE_SAME_ACCESS)) {
            throw std::runtime_error(DescribeGuardGone("DuplicateHandle: kod " +
                                                       std::to_string(GetLastError())));
        }
        word.handle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(theirs));
    }
    const auto bytes = EncodeGuardWord(word);
    DWORD written = 0;
    if (!WriteFile(AsHandle(end_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size()) {
        throw std::runtime_error(DescribeGuardGone("WriteFile: kod " + std::to_string(GetLastError())));
    }
}

} // namespace kovir
