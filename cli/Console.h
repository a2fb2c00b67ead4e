// The questions keyshelf-cli asks: on a terminal, a prompt on standard error and the answer typed after
// it (without echo for a password); from a script (standard input not a terminal), the next line of
// standard input, with no prompt.
#pragma once

#include "SecretText.h"

#include <string_view>

namespace cli {

class Console {
public:
    // Reads standard input; it is a terminal or a script as isatty says.
    Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool interactive() const { return interactive_; }

    // Puts the next answer in `answer`. A secret answer is typed without echo, and the terminal is
    // restored however the program ends (also by Ctrl+C). False at the end of the input (or a read error).
    bool Ask(std::string_view prompt, bool secret, SecretText& answer);

    // A remark for the person at the terminal (a wrong password); nothing from a script.
    void Tell(std::string_view text) const;

private:
    bool ReadLine(SecretText& line);

    bool interactive_;
};

} // namespace cli
