// A simulated day in the system menu, from a release build: how fast the
// board runs it by itself, and how fast a scenario's `run 1d` runs it with
// the narrator watching the LEDs, the backlight and the console and telling
// what changes (aim: at least 100,000 times real time). Figures only.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "board/board.h"
#include "board/operator.h"
#include "narrator.h"
#include "scenario_parser.h"
#include "scenario_runner.h"

namespace {

using namespace sim;

constexpr Nanoseconds kDay = 86400_s;

void report(const char* what, Board& board, const std::function<void()>& work)
{
    const Nanoseconds start = board.now();
    const auto wall_start = std::chrono::steady_clock::now();
    work();
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    const double virtual_s = static_cast<double>(board.now() - start) / 1e9;
    std::printf("%-44s %8.0f s virtual %7.3f s wall %9.0f x real time\n", what, virtual_s, wall, virtual_s / wall);
}

}  // namespace

int main()
{
    {
        Board board;
        if (!Operator(board).power_on()) {
            std::fprintf(stderr, "idle_day_speed: start-up did not reach its loop: %s\n", board.stop_reason().c_str());
            return 1;
        }
        report("a day in the menu: the board alone", board, [&] { board.run_for(kDay); });
    }
    {
        Board board;
        std::FILE* transcript = std::tmpfile();
        tools::Narrator narrator(board, transcript);
        tools::ScenarioRunner runner(board, narrator, tools::ScenarioSettings{});
        const tools::Scenario scenario = tools::parse_scenario("power on\nrun 1d\n", "idle-day.scenario");
        report("a day in the menu: a scenario's power on, run 1d", board, [&] { runner.run(scenario); });
        std::fclose(transcript);
    }
    return 0;
}
