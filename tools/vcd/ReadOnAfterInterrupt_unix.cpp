#include "tools/vcd/ReadOnAfterInterrupt.h"

#include <csignal>
#include <unistd.h>

namespace kovir {

namespace {

void OnFirstInterrupt(int)
{
    static constexpr char Said[] =
        "kovir-vcd: reading on to the end of the trace; Ctrl+C again stops at once\n";
    [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, Said, sizeof Said - 1);
}

} // namespace

void ReadOnAfterInterrupt()
{
    // Started with Ctrl+C ignored (in the background of a script), it stays
    // so: the handler would make it killable by a Ctrl+C meant for others.
    struct sigaction inherited {};
    if (sigaction(SIGINT, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = &OnFirstInterrupt;
    sigemptyset(&action.sa_mask);
    // Reset to the default after the first: the second Ctrl+C ends the
    // program. Restarted, so the read in progress goes on.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

} // namespace kovir
