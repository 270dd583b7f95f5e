#include "Password.h"

#include <iostream>

#include <termios.h>
#include <unistd.h>

namespace {

// Turns the terminal's echo off for its lifetime, and back on whatever happens.
class EchoOff {
public:
    EchoOff() {
        if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
        termios quiet = saved_;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL;
        active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;
    bool active() const { return active_; }

private:
    termios saved_{};
    bool active_ = false;
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
