#include "command_line.h"

#include <cmath>
#include <cstdlib>

namespace tools {

namespace {

// A year of virtual time is the most one run may ask for.
constexpr double kMaxSeconds = 365.0 * 24 * 3600;

double number(const std::string& option, const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.0)
        throw UsageError(option + ": '" + text + "' is not a finite non-negative number");
    return value;
}

}  // namespace

std::string usage_text(const char* program)
{
    return std::string("usage: ") + program +
           " [--seconds S] [--no-crystal] [--fault-at MS] [--pty [--pty-baud N] [--pty-wait S]]\n"
           "       " + program + " --scenario FILE [--out DIR] [--contact-sheet FILE.png] [--no-crystal] [--pty ...]\n"
           "       " + program + " --interactive [--speed N] [--no-crystal] [--pty ...]\n"
           "  --seconds S          virtual time to run (default 1)\n"
           "  --no-crystal         withhold the 25 MHz crystal: start-up stays on the 16 MHz oscillator\n"
           "  --fault-at MS        force a hard fault in the running firmware after MS milliseconds\n"
           "  --scenario FILE      work a scenario file (see README: Scenarios); exit 1 when the board\n"
           "                       does not do what it expects, 2 when the file is wrong\n"
           "  --out DIR            where the scenario's screenshots and dumps go (default .)\n"
           "  --contact-sheet FILE all of the scenario's screenshots on one PNG\n"
           "  --interactive        the board in this terminal, worked with keys\n"
           "  --speed N            interactive: N virtual seconds a wall second (1 to 10000, default 1)\n"
           "  --pty                the console line on a pseudo-terminal (its path is printed)\n"
           "  --pty-baud N         its pace in bit/s, 8N1 (default 115200; faster on request)\n"
           "  --pty-wait S         at the end, wait up to S s for a program to open it (default 60)\n";
}

SimOptions parse_command_line(int argc, const char* const* argv)
{
    SimOptions o;
    bool plain_options = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw UsageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--no-crystal") {
            o.crystal = false;
        } else if (arg == "--seconds" || arg == "--fault-at") {
            const std::string text = value();
            const double v = number(arg, text);
            const double limit = arg == "--seconds" ? kMaxSeconds : kMaxSeconds * 1000.0;
            if (v > limit)
                throw UsageError(arg + ": " + text + " is more than a year of virtual time (at most " +
                                 std::to_string(static_cast<long long>(limit)) + ")");
            (arg == "--seconds" ? o.seconds : o.fault_at_ms) = v;
            plain_options = true;
        } else if (arg == "--scenario") {
            o.scenario = value();
            o.mode = SimOptions::Mode::Scenario;
        } else if (arg == "--out") {
            o.out_dir = value();
        } else if (arg == "--contact-sheet") {
            o.contact_sheet = value();
        } else if (arg == "--interactive") {
            if (o.mode == SimOptions::Mode::Scenario) throw UsageError("--interactive and --scenario exclude each other");
            o.mode = SimOptions::Mode::Interactive;
        } else if (arg == "--speed") {
            const std::string text = value();
            o.speed = number(arg, text);
            if (o.speed < 1 || o.speed > 10000) throw UsageError("--speed: " + text + " is out of range (1 to 10000)");
        } else if (arg == "--pty") {
            o.pty = true;
        } else if (arg == "--pty-baud") {
            const std::string text = value();
            const double baud = number(arg, text);
            if (baud < 300 || baud > 100e6 || baud != std::floor(baud))
                throw UsageError("--pty-baud: " + text + " is not a whole bit rate from 300 to 100000000");
            o.pty_bits_per_second = static_cast<unsigned>(baud);
        } else if (arg == "--pty-wait") {
            const std::string text = value();
            o.pty_wait_seconds = number(arg, text);
            if (o.pty_wait_seconds > 3600) throw UsageError("--pty-wait: " + text + " is more than an hour");
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }
    if (o.mode == SimOptions::Mode::Scenario && o.scenario.empty()) throw UsageError("--scenario needs a file");
    if (o.mode != SimOptions::Mode::Plain && plain_options)
        throw UsageError("--seconds and --fault-at are for a plain run, not with --scenario or --interactive");
    if (o.mode != SimOptions::Mode::Scenario && (!o.contact_sheet.empty() || o.out_dir != "."))
        throw UsageError("--out and --contact-sheet go with --scenario");
    return o;
}

}  // namespace tools
