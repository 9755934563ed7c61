// Test equipment for the emulated PC: a USB function (FunctionFS, on
// dummy_hcd) that enumerates as an FT232R (or an FT232H) and behaves as
// FTDI documents the chip towards a bit-bang host: its EEPROM, with FTDI's
// read (0x90), write (0x91) and erase (0x92) requests, and its pins from
// reset on. Each line on standard output carries the guest's monotonic time:
//   ctrl <bmRequestType> <bRequest> <wValue> <wIndex> <seconds>
//   out <byte> <seconds>                  a byte of bulk OUT
//   pins <TXD RXD RTS# CTS# DTR# DSR# DCD# RI#> <seconds>
//        each 1 or 0 where the chip drives it, u where it is an input with
//        the chip's weak pull-up; printed whenever one changes
//   eeprom <hex bytes> <seconds>          at start and after each reset
//   stall <bRequest> <seconds>            a request not answered (pulled out)
// At each unbind (the board pulled out) the product description and serial
// number its EEPROM gives (the factory's description and no serial if its
// checksum fails) are written to <mount>.product and <mount>.serial, for the
// next enumeration.
//   hung <seconds>                        it stopped taking bulk OUT (hang)
// Usage: kovir-ft232r-gadget <FunctionFS mount> <h|r> <serial> <product> [clone|cut|hang]
//   (prints "ready" once its descriptors are in; clone: EEPROM writes are
//   acknowledged and ignored, as some copies of the chip do; cut: pulled out
//   once, half-way through an EEPROM write; hang: stops answering bulk OUT,
//   which the host then waits on until its timeout, once a byte has driven
//   a pin high)
#include "tests/support/FactoryEeprom.h"

#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <endian.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Now()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct __attribute__((packed)) Descriptors {
    usb_functionfs_descs_head_v2 head;
    __le32 fsCount;
    usb_interface_descriptor interface;
    usb_endpoint_descriptor_no_audio in;
    usb_endpoint_descriptor_no_audio out;
};

struct __attribute__((packed)) Strings {
    usb_functionfs_strings_head head;
    __le16 language;
    char text[sizeof "FT232R"];
};

usb_endpoint_descriptor_no_audio Bulk(unsigned char address)
{
    return {USB_DT_ENDPOINT_SIZE, USB_DT_ENDPOINT, address, USB_ENDPOINT_XFER_BULK, htole16(64), 0};
}

bool WriteAll(int fd, const void* data, size_t size)
{
    return write(fd, data, size) == static_cast<ssize_t>(size);
}

// The chip as the host sees it. The pins, in bit-bang order: TXD, RXD,
// RTS#, CTS#, DTR#, DSR#, DCD#, RI#.
struct Chip {
    pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    std::vector<std::uint8_t> eeprom;
    std::string factoryProduct;
    bool clone = false;
    // Pulled out half-way through an EEPROM write, once: from then on it
    // answers nothing until it is plugged in again.
    bool cut = false;
    bool pulled = false;
    bool hang = false;
    bool bitBang = false;
    std::uint8_t mask = 0;
    // The bit-bang latch: FTDI documents no value before the first write,
    // so it is taken as all ones, the worst a device could see.
    std::uint8_t latch = 0xFF;
    bool dtr = false, rts = false; // asserted: the pin low
    std::string shown;

    // In UART mode TXD, RTS# and DTR# are driven (idle and deasserted: high)
    // and every other pin is an input with the chip's pull-up; in bit-bang
    // mode the mask's pins drive the latch and the others are inputs.
    std::string Pins() const
    {
        std::string pins;
        for (int pin = 0; pin < 8; ++pin) {
            bool driven = false, high = false;
            if (bitBang) {
                driven = mask & (1 << pin);
                high = latch & (1 << pin);
            } else if (pin == 0 || pin == 2 || pin == 4) {
                driven = true;
                high = pin == 0 || (pin == 2 && !rts) || (pin == 4 && !dtr);
            }
            pins += driven ? (high ? '1' : '0') : 'u';
        }
        return pins;
    }
    void ShowPins()
    {
        const std::string pins = Pins();
        if (pins != shown) {
            shown = pins;
            std::printf("pins %s %.6f\n", pins.c_str(), Now());
            std::fflush(stdout);
        }
    }
    void ShowEeprom()
    {
        std::printf("eeprom ");
        for (const std::uint8_t byte : eeprom) {
            std::printf("%02x", byte);
        }
        std::printf(" %.6f\n", Now());
        std::fflush(stdout);
    }
    // Power-up, a bus reset, a re-plug: UART mode, its strings from the EEPROM.
    void Reset()
    {
        pulled = false;
        bitBang = false;
        mask = 0;
        latch = 0xFF;
        dtr = rts = false;
        ShowPins();
        ShowEeprom();
    }
};

