#include "port/portlib/LptPorts.h"

#include "windows/SystemLibrary.h"

#include <windows.h>

#include <wbemcli.h>

#include <cwchar>

namespace kovir {

namespace {

// COM and its strings, bound only on the PCs that need WMI: importing them
// would load both at every start.
struct ComFunctions {
    SystemLibrary ole{L"ole32.dll"};
    SystemLibrary oleAut{L"oleaut32.dll"};
    decltype(&CoInitializeEx) initialize = ole.Bind<decltype(&CoInitializeEx)>("CoInitializeEx");
    decltype(&CoUninitialize) uninitialize = ole.Bind<decltype(&CoUninitialize)>("CoUninitialize");
    decltype(&CoCreateInstance) create = ole.Bind<decltype(&CoCreateInstance)>("CoCreateInstance");
    decltype(&CoSetProxyBlanket) blanket =
        ole.Bind<decltype(&CoSetProxyBlanket)>("CoSetProxyBlanket");
    decltype(&SysAllocString) allocString =
        oleAut.Bind<decltype(&SysAllocString)>("SysAllocString");
    decltype(&SysFreeString) freeString = oleAut.Bind<decltype(&SysFreeString)>("SysFreeString");
    decltype(&VariantClear) clear = oleAut.Bind<decltype(&VariantClear)>("VariantClear");

    bool Complete() const
    {
        return initialize && uninitialize && create && blanket && allocString && freeString && clear;
    }
};

// A COM string of ours, freed when it goes.
class ComString {
public:
    ComString(const ComFunctions& f, const wchar_t* text) : f_(f), text_(f.allocString(text)) {}
    ~ComString() { f_.freeString(text_); }
    ComString(const ComString&) = delete;
    ComString& operator=(const ComString&) = delete;
    BSTR Get() const { return text_; }

private:
    const ComFunctions& f_;
    BSTR text_;
};

template <typename Interface> struct Released {
    Interface* p = nullptr;
    ~Released()
    {
        if (p) {
            p->Release();
        }
    }
};

// WMI gives a 64-bit unsigned property as a string.
std::optional<unsigned long> Number(const VARIANT& value)
{
    if (value.vt == VT_BSTR && value.bstrVal) {
        wchar_t* end = nullptr;
        const unsigned long long number = std::wcstoull(value.bstrVal, &end, 10);
        return end != value.bstrVal ? std::optional<unsigned long>(static_cast<unsigned long>(number))
                                    : std::nullopt;
    }
    if (value.vt == VT_I4 || value.vt == VT_UI4) {
        return static_cast<unsigned long>(value.ulVal);
    }
    return std::nullopt;
}

std::vector<unsigned long> RangeStarts(const ComFunctions& f, const std::wstring& deviceInstanceId)
{
    std::vector<unsigned long> starts;
    Released<IWbemLocator> locator;
    if (FAILED(f.create(__uuidof(WbemLocator), nullptr, CLSCTX_INPROC_SERVER,
                        __uuidof(IWbemLocator), reinterpret_cast<void**>(&locator.p)))) {
        return starts;
    }
    Released<IWbemServices> services;
    const ComString space(f, L"ROOT\\CIMV2");
    if (FAILED(locator.p->ConnectServer(space.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                        nullptr, &services.p)) ||
        FAILED(f.blanket(services.p, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                         RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE))) {
        return starts;
    }
    const ComString language(f, L"WQL");
    const ComString query(f, PortResourceQuery(deviceInstanceId).c_str());
    Released<IEnumWbemClassObject> results;
    if (FAILED(services.p->ExecQuery(language.Get(), query.Get(),
                                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     &results.p))) {
        return starts;
    }
    for (;;) {
        Released<IWbemClassObject> range;
        ULONG returned = 0;
        if (results.p->Next(static_cast<LONG>(WBEM_INFINITE), 1, &range.p, &returned) != WBEM_S_NO_ERROR ||
            returned == 0) {
            break;
        }
        VARIANT value;
        value.vt = VT_EMPTY;
        if (SUCCEEDED(range.p->Get(L"StartingAddress", 0, &value, nullptr, nullptr))) {
            if (const auto start = Number(value)) {
                starts.push_back(*start);
            }
            f.clear(&value);
        }
    }
    return starts;
}

} // namespace

std::optional<unsigned long> PortBaseFromWmi(const std::wstring& deviceInstanceId)
{
    const ComFunctions f;
    if (!f.Complete()) {
        return std::nullopt;
    }
    // A thread that already has COM in another model keeps it.
    const HRESULT initialized = f.initialize(nullptr, COINIT_APARTMENTTHREADED);
    const std::vector<unsigned long> starts = RangeStarts(f, deviceInstanceId);
    if (SUCCEEDED(initialized)) {
        f.uninitialize();
    }
    // Unlike the configuration manager, WMI gives the ranges in no set order.
    return PortBaseAmong(starts);
}

} // namespace kovir
