// The controlling terminal while the interactive mode runs: raw input (no
// echo, no line editing; Ctrl-C and Ctrl-Z still raise their signals), the
// alternate screen, the cursor hidden. Everything is put back however the
// mode ends: on destruction (a quit or an exception), and from the signal
// handlers of SIGINT, SIGTERM and SIGHUP (which then ask the loop to end)
// and SIGTSTP (which hands the terminal back, stops, and takes it again on
// SIGCONT).
#ifndef TOOLS_INTERACTIVE_TERMINAL_H
#define TOOLS_INTERACTIVE_TERMINAL_H

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tools {

struct TerminalSize {
    int columns = 0;
    int rows = 0;
};

class TerminalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why standard input and output cannot be worked as a terminal, or "".
std::string why_not_a_terminal();
// The size of the terminal on standard output, if it has one.
std::optional<TerminalSize> terminal_size();
// The refusal for a terminal smaller than needed, or "" when it is big enough.
std::string size_shortfall(TerminalSize have, TerminalSize need);

class RawTerminal {
public:
    RawTerminal();  // throws TerminalError
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    void write(std::string_view bytes);  // throws TerminalError
    // Waits up to timeout for input: the bytes typed, or "" when none came.
    std::string read(std::chrono::milliseconds timeout);
    // Standard input ended or hung up: no key will come any more.
    bool input_closed() const { return input_closed_; }

    // Each reports once what happened since it was last asked.
    int take_quit_signal();  // SIGINT, SIGTERM or SIGHUP; 0 for none
    bool take_resized();
    bool take_resumed();  // back from a stop (Ctrl-Z then fg)

private:
    bool input_closed_ = false;
};

}  // namespace tools

#endif
