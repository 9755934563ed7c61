#include "guard/GuardedPort.h"

#include "guard/GuardWords.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <initializer_list>
#include <new>
#include <stdexcept>
#include <string>

extern char** environ;

namespace kovir {

namespace {

[[noreturn]] void Fail(const std::string& what, int error)
{
    throw std::runtime_error(
        "Zaštitni proces kovir-guard nije moguće pokrenuti (" + what + ": " + std::strerror(error) +
        "). Bez njega uređaj ne bi bio zaustavljen kad se program nasilno prekine, pa program "
        "ništa nije upisao na port. Proverite da kovir-guard stoji pored programa.");
}

// Beside the program: where the package and the build tree both put it.
std::string GuardPath()
{
    std::array<char, 4096> self{};
    const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
    if (length <= 0) {
        Fail("/proc/self/exe", errno);
    }
    std::string path(self.data(), static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1) + "kovir-guard";
}

void Send(int socket, const GuardWord& word, int descriptor)
{
    const auto bytes = EncodeGuardWord(word);
    iovec part{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    if (descriptor >= 0) {
        message.msg_control = control.data();
        message.msg_controllen = control.size();
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &descriptor, sizeof descriptor);
    }
    ssize_t sent = 0;
    do {
        sent = sendmsg(socket, &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent != static_cast<ssize_t>(bytes.size())) {
        throw std::runtime_error(
            std::string("Zaštitni proces kovir-guard više ne radi (") + std::strerror(errno) +
            "): port bez njega ne bi bio zaustavljen kad se program nasilno prekine, pa nije "
            "otvoren.");
    }
}

class GuardedPort final : public PortOutput, private StopHandOff {
public:
    explicit GuardedPort(std::unique_ptr<PortOutput> port) : port_(std::move(port))
    {
        ShareTable();
        Start();
        port_->HandStopsTo(*this);
    }
    ~GuardedPort() override
    {
        // The guard sees the end now, if it has not had the last word.
        close(socket_);
        if (table_) {
            munmap(table_, sizeof(DrivenPorts));
        }
    }
    GuardedPort(const GuardedPort&) = delete;
    GuardedPort& operator=(const GuardedPort&) = delete;

    void PortOut(std::int16_t port, std::uint8_t value) override { port_->PortOut(port, value); }
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile) override
    {
        port_->Wait(milliseconds, meanwhile);
    }
    std::string DrivenPortName(std::int16_t port) override { return port_->DrivenPortName(port); }
    bool StopFromCrash(std::int16_t port) noexcept override { return port_->StopFromCrash(port); }
    DrivenPorts* SharedDrivenPorts() noexcept override { return table_; }
    void LastStopWritten() noexcept override
    {
        try {
            Send(socket_, {GuardWordKind::Stopped, {}}, -1);
        } catch (const std::exception&) {
            // A guard already gone has nothing left to stop.
        }
        port_->LastStopWritten();
    }

private:
    void HandOver(const PortStop& stop, int descriptor) override
    {
        Send(socket_, {GuardWordKind::Port, stop}, descriptor);
    }

    // The run's table of driving ports, in memory the guard maps too.
    void ShareTable()
    {
        const int memory = memfd_create("kovir-driven-ports", MFD_CLOEXEC);
        if (memory < 0) {
            Fail("memfd_create", errno);
        }
        if (ftruncate(memory, sizeof(DrivenPorts)) != 0) {
            const int error = errno;
            close(memory);
            Fail("ftruncate", error);
        }
        void* shared =
            mmap(nullptr, sizeof(DrivenPorts), PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0);
        if (shared == MAP_FAILED) {
            const int error = errno;
            close(memory);
            Fail("mmap", error);
        }
        table_ = new (shared) DrivenPorts;
        tableMemory_ = memory;
    }

    void Start()
    {
        std::array<int, 2> ends{};
        if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends.data()) != 0) {
            Fail("socketpair", errno);
        }
        socket_ = ends[0];
        const std::string path = GuardPath();
        // Its socket as descriptor 3, nothing to read or print on; the
        // terminal's signals blocked until it ignores them.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t blocked;
        sigemptyset(&blocked);
        for (const int signal :
             {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE}) {
            sigaddset(&blocked, signal);
        }
        posix_spawnattr_setsigmask(&attributes, &blocked);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
        std::array<char*, 2> argv{const_cast<char*>("kovir-guard"), nullptr};
        pid_t guard = -1;
        const int rc =
            posix_spawn(&guard, path.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (rc != 0) {
            close(tableMemory_);
            Fail(path, rc);
        }
        Send(socket_, {GuardWordKind::Table, {}}, tableMemory_);
        close(tableMemory_);
        tableMemory_ = -1;
    }

    std::unique_ptr<PortOutput> port_;
    DrivenPorts* table_ = nullptr; // shared with the guard
    int tableMemory_ = -1;
    int socket_ = -1;
};

// Where the guard could not start: the failure is Load's, before any byte.
class UnguardedPort final : public PortOutput {
public:
    explicit UnguardedPort(std::string why) : why_(std::move(why)) {}
    void PortOut(std::int16_t, std::uint8_t) override { throw std::runtime_error(why_); }
    void Wait(std::uint32_t, const std::function<void()>&) override {}

private:
    std::string why_;
};

} // namespace

std::unique_ptr<PortOutput> Guarded(std::unique_ptr<PortOutput> port)
{
    try {
        return std::make_unique<GuardedPort>(std::move(port));
    } catch (const std::exception& e) {
        return std::make_unique<UnguardedPort>(e.what());
    }
}

} // namespace kovir
