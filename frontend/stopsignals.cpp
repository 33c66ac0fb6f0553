#include "frontend/stopsignals.h"

#include <csignal>

void catchStopSignals(void (*onStop)(int)) {
    struct sigaction action = {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
