#pragma once

#include "port/ieee1284/PortChoice.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kovir {

// Why the first write to a port could not be made.
enum class PortFault {
    NotFound,     // no parallel port at that base address
    NoDriver,     // the port exists but has no ppdev device node
    NoPermission, // the device node is not open to this user
    Busy,         // another program (or driver) holds the port
    System,       // anything else; `reason` says what
};

struct PortProblem {
    PortFault fault = PortFault::System;
    std::int16_t address = 0;      // the option's address
    std::string device;            // e.g. "/dev/parport0", when known
    std::string group;             // group owning the device node, when known
    std::string reason;            // the system's own words, for PortFault::System
    std::vector<KnownPort> known;  // the ports the system does list, for NotFound
    std::optional<unsigned long> base; // of the port the address drives, once found
    std::string unpreparedBoards;  // for NotFound: FTDI devices that are not kovir's
};

// What the system tells us about a port's device node after opening it failed.
struct DeviceNodeFacts {
    bool exists = false;
    int accessError = 0; // errno of a read-write access check, 0 when allowed
};

PortFault ClassifyOpenFailure(const DeviceNodeFacts& node);
PortFault ClassifyClaimFailure(int error);

// The message the operator sees: Serbian, naming the address as the window
// shows it, the reason, and what to do about it.
std::string DescribePortProblem(const PortProblem& problem);

} // namespace kovir
