#include "Console.h"

#include <cerrno>
#include <csignal>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace cli {
namespace {

// The terminal's settings while echo is off, for the signal handler that puts them back: a handler can
// reach nothing else. Set only while a secret is being read.
termios gSavedTerminal{};
volatile sig_atomic_t gEchoOff = 0;

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreAndEnd(int signal) {
    if (gEchoOff != 0) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &gSavedTerminal);
        const ssize_t ignored = ::write(STDERR_FILENO, "\n", 1);
        (void)ignored;
    }
    // The default action ends the program as the signal asked, with the status a shell expects.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Echo off for as long as it lives, with the ending signals caught to turn it back on.
class NoEcho {
public:
    NoEcho() {
        if (::tcgetattr(STDIN_FILENO, &gSavedTerminal) != 0) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = RestoreAndEnd;
        ::sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &action, &previous_[i]);
        }
        termios quiet = gSavedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        gEchoOff = 1;
        // What was typed ahead would have been echoed: it is dropped.
        on_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        if (!on_) {
            Restore();
        }
    }
    ~NoEcho() {
        if (on_) {
            Restore();
            // The Enter that ended the password was not echoed either.
            WriteAll(STDERR_FILENO, "\n");
        }
    }
    NoEcho(const NoEcho&) = delete;
    NoEcho& operator=(const NoEcho&) = delete;

private:
    void Restore() {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &gSavedTerminal);
        gEchoOff = 0;
        for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
            ::sigaction(kEndingSignals[i], &previous_[i], nullptr);
        }
    }

    bool on_ = false;
    struct sigaction previous_[std::size(kEndingSignals)]{};
};

} // namespace

Console::Console() : interactive_(::isatty(STDIN_FILENO) == 1) {}

bool Console::Ask(std::string_view prompt, bool secret, SecretText& answer) {
    answer.clear();
    if (!interactive_) {
        return ReadLine(answer);
    }
    if (secret) {
        // Echo goes off before the prompt shows: nothing typed after the prompt is echoed.
        NoEcho quiet;
        WriteAll(STDERR_FILENO, prompt);
        return ReadLine(answer);
    }
    WriteAll(STDERR_FILENO, prompt);
    return ReadLine(answer);
}

void Console::Tell(std::string_view text) const {
    if (interactive_) {
        WriteAll(STDERR_FILENO, text);
    }
}

bool Console::ReadLine(SecretText& line) {
    // One byte at a time: nothing beyond this line is taken from standard input, so the next question
    // finds its own line there, and no buffer is left holding a password.
    bool any = false;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        line.push_back(c);
    }
    // A line from a file made on Windows ends with CR LF: the CR is no part of the answer.
    if (!line.empty() && line.str().back() == '\r') {
        line.pop_back();
    }
    return any;
}

} // namespace cli
