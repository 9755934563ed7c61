#pragma once

#include "port/PortOutput.h"

#include <cstdint>
#include <utility>
#include <vector>

struct parport;
struct parport_list;

namespace kovir {

// The real parallel port on Linux, through libieee1284 (ppdev, or raw I/O
// for root). Nothing is touched before the first write; the first write to an
// address finds the port with that base address, opens and claims it for this
// program alone and keeps it until the program ends.
class Ieee1284Port final : public PortOutput {
public:
    Ieee1284Port();
    ~Ieee1284Port() override;
    Ieee1284Port(const Ieee1284Port&) = delete;
    Ieee1284Port& operator=(const Ieee1284Port&) = delete;

    void PortOut(std::int16_t port, std::uint8_t value) override;
    void Wait(std::uint32_t milliseconds) override;
    void WaitIncluding(std::uint32_t milliseconds, const std::function<void()>& meanwhile) override;

private:
    parport* Acquire(std::int16_t address);
    parport_list& Ports();

    parport_list* list_ = nullptr;
    std::vector<std::pair<std::int16_t, parport*>> claimed_;
};

} // namespace kovir
