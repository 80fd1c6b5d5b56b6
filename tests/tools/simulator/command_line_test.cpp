// tiltmon-sim's command line: what each run reads as, and every option it
// would not use, or cannot use, refused with what was given shown safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "command_line.h"

namespace tools {
namespace {

SimOptions parsed(const std::vector<const char*>& args)
{
    std::vector<const char*> argv(args.size() + 1, "tiltmon-sim");
    std::copy(args.begin(), args.end(), argv.begin() + 1);
    return parse_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, EachRunReadsAsGiven)
{
    EXPECT_TRUE(parsed({"--help"}).help);
    EXPECT_TRUE(parsed({"--seconds", "x", "-h"}).help);  // help whatever else is there
    const SimOptions plain = parsed({"--seconds", "2", "--fault-at", "1500", "--no-crystal"});
    EXPECT_EQ(plain.mode, SimOptions::Mode::Plain);
    EXPECT_EQ(plain.fault_at_ms, 1500);
    EXPECT_FALSE(plain.crystal);
    const SimOptions scenario = parsed({"--scenario", "a", "--out", "o", "--pty", "--pty-baud", "9600", "--pty-wait", "0"});
    EXPECT_EQ(scenario.mode, SimOptions::Mode::Scenario);
    EXPECT_EQ(scenario.pty_bits_per_second, 9600u);
    EXPECT_EQ(parsed({"--interactive", "--speed", "100"}).speed, 100);
}

TEST(CommandLine, WhatARunWouldNotUseOrCannotUseIsRefused)
{
    const struct {
        std::vector<const char*> args;
        const char* message;
    } rows[] = {
        {{"--speed", "10"}, "--speed goes with --interactive"},
        {{"--scenario", "a", "--speed", "10"}, "--speed goes with --interactive"},
        {{"--pty-baud", "9600"}, "--pty-baud goes with --pty"},
        {{"--interactive", "--pty-wait", "5"}, "--pty-wait goes with --pty"},
        {{"--scenario", "a", "--seconds", "2"}, "--seconds goes with a plain run"},
        {{"--interactive", "--fault-at", "2"}, "--fault-at goes with a plain run"},
        {{"--out", "o"}, "--out goes with --scenario"},
        {{"--interactive", "--contact-sheet", "s.png"}, "--contact-sheet goes with --scenario"},
        {{"--fault-at", "5000"}, "--fault-at: 5000 ms is not within the run (--seconds 1 ends at 1000 ms)"},
        {{"--seconds", "2", "--fault-at", "2000"}, "--fault-at: 2000 ms is not within the run"},
        {{"--interactive", "--scenario", "a"}, "--interactive and --scenario exclude each other"},
        {{"--scenario", "a", "--scenario", "b"}, "--scenario is given twice"},
        {{"--scenario", ""}, "--scenario needs a file"},
        {{"--out"}, "--out needs a value"},
        {{"--seconds", "\x1b[2J"}, "--seconds: '\\x1B[2J' is not a finite non-negative number"},
        {{"--speed", "1e9", "--interactive"}, "--speed: '1e9' is out of range (1 to 10000)"},
        {{"--sec\xc2\xa0"}, "unknown option '--sec\\u{00A0}'"},
        {{"-x"}, "unknown option '-x'"},
    };
    for (const auto& row : rows) {
        try {
            parsed(row.args);
            ADD_FAILURE() << "accepted: " << row.message;
        } catch (const UsageError& error) {
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
}  // namespace tools
