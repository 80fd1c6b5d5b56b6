// The operator's board with presses aimed at single bus accesses of the
// running firmware: a run that lasts until the aimed press has been handled,
// what a run that the board ended as misused says, the screen against a
// reference image, and places in the access trace.
#ifndef TESTS_SUPPORT_AIMED_PRESS_RIG_H
#define TESTS_SUPPORT_AIMED_PRESS_RIG_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "board/board_models.h"
#include "core/access_trace.h"
#include "core/sim_error.h"
#include "devices/lcd_image.h"
#include "operator_rig.h"

class AimedPressTest : public OperatorTest {
protected:
    // Alarm limits of 20 degrees every way, in the limits sector's byte order.
    static constexpr int kLimit = 20;
    void store_limits()
    {
        const auto minimum = static_cast<std::uint8_t>(-kLimit);
        board.load_flash(kLimits, {kLimit, minimum, kLimit, minimum});
    }

    // A closed record of 60 samples, enough for a graph to scroll a step.
    void store_record()
    {
        std::vector<std::uint8_t> bytes = {30, static_cast<std::uint8_t>(-20), 15, static_cast<std::uint8_t>(-10)};
        for (int i = 0; i < 60; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(i * 7 % 61 - 30));
            bytes.push_back(static_cast<std::uint8_t>(i * 11 % 41 - 20));
        }
        bytes.insert(bytes.end(), {100, 100});
        board.load_flash(kResult, bytes);
    }

    // The event just before the n-th bus access from here, and the run that
    // follows (run_to_handled).
    std::string run_aimed(std::uint64_t n, sim::HardwareEvent event, std::initializer_list<sim::Button> buttons)
    {
        board.at_bus_access(n, std::move(event));
        return run_to_handled(buttons);
    }

    // Runs until the buttons are down and the button handler has nothing left
    // to do, then lets them go. Returns "" or why the run ended early: the
    // board's report of a misuse (two chip selects low, a byte with none, a
    // program of a byte that is not erased...) or a press that never came.
    std::string run_to_handled(std::initializer_list<sim::Button> buttons)
    {
        using namespace sim;
        const auto handled = [&] {
            for (Button b : buttons)
                if (!board.pressed(b)) return false;
            return !board.button_action_pending();
        };
        try {
            if (!board.run_until(handled, 10_s))
                return board.stopped() ? board.stop_reason() : "the aimed press was not handled within 10 s";
            for (Button b : buttons) board.release(b);
            board.run_for(1_ms);
        } catch (const SimError& error) {
            return error.what();
        }
        return "";
    }

    // Runs on, with "" or the board's report of a misuse that ended the run.
    std::string run_on(sim::Nanoseconds span)
    {
        try {
            board.run_for(span);
        } catch (const sim::SimError& error) {
            return error.what();
        }
        return board.stopped() ? board.stop_reason() : "";
    }

    // After a run that the board ended: the board as it was at power-on
    // (the flash keeps what the firmware left in it).
    void start_over()
    {
        for (sim::Button b : {sim::Button::Back, sim::Button::Ok}) board.release(b);
        boot();
    }

    // "" when the glass shows exactly the reference, else both pictures.
    std::string screen_fault(const sim::LcdImage& reference, const char* what) const
    {
        const sim::LcdImage shown = board.lcd_image();
        if (shown == reference) return "";
        return std::string("the screen is not ") + what + ":\n" + shown.render() + "expected:\n" + reference.render();
    }

    using AccessMatch = std::function<bool(const sim::BusAccess&)>;
    // Index of the first (last) traced access that matches, or npos.
    static std::size_t first_access(const std::vector<sim::BusAccess>& trace, const AccessMatch& match)
    {
        for (std::size_t i = 0; i < trace.size(); ++i)
            if (match(trace[i])) return i;
        return npos;
    }
    static std::size_t last_access(const std::vector<sim::BusAccess>& trace, const AccessMatch& match)
    {
        for (std::size_t i = trace.size(); i-- > 0;)
            if (match(trace[i])) return i;
        return npos;
    }
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    // Runs action once, just after the first bus access from now that
    // matches (before the next one); the trace records meanwhile. acted()
    // tells whether that access came.
    void after_first(AccessMatch match, std::function<void()> action)
    {
        board.trace().clear();
        board.trace().start();
        acted_ = false;
        watch_ = [this, match = std::move(match), action = std::move(action)] {
            const std::vector<sim::BusAccess>& trace = board.trace().accesses();
            if (trace.empty() || !match(trace.back())) {
                models(board).cpu().at_access(1, watch_);
                return;
            }
            board.trace().stop();
            acted_ = true;
            action();
        };
        models(board).cpu().at_access(1, watch_);
    }
    bool acted() const { return acted_; }

    // Failures of a sweep of rounds, each named by the access it aimed at;
    // a sweep gives up after a few, which tell enough.
    struct SweepFailures {
        static constexpr std::size_t kEnough = 3;
        std::vector<std::string> lines;
        bool enough() const { return lines.size() >= kEnough; }
        void add(std::uint64_t access, const std::string& why)
        {
            lines.push_back("press at access " + std::to_string(access) + ": " + why);
        }
        std::string text() const
        {
            std::string all;
            for (const std::string& line : lines) all += line + "\n";
            return all;
        }
    };

private:
    std::function<void()> watch_;
    bool acted_ = false;
};

#endif
