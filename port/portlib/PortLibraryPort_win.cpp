#include "port/portlib/PortLibraryPort.h"

#include "port/PortAddressText.h"
#include "port/portlib/LptPorts.h"
#include "port/portlib/PortLibraries.h"
#include "port/portlib/PortLibraryProblem.h"
#include "windows/SystemLibrary.h"
#include "windows/Text.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace kovir {

namespace {

using PortOutEntry = void(WINAPI*)(short, unsigned char);
using Out32Entry = void(WINAPI*)(short, short);
using IsInpOutDriverOpenEntry = BOOL(WINAPI*)();

// Not in older SDKs' headers; Windows 7 with KB2533623 and later know them.
constexpr DWORD SearchDllLoadDir = 0x00000100; // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
constexpr DWORD SearchSystem32 = 0x00000800;   // LOAD_LIBRARY_SEARCH_SYSTEM32

constexpr int PointerBits = sizeof(void*) * 8;

// The system's own words for an error code, without the trailing full stop
// and line end, so they can stand inside our sentence; `file` fills the
// place some of them leave for a file name.
std::string SystemReason(DWORD error, const std::wstring& file = L"")
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    if (const auto insert = text.find(L"%1"); insert != std::wstring::npos) {
        text.replace(insert, 2, file.empty() ? L"?" : file);
    }
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.' ||
                             text.back() == L' ')) {
        text.pop_back();
    }
    return Utf8(text) + (text.empty() ? "" : ", ") + "kod " + std::to_string(error);
}

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw std::runtime_error("Putanju programa nije moguće saznati (" +
                                     SystemReason(GetLastError()) + ").");
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
    if (length == 0 || length >= MAX_PATH) {
        throw std::runtime_error("Sistemsku fasciklu nije moguće saznati (" +
                                 SystemReason(GetLastError()) + ").");
    }
    return std::wstring(path, length);
}

// Keeps the system from asking the operator about a file it cannot load;
// the reason goes into our one message instead.
// (For this thread where Windows 7 and later allow it, else for the process.)
class QuietLoaderErrors {
public:
    explicit QuietLoaderErrors(bool forThisThread)
        : threadMode_(forThisThread ? BoundFunction<ThreadErrorMode>(GetModuleHandleW(L"kernel32.dll"),
                                                                    "SetThreadErrorMode")
                                    : nullptr)
    {
        constexpr UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
        if (threadMode_) {
            DWORD previous = 0;
            threadMode_(quiet, &previous);
            previous_ = previous;
        } else {
            previous_ = SetErrorMode(quiet);
        }
    }
    ~QuietLoaderErrors()
    {
        if (threadMode_) {
            threadMode_(previous_, nullptr);
        } else {
            SetErrorMode(previous_);
        }
    }
    QuietLoaderErrors(const QuietLoaderErrors&) = delete;
    QuietLoaderErrors& operator=(const QuietLoaderErrors&) = delete;

private:
    using ThreadErrorMode = BOOL(WINAPI*)(DWORD, LPDWORD);
    ThreadErrorMode threadMode_;
    UINT previous_ = 0;
};

// Whether LoadLibraryEx takes the flags that confine a library's own imports
// to its folder and the system folder.
bool HasConfinedLibrarySearch()
{
    return BoundFunction<FARPROC>(GetModuleHandleW(L"kernel32.dll"), "AddDllDirectory") != nullptr;
}

// A folder as Windows writes it: with forward slashes, Windows does not treat
// the library's own folder as the place for its imports.
std::wstring Backslashed(std::wstring folder)
{
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    return folder;
}

} // namespace

PortLibraryPort::PortLibraryPort() : PortLibraryPort(std::vector<std::wstring>{}) {}

PortLibraryPort::PortLibraryPort(std::span<const std::int16_t> options) : PortLibraryPort()
{
    options_.assign(options.begin(), options.end());
}

PortLibraryPort::PortLibraryPort(std::vector<std::wstring> folders)
    : PortLibraryPort(std::move(folders), NewerWindows{})
{
}

PortLibraryPort::PortLibraryPort(std::vector<std::wstring> folders, NewerWindows use)
    : folders_(std::move(folders)), use_(use)
{
    use_.confinedLibrarySearch = use_.confinedLibrarySearch && HasConfinedLibrarySearch();
    for (std::wstring& folder : folders_) {
        folder = Backslashed(std::move(folder));
    }
    if (!use_.confinedLibrarySearch) {
        // The next best there: the current folder is no place to look for
        // the imports of a library loaded later.
        SetDllDirectoryW(L"");
    }
}

PortLibraryPort::~PortLibraryPort()
{
    for (auto& [address, mutex] : held_) {
        CloseHandle(mutex);
    }
    if (library_) {
        FreeLibrary(static_cast<HMODULE>(library_));
    }
}

const OptionPorts& PortLibraryPort::Resolved()
{
    if (!resolved_) {
        // A list that cannot be had leaves every address as it is.
        const auto listed = options_.empty() ? std::nullopt : ListLptPorts();
        resolved_.emplace(listed ? std::span<const std::int16_t>(options_)
                                 : std::span<const std::int16_t>(),
                          listed ? BasesInLptOrder(*listed) : std::vector<unsigned long>{});
    }
    return *resolved_;
}

