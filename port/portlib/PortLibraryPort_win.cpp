#include "port/portlib/PortLibraryPort.h"

#include "port/PortAddressText.h"
#include "port/portlib/LptPorts.h"
#include "port/portlib/PortLibraries.h"
#include "port/portlib/PortLibraryProblem.h"
#include "windows/SystemLibrary.h"
#include "windows/Text.h"
#include "windows/TrustedLibrary.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace kovir {

namespace {

using PortOutEntry = void(WINAPI*)(short, unsigned char);
using Out32Entry = void(WINAPI*)(short, short);
using IsInpOutDriverOpenEntry = BOOL(WINAPI*)();

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

// One of the folders a port library may come from; `what` names it.
std::wstring Required(std::wstring folder, const char* what)
{
    if (folder.empty()) {
        throw std::runtime_error(std::string(what) + " nije moguće saznati (" +
                                 SystemReason(GetLastError()) + ").");
    }
    return folder;
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
    for (std::wstring& folder : folders_) {
        folder = Backslashed(std::move(folder));
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
        std::vector<unsigned long> bases = listed ? BasesInLptOrder(*listed) : std::vector<unsigned long>{};
        lptPorts_ = bases.size();
        portsListed_ = listed.has_value();
        if (listed) {
            bases.resize(bases.size() + boards_.Count(), 0); // a board has no address
        }
        resolved_.emplace(listed ? std::span<const std::int16_t>(options_)
                                 : std::span<const std::int16_t>(),
                          std::move(bases));
        resolvedReady_.store(true);
    }
    return *resolved_;
}

std::optional<std::size_t> PortLibraryPort::BoardOf(std::int16_t address) const
{
    const auto index = resolved_ ? resolved_->PortOf(address) : std::nullopt;
    return index && *index >= lptPorts_ ? std::optional(*index - lptPorts_) : std::nullopt;
}

std::int16_t PortLibraryPort::Driven(std::int16_t address)
{
    return static_cast<std::int16_t>(Resolved().DrivenBase(address));
}

std::string PortLibraryPort::DrivenPortName(std::int16_t port)
{
    const std::string name = Resolved().NameOf(port);
    const auto board = BoardOf(port);
    return board ? boards_.Name(*board) : name;
}

void PortLibraryPort::PortOut(std::int16_t option, std::uint8_t value)
{
    const std::int16_t port = Driven(option);
    if (const auto board = BoardOf(option)) {
        if (guard_) {
            boards_.HandStopTo(*board, option, *guard_);
        }
        boards_.Write(*board, value);
        clock_.Mark();
        return;
    }
    // The port first: a second kovir is refused before it loads a port
    // library. (Finding which port an option drives came before, and has
    // loaded Windows' own SetupAPI, and FTDI's library where it is installed.)
    const bool first = std::none_of(held_.begin(), held_.end(),
                                    [port](const auto& h) { return h.first == port; });
    if (first) {
        Hold(port);
    }
    if (!entry_) {
        Bind(port);
    }
    if (first && guard_) {
        // The guard loads the same library, from the same trusted folders.
        guard_->HandOver({StopWay::PortLibrary, option, 0, libraryIndex_, port}, -1);
    }
    {
        const WriteInProgress::During writing(write_);
        Write(port, value);
    }
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

bool PortLibraryPort::StopFromCrash(std::int16_t option) noexcept
{
    // Only a port this program holds, through the library already bound,
    // and never while the crash is inside the library's own write. Nothing
    // is held before the ports are found, and the list of them (the boards
    // included) is read only once it is complete.
    if (!resolvedReady_.load()) {
        return false;
    }
    if (const auto board = BoardOf(option)) {
        return boards_.StopFromCrash(*board);
    }
    if (write_.OnThisThread() || !entry_) {
        return false;
    }
    const auto driven = static_cast<std::int16_t>(resolved_->DrivenBase(option));
    for (const auto& [address, mutex] : held_) {
        if (address == driven) {
            Write(driven, 0);
            return true;
        }
    }
    return false;
}

void PortLibraryPort::Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    clock_.Wait(milliseconds, meanwhile);
}

void PortLibraryPort::Bind(std::int16_t address)
{
    QuietLoaderErrors quiet(use_.threadErrorMode);
    const std::vector<std::wstring> folders =
        folders_.empty() ? std::vector<std::wstring>{Required(ProgramFolder(), "Putanju programa"),
                                                     Required(SystemFolder(), "Sistemsku fasciklu")}
                         : folders_;
    const DWORD loadFlags = TrustedLoadFlags(use_.confinedLibrarySearch);
    std::vector<LookupAttempt> attempts;
    const auto libraries = PortLibrariesFor(PointerBits);
    for (const PortLibrary& library : libraries) {
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
            libraryIndex_ = static_cast<std::uint8_t>(&library - libraries.data());
            return;
        }
    }
    // On a PC without any port or kovir board, the FTDI devices it has may
    // be what the operator meant to use.
    const bool noPort = portsListed_ && lptPorts_ == 0 && boards_.Count() == 0;
    const std::string boards =
        noPort ? DescribeUnpreparedBoards(boards_.Unprepared(), "kovir-board.exe") : "";
    throw std::runtime_error(DescribeNoPortLibrary(address, attempts, PointerBits) +
                             (boards.empty() ? "" : " " + boards));
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
    if (!held_.Add({address, mutex})) {
        CloseHandle(mutex);
        throw std::logic_error("more ports held than the program has addresses");
    }
}

} // namespace kovir
