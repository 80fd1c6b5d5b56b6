// tiltmon-sim: the firmware on the virtual board. A plain run shows what the
// board does by itself; a scenario works a journey from a file and checks
// it; the interactive mode puts the board in the terminal. The console line
// can come out on a pseudo-terminal in every mode. Everything a run needs is
// checked before it starts.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>

#include "board/board.h"
#include "board/operator.h"
#include "command_line.h"
#include "contact_sheet.h"
#include "interactive_session.h"
#include "narrator.h"
#include "output_checks.h"
#include "plain_run.h"
#include "pty_console.h"
#include "scenario_parser.h"
#include "scenario_runner.h"
#include "text_spelling.h"
#include "time_text.h"

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
int drain_console(tools::PtyConsole* pty, double wait_seconds, int code)
{
    if (pty == nullptr) return code;
    std::fflush(stdout);
    const auto wait = std::chrono::milliseconds(static_cast<long long>(wait_seconds * 1000));
    if (pty->drain(wait)) return code;
    std::fprintf(stderr, "tiltmon-sim: %zu bytes of the console were not read from %s\n", pty->undelivered(),
                 tools::spelled_text(pty->path()).c_str());
    return code == 0 ? kFailed : code;
}

std::string plural(std::size_t count, const std::string& thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

int run_scenario(sim::Board& board, const SimOptions& options, const tools::Scenario& scenario,
                 tools::PtyConsole* pty)
{
    std::printf("tiltmon on the virtual board: %s\n", tools::spelled_text(options.scenario).c_str());
    std::printf("times are virtual, from the first power-on; a screen character is 2 x 2 pixels;\n"
                "%s in a screen's text: no character there (a graph, a bar)\n",
                tools::kNoCharacter);
    tools::Narrator narrator(board, stdout, stderr);
    tools::ScenarioSettings settings{options.out_dir, nullptr};
    if (pty != nullptr) settings.on_console = [pty](const std::string& bytes) { pty->send(bytes); };
    tools::ScenarioRunner runner(board, narrator, settings);
    int code = 0;
    try {
        runner.run(scenario);
        std::printf("\nscenario done: %s, %s of virtual time\n", plural(scenario.steps.size(), "step").c_str(),
                    tools::duration_text(board.now()).c_str());
    } catch (const tools::ScenarioFailure& failure) {
        std::fflush(stdout);
        std::fprintf(stderr, "tiltmon-sim: %s\n", failure.what());
        code = kFailed;
    }
    if (!options.contact_sheet.empty() && !runner.screenshots().empty()) {
        try {
            tools::write_contact_sheet(runner.screenshots(), options.contact_sheet);
            std::printf("contact sheet: %s (%s)\n", tools::spelled_text(options.contact_sheet).c_str(),
                        plural(runner.screenshots().size(), "screenshot").c_str());
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tiltmon-sim: %s\n", error.what());
            code = kFailed;
        }
    }
    return drain_console(pty, options.pty_wait_seconds, code);
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    try {
        options = tools::parse_command_line(argc, argv);
    } catch (const tools::UsageError& error) {
        std::fprintf(stderr, "tiltmon-sim: %s\n(--help lists the options)\n", error.what());
        return kRefused;
    }
    if (options.help) {
        std::fputs(tools::usage_text(argv[0]).c_str(), stdout);
        return 0;
    }

    // Everything the run needs, checked before anything runs.
    tools::Scenario scenario;
    tools::InteractiveOptions interactive;
    interactive.speed = options.speed;
    if (options.mode == SimOptions::Mode::Scenario) {
        try {
            scenario = tools::load_scenario(options.scenario);
        } catch (const tools::ScenarioError& error) {
            return refuse(error.what());
        }
        const bool dumps = std::any_of(scenario.steps.begin(), scenario.steps.end(),
                                       [](const tools::Step& s) { return s.kind == tools::Step::Kind::DumpResult; });
        if (const std::string refusal = tools::check_outputs(options, scenario.screenshots(), dumps || scenario.screenshots() > 0);
            !refusal.empty())
            return refuse(refusal);
    } else if (options.mode == SimOptions::Mode::Interactive) {
        if (const std::string why = tools::why_not_interactive(interactive); !why.empty())
            return refuse("--interactive: " + why);
    }

    std::unique_ptr<tools::PtyConsole> pty;
    if (options.pty) {
        try {
            pty = std::make_unique<tools::PtyConsole>(options.pty_bits_per_second);
        } catch (const std::exception& error) {
            return refuse(error.what());
        }
        std::printf("console on %s (%u bit/s, 8N1)\n", tools::spelled_text(pty->path()).c_str(), pty->bits_per_second());
        std::fflush(stdout);
    }

    sim::Board board;
    board.fit_crystal(options.crystal);
    switch (options.mode) {
    case SimOptions::Mode::Plain:
        tools::plain_run(board, options, pty.get());
        return drain_console(pty.get(), options.pty_wait_seconds, 0);
    case SimOptions::Mode::Scenario: return run_scenario(board, options, scenario, pty.get());
    case SimOptions::Mode::Interactive: {
        if (pty) interactive.on_console = [&](const std::string& bytes) { pty->send(bytes); };
        // The keys take effect once start-up has reached the menu.
        if (!sim::Operator(board).power_on())
            return refuse("the firmware did not reach its foreground loop: " + board.stop_reason());
        const int code = tools::run_interactive(board, interactive);
        // The person has left: what a program still reads goes out, nobody new is awaited.
        return drain_console(pty.get(), 0, code);
    }
    }
    return 0;
}
