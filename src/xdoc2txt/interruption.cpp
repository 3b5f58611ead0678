#include "interruption.h"

#include <signal.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <csignal>
#include <cstdlib>
#include <initializer_list>

namespace xdoc2txt {
namespace {

// The one piece of state a signal handler may touch.
volatile std::sig_atomic_t caught = 0;

extern "C" void onSignal(int signal) {
    caught = signal;
}

}  // namespace

void catchInterruptions() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    // A parent (Wine, for one) may leave SIGCHLD ignored, which would reap
    // the readers unseen and lose their exit status, or these signals blocked.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(SIGCHLD, &standard, nullptr);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&unblocked, signal);
    ::sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
#ifdef __linux__
    // The parent's end is a hang-up: when the Wine bridge that waits for
    // xdoc2txt is ended with its console, the reader must not run on, hold
    // the LibreOffice lock and write a text nobody waits for.
    ::prctl(PR_SET_PDEATHSIG, SIGHUP);
#endif
}

int interruption() noexcept {
    return caught;
}

void throwIfInterrupted() {
    if (const int signal = caught) throw Interrupted{signal};
}

void dieOf(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    std::_Exit(128 + signal);
}

}  // namespace xdoc2txt
