// kovir-guard: started by kovir and kovir-sim before anything else, it
// outlives them. When the program is gone without having written its last
// stop (SIGKILL, the out-of-memory killer, a crash no handler saw), it
// writes 0 to every port the program left driving, then ends. It drives
// nothing, and has no window.
//   kovir-guard --rest /dev/parportN   puts 0 on that port and ends (the
//                                      package runs it at boot, per port)
#include "guard/Guard.h"
#include "guard/RestPort.h"

#include <csignal>
#include <cstring>
#include <initializer_list>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--rest") == 0) {
        return kovir::RestPort(argv[2]);
    }
    // The terminal's and the session's signals are for the program, which
    // ends through its close when they come; the guard ends after it.
    for (const int signal :
         {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE}) {
        std::signal(signal, SIG_IGN);
    }
    // The program started it with them blocked, so that none could end it
    // before this: pending ones are dropped now that they are ignored.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    // Holding no folder busy for as long as it lives.
    [[maybe_unused]] const int rc = chdir("/");
    constexpr int ProgramSocket = 3; // as the program started it
    kovir::GuardUntilTheEnd(ProgramSocket);
    return 0;
}
