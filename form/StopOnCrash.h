#pragma once

#include "core/Controller.h"
#include "port/PortOutput.h"

#include <memory>

namespace kovir {

// While one of these lives, a crash acts as a close does: 0 goes to the
// selected port, and then the crash goes on as it would have (the same
// signal and core dump on Linux; Windows' own report on Windows). A
// fault in the program, a library or the display connection thus never
// leaves the device driving. The stop is written only through what the port
// prepared at its earlier writes, and only once: a crash inside it, or
// inside the port's own write, writes nothing more.
class StopOnCrash {
public:
    StopOnCrash(PortOutput& port, const Controller& controller);
    ~StopOnCrash();
    StopOnCrash(const StopOnCrash&) = delete;
    StopOnCrash& operator=(const StopOnCrash&) = delete;

private:
    struct Saved;
    std::unique_ptr<Saved> saved_; // what was there before, given back at the end
};

} // namespace kovir
