#include "windows/TrustedLibrary.h"

#include "windows/SystemLibrary.h"

namespace kovir {

namespace {

// Not in older SDKs' headers; Windows 7 with KB2533623 and later know them.
constexpr DWORD SearchDllLoadDir = 0x00000100; // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD SearchSystem32 = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32

} // namespace

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    path.resize(path.find_last_of(L"\\/"));
    return path;
}

std::wstring SystemFolder()
{
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return length != 0 && length < MAX_PATH ? std::wstring(path, length) : std::wstring();
}

DWORD TrustedLoadFlags(bool confined)
{
    if (confined &&
        BoundFunction<FARPROC>(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr) {
        return SearchDllLoadDir | SearchSystem32;
    }
    SetDllDirectoryW(L"");
    return LOAD_WITH_ALTERED_SEARCH_PATH;
}

HMODULE LoadTrustedLibrary(const wchar_t* file)
{
    const DWORD flags = TrustedLoadFlags();
    for (const std::wstring& folder : {ProgramFolder(), SystemFolder()}) {
        if (folder.empty()) {
            continue;
        }
        const std::wstring path = folder + L"\\" + file;
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            continue;
        }
        if (HMODULE module = LoadLibraryExW(path.c_str(), nullptr, flags)) {
            return module;
        }
    }
    return nullptr;
}

} // namespace kovir
