#include "port/bitbang/UsbDevices_linux.h"

#include "port/bitbang/BitBangBoards.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>

namespace kovir {

namespace {

std::string Attribute(const std::string& folder, const char* name)
{
    std::ifstream file(folder + "/" + name);
    std::string value;
    std::getline(file, value);
    return value;
}

unsigned Number(const std::string& text, int base)
{
    try {
        return static_cast<unsigned>(std::stoul(text, nullptr, base));
    } catch (const std::exception&) {
        return 0;
    }
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.') {
                names.emplace_back(entry->d_name);
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string LinkTarget(const std::string& path)
{
    std::array<char, 512> target{};
    const ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
    return length > 0 ? std::string(target.data(), static_cast<std::size_t>(length)) : std::string();
}

std::string BaseName(const std::string& path)
{
    return path.substr(path.find_last_of('/') + 1);
}

// Where a program holds the device, in the listing's words.
std::string HolderText(const UsbFtdiDevice& d, const std::string& proc)
{
    if (d.driver == "usbfs") {
        return "drugi program";
    }
    if (d.driver == "ftdi_sio" && !d.tty.empty()) {
        switch (TtyUseOf(d.tty, proc)) {
        case TtyUse::Open:
            return "program na " + d.tty;
        case TtyUse::Unsure:
            return "ftdi_sio (" + d.tty + ")";
        case TtyUse::Free:
            break;
        }
        return {};
    }
    return d.driver.empty() || d.driver == "ftdi_sio" ? std::string() : d.driver;
}

} // namespace

void RefreshDriver(UsbFtdiDevice& d, const std::string& devices)
{
    const std::string folder = devices + "/" + d.usbInterface;
    d.driver = BaseName(LinkTarget(folder + "/driver"));
    d.tty.clear();
    for (const std::string& entry : Entries(folder)) {
        if (entry.starts_with("ttyUSB")) {
            d.tty = "/dev/" + entry;
        }
    }
}

std::vector<UsbFtdiDevice> ListUsbFtdiDevices(const std::string& devices, const std::string& proc)
{
    std::vector<UsbFtdiDevice> found;
    const std::vector<std::string> entries = Entries(devices);
    for (const std::string& name : entries) {
        const std::string folder = devices + "/" + name;
        if (name.find(':') != std::string::npos ||
            Number(Attribute(folder, "idVendor"), 16) != BoardVendor) {
            continue;
        }
        UsbFtdiDevice d;
        d.device.product = static_cast<std::uint16_t>(Number(Attribute(folder, "idProduct"), 16));
        d.device.chip = ChipFromRelease(d.device.product,
                                        static_cast<std::uint16_t>(
                                            Number(Attribute(folder, "bcdDevice"), 16)));
        d.device.serial = Attribute(folder, "serial");
        d.device.description = Attribute(folder, "product");
        d.bus = static_cast<int>(Number(Attribute(folder, "busnum"), 10));
        d.address = static_cast<int>(Number(Attribute(folder, "devnum"), 10));
        std::array<char, 32> node{};
        std::snprintf(node.data(), node.size(), "/dev/bus/usb/%03d/%03d", d.bus, d.address);
        d.node = node.data();
        d.device.place = name + ", " + d.node;
        // Its first interface: "<name>:<configuration>.0".
        for (const std::string& entry : entries) {
            if (entry.starts_with(name + ":") && entry.ends_with(".0")) {
                d.usbInterface = entry;
                break;
            }
        }
        if (!d.usbInterface.empty()) {
            RefreshDriver(d, devices);
        }
        d.device.holder = HolderText(d, proc);
        found.push_back(std::move(d));
    }
    return found;
}

TtyUse TtyUseOf(const std::string& tty, const std::string& proc)
{
    bool unsure = false;
    const std::string self = std::to_string(getpid());
    for (const std::string& pid : Entries(proc)) {
        if (pid.find_first_not_of("0123456789") != std::string::npos || pid == self) {
            continue;
        }
        const std::string fds = proc + "/" + pid + "/fd";
        DIR* dir = opendir(fds.c_str());
        if (!dir) {
            // Gone meanwhile is no use of the port; a program that may not
            // be looked into may have it open.
            unsure = unsure || errno != ENOENT;
            continue;
        }
        bool open = false;
        while (const dirent* entry = readdir(dir)) {
            open = open || (entry->d_name[0] != '.' && LinkTarget(fds + "/" + entry->d_name) == tty);
        }
        closedir(dir);
        if (open) {
            return TtyUse::Open;
        }
    }
    return unsure ? TtyUse::Unsure : TtyUse::Free;
}

} // namespace kovir
