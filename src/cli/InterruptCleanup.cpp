#include "cli/InterruptCleanup.h"

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <mutex>
#include <system_error>
#include <thread>

namespace quillmere::cli {

struct InterruptCleanup::State {
    std::mutex mutex;
    std::string temporary;  // the watched file's name on disk; empty while it has none
};

void InterruptCleanup::awaitInterrupt(const std::shared_ptr<State>& state, const sigset_t& set) {
    int received = 0;
    if (::sigwait(&set, &received) != 0) return;
    // The mutex keeps the signal out of the middle of a step that names the file or takes the name away.
    const std::lock_guard lock(state->mutex);
    if (!state->temporary.empty()) (void)::unlink(state->temporary.c_str());
    std::signal(received, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, received);
    ::pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    std::raise(received);
    ::_exit(128 + received);  // not reached: the default action of both signals ends the program
}

InterruptCleanup::InterruptCleanup() : m_state(std::make_shared<State>()) {
    sigset_t set;
    sigemptyset(&set);
    bool any = false;
    for (const int interrupt : {SIGINT, SIGTERM}) {
        struct sigaction current {};
        if (::sigaction(interrupt, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&set, interrupt);
            any = true;
        }
    }
    if (!any) return;
    // Blocked here, and so in every thread started from now on, the signals reach only sigwait.
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
    try {
        std::thread([state = m_state, set] { awaitInterrupt(state, set); }).detach();
    } catch (const std::system_error&) {
        // No thread to clean up: interrupts end the program as they would without this object.
        ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    }
}

void InterruptCleanup::change(const std::string& path, bool named, const std::function<void()>& step) {
    const std::lock_guard lock(m_state->mutex);
    step();
    if (named) {
        m_state->temporary = path;
    } else if (m_state->temporary == path) {
        m_state->temporary.clear();
    }
}

}  // namespace quillmere::cli
