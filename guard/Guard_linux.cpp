#include "guard/Guard.h"

#include "guard/GuardWords.h"
#include "guard/StopPort.h"
#include "port/DrivenPorts.h"

#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace kovir {

namespace {

struct Handed {
    PortStop stop;
    int descriptor;
};

struct Received {
    std::optional<GuardWord> word;
    int descriptor = -1;
};

// One word, and the descriptor that came with it; nothing once the program
// is gone.
std::optional<Received> Receive(int socket)
{
    std::array<std::uint8_t, GuardWordSize + 1> data{}; // one more: a longer datagram is no word
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    iovec part{data.data(), data.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    ssize_t size = 0;
    do {
        size = recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    } while (size < 0 && errno == EINTR);
    if (size <= 0) {
        return std::nullopt;
    }
    Received received;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS) {
            std::memcpy(&received.descriptor, CMSG_DATA(c), sizeof received.descriptor);
        }
    }
    if (!(message.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
        received.word = DecodeGuardWord({data.data(), static_cast<std::size_t>(size)});
    }
    return received;
}

const DrivenPorts* MapTable(int descriptor)
{
    void* table = mmap(nullptr, sizeof(DrivenPorts), PROT_READ, MAP_SHARED, descriptor, 0);
    return table == MAP_FAILED ? nullptr : static_cast<const DrivenPorts*>(table);
}

} // namespace

int GuardUntilTheEnd(int socket)
{
    std::vector<Handed> handed;
    const DrivenPorts* table = nullptr;
    bool stopped = false;
    while (const std::optional<Received> received = Receive(socket)) {
        const int descriptor = received->descriptor;
        const std::optional<GuardWord>& word = received->word;
        bool kept = false;
        if (word && word->kind == GuardWordKind::Stopped) {
            stopped = true;
        } else if (word && descriptor >= 0 && word->kind == GuardWordKind::Table && !table) {
            table = MapTable(descriptor);
        } else if (word && descriptor >= 0 && word->kind == GuardWordKind::Port &&
                   std::none_of(handed.begin(), handed.end(), [&word](const Handed& h) {
                       return h.stop.way == word->stop.way && h.stop.port == word->stop.port;
                   })) {
            handed.push_back({word->stop, descriptor});
            kept = true;
        }
        if (descriptor >= 0 && !kept) {
            close(descriptor);
        }
    }
    int written = 0;
    if (!stopped) {
        for (const Handed& port : handed) {
            if ((!table || table->Driving(port.stop.port)) &&
                StopPort(port.stop, port.descriptor)) {
                ++written;
            }
        }
    }
    for (const Handed& port : handed) {
        close(port.descriptor);
    }
    return written;
}

} // namespace kovir
