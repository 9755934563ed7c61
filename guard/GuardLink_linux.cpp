#include "guard/GuardLink.h"

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
        DescribeGuardNotStarted(what + ": " + std::strerror(error), "kovir-guard"));
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
        throw std::runtime_error(DescribeGuardGone(std::strerror(errno)));
    }
}

// The run's table of driving ports, in memory the guard maps too: the
// memory's descriptor, to be sent; the table mapped at `table`.
int ShareTable(DrivenPorts*& table)
{
    const int memory = memfd_create("kovir-driven-ports", MFD_CLOEXEC);
    if (memory < 0) {
        Fail("memfd_create", errno);
    }
    void* shared =
        ftruncate(memory, sizeof(DrivenPorts)) == 0
            ? mmap(nullptr, sizeof(DrivenPorts), PROT_READ | PROT_WRITE, MAP_SHARED, memory, 0)
            : MAP_FAILED;
    if (shared == MAP_FAILED) {
        const int error = errno;
        close(memory);
        Fail("mmap", error);
    }
    table = new (shared) DrivenPorts;
    return memory;
}

// The guard, started with its socket as descriptor 3, nothing to read or
// print on, the terminal's signals blocked until it ignores them: the
// program's end of the socket.
int StartGuard()
{
    std::array<int, 2> ends{};
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends.data()) != 0) {
        Fail("socketpair", errno);
    }
    const std::string path = GuardPath();
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
    const int rc = posix_spawn(&guard, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (rc != 0) {
        close(ends[0]);
        Fail(path, rc);
    }
    return ends[0];
}

} // namespace

GuardLink::GuardLink()
{
    const int tableMemory = ShareTable(table_);
    try {
        end_ = StartGuard();
        Send(static_cast<int>(end_), {GuardWordKind::Table, {}}, tableMemory);
    } catch (...) {
        close(tableMemory);
        if (end_ >= 0) {
            close(static_cast<int>(end_));
        }
        munmap(table_, sizeof(DrivenPorts));
        throw;
    }
    close(tableMemory);
}

GuardLink::~GuardLink()
{
    // The guard sees the end now, if it has not had the last word.
    close(static_cast<int>(end_));
    munmap(table_, sizeof(DrivenPorts));
}

void GuardLink::Say(GuardWord word, int descriptor)
{
    Send(static_cast<int>(end_), word, descriptor);
}

} // namespace kovir