Chip chip;

struct Endpoints {
    int in;
    int out;
};

// The chip's modem status leads every bulk IN packet, sent each latency
// period (16 ms) when there is nothing else.
void* AnswerReads(void* endpoints)
{
    const unsigned char status[2] = {0x01, 0x60};
    for (;;) {
        if (!WriteAll(static_cast<Endpoints*>(endpoints)->in, status, sizeof status)) {
            usleep(10000); // unbound meanwhile
        }
        usleep(16000);
    }
    return nullptr;
}

void* RecordWrites(void* endpoints)
{
    unsigned char data[512];
    for (;;) {
        const ssize_t got = read(static_cast<Endpoints*>(endpoints)->out, data, sizeof data);
        if (got <= 0) {
            usleep(10000); // unbound meanwhile
            continue;
        }
        const double when = Now();
        pthread_mutex_lock(&chip.lock);
        for (ssize_t i = 0; i < got; ++i) {
            std::printf("out %02x %.6f\n", data[i], when);
            // In bit-bang mode a byte sets the latch, whichever pins are
            // outputs (FTDI does not say what a byte does to an input pin's
            // bit; this model keeps it, for when the pin becomes an output).
            if (chip.bitBang) {
                chip.latch = data[i];
                chip.ShowPins();
            }
        }
        const bool hung = chip.hang && chip.bitBang && (chip.latch & chip.mask) != 0;
        if (hung) {
            std::printf("hung %.6f\n", when);
        }
        std::fflush(stdout);
        pthread_mutex_unlock(&chip.lock);
        while (hung) {
            pause(); // no read pending: the host's transfers are not taken
        }
    }
}

