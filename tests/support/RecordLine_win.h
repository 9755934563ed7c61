#pragma once

#include <windows.h>

#include <string>

namespace kovir::testing {

// Appends `line` and a line end to the file named by the environment
// variable `log`, if it is set: how our test DLLs record each call, from
// whichever process loaded them.
inline void RecordLine(const char* log, const std::string& line)
{
    char path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(log, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace kovir::testing
