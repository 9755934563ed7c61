#include "port/portlib/LptPorts.h"

#include "windows/SystemLibrary.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

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
    decltype(&CM_Get_Res_Des_Data) resDesData =
        setupApi.Bind<decltype(&CM_Get_Res_Des_Data)>("CM_Get_Res_Des_Data");
    decltype(&CM_Free_Res_Des_Handle) freeResDes =
        setupApi.Bind<decltype(&CM_Free_Res_Des_Handle)>("CM_Free_Res_Des_Handle");
    decltype(&CM_Free_Log_Conf_Handle) freeLogConf =
        setupApi.Bind<decltype(&CM_Free_Log_Conf_Handle)>("CM_Free_Log_Conf_Handle");
    decltype(&RegQueryValueExW) queryValue = advApi.Bind<decltype(&RegQueryValueExW)>("RegQueryValueExW");
    decltype(&RegCloseKey) closeKey = advApi.Bind<decltype(&RegCloseKey)>("RegCloseKey");

    bool Complete() const
    {
        return getClassDevs && enumDeviceInfo && openDevRegKey && getInstanceId && destroyList &&
               firstLogConf && nextResDes && resDesData && freeResDes && freeLogConf &&
               queryValue && closeKey;
    }
};

// The port name a device of the Ports class has in its registry key: "LPT1", "COM3".
std::wstring PortNameOf(const DeviceFunctions& f, HDEVINFO set, SP_DEVINFO_DATA& device)
{
    const HKEY key = f.openDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) {
        return {};
    }
    wchar_t name[32] = {};
    DWORD type = 0;
    DWORD size = sizeof name - sizeof(wchar_t);
    const LONG rc = f.queryValue(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    f.closeKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? std::wstring(name) : std::wstring();
}

// The start of the first I/O range of a device's configuration of `kind`:
// the register Windows' own port driver takes for the data register.
struct FirstRange {
    CONFIGRET result = CR_SUCCESS;
    std::optional<unsigned long> base;
};

FirstRange FirstIoRange(const DeviceFunctions& f, DEVINST device, ULONG kind)
{
    LOG_CONF config = 0;
    FirstRange found;
    found.result = f.firstLogConf(&config, device, kind);
    if (found.result != CR_SUCCESS) {
        return found;
    }
    RES_DES range = 0;
    if (f.nextResDes(&range, config, ResType_IO, nullptr, 0) == CR_SUCCESS) {
        IO_DES io{};
        if (f.resDesData(range, &io, sizeof io, 0) == CR_SUCCESS) {
            found.base = static_cast<unsigned long>(io.IOD_Alloc_Base);
        }
        f.freeResDes(range);
    }
    f.freeLogConf(config);
    return found;
}

std::optional<unsigned long> BaseOf(const DeviceFunctions& f, HDEVINFO set, SP_DEVINFO_DATA& device)
{
    FirstRange range = FirstIoRange(f, device.DevInst, ALLOC_LOG_CONF);
    if (range.result == CR_CALL_NOT_IMPLEMENTED) {
        // A 32-bit program on 64-bit Windows 8 and later.
        wchar_t id[MAX_DEVICE_ID_LEN] = {};
        if (!f.getInstanceId(set, &device, id, MAX_DEVICE_ID_LEN, nullptr)) {
            return std::nullopt;
        }
        return PortBaseFromWmi(id);
    }
    if (!range.base) {
        range = FirstIoRange(f, device.DevInst, BOOT_LOG_CONF);
    }
    return range.base;
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
    const HDEVINFO set = f.getClassDevs(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::vector<LptPort> ports;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; f.enumDeviceInfo(set, i, &device); ++i) {
        // The configuration manager is asked only about a port actually
        // found: Wine, which lists none, has it as a stub that ends the process.
        const auto number = LptNumberOf(PortNameOf(f, set, device));
        if (!number) {
            continue;
        }
        if (const auto base = BaseOf(f, set, device); base && *base != 0) {
            ports.push_back({*number, *base});
        }
    }
    f.destroyList(set);
    return ports;
}

} // namespace kovir
