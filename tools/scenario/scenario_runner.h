// Works a parsed scenario on the board, step by step, telling a person what
// happens through the narrator. A step whose expectation the board does not
// meet ends the run with the file and line of that step.
#ifndef TOOLS_SCENARIO_SCENARIO_RUNNER_H
#define TOOLS_SCENARIO_SCENARIO_RUNNER_H

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/operator.h"
#include "narrator.h"
#include "scenario.h"
#include "contact_sheet.h"
#include "glass_picture.h"
#include "scenario_conditions.h"

namespace tools {

// "file:line: expected ..., ..." : the board did not do what a step expects.
class ScenarioFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ScenarioSettings {
    std::string out_dir = ".";  // where screenshots and dumps go
    // Also called with the console bytes as the firmware sends them; may be empty.
    std::function<void(const std::string&)> on_console;
};

class ScenarioRunner {
public:
    ScenarioRunner(sim::Board& board, Narrator& narrator, ScenarioSettings settings);

    void run(const Scenario& scenario);

    const std::vector<Screenshot>& screenshots() const { return screenshots_; }
    // Every console byte since the scenario began.
    const std::string& console() const { return sight_.console(); }

private:
    // A tilt moving in a straight line through virtual time.
    struct Ramp {
        double from = 0, to = 0;
        sim::Nanoseconds start = 0, end = 0;
        bool active = false;
    };

    void perform(const Step& step);
    [[noreturn]] void fail(const std::string& what) const;

    // Runs the board, moving any ramped tilt as time passes; false when the
    // limit passed before cond held.
    bool advance(const std::function<bool()>& cond, sim::Nanoseconds limit);
    void apply_tilts();
    std::string still_running() const;
    std::string output_path(const std::string& name) const;

    sim::Board& board_;
    Narrator& narrator_;
    ScenarioSettings settings_;
    sim::Operator operator_;
    const Scenario* scenario_ = nullptr;
    const Step* step_ = nullptr;
    std::array<double, 2> tilt_{};
    std::array<Ramp, 2> ramps_{};
    Sight sight_;
    std::vector<Screenshot> screenshots_;
};

}  // namespace tools

#endif
