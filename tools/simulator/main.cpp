// tiltmon-sim: the firmware on the virtual board. A plain run shows what the
// board does by itself; a scenario works a journey from a file and checks
// it; the interactive mode puts the board in the terminal. The console line
// can come out on a pseudo-terminal in every mode.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include <sys/stat.h>

#include "board/board.h"
#include "board/operator.h"
#include "command_line.h"
#include "contact_sheet.h"
#include "interactive_session.h"
#include "narrator.h"
#include "plain_run.h"
#include "pty_console.h"
#include "scenario_parser.h"
#include "scenario_runner.h"
#include "scenario_words.h"

namespace {

using tools::SimOptions;

constexpr int kFailed = 1;
constexpr int kRefused = 2;

int refuse(const std::string& message)
{
    std::fprintf(stderr, "tiltmon-sim: %s\n", message.c_str());
    return kRefused;
}

// The bytes went out, or the person is told what was not delivered.
int drain_console(tools::PtyConsole* pty, const SimOptions& options, int code)
{
    if (pty == nullptr) return code;
    std::fflush(stdout);
    const auto wait = std::chrono::milliseconds(static_cast<long long>(options.pty_wait_seconds * 1000));
    if (pty->drain(wait)) return code;
    std::fprintf(stderr, "tiltmon-sim: %zu bytes of the console were not read from %s\n", pty->undelivered(),
                 pty->path().c_str());
    return code == 0 ? kFailed : code;
}

int run_scenario(sim::Board& board, const SimOptions& options, tools::PtyConsole* pty)
{
    tools::Scenario scenario;
    try {
        scenario = tools::load_scenario(options.scenario);
    } catch (const tools::ScenarioError& error) {
        return refuse(error.what());
    }
    if (!options.contact_sheet.empty() && !scenario.takes_screenshots())
        return refuse("--contact-sheet: " + options.scenario + " takes no screenshot");
    if (options.out_dir != "." && mkdir(options.out_dir.c_str(), 0755) != 0 && errno != EEXIST)
        return refuse("--out: cannot make " + options.out_dir + ": " + std::strerror(errno));

    std::printf("tiltmon on the virtual board: %s\n", options.scenario.c_str());
    std::printf("times are virtual, from the first power-on; a screen character is 2 x 2 pixels\n");
    tools::Narrator narrator(board, stdout);
    tools::ScenarioSettings settings{options.out_dir, nullptr};
    if (pty != nullptr) settings.on_console = [pty](const std::string& bytes) { pty->send(bytes); };
    tools::ScenarioRunner runner(board, narrator, settings);
    int code = 0;
    try {
        runner.run(scenario);
        std::printf("\nscenario done: %zu steps, %s of virtual time\n", scenario.steps.size(),
                    tools::duration_text(board.now()).c_str());
    } catch (const tools::ScenarioFailure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "tiltmon-sim: %s\n", failure.what());
        code = kFailed;
    }
    if (!options.contact_sheet.empty() && !runner.screenshots().empty()) {
        try {
            tools::write_contact_sheet(runner.screenshots(), options.contact_sheet);
            std::printf("contact sheet: %s (%zu screenshots)\n", options.contact_sheet.c_str(),
                        runner.screenshots().size());
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tiltmon-sim: %s\n", error.what());
            code = kFailed;
        }
    }
    return drain_console(pty, options, code);
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    try {
        options = tools::parse_command_line(argc, argv);
    } catch (const tools::UsageError& error) {
        std::fprintf(stderr, "%s\n%s", error.what(), tools::usage_text(argv[0]).c_str());
        return kRefused;
    }

    std::unique_ptr<tools::PtyConsole> pty;
    if (options.pty) {
        try {
            pty = std::make_unique<tools::PtyConsole>(options.pty_bits_per_second);
        } catch (const std::exception& error) {
            return refuse(error.what());
        }
        std::printf("console on %s (%u bit/s, 8N1)\n", pty->path().c_str(), pty->bits_per_second());
        std::fflush(stdout);
    }

    sim::Board board;
    board.fit_crystal(options.crystal);
    switch (options.mode) {
    case SimOptions::Mode::Plain:
        tools::plain_run(board, options, pty.get());
        return drain_console(pty.get(), options, 0);
    case SimOptions::Mode::Scenario: return run_scenario(board, options, pty.get());
    case SimOptions::Mode::Interactive: {
        tools::InteractiveOptions interactive;
        interactive.speed = options.speed;
        if (pty) interactive.on_console = [&](const std::string& bytes) { pty->send(bytes); };
        // The keys take effect once start-up has reached the menu.
        if (!sim::Operator(board).power_on())
            return refuse("the firmware did not reach its foreground loop: " + board.stop_reason());
        const int code = tools::run_interactive(board, interactive);
        // The person has left: what a program still reads goes out, nobody new is awaited.
        SimOptions leaving = options;
        leaving.pty_wait_seconds = 0;
        return drain_console(pty.get(), leaving, code);
    }
    }
    return 0;
}
