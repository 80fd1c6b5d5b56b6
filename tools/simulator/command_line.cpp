#include "command_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <set>
#include <string_view>

#include "text_spelling.h"

namespace tools {

namespace {

// A year of virtual time is the most one run may ask for.
constexpr double kMaxSeconds = 365.0 * 24 * 3600;

double number(const std::string& option, const std::string& text)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) || value < 0.0)
        throw UsageError(option + ": " + quoted(text) + " is not a finite non-negative number");
    return value;
}

std::string format_number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::string usage_text(const char* program)
{
    const std::string name = spelled_text(program, 200);
    return std::string("usage: ") + name +
           " [--seconds S] [--no-crystal] [--fault-at MS] [--pty [--pty-baud N] [--pty-wait S]]\n"
           "       " + name + " --scenario FILE [--out DIR] [--contact-sheet FILE.png] [--no-crystal] [--pty ...]\n"
           "       " + name + " --interactive [--speed N] [--no-crystal] [--pty ...]\n"
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
           "  --pty-wait S         at the end, wait up to S s for a program to open it (default 60)\n"
           "  --help, -h           this text\n";
}

SimOptions parse_command_line(int argc, const char* const* argv)
{
    SimOptions o;
    std::set<std::string> given;
    // Help whatever else is there: the rest may be what needs it.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
            o.help = true;
            return o;
        }
    }
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
                throw UsageError(arg + ": " + quoted(text) + " is more than a year of virtual time (at most " +
                                 std::to_string(static_cast<long long>(limit)) + ")");
            (arg == "--seconds" ? o.seconds : o.fault_at_ms) = v;
        } else if (arg == "--scenario") {
            o.scenario = value();
            if (o.scenario.empty()) throw UsageError("--scenario needs a file");
            o.mode = SimOptions::Mode::Scenario;
        } else if (arg == "--out") {
            o.out_dir = value();
            if (o.out_dir.empty()) throw UsageError("--out needs a folder");
        } else if (arg == "--contact-sheet") {
            o.contact_sheet = value();
            if (o.contact_sheet.empty()) throw UsageError("--contact-sheet needs a file");
        } else if (arg == "--interactive") {
            o.mode = SimOptions::Mode::Interactive;
        } else if (arg == "--speed") {
            const std::string text = value();
            o.speed = number(arg, text);
            if (o.speed < 1 || o.speed > 10000) throw UsageError("--speed: " + quoted(text) + " is out of range (1 to 10000)");
        } else if (arg == "--pty") {
            o.pty = true;
        } else if (arg == "--pty-baud") {
            const std::string text = value();
            const double baud = number(arg, text);
            if (baud < 300 || baud > 100e6 || baud != std::floor(baud))
                throw UsageError("--pty-baud: " + quoted(text) + " is not a whole bit rate from 300 to 100000000");
            o.pty_bits_per_second = static_cast<unsigned>(baud);
        } else if (arg == "--pty-wait") {
            const std::string text = value();
            o.pty_wait_seconds = number(arg, text);
            if (o.pty_wait_seconds > 3600) throw UsageError("--pty-wait: " + quoted(text) + " is more than an hour");
        } else {
            throw UsageError("unknown option " + quoted(arg));
        }
        if (!given.insert(arg).second) throw UsageError(arg + " is given twice");
    }
    const auto only_with = [&](std::initializer_list<const char*> options, bool allowed, const char* what) {
        for (const char* option : options)
            if (given.contains(option) && !allowed) throw UsageError(std::string(option) + " goes with " + what);
    };
    if (given.contains("--scenario") && given.contains("--interactive"))
        throw UsageError("--interactive and --scenario exclude each other");
    only_with({"--seconds", "--fault-at"}, o.mode == SimOptions::Mode::Plain, "a plain run, not with --scenario or --interactive");
    only_with({"--out", "--contact-sheet"}, o.mode == SimOptions::Mode::Scenario, "--scenario");
    only_with({"--speed"}, o.mode == SimOptions::Mode::Interactive, "--interactive");
    only_with({"--pty-baud", "--pty-wait"}, o.pty, "--pty");
    if (given.contains("--fault-at") && o.fault_at_ms >= o.seconds * 1000.0)
        throw UsageError("--fault-at: " + format_number(o.fault_at_ms) + " ms is not within the run (--seconds " +
                         format_number(o.seconds) + " ends at " + format_number(o.seconds * 1000.0) + " ms)");
    return o;
}

}  // namespace tools
