#pragma once

#include "port/bitbang/FtdiDevice.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kovir {

// One FTDI device opened by this program alone, for its EEPROM.
class EepromAccess {
public:
    virtual ~EepromAccess() = default;
    // A word of the EEPROM; throws when the device does not answer.
    virtual std::uint16_t Read(std::size_t word) = 0;
    // Writes every word of `image`, in order (an FT232R commits them in pairs).
    virtual void Write(const std::vector<std::uint16_t>& words) = 0;
    // The USB reset after which the chip reads its EEPROM again (and is in
    // UART mode, as after power-up). False where the system did not do it.
    virtual bool Reset() = 0;
};

// The FTDI devices the system lists, through the same library kovir drives
// its boards with: libftdi (sysfs) on Linux, FTDI's D2XX on Windows.
class BoardDevices {
public:
    BoardDevices();
    ~BoardDevices();
    BoardDevices(const BoardDevices&) = delete;
    BoardDevices& operator=(const BoardDevices&) = delete;

    // What says where to find them when the list is empty: "" or a hint.
    std::string NoneFoundHint() const;
    const std::vector<FtdiDevice>& List() const;
    // Opens the `index`th of List() for its EEPROM; throws with the
    // operator's message (held by another program, no rights).
    std::unique_ptr<EepromAccess> Open(std::size_t index);

private:
    struct Listed;
    std::unique_ptr<Listed> listed_;
};

} // namespace kovir
