// Runs a scripted sequence of Controller operations on the real hardware
// backend; the test tool the emulated PC runs. Each argument is one
// operation:
//   start  forward back left right  stop  sound  lpt1 lpt2 lpt3  close  hold:<ms>  labels
// (lpt1 = 0x378, lpt2 = 0x278, lpt3 = 0x3BC; hold keeps the port for a while;
// labels prints the window's port labels, naming the ports driven).
// A failure is printed on standard error, as the window would show it, and
// ends the run with status 1.
#include "core/Controller.h"
#include "form/Form1Description.h"
#include "port/ieee1284/Ieee1284Port.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

class NoPanel final : public kovir::ButtonPanel {
public:
    void SetBackColor(kovir::Button, kovir::ColourRef) override {}
};

using kovir::Controller;
using kovir::Direction;
using kovir::PortAddress;

struct Operation {
    const char* name;
    void (*run)(Controller&);
};

const Operation Operations[] = {
    {"start", [](Controller& c) { c.Start(); }},
    {"forward", [](Controller& c) { c.Move(Direction::Forward); }},
    {"back", [](Controller& c) { c.Move(Direction::Back); }},
    {"left", [](Controller& c) { c.Move(Direction::Left); }},
    {"right", [](Controller& c) { c.Move(Direction::Right); }},
    {"stop", [](Controller& c) { c.Stop(); }},
    {"sound", [](Controller& c) { c.Sound(); }},
    {"lpt1", [](Controller& c) { c.SelectPort(PortAddress::Lpt1); }},
    {"lpt2", [](Controller& c) { c.SelectPort(PortAddress::Lpt2); }},
    {"lpt3", [](Controller& c) { c.SelectPort(PortAddress::Lpt3); }},
    {"close", [](Controller& c) { c.Close(); }},
};

void PrintLabels(kovir::PortOutput& port)
{
    for (const char* label : {"Label3", "Label4", "Label6"}) {
        std::printf("label %s: %s\n", label,
                    kovir::CaptionInRun(*kovir::FindControl(label), port).c_str());
    }
    std::fflush(stdout);
}

void Run(Controller& c, kovir::PortOutput& port, const std::string& op)
{
    if (op == "labels") {
        PrintLabels(port);
        return;
    }
    if (op.starts_with("hold:")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(op.substr(5))));
        return;
    }
    for (const Operation& o : Operations) {
        if (op == o.name) {
            o.run(c);
            return;
        }
    }
    throw std::invalid_argument("unknown operation: " + op);
}

} // namespace

int main(int argc, char** argv)
{
    kovir::Ieee1284Port port(kovir::PortOptions);
    NoPanel panel;
    kovir::Controller controller(port, panel);
    try {
        for (int i = 1; i < argc; ++i) {
            Run(controller, port, argv[i]);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kovir-guest-driver: %s\n", e.what());
        return 1;
    }
    return 0;
}
