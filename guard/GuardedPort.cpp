#include "guard/GuardedPort.h"

#include "guard/GuardLink.h"

#include <stdexcept>

namespace kovir {

namespace {

class GuardedPort final : public PortOutput, private StopHandOff {
public:
    explicit GuardedPort(std::unique_ptr<PortOutput> port) : port_(std::move(port))
    {
        port_->HandStopsTo(*this);
    }

    void PortOut(std::int16_t port, std::uint8_t value) override { port_->PortOut(port, value); }
    void Wait(std::uint32_t milliseconds, const std::function<void()>& meanwhile) override
    {
        port_->Wait(milliseconds, meanwhile);
    }
    std::string DrivenPortName(std::int16_t port) override { return port_->DrivenPortName(port); }
    bool StopFromCrash(std::int16_t port) noexcept override { return port_->StopFromCrash(port); }
    DrivenPorts* SharedDrivenPorts() noexcept override { return link_.Table(); }
    void LastStopWritten() noexcept override
    {
        try {
            link_.Say({GuardWordKind::Stopped, {}}, -1);
        } catch (const std::exception&) {
            // A guard already gone has nothing left to stop.
        }
        port_->LastStopWritten();
    }

private:
    void HandOver(const PortStop& stop, int descriptor) override
    {
        link_.Say({GuardWordKind::Port, stop}, descriptor);
    }

    // The guard first: it sees the end once the port has gone.
    GuardLink link_;
    std::unique_ptr<PortOutput> port_;
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

std::string DescribeGuardNotStarted(const std::string& reason, const char* program)
{
    return "Zaštitni proces kovir-guard nije moguće pokrenuti (" + reason +
           "). Bez njega uređaj ne bi bio zaustavljen kad se program nasilno prekine, pa program "
           "ništa nije upisao na port. Proverite da " +
           program + " stoji pored programa.";
}

std::string DescribeGuardGone(const std::string& reason)
{
    return "Zaštitni proces kovir-guard više ne radi (" + reason +
           "): port bez njega ne bi bio zaustavljen kad se program nasilno prekine, pa nije "
           "otvoren.";
}

std::unique_ptr<PortOutput> Guarded(std::unique_ptr<PortOutput> port)
{
    try {
        return std::make_unique<GuardedPort>(std::move(port));
    } catch (const std::exception& e) {
        return std::make_unique<UnguardedPort>(e.what());
    }
}

} // namespace kovir
