// tiltmon-sim's command line: what to run (a plain run, a scenario, the
// interactive mode) and where the console line goes.
#ifndef TOOLS_SIMULATOR_COMMAND_LINE_H
#define TOOLS_SIMULATOR_COMMAND_LINE_H

#include <stdexcept>
#include <string>

namespace tools {

struct SimOptions {
    enum class Mode { Plain, Scenario, Interactive };
    Mode mode = Mode::Plain;
    bool help = false;          // --help: the usage, nothing run
    double seconds = 1.0;       // a plain run's length
    bool crystal = true;
    double fault_at_ms = -1.0;  // a plain run: force a hard fault then; negative: none
    std::string scenario;       // its file
    std::string out_dir = ".";  // screenshots and dumps of a scenario
    std::string contact_sheet;  // every screenshot on one picture; empty: none
    double speed = 1.0;         // interactive: virtual seconds a wall second
    bool pty = false;
    unsigned pty_bits_per_second = 115200;
    double pty_wait_seconds = 60;  // for a program to open the device at the end
};

// A command line that cannot be run: the message says why, with what was
// given shown safely. Everything is checked here, before anything runs: an
// option the chosen run would not use is refused, not ignored.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

SimOptions parse_command_line(int argc, const char* const* argv);
std::string usage_text(const char* program);

}  // namespace tools

#endif
