#pragma once

#include <windows.h>

#include <string>

namespace kovir {

// A function a DLL may or may not have, typed; nullptr where it has not
// (an older Windows, or no DLL at all). Windows functions newer than the
// build's oldest Windows are bound this way, never imported.
template <typename Function> Function BoundFunction(HMODULE module, const char* name)
{
    // Through the generic function type, which the compiler accepts as a
    // stand-in for any other.
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}

// One of Windows' own DLLs, loaded by its full path in the system folder,
// never from the current folder or PATH; freed when this goes.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* file)
    {
        wchar_t folder[MAX_PATH];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length != 0 && length < MAX_PATH) {
            const std::wstring path = std::wstring(folder, length) + L"\\" + file;
            module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
    ~SystemLibrary()
    {
        if (module_) {
            FreeLibrary(module_);
        }
    }
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    template <typename Function> Function Bind(const char* name) const
    {
        return BoundFunction<Function>(module_, name);
    }

private:
    HMODULE module_ = nullptr;
};

} // namespace kovir
