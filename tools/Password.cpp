#include "Password.h"

#include <csignal>
#include <iostream>
#include <iterator>

#include <termios.h>
#include <unistd.h>

namespace {

// What the terminal was before the echo went off, for a signal handler to put back.
termios saved{};
volatile std::sig_atomic_t echoIsOff = 0;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// The signal still ends the program as it would have; only the terminal is put right first.
extern "C" void restoreAndEnd(int signal) {
    if (echoIsOff) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    echoIsOff = 0;
    ::raise(signal);  // delivered with the default action once this handler returns
}

// Turns the terminal's echo off for its lifetime, and back on whatever happens, a signal included.
class EchoOff {
public:
    EchoOff() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved) != 0) return;
        struct sigaction action {};
        action.sa_handler = restoreAndEnd;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
            sigaction(kEndingSignals[i], &action, &previous_[i]);
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        echoIsOff = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        active_ = true;
    }
    ~EchoOff() {
        if (!active_) return;
        if (echoIsOff) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        echoIsOff = 0;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
            sigaction(kEndingSignals[i], &previous_[i], nullptr);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool active() const { return echoIsOff; }

private:
    bool active_ = false;
    struct sigaction previous_[std::size(kEndingSignals)]{};
};

}  // namespace

std::string readPasswordFromStdin() {
    EchoOff echoOff;
    if (echoOff.active()) std::cerr << "Password: " << std::flush;
    std::string password;
    std::getline(std::cin, password);
    if (!password.empty() && password.back() == '\r') password.pop_back();
    return password;
}