std::int16_t PortLibraryPort::Driven(std::int16_t address)
{
    return static_cast<std::int16_t>(Resolved().DrivenBase(address));
}

std::string PortLibraryPort::DrivenPortName(std::int16_t port)
{
    return Resolved().NameOf(port);
}

void PortLibraryPort::PortOut(std::int16_t option, std::uint8_t value)
{
    const std::int16_t port = Driven(option);
    // The port first: a second kovir is refused before it loads anything.
    if (std::none_of(held_.begin(), held_.end(),
                     [port](const auto& h) { return h.first == port; })) {
        Hold(port);
    }
    if (!entry_) {
        Bind(port);
    }
    writing_ = 1;
    Write(port, value);
    writing_ = 0;
    clock_.Mark(); // the byte is on the lines
}

void PortLibraryPort::Write(std::int16_t port, std::uint8_t value) const noexcept
{
    if (out32_) {
        reinterpret_cast<Out32Entry>(entry_)(port, static_cast<short>(value));
    } else {
        reinterpret_cast<PortOutEntry>(entry_)(port, value);
    }
}

void PortLibraryPort::StopFromCrash(std::int16_t option) noexcept
{
    // Only a port this program holds, through the library already bound,
    // and never while the crash is inside the library's own write.
    if (writing_ || !entry_ || !resolved_) {
        return;
    }
    const auto driven = static_cast<std::int16_t>(resolved_->DrivenBase(option));
    for (const auto& [address, mutex] : held_) {
        if (address == driven) {
            Write(driven, 0);
        }
    }
}

void PortLibraryPort::Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    clock_.Wait(milliseconds, meanwhile);
}

void PortLibraryPort::Bind(std::int16_t address)
{
    QuietLoaderErrors quiet(use_.threadErrorMode);
    const std::vector<std::wstring> folders =
        folders_.empty() ? std::vector<std::wstring>{ProgramFolder(), SystemFolder()} : folders_;
    // Its own imports beside it or in the system folder, never in the
    // current folder or on PATH, where a planted DLL could be waiting. Older
    // Windows (without KB2533623) have no such confinement: there its
    // imports are looked for beside it and in the system folders first, the
    // current folder is out (SetDllDirectory), but PATH is still searched last.
    const DWORD loadFlags =
        use_.confinedLibrarySearch ? SearchDllLoadDir | SearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH;
    std::vector<LookupAttempt> attempts;
    for (const PortLibrary& library : PortLibrariesFor(PointerBits)) {
        for (const std::wstring& folder : folders) {
            const std::wstring path = folder + L"\\" + Wide(library.file);
            LookupAttempt attempt;
            attempt.path = Utf8(path);
            attempt.entry = library.entry;
            const DWORD attributes = GetFileAttributesW(path.c_str());
            const DWORD lookError = GetLastError();
            if (attributes == INVALID_FILE_ATTRIBUTES &&
                (lookError == ERROR_FILE_NOT_FOUND || lookError == ERROR_PATH_NOT_FOUND)) {
                attempt.outcome = LookupOutcome::Missing;
                attempts.push_back(attempt);
                continue;
            }
            HMODULE module = LoadLibraryExW(path.c_str(), nullptr, loadFlags);
            if (!module) {
                attempt.error = GetLastError();
                attempt.outcome = LookupOutcome::NotLoadable;
                attempt.reason = SystemReason(attempt.error, Wide(library.file));
                attempts.push_back(attempt);
                continue;
            }
            const auto entry = BoundFunction<void (*)()>(module, std::string(library.entry).c_str());
            if (!entry) {
                FreeLibrary(module);
                attempt.outcome = LookupOutcome::NoEntryPoint;
                attempts.push_back(attempt);
                continue;
            }
            // InpOut 1.5 and later say whether their driver is open; without
            // it their writes do nothing and report nothing.
            const auto driverOpen =
                BoundFunction<IsInpOutDriverOpenEntry>(module, "IsInpOutDriverOpen");
            if (driverOpen && !driverOpen()) {
                FreeLibrary(module);
                throw std::runtime_error(DescribeInpOutDriverClosed(address, attempt.path));
            }
            library_ = module;
            entry_ = entry; // cast to its own type on use
            out32_ = library.kind == PortEntry::Out32;
            return;
        }
    }
    throw std::runtime_error(DescribeNoPortLibrary(address, attempts, PointerBits));
}

void PortLibraryPort::Hold(std::int16_t address)
{
    // Named for the address across all sessions; Windows drops it when the
    // process that holds it ends, however it ends.
    const std::wstring name = L"Global\\kovir-lpt-" + Wide(HexAddress(address));
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (mutex && error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        throw std::runtime_error(DescribePortInUse(address));
    }
    if (!mutex) {
        // Another user's kovir made it, and its security keeps us out.
        if (error == ERROR_ACCESS_DENIED) {
            throw std::runtime_error(DescribePortInUse(address));
        }
        throw std::runtime_error("Paralelni port " + HexAddress(address) +
                                 " nije moguće zauzeti za ovaj program (" + SystemReason(error) +
                                 ").");
    }
    held_.emplace_back(address, mutex);
}

} // namespace kovir
