#include "tests/support/CallLog.h"

#include <iomanip>

namespace kovir::testing {

std::ostream& operator<<(std::ostream& os, const PortWrite& write)
{
    const auto flags = os.flags();
    os << "PortOut(0x" << std::hex << std::uppercase << write.port << ", " << std::dec
       << static_cast<int>(write.value) << ")";
    os.flags(flags);
    return os;
}

std::ostream& operator<<(std::ostream& os, const WaitCall& wait)
{
    return os << "Wait(" << wait.milliseconds << ")";
}

std::ostream& operator<<(std::ostream& os, const ColourChange& change)
{
    const auto flags = os.flags();
    os << "SetBackColor(Command" << static_cast<int>(change.button) + 1 << ", 0x" << std::hex
       << std::uppercase << std::setw(8) << std::setfill('0') << change.colour << ")";
    os.flags(flags);
    return os;
}

std::vector<PortWrite> WritesIn(const CallLog& log)
{
    std::vector<PortWrite> writes;
    for (const Call& call : log) {
        if (const auto* w = std::get_if<PortWrite>(&call)) {
            writes.push_back(*w);
        }
    }
    return writes;
}

void RecordingPort::PortOut(std::int16_t port, std::uint8_t value)
{
    if (onPortOut) {
        onPortOut();
    }
    log_.push_back(PortWrite{port, value});
}

void RecordingPort::Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile)
{
    log_.push_back(WaitCall{milliseconds});
    if (beforeMeanwhile) {
        beforeMeanwhile();
    }
    if (meanwhile) {
        meanwhile();
    }
    if (onWait) {
        onWait();
    }
}

std::string RecordingPort::DrivenPortName(std::int16_t port)
{
    const auto driven = drives.find(port);
    return driven != drives.end() ? driven->second : PortOutput::DrivenPortName(port);
}

void RecordingPanel::SetBackColor(Button button, ColourRef colour)
{
    colours_[static_cast<int>(button)] = colour;
    log_.push_back(ColourChange{button, colour});
}

} // namespace kovir::testing
