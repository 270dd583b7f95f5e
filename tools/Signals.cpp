#include "Signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t caught = 0;

extern "C" void onSignal(int signal) { caught = signal; }

}  // namespace

void catchInterruptions() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int interruption() { return caught; }
