// Test equipment for the emulated PC: a USB function (FunctionFS, on
// dummy_hcd) that enumerates as an FT232R and records what a bit-bang host
// sends it. Every control request and every byte of bulk OUT is printed on
// standard output with the guest's monotonic time:
//   ctrl <bmRequestType> <bRequest> <wValue> <wIndex> <seconds>
//   out <byte> <seconds>
// Usage: kovir-ft232r-gadget <FunctionFS mount>   (prints "ready" once bound)
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>

#include <endian.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

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

// The chip's modem status leads every bulk IN packet.
void* AnswerReads(void* fd)
{
    const unsigned char status[2] = {0x01, 0x60};
    while (WriteAll(*static_cast<int*>(fd), status, sizeof status)) {
    }
    return nullptr;
}

void* RecordWrites(void* fd)
{
    unsigned char data[512];
    for (;;) {
        const ssize_t got = read(*static_cast<int*>(fd), data, sizeof data);
        if (got < 0) {
            return nullptr;
        }
        const double when = Now();
        for (ssize_t i = 0; i < got; ++i) {
            std::printf("out %02x %.6f\n", data[i], when);
        }
        std::fflush(stdout);
    }
}

void Answer(int ep0, const usb_ctrlrequest& setup)
{
    const unsigned length = le16toh(setup.wLength);
    std::printf("ctrl %02x %02x %04x %04x %.6f\n", setup.bRequestType, setup.bRequest,
                le16toh(setup.wValue), le16toh(setup.wIndex), Now());
    std::fflush(stdout);
    unsigned char data[256] = {};
    const size_t size = length < sizeof data ? length : sizeof data;
    if (setup.bRequestType & USB_DIR_IN) {
        if (setup.bRequest == 0x05 && size >= 2) { // modem status
            data[0] = 0x01;
            data[1] = 0x60;
        } else if (setup.bRequest == 0x0A && size >= 1) { // latency timer
            data[0] = 16;
        }
        WriteAll(ep0, data, size);
    } else {
        if (read(ep0, data, size) < 0) { // takes the data stage, or acknowledges
            std::perror("ep0");
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kovir-ft232r-gadget <FunctionFS mount>\n");
        return 2;
    }
    const std::string root = argv[1];
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
    int in = open((root + "/ep1").c_str(), O_RDWR);
    int out = open((root + "/ep2").c_str(), O_RDWR);
    if (in < 0 || out < 0) {
        std::perror("endpoints");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    pthread_t reader, writer;
    pthread_create(&writer, nullptr, AnswerReads, &in);
    pthread_create(&reader, nullptr, RecordWrites, &out);
    for (;;) {
        usb_functionfs_event event{};
        if (read(ep0, &event, sizeof event) != sizeof event) {
            return 0;
        }
        if (event.type == FUNCTIONFS_SETUP) {
            Answer(ep0, event.u.setup);
        }
    }
}
