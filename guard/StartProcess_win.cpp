#include "guard/StartProcess_win.h"

#include <initializer_list>

namespace kovir {

HANDLE StartInheriting(const std::wstring& path, std::wstring command)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // A windowless program that never takes a message: no busy cursor for it.
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    PROCESS_INFORMATION started{};
    for (const DWORD job : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
        if (CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, TRUE,
                           CREATE_NEW_PROCESS_GROUP | job, nullptr, nullptr, &startup, &started)) {
            CloseHandle(started.hThread);
            return started.hProcess;
        }
    }
    return nullptr;
}

} // namespace kovir
