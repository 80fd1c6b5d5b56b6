#include "scenario_runner.h"

#include <algorithm>
#include <cstdio>

#include "atomic_file.h"
#include "record_layout.h"
#include "text_spelling.h"
#include "time_text.h"

namespace tools {

namespace {

using namespace sim;

// A ramped tilt moves in steps this long: five samples a step at most.
constexpr Nanoseconds kTiltStep = 100_ms;

std::string hex(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (std::uint8_t b : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += (text.empty() ? "" : " ") + std::string(digits);
    }
    return text;
}

}  // namespace

ScenarioRunner::ScenarioRunner(Board& board, Narrator& narrator, ScenarioSettings settings)
    : board_(board),
      narrator_(narrator),
      settings_(std::move(settings)),
      operator_(board, [this](const std::function<bool()>& cond, Nanoseconds limit) { return advance(cond, limit); }),
      sight_(board)
{
    narrator_.on_console([this](const std::string& bytes) {
        sight_.add_console(bytes);
        if (settings_.on_console) settings_.on_console(bytes);
    });
}

void ScenarioRunner::run(const Scenario& scenario)
{
    scenario_ = &scenario;
    for (const Step& step : scenario.steps) {
        step_ = &step;
        sight_.new_search();
        try {
            perform(step);
        } catch (const RunError& error) {
            fail(error.what());
        } catch (const ScenarioFailure&) {
            throw;
        } catch (const std::runtime_error& error) {  // a file that could not be written
            fail(error.what());
        }
    }
    narrator_.close();
}

void ScenarioRunner::fail(const std::string& what) const
{
    narrator_.close();
    throw ScenarioFailure(scenario_->file + ":" + std::to_string(step_->line) + ": " + what);
}

void ScenarioRunner::perform(const Step& step)
{
    switch (step.kind) {
    case Step::Kind::PowerOn:
        // Start-up draws the menu with the buttons already live; the operator's
        // first step comes once the foreground loop runs.
        if (!operator_.power_on())
            fail("expected the firmware to reach its foreground loop within " +
                 duration_text(Operator::kLongestStartUp));
        break;
    case Step::Kind::PowerOff: board_.power_off(); break;
    case Step::Kind::Press:
        if (!operator_.press(step.button)) fail(still_running());
        break;
    case Step::Kind::Push: operator_.push(step.button); break;
    case Step::Kind::Release: operator_.release(step.button); break;
    case Step::Kind::Hold: operator_.hold(step.button, step.span); break;
    case Step::Kind::Turn: operator_.turn(step.detents); break;
    case Step::Kind::Tilt: {
        const auto axis = static_cast<std::size_t>(step.axis == Axis::X ? 0 : 1);
        ramps_[axis] = Ramp{tilt_[axis], step.degrees, board_.now(), board_.now() + step.span, step.span > 0};
        if (step.span == 0) tilt_[axis] = step.degrees;
        apply_tilts();
        break;
    }
    case Step::Kind::Run: advance([] { return false; }, step.span); break;
    case Step::Kind::RunUntil:
        if (!advance([&] { return step.condition.holds(sight_); }, step.span))
            fail("expected " + step.condition.wanted() + " within " + duration_text(step.span) + "; " +
                 step.condition.found(sight_));
        break;
    case Step::Kind::Expect:
        if (!step.condition.holds(sight_))
            fail("expected " + step.condition.wanted() + "; " + step.condition.found(sight_));
        break;
    case Step::Kind::ExpectFlash: {
        const std::vector<std::uint8_t> found = board_.flash_bytes(step.address, step.bytes.size());
        if (found != step.bytes) {
            char address[16];
            std::snprintf(address, sizeof address, "0x%08X", step.address);
            fail("expected the flash at " + std::string(address) + " to hold " + hex(step.bytes) + "; it holds " +
                 hex(found));
        }
        break;
    }
    case Step::Kind::Screenshot: {
        const std::string path = output_path(step.text);
        Screenshot shot{board_.lcd_image(), board_.backlight_percent(), board_.now(), step.text};
        write_lcd_png(shot.image, shot.backlight_percent, path);
        screenshots_.push_back(std::move(shot));
        narrator_.say("screenshot " + spelled_text(path));
        break;
    }
    case Step::Kind::Show: narrator_.show_screen(); break;
    case Step::Kind::Caption: narrator_.step(step.text); break;
    case Step::Kind::Say: narrator_.say(step.text); break;
    case Step::Kind::DumpResult: {
        const std::string path = output_path(step.text);
        write_file_atomically(path, board_.flash_bytes(RESULT_BASE, RESULT_SIZE));
        narrator_.say("result sector (" + std::to_string(RESULT_SIZE) + " bytes) dumped to " + spelled_text(path));
        break;
    }
    }
}

std::string ScenarioRunner::output_path(const std::string& name) const
{
    return settings_.out_dir.empty() || settings_.out_dir == "." ? name : settings_.out_dir + "/" + name;
}

bool ScenarioRunner::advance(const std::function<bool()>& cond, Nanoseconds limit)
{
    const Nanoseconds end = board_.now() + limit;
    for (;;) {
        apply_tilts();
        Nanoseconds slice = end - board_.now();
        if (ramps_[0].active || ramps_[1].active) slice = std::min(slice, kTiltStep);
        if (narrator_.run_until(cond, slice, "scenario line " + std::to_string(step_->line))) return true;
        if (board_.now() >= end) return false;
    }
}

void ScenarioRunner::apply_tilts()
{
    for (std::size_t axis = 0; axis < 2; ++axis) {
        Ramp& ramp = ramps_[axis];
        if (ramp.active) {
            const Nanoseconds now = board_.now();
            if (now >= ramp.end) {
                tilt_[axis] = ramp.to;
                ramp.active = false;
            } else {
                const double share = static_cast<double>(now - ramp.start) / static_cast<double>(ramp.end - ramp.start);
                tilt_[axis] = ramp.from + (ramp.to - ramp.from) * share;
            }
        }
        board_.set_tilt(axis == 0 ? Axis::X : Axis::Y, tilt_[axis]);
    }
}

std::string ScenarioRunner::still_running() const
{
    return "expected the button's action to end within " + duration_text(Operator::kLongestButtonAction) +
           "; it still runs";
}

}  // namespace tools