void Answer(int ep0, const usb_ctrlrequest& setup)
{
    const unsigned length = le16toh(setup.wLength);
    const unsigned value = le16toh(setup.wValue);
    const unsigned index = le16toh(setup.wIndex);
    pthread_mutex_lock(&chip.lock);
    std::printf("ctrl %02x %02x %04x %04x %.6f\n", setup.bRequestType, setup.bRequest, value, index,
                Now());
    unsigned char data[256] = {};
    const size_t size = length < sizeof data ? length : sizeof data;
    if (chip.cut && setup.bRequest == 0x91 && index == chip.eeprom.size() / 4) {
        chip.cut = false;
        chip.pulled = true;
    }
    if (chip.pulled) {
        // Gone from the bus: the host's request fails. FunctionFS stalls
        // ep0 for a transfer in the wrong direction.
        std::printf("stall %02x %.6f\n", setup.bRequest, Now());
        if (setup.bRequestType & USB_DIR_IN) {
            (void)!read(ep0, data, 0);
        } else {
            (void)!write(ep0, data, 0);
        }
    } else if (setup.bRequestType & USB_DIR_IN) {
        if (setup.bRequest == 0x05 && size >= 2) { // modem status
            data[0] = 0x01;
            data[1] = 0x60;
        } else if (setup.bRequest == 0x0A && size >= 1) { // latency timer
            data[0] = 16;
        } else if (setup.bRequest == 0x90 && size >= 2) { // a word of the EEPROM
            const std::size_t at = (2 * index) % chip.eeprom.size();
            data[0] = chip.eeprom[at];
            data[1] = chip.eeprom[at + 1];
        }
        WriteAll(ep0, data, size);
    } else {
        if (read(ep0, data, size) < 0) { // takes the data stage, or acknowledges
            std::perror("ep0");
        }
        switch (setup.bRequest) {
        case 0x00: // reset: in UART mode DTR and RTS go back to deasserted
            if (value == 0 && !chip.bitBang) {
                chip.dtr = chip.rts = false;
            }
            break;
        case 0x01: // modem control: bits 8 and 9 say which of DTR (bit 0), RTS (bit 1)
            if (value & 0x100) {
                chip.dtr = value & 1;
            }
            if (value & 0x200) {
                chip.rts = value & 2;
            }
            break;
        case 0x0B: // bit mode: the mask low, the mode high (0: back to UART)
            chip.bitBang = (value >> 8) != 0;
            chip.mask = static_cast<std::uint8_t>(value);
            break;
        case 0x91: // write a word of the EEPROM
            if (!chip.clone && 2 * index + 1 < chip.eeprom.size()) {
                chip.eeprom[2 * index] = static_cast<std::uint8_t>(value);
                chip.eeprom[2 * index + 1] = static_cast<std::uint8_t>(value >> 8);
            }
            break;
        case 0x92: // erase the EEPROM
            if (!chip.clone) {
                std::fill(chip.eeprom.begin(), chip.eeprom.end(), 0xFF);
            }
            break;
        default:
            break;
        }
        chip.ShowPins();
    }
    std::fflush(stdout);
    pthread_mutex_unlock(&chip.lock);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: kovir-ft232r-gadget <FunctionFS mount> <h|r> <serial> "
                             "<product> [clone|cut|hang]\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::uint16_t product = argv[2][0] == 'h' ? 0x6014 : 0x6001;
    chip.factoryProduct = argv[2][0] == 'h' ? "Single RS232-HS" : "FT232R USB UART";
    chip.eeprom = kovir::testing::FactoryEeprom(product, argv[4], argv[3]);
    chip.clone = argc > 5 && std::strcmp(argv[5], "clone") == 0;
    chip.cut = argc > 5 && std::strcmp(argv[5], "cut") == 0;
    chip.hang = argc > 5 && std::strcmp(argv[5], "hang") == 0;
    const int ep0 = open((root + "/ep0").c_str(), O_RDWR);
    if (ep0 < 0) {
        std::perror("ep0");
        return 1;
    }
    Descriptors descriptors{};
    descriptors.head = {htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2), htole32(sizeof descriptors),
                        htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_ALL_CTRL_RECIP)};
    descriptors.fsCount = htole32(3);
    descriptors.interface = {USB_DT_INTERFACE_SIZE, USB_DT_INTERFACE, 0, 0, 2, 0xFF, 0xFF, 0xFF, 1};
    descriptors.in = Bulk(USB_DIR_IN | 1);
    descriptors.out = Bulk(USB_DIR_OUT | 2);
    Strings strings{};
    strings.head = {htole32(FUNCTIONFS_STRINGS_MAGIC), htole32(sizeof strings), htole32(1),
                    htole32(1)};
    strings.language = htole16(0x0409);
    std::memcpy(strings.text, "FT232R", sizeof strings.text);
    if (!WriteAll(ep0, &descriptors, sizeof descriptors) ||
        !WriteAll(ep0, &strings, sizeof strings)) {
        std::perror("descriptors");
        return 1;
    }
    static Endpoints endpoints{open((root + "/ep1").c_str(), O_RDWR),
                               open((root + "/ep2").c_str(), O_RDWR)};
    if (endpoints.in < 0 || endpoints.out < 0) {
        std::perror("endpoints");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    pthread_t reader, writer;
    pthread_create(&writer, nullptr, AnswerReads, &endpoints);
    pthread_create(&reader, nullptr, RecordWrites, &endpoints);
    for (;;) {
        usb_functionfs_event event{};
        if (read(ep0, &event, sizeof event) != sizeof event) {
            return 0;
        }
        switch (event.type) {
        case FUNCTIONFS_SETUP:
            Answer(ep0, event.u.setup);
            break;
        case FUNCTIONFS_ENABLE: // configured after a plug-in or a bus reset
            pthread_mutex_lock(&chip.lock);
            chip.Reset();
            pthread_mutex_unlock(&chip.lock);
            break;
        case FUNCTIONFS_UNBIND: {
            pthread_mutex_lock(&chip.lock);
            std::ofstream(root + ".product")
                << kovir::testing::DescriptionIn(chip.eeprom, chip.factoryProduct) << "\n";
            std::ofstream(root + ".serial") << kovir::testing::SerialIn(chip.eeprom) << "\n";
            pthread_mutex_unlock(&chip.lock);
            break;
        }
        default:
            break;
        }
    }
}
