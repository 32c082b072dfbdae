#include "base/StopSignals.h"

#include <csignal>
#include <initializer_list>
#include <signal.h>

namespace {

// SIGPROF is left alone: profilers install their own handler for it.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGXCPU};

} // namespace

void CatchStopSignals(void (*handler)(int), int flags, bool ctrlC)
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    for (int signal : kStopSignals) {
        struct sigaction inherited = {};
        if ((signal == SIGINT && !ctrlC) || ::sigaction(signal, nullptr, &inherited) != 0 ||
            inherited.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
    for (int signal : {SIGPIPE, SIGXFSZ})
        std::signal(signal, SIG_IGN);
}

void ReleaseStopSignals(void (*handler)(int))
{
    for (int signal : kStopSignals) {
        struct sigaction current = {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == handler)
            std::signal(signal, SIG_DFL);
    }
}
