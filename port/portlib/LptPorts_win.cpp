#include "port/portlib/LptPorts.h"

#include "windows/SystemLibrary.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace kovir {

namespace {

// GUID_DEVCLASS_PORTS: the Ports (COM & LPT) device class.
constexpr GUID PortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// SetupAPI, the configuration manager and the registry, bound when the
// ports are first listed: most runs never need them, and each costs
// start-up time.
struct DeviceFunctions {
    SystemLibrary setupApi{L"setupapi.dll"};
    SystemLibrary advApi{L"advapi32.dll"};
    decltype(&SetupDiGetClassDevsW) getClassDevs =
        setupApi.Bind<decltype(&SetupDiGetClassDevsW)>("SetupDiGetClassDevsW");
    decltype(&SetupDiEnumDeviceInfo) enumDeviceInfo =
        setupApi.Bind<decltype(&SetupDiEnumDeviceInfo)>("SetupDiEnumDeviceInfo");
    decltype(&SetupDiOpenDevRegKey) openDevRegKey =
        setupApi.Bind<decltype(&SetupDiOpenDevRegKey)>("SetupDiOpenDevRegKey");
    decltype(&SetupDiGetDeviceInstanceIdW) getInstanceId =
        setupApi.Bind<decltype(&SetupDiGetDeviceInstanceIdW)>("SetupDiGetDeviceInstanceIdW");
    decltype(&SetupDiDestroyDeviceInfoList) destroyList =
        setupApi.Bind<decltype(&SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
    // Exported by setupapi.dll on every Windows; cfgmgr32.dll has them from 2000 on too.
    decltype(&CM_Get_First_Log_Conf) firstLogConf =
        setupApi.Bind<decltype(&CM_Get_First_Log_Conf)>("CM_Get_First_Log_Conf");
    decltype(&CM_Get_Next_Res_Des) nextResDes =
        setupApi.Bind<decltype(&CM_Get_Next_Res_Des)>("CM_Get_Next_Res_Des");
    decltype(&CM_Get_Res_Des_Data_Size) resDesDataSize =
        setupApi.Bind<decltype(&CM_Get_Res_Des_Data_Size)>("CM_Get_Res_Des_Data_Size");
    decltype(&CM_Get_Res_Des_Data) resDesData =
        setupApi.Bind<decltype(&CM_Get_Res_Des_Data)>("CM_Get_Res_Des_Data");
    decltype(&CM_Free_Res_Des_Handle) freeResDes =
        setupApi.Bind<decltype(&CM_Free_Res_Des_Handle)>("CM_Free_Res_Des_Handle");
    decltype(&CM_Free_Log_Conf_Handle) freeLogConf =
        setupApi.Bind<decltype(&CM_Free_Log_Conf_Handle)>("CM_Free_Log_Conf_Handle");
    decltype(&RegOpenKeyExW) openKey = advApi.Bind<decltype(&RegOpenKeyExW)>("RegOpenKeyExW");
    decltype(&RegQueryValueExW) queryValue = advApi.Bind<decltype(&RegQueryValueExW)>("RegQueryValueExW");
    decltype(&RegCloseKey) closeKey = advApi.Bind<decltype(&RegCloseKey)>("RegCloseKey");

    bool Complete() const
    {
        return getClassDevs && enumDeviceInfo && openDevRegKey && getInstanceId && destroyList &&
               firstLogConf && nextResDes && resDesDataSize && resDesData && freeResDes &&
               freeLogConf && openKey && queryValue && closeKey;
    }
};

// A handle of the system's, freed however its holder is left.
template <typename Handle, typename Free> class Owned {
public:
    Owned(Handle handle, Free free) : handle_(handle), free_(free) {}
    ~Owned() { free_(handle_); }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Handle Get() const { return handle_; }

private:
    Handle handle_;
    Free free_;
};

// A registry value's bytes, sized by asking first; none where it cannot be read.
std::vector<std::uint8_t> ValueOf(const DeviceFunctions& f, HKEY key, const wchar_t* name, DWORD& type)
{
    DWORD size = 0;
    if (f.queryValue(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) {
        return {};
    }
    std::vector<std::uint8_t> data(size);
    if (f.queryValue(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        return {};
    }
    data.resize(size);
    return data;
}

// The port name a device of the Ports class has in its registry key: "LPT1", "COM3".
std::wstring PortNameOf(const DeviceFunctions& f, HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY opened = f.openDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (opened == INVALID_HANDLE_VALUE) {
        return {};
    }
    const Owned key(opened, f.closeKey);
    DWORD type = 0;
    std::vector<std::uint8_t> name = ValueOf(f, key.Get(), L"PortName", type);
    if (type != REG_SZ || name.size() < sizeof(wchar_t)) {
        return {};
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(name.data()), name.size() / sizeof(wchar_t));
    return text.substr(0, text.find(L'\0'));
}

// The I/O ranges of a device's configuration of `kind`, in the order the
// device declares them.
struct Ranges {
    CONFIGRET result = CR_SUCCESS;
    std::vector<unsigned long> starts;
};

Ranges IoRangesOf(const DeviceFunctions& f, DEVINST device, ULONG kind)
{
    Ranges found;
    LOG_CONF config = 0;
    found.result = f.firstLogConf(&config, device, kind);
    if (found.result != CR_SUCCESS) {
        return found;
    }
    const Owned configuration(config, f.freeLogConf);
    RES_DES current = 0;
    for (RES_DES next = 0; f.nextResDes(&next, current ? current : config, ResType_IO, nullptr, 0) ==
                           CR_SUCCESS;) {
        if (current) {
            f.freeResDes(current);
        }
        current = next;
        ULONG size = 0;
        if (f.resDesDataSize(&size, current, 0) != CR_SUCCESS || size < sizeof(IO_DES)) {
            continue;
        }
        auto data = std::make_unique<unsigned char[]>(size);
        if (f.resDesData(current, data.get(), size, 0) == CR_SUCCESS) {
            IO_DES header{};
            std::memcpy(&header, data.get(), sizeof header);
            found.starts.push_back(static_cast<unsigned long>(header.IOD_Alloc_Base));
        }
    }
    if (current) {
        f.freeResDes(current);
    }
    return found;
}

// For a 32-bit program on 64-bit Windows 8 and later, which the
// configuration manager no longer answers: the device's allocated resources
// as Windows keeps them in the registry, in the device's order.
std::vector<unsigned long> IoRangesInRegistry(const DeviceFunctions& f, const std::wstring& instanceId)
{
    HKEY opened = nullptr;
    const std::wstring path = L"SYSTEM\\CurrentControlSet\\Enum\\" + instanceId + L"\\Control";
    if (f.openKey(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return {};
    }
    const Owned key(opened, f.closeKey);
    DWORD type = 0;
    const std::vector<std::uint8_t> list = ValueOf(f, key.Get(), L"AllocConfig", type);
    return type == REG_RESOURCE_LIST ? IoRangesInResourceList(list) : std::vector<unsigned long>{};
}

std::optional<unsigned long> BaseOf(const DeviceFunctions& f, HDEVINFO set, SP_DEVINFO_DATA& device)
{
    Ranges ranges = IoRangesOf(f, device.DevInst, ALLOC_LOG_CONF);
    if (ranges.result == CR_CALL_NOT_IMPLEMENTED) {
        wchar_t id[MAX_DEVICE_ID_LEN] = {};
        if (!f.getInstanceId(set, &device, id, MAX_DEVICE_ID_LEN, nullptr)) {
            return std::nullopt;
        }
        ranges.starts = IoRangesInRegistry(f, id);
    } else if (ranges.starts.empty()) {
        ranges = IoRangesOf(f, device.DevInst, BOOT_LOG_CONF);
    }
    return PortBaseOf(ranges.starts);
}

// Whether the system's parallel port driver has named any port: it writes
// one value per port ("\Device\Parallel0" = "\DosDevices\LPT1") under
// HKLM\HARDWARE\DEVICEMAP\PARALLEL PORTS. A key without values means no
// LPT port, which spares loading SetupAPI at every start on PCs without one;
// a key that cannot be read decides nothing.
bool MayHaveLptPorts()
{
    const SystemLibrary advApi(L"advapi32.dll");
    const auto open = advApi.Bind<decltype(&RegOpenKeyExW)>("RegOpenKeyExW");
    const auto info = advApi.Bind<decltype(&RegQueryInfoKeyW)>("RegQueryInfoKeyW");
    const auto close = advApi.Bind<decltype(&RegCloseKey)>("RegCloseKey");
    HKEY key = nullptr;
    if (!open || !info || !close ||
        open(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\PARALLEL PORTS", 0, KEY_READ, &key) !=
            ERROR_SUCCESS) {
        return true;
    }
    DWORD values = 0;
    const bool known = info(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    close(key);
    return !known || values > 0;
}

} // namespace

std::optional<std::vector<LptPort>> ListLptPorts()
{
    return MayHaveLptPorts() ? LptPortsOfDeviceManager() : std::vector<LptPort>{};
}

std::optional<std::vector<LptPort>> LptPortsOfDeviceManager()
{
    const DeviceFunctions f;
    if (!f.Complete()) {
        return std::nullopt;
    }
    const HDEVINFO made = f.getClassDevs(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (made == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const Owned set(made, f.destroyList);
    std::vector<LptPort> ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; f.enumDeviceInfo(set.Get(), i, &device); ++i) {
        // The configuration manager is asked only about a port actually
        // found: Wine, which lists none, has it as a stub that ends the process.
        const auto number = LptNumberOf(PortNameOf(f, set.Get(), device));
        if (!number) {
            continue;
        }
        if (const auto base = BaseOf(f, set.Get(), device)) {
            ports.push_back({*number, *base});
        }
    }
    return ports;
}

} // namespace kovir
