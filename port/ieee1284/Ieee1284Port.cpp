#include "port/ieee1284/Ieee1284Port.h"

#include "port/ieee1284/PortChoice.h"
#include "port/ieee1284/PortProblem.h"

#include <ieee1284.h>

#include <fcntl.h>
#include <grp.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace kovir {

namespace {

std::string LibraryErrorText(int code, int error)
{
    switch (code) {
    case E1284_NOMEM:
        return "nema dovoljno memorije";
    case E1284_NOTAVAIL:
        return "pristup ovom portu nije podržan";
    case E1284_INIT:
        return "port nije moguće pripremiti";
    case E1284_INVALIDPORT:
        return "port je već otvoren";
    case E1284_SYS:
        return std::strerror(error);
    default:
        return "greška biblioteke libieee1284 " + std::to_string(code);
    }
}

std::string GroupOf(const struct stat& st)
{
    group entry{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (getgrgid_r(st.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found) {
        return found->gr_name;
    }
    return {};
}

[[noreturn]] void Fail(PortProblem problem)
{
    throw std::runtime_error(DescribePortProblem(problem));
}

} // namespace

Ieee1284Port::Ieee1284Port(std::span<const std::int16_t> options)
    : options_(options.begin(), options.end())
{
}

Ieee1284Port::~Ieee1284Port()
{
    for (const Claimed& claimed : claimed_) {
        ieee1284_release(claimed.port);
        ieee1284_close(claimed.port);
        if (claimed.devPort >= 0) {
            close(claimed.devPort);
        }
    }
    if (list_) {
        ieee1284_free_ports(list_);
        delete list_;
    }
}

void Ieee1284Port::PortOut(std::int16_t port, std::uint8_t value)
{
    if (const auto index = Resolved().PortOf(port); index && *index >= listed_.size()) {
        const std::size_t board = *index - listed_.size();
        if (guard_) {
            boards_.HandStopTo(board, port, *guard_);
        }
        boards_.Write(board, value);
        clock_.Mark();
        return;
    }
    const auto held = std::find_if(claimed_.begin(), claimed_.end(),
                                   [port](const Claimed& c) { return c.address == port; });
    parport* target = held != claimed_.end() ? held->port : Acquire(port);
    {
        const WriteInProgress::During writing(write_);
        ieee1284_write_data(target, value);
    }
    clock_.Mark(); // the byte is on the lines
}

bool Ieee1284Port::StopFromCrash(std::int16_t port) noexcept
{
    // ppdev, /dev/port and a board's usbfs each take the stop as one system
    // call of their own, even on the thread a crash caught inside a write;
    // only libieee1284's own raw I/O is not entered again there. Nothing
    // is held before the ports are found, and the list of them is read only
    // once it is complete.
    if (!resolvedReady_.load()) {
        return false;
    }
    if (const auto index = resolved_->PortOf(port); index && *index >= listed_.size()) {
        return boards_.StopFromCrash(*index - listed_.size());
    }
    for (const Claimed& claimed : claimed_) {
        if (claimed.address != port) {
            continue;
        }
        unsigned char stop = 0;
        if (claimed.device >= 0) {
            return ioctl(claimed.device, PPWDATA, &stop) == 0;
        }
        if (claimed.devPort >= 0) {
            return pwrite(claimed.devPort, &stop, 1, static_cast<off_t>(claimed.port->base_addr)) == 1;
        }
        if (claimed.taker == CurrentThreadNumber() && !write_.OnThisThread()) {
            // Raw I/O without /dev/port: libieee1284's write is one outb, no
            // lock or allocation, allowed on the thread that took the port.
            ieee1284_write_data(claimed.port, 0);
            return true;
        }
    }
    return false;
}

void Ieee1284Port::Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    clock_.Wait(milliseconds, meanwhile);
}

parport_list& Ieee1284Port::Ports()
{
    if (!list_) {
        auto list = std::make_unique<parport_list>();
        const int rc = ieee1284_find_ports(list.get(), 0);
        if (rc != E1284_OK) {
            throw std::runtime_error("Spisak paralelnih portova nije moguće dobiti: " +
                                     LibraryErrorText(rc, errno) + ".");
        }
        list_ = list.release();
    }
    return *list_;
}

std::string Ieee1284Port::DrivenPortName(std::int16_t port)
{
    if (const auto index = Resolved().PortOf(port); index && *index >= listed_.size()) {
        return boards_.Name(*index - listed_.size());
    }
    return Resolved().NameOf(port);
}

const OptionPorts& Ieee1284Port::Resolved()
{
    if (!resolved_) {
        parport_list& list = Ports();
        std::vector<KnownPort> listed;
        for (int i = 0; i < list.portc; ++i) {
            listed.push_back({list.portv[i]->name, list.portv[i]->base_addr});
        }
        // Without the kernel's parport driver, libieee1284 lists the three
        // usual addresses on /dev/port whether or not a port is there: only
        // the ports the kernel numbers are taken.
        std::vector<unsigned long> bases;
        for (const std::size_t i : KernelPortsInOrder(listed)) {
            known_.push_back(listed[i]);
            listed_.push_back(list.portv[i]);
            bases.push_back(listed[i].base);
        }
        bases.resize(bases.size() + boards_.Count(), 0); // a board has no address
        resolved_.emplace(options_, std::move(bases));
        resolvedReady_.store(true);
    }
    return *resolved_;
}

parport* Ieee1284Port::Acquire(std::int16_t address)
{
    PortProblem problem;
    problem.address = address;
    const auto index = Resolved().PortOf(address);
    if (!index) {
        problem.fault = PortFault::NotFound;
        problem.known = known_;
        if (known_.empty() && boards_.Count() == 0) {
            problem.unpreparedBoards =
                DescribeUnpreparedBoards(boards_.Unprepared(), "sudo kovir-board");
        }
        Fail(problem);
    }
    parport* port = listed_[*index];
    problem.device = DeviceNodeFor(port->name);
    problem.base = port->base_addr;

    // Exclusive, so that a second program on the same port is refused at once
    // instead of waiting forever for a port we never release. Raw I/O (root
    // without ppdev) cannot be exclusive and says so; it is taken as it is.
    int rc = ieee1284_open(port, F1284_EXCL, nullptr);
    if (rc == E1284_NOTAVAIL) {
        rc = ieee1284_open(port, 0, nullptr);
    }
    if (rc != E1284_OK) {
        const int error = errno;
        struct stat st {};
        DeviceNodeFacts node;
        node.exists = !problem.device.empty() && stat(problem.device.c_str(), &st) == 0;
        if (node.exists && access(problem.device.c_str(), R_OK | W_OK) != 0) {
            node.accessError = errno;
            problem.group = GroupOf(st);
        }
        problem.fault = ClassifyOpenFailure(node);
        problem.reason = LibraryErrorText(rc, error);
        Fail(problem);
    }

    rc = ieee1284_claim(port);
    if (rc != E1284_OK) {
        const int error = errno;
        ieee1284_close(port);
        problem.fault = rc == E1284_SYS ? ClassifyClaimFailure(error) : PortFault::System;
        problem.reason = LibraryErrorText(rc, error);
        Fail(problem);
    }

    // Forward direction: the data lines are driven by us. A port that cannot
    // switch direction is always forward, so only a system error counts.
    rc = ieee1284_data_dir(port, 0);
    if (rc != E1284_OK && rc != E1284_NOTAVAIL) {
        const int error = errno;
        ieee1284_release(port);
        ieee1284_close(port);
        problem.reason = LibraryErrorText(rc, error);
        Fail(problem);
    }

    // ppdev's own descriptor, which a crash handler can write through; or
    // for raw I/O, /dev/port, which any thread can.
    const int device = ieee1284_get_irq_fd(port);
    const int devPort = device >= 0 ? -1 : open("/dev/port", O_WRONLY | O_CLOEXEC);
    if (!claimed_.Add({address, port, device >= 0 ? device : -1, devPort, CurrentThreadNumber()})) {
        throw std::logic_error("more ports claimed than the program has addresses");
    }
    if (guard_ && device >= 0) {
        guard_->HandOver({StopWay::PpdevData, address, 0, 0, 0}, device);
    } else if (guard_ && devPort >= 0) {
        guard_->HandOver({StopWay::DevPort, address, 0, 0, static_cast<std::int64_t>(port->base_addr)},
                         devPort);
    }
    return port;
}

} // namespace kovir
