#pragma once

#include "port/OptionPorts.h"
#include "port/CrashReadableList.h"
#include "port/PortOutput.h"
#include "port/PreciseWait.h"
#include "port/WriteInProgress.h"
#include "port/bitbang/BitBangBoards.h"
#include "port/ieee1284/PortChoice.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <vector>

struct parport;
struct parport_list;

namespace kovir {

// The real parallel port on Linux, through libieee1284 (ppdev, or raw I/O
// for root). Nothing is touched before the first write. The first write
// lists the PC's ports and settles which one each option drives; the first
// write to an address opens and claims its port for this program alone and
// keeps it until the program ends. The USB bit-bang boards count as ports
// after the PC's own, for the options still without one.
class Ieee1284Port final : public PortOutput {
public:
    // `options`: the program's port addresses, LPT1 first; each drives the
    // port at its own address, else one of the ports away from them.
    explicit Ieee1284Port(std::span<const std::int16_t> options);
    ~Ieee1284Port() override;
    Ieee1284Port(const Ieee1284Port&) = delete;
    Ieee1284Port& operator=(const Ieee1284Port&) = delete;

    void PortOut(std::int16_t port, std::uint8_t value) override;
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {}) override;
    std::string DrivenPortName(std::int16_t port) override;
    bool StopFromCrash(std::int16_t port) noexcept override;
    void HandStopsTo(StopHandOff& guard) override { guard_ = &guard; }

private:
    // A port held, and what a crash handler on any thread writes its stop
    // through: ppdev's descriptor; for raw I/O (root without ppdev),
    // /dev/port, since the port permission raw I/O takes belongs to the
    // thread that took it.
    struct Claimed {
        std::int16_t address = 0;
        parport* port = nullptr;
        int device = -1;          // the ppdev descriptor; -1 for raw I/O
        int devPort = -1;         // /dev/port for raw I/O, where it opens; else -1
        std::uintptr_t taker = 0; // the thread that took raw I/O's port permission
    };

    parport* Acquire(std::int16_t address);
    parport_list& Ports();
    const OptionPorts& Resolved();

    std::vector<std::int16_t> options_;
    parport_list* list_ = nullptr;
    std::vector<KnownPort> known_;   // the listed ports, by parport number
    std::vector<parport*> listed_;   // the same, as libieee1284 has them
    BitBangBoards boards_;           // listed after them
    std::optional<OptionPorts> resolved_;
    std::atomic<bool> resolvedReady_{false}; // resolved_ complete: the crash stop may read it
    CrashReadableList<Claimed, 8> claimed_; // the program has three addresses
    WriteInProgress write_; // inside libieee1284's write
    PulseClock clock_;
    StopHandOff* guard_ = nullptr;
};

} // namespace kovir
