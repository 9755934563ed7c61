// Which FTDI devices Linux lists and who holds them, read from a sysfs and
// a /proc of our own making, laid out as the kernel lays them out.
#include "port/bitbang/UsbDevices_linux.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

namespace kovir {
namespace {

namespace fs = std::filesystem;

class Tree {
public:
    Tree() : root(fs::temp_directory_path() / ("kovir-sysfs-" + std::to_string(getpid())))
    {
        fs::remove_all(root);
    }
    ~Tree() { fs::remove_all(root); }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    void Device(const std::string& name, std::map<std::string, std::string> attributes)
    {
        fs::create_directories(root / "devices" / name);
        for (const auto& [file, value] : attributes) {
            std::ofstream(root / "devices" / name / file) << value << "\n";
        }
    }
    void Interface(const std::string& name, const std::string& driver, const std::string& tty = "")
    {
        const fs::path folder = root / "devices" / name;
        fs::create_directories(folder);
        if (!driver.empty()) {
            fs::create_directory_symlink("../../../bus/usb/drivers/" + driver, folder / "driver");
        }
        if (!tty.empty()) {
            fs::create_directories(folder / tty);
        }
    }
    // Process `pid` with descriptor 3 open on `target`; or, with no target,
    // one whose descriptors cannot be looked into.
    void Process(const std::string& pid, const std::string& target)
    {
        const fs::path fd = root / "proc" / pid / "fd";
        if (target.empty()) {
            fs::create_directories(fd.parent_path());
            std::ofstream(fd) << "";
            return;
        }
        fs::create_directories(fd);
        fs::create_symlink(target, fd / "3");
    }
    std::string Devices() const { return (root / "devices").string(); }
    std::string Proc() const { return (root / "proc").string(); }

    fs::path root;
};

std::map<std::string, std::string> Ftdi(const char* product, const char* release,
                                        const char* description, const char* serial,
                                        const char* devnum)
{
    return {{"idVendor", "0403"}, {"idProduct", product}, {"bcdDevice", release},
            {"product", description}, {"serial", serial}, {"busnum", "1"}, {"devnum", devnum}};
}

TEST(UsbDevices, FtdiDevicesAreListedFromSysfsWithWhatHoldsThem)
{
    Tree tree;
    tree.Device("usb1", {{"idVendor", "1d6b"}, {"idProduct", "0002"}});
    tree.Device("1-1", Ftdi("6001", "0600", "kovir", "KV000721", "2"));
    tree.Interface("1-1:1.0", "ftdi_sio", "ttyUSB0");
    tree.Device("1-2", Ftdi("6014", "0900", "Single RS232-HS", "FT9", "3"));
    tree.Interface("1-2:1.0", "usbfs");
    tree.Device("1-3", {{"idVendor", "046d"}, {"idProduct", "c52b"}, {"busnum", "1"}});
    tree.Device("1-4", Ftdi("6001", "0600", "FT232R USB UART", "A50285BI", "5"));
    tree.Interface("1-4:1.0", "ftdi_sio", "ttyUSB1");
    tree.Process("100", "/dev/ttyUSB1");
    tree.Process("101", "/dev/null");

    const auto listed = ListUsbFtdiDevices(tree.Devices(), tree.Proc());
    ASSERT_EQ(listed.size(), 3u);
    const UsbFtdiDevice& kovir = listed[0];
    EXPECT_EQ(kovir.device.chip, "FT232R/FT245R");
    EXPECT_EQ(kovir.device.serial, "KV000721");
    EXPECT_EQ(kovir.device.description, "kovir");
    EXPECT_EQ(kovir.node, "/dev/bus/usb/001/002");
    EXPECT_EQ(kovir.device.place, "1-1, /dev/bus/usb/001/002");
    EXPECT_EQ(kovir.usbInterface, "1-1:1.0");
    EXPECT_EQ(kovir.driver, "ftdi_sio");
    EXPECT_EQ(kovir.tty, "/dev/ttyUSB0");
    EXPECT_EQ(kovir.device.holder, "") << "its serial port is open nowhere";
    EXPECT_TRUE(IsKovirBoard(kovir.device));

    EXPECT_EQ(listed[1].device.chip, "FT232H");
    EXPECT_EQ(listed[1].device.holder, "drugi program");
    EXPECT_FALSE(IsKovirBoard(listed[1].device));

    EXPECT_EQ(listed[2].device.holder, "program na /dev/ttyUSB1");
}

TEST(UsbDevices, ASerialPortIsFreeOnlyWhenEveryProgramCouldBeLookedInto)
{
    Tree tree;
    tree.Process("100", "/dev/ttyUSB1");
    EXPECT_EQ(TtyUseOf("/dev/ttyUSB1", tree.Proc()), TtyUse::Open);
    EXPECT_EQ(TtyUseOf("/dev/ttyUSB0", tree.Proc()), TtyUse::Free);
    tree.Process("200", "");
    EXPECT_EQ(TtyUseOf("/dev/ttyUSB0", tree.Proc()), TtyUse::Unsure);
    EXPECT_EQ(TtyUseOf("/dev/ttyUSB1", tree.Proc()), TtyUse::Open);
}

} // namespace
} // namespace kovir
