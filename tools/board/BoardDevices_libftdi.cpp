#include "tools/board/BoardDevices.h"

#include "port/bitbang/FtdiOpen_libftdi.h"
#include "port/bitbang/UsbDevices_linux.h"

#include <ftdi.h>
#include <libusb.h>

#include <stdexcept>

namespace kovir {

namespace {

// FTDI's vendor request (host to device): wValue the word, wIndex where.
constexpr std::uint8_t VendorOut = 0x40;
constexpr std::uint8_t WriteEepromRequest = 0x91;
constexpr unsigned Timeout = 5000;            // ms

class FtdiEeprom final : public EepromAccess {
public:
    explicit FtdiEeprom(FtdiContext context) : context_(std::move(context)) {}
    ~FtdiEeprom() override { ftdi_usb_close(context_.get()); }
    FtdiEeprom(const FtdiEeprom&) = delete;
    FtdiEeprom& operator=(const FtdiEeprom&) = delete;

    std::uint16_t Read(std::size_t word) override
    {
        unsigned short value = 0;
        if (ftdi_read_eeprom_location(context_.get(), static_cast<int>(word), &value) < 0) {
            Fail("čitanje EEPROM-a");
        }
        return value;
    }

    void Write(const std::vector<std::uint16_t>& words) override
    {
        // As FTDI's own programming tool does before it writes: the chip
        // reset, its status read, its latency timer set to 0x77.
        unsigned short status = 0;
        if (ftdi_usb_reset(context_.get()) < 0 || ftdi_poll_modem_status(context_.get(), &status) < 0 ||
            ftdi_set_latency_timer(context_.get(), 0x77) < 0) {
            Fail("priprema upisa");
        }
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (libusb_control_transfer(context_->usb_dev, VendorOut,
                                        WriteEepromRequest, words[i], static_cast<std::uint16_t>(i),
                                        nullptr, 0, Timeout) < 0) {
                throw std::runtime_error("Upis EEPROM-a nije uspeo (reč " + std::to_string(i) + ").");
            }
        }
    }

    bool Reset() override
    {
        // The device may come back as a new one: gone from this handle is done.
        const int rc = libusb_reset_device(context_->usb_dev);
        return rc == 0 || rc == LIBUSB_ERROR_NOT_FOUND;
    }

private:
    [[noreturn]] void Fail(const char* what)
    {
        throw std::runtime_error(std::string(what) + " nije uspelo: " +
                                 ftdi_get_error_string(context_.get()) + ".");
    }

    FtdiContext context_;
};

} // namespace

struct BoardDevices::Listed {
    std::vector<UsbFtdiDevice> usb = ListUsbFtdiDevices();
    std::vector<FtdiDevice> devices;
};

BoardDevices::BoardDevices() : listed_(std::make_unique<Listed>())
{
    for (const UsbFtdiDevice& d : listed_->usb) {
        listed_->devices.push_back(d.device);
    }
}

BoardDevices::~BoardDevices() = default;

std::string BoardDevices::NoneFoundHint() const
{
    return {};
}

const std::vector<FtdiDevice>& BoardDevices::List() const
{
    return listed_->devices;
}

std::unique_ptr<EepromAccess> BoardDevices::Open(std::size_t index)
{
    return std::make_unique<FtdiEeprom>(OpenFtdi(listed_->usb.at(index)));
}

} // namespace kovir
