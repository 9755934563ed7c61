#include "guard/RestPort.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kovir {

namespace {

int Failed(const char* device, const char* what)
{
    std::fprintf(stderr, "kovir-guard: %s: %s: %s\n", device, what, std::strerror(errno));
    return 1;
}

} // namespace

int RestPort(const char* device)
{
    const int port = open(device, O_RDWR | O_CLOEXEC);
    if (port < 0) {
        return Failed(device, "open");
    }
    int status = 0;
    if (ioctl(port, PPCLAIM) != 0) {
        status = Failed(device, "PPCLAIM");
    } else {
        // Forward, where the port can turn: the data lines driven by the port.
        int forward = 0;
        ioctl(port, PPDATADIR, &forward);
        unsigned char rest = 0;
        if (ioctl(port, PPWDATA, &rest) != 0) {
            status = Failed(device, "PPWDATA");
        }
        ioctl(port, PPRELEASE);
    }
    close(port);
    return status;
}

} // namespace kovir
