#pragma once

#include "port/OptionPorts.h"
#include "port/PortOutput.h"
#include "port/PreciseWait.h"
#include "port/bitbang/BitBangBoards.h"
#include "port/ieee1284/PortChoice.h"

#include <csignal>
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
    void StopFromCrash(std::int16_t port) noexcept override;

private:
    struct Claimed {
        std::int16_t address;
        parport* port;
        int device; // the ppdev descriptor, for a write from a crash handler; -1 for raw I/O
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
    std::vector<Claimed> claimed_;
    volatile std::sig_atomic_t writing_ = 0; // inside libieee1284's write
    PulseClock clock_;
};

} // namespace kovir
