#include "interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int) { interrupted = 1; }

}  // namespace

void CatchInterrupts(bool secondKills) {
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = secondKills ? SA_RESETHAND : 0;  // the next one takes the default path
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);  // the terminal closed
}

bool Interrupted() { return interrupted != 0; }
