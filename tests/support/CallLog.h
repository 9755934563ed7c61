#pragma once

#include "core/Button.h"
#include "core/ButtonPanel.h"
#include "core/ColourRef.h"
#include "port/PortOutput.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <ostream>
#include <variant>
#include <vector>

namespace kovir::testing {

// Everything the command core does to the outside world, in one ordered list,
// so a test compares the whole sequence and not just its parts.
struct PortWrite {
    std::int16_t port;
    std::uint8_t value;
    friend bool operator==(const PortWrite&, const PortWrite&) = default;
};
struct WaitCall {
    std::uint32_t milliseconds;
    friend bool operator==(const WaitCall&, const WaitCall&) = default;
};
struct ColourChange {
    Button button;
    ColourRef colour;
    friend bool operator==(const ColourChange&, const ColourChange&) = default;
};
using Call = std::variant<PortWrite, WaitCall, ColourChange>;
using CallLog = std::vector<Call>;

std::ostream& operator<<(std::ostream& os, const PortWrite& write);
std::ostream& operator<<(std::ostream& os, const WaitCall& wait);
std::ostream& operator<<(std::ostream& os, const ColourChange& change);

std::vector<PortWrite> WritesIn(const CallLog& log);

// A port that records instead of writing. Waits return at once, after an
// optional hook that lets a test look at the world in the middle of a pulse.
class RecordingPort final : public PortOutput {
public:
    explicit RecordingPort(CallLog& log) : log_(log) {}

    void PortOut(std::int16_t port, std::uint8_t value) override;
    // Records the wait, then does what is to be done inside it, as a real
    // port does: `beforeMeanwhile`, the caller's `meanwhile`, then `onWait`.
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile = {}) override;
    std::string DrivenPortName(std::int16_t port) override;

    std::function<void()> beforeMeanwhile;
    std::function<void()> onWait;
    std::map<std::int16_t, std::string> drives; // the port an address drives, where not itself
    std::function<void()> onPortOut; // runs before the write is recorded; may throw

private:
    CallLog& log_;
};

// A panel that records colour changes and remembers each button's colour.
class RecordingPanel final : public ButtonPanel {
public:
    explicit RecordingPanel(CallLog& log) : log_(log) {}

    void SetBackColor(Button button, ColourRef colour) override;
    ColourRef ColourOf(Button button) const { return colours_[static_cast<int>(button)]; }

private:
    CallLog& log_;
    std::array<ColourRef, ButtonCount> colours_{};
};

} // namespace kovir::testing
