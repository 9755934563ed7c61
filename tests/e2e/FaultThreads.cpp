// Test equipment, loaded into kovir-sim with LD_PRELOAD: threads that make
// a real fault (a store through a null pointer) once the file named by
// KOVIR_FAULT_WHEN exists. KOVIR_FAULT_THREADS threads (1 if unset) fault
// at that moment; with KOVIR_FAULT_BLOCKS_SIGNALS=1 each first blocks every
// signal, as GLib's worker threads do, so that no handler of the program
// can run: the kernel ends the process at once. Only in kovir-sim, not in
// the guard it starts, which inherits the environment.
#include <errno.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

const char* trigger = nullptr;
bool blocksSignals = false;
pthread_barrier_t together;

void* Fault(void*)
{
    if (blocksSignals) {
        sigset_t all;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, nullptr);
    }
    while (access(trigger, F_OK) != 0) {
        usleep(2000);
    }
    pthread_barrier_wait(&together);
    volatile int* volatile nowhere = nullptr; // not known to be null: a real store
    *nowhere = 1;
    return nullptr;
}

__attribute__((constructor)) void StartFaultThreads()
{
    trigger = std::getenv("KOVIR_FAULT_WHEN");
    if (!trigger || std::strcmp(program_invocation_short_name, "kovir-sim") != 0) {
        return;
    }
    const char* count = std::getenv("KOVIR_FAULT_THREADS");
    const int threads = count ? std::atoi(count) : 1;
    const char* blocks = std::getenv("KOVIR_FAULT_BLOCKS_SIGNALS");
    blocksSignals = blocks && std::strcmp(blocks, "1") == 0;
    pthread_barrier_init(&together, nullptr, static_cast<unsigned>(threads));
    for (int i = 0; i < threads; ++i) {
        pthread_t thread;
        pthread_create(&thread, nullptr, &Fault, nullptr);
        pthread_detach(thread);
    }
}

} // namespace
