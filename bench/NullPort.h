#pragma once

#include "core/ButtonPanel.h"
#include "port/PortOutput.h"

namespace kovir::bench {

// A port and a panel that cost nothing, so that a benchmark measures only
// what lies between them.
class NullPort final : public PortOutput {
public:
    void PortOut(std::int16_t, std::uint8_t value) override { last = value; }
    void Wait(std::uint32_t, const std::function<void()>& meanwhile) override
    {
        if (meanwhile) {
            meanwhile();
        }
    }
    volatile std::uint8_t last = 0;
};

class NullPanel final : public ButtonPanel {
public:
    void SetBackColor(Button, ColourRef colour) override { last = colour; }
    volatile ColourRef last = 0;
};

} // namespace kovir::bench
