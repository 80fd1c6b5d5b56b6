// The LCD and the accelerometer share SPI2, and three contexts use it: no
// LCD operation or accelerometer transaction is cut into by another, and the
// screen ends as the last action leaves it, whatever access of an encoder
// redraw or of a measurement pass a button press falls on.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "aimed_press_rig.h"
#include "board/wiring.h"
#include "main.h"
#include "models/exti.h"

namespace {

using namespace sim;

// The button's interrupt (EXTI lines 10 to 15), held back and taken back here.
constexpr int kButtonIrq = ExceptionState::irq(40);

enum class Section { XGraphRedraw, YGraphRedraw, MeasurementPass };

struct Scene {
    const char* test_name;
    Section section;
    Button button;  // back leaves a graph for the menu; OK stops the record
};
void PrintTo(const Scene& scene, std::ostream* out) { *out << scene.test_name; }

class SharedBusTest : public AimedPressTest, public ::testing::WithParamInterface<Scene> {
protected:
    void SetUp() override
    {
        store_limits();
        store_record();
        boot();
        menu_ = board.lcd_image();
    }

    // From the menu to the point where the section comes next: a graph with
    // the encoder turned a detent (the next tick redraws it), or a record
    // whose next pass takes a sample that passes the limits.
    void set_up_section(Section section)
    {
        if (section == Section::MeasurementPass) {
            board.set_tilt(Axis::X, 0);
            board.set_tilt(Axis::Y, 0);
            ok();
            // Two pairs stored: the second one's sample came right after a
            // tick, whatever the record's start. A run stops at the idle point
            // once the next tick is in, so LocalTime stands one tick past it,
            // and the next pass (one that stores nothing) follows the tick
            // that takes it 490 ms further.
            ASSERT_TRUE(board.run_until([] { return app_data_index == 4 && tmp == 0; }, 3_s));
            const std::uint32_t due = LocalTime + 490;
            ASSERT_TRUE(board.run_until([due] { return LocalTime == due; }, 1_s));
            board.set_tilt(Axis::X, 30);
            board.set_tilt(Axis::Y, -25);
            return;
        }
        turn(1 - app_menu);  // SHOW RECORD
        ok();
        ok();
        if (section == Section::YGraphRedraw) ok();
        ASSERT_EQ(app_state, section == Section::XGraphRedraw ? 6 : 7);
        ASSERT_EQ(graph_scale, 0);
        board.turn_encoder(1);
    }

    // Runs the section undisturbed and finds its accesses, counted from the
    // set-up point: a redraw is the tick's whole encoder action (its first
    // access, the counter read, is the first after the set-up; its last, the
    // last LCD byte before the next tick), a pass runs from the
    // accelerometer's select to the last alarm LED.
    struct Window {
        std::uint64_t first, last;
    };
    Window find_window(Section section)
    {
        set_up_section(section);
        board.trace().clear();
        board.trace().start();
        board.run_for(30_ms);  // the section and some ticks after it
        board.trace().stop();
        if (section == Section::MeasurementPass) {
            EXPECT_EQ(tmp, 1);
            EXPECT_EQ(app_alarm, 1);
        } else {
            EXPECT_EQ(graph_scale, 54);
        }
        const std::vector<BusAccess>& trace = board.trace().accesses();
        const std::uint32_t spi2 = base_of("SPI2"), gpiod = base_of("GPIOD"), gpiob = base_of("GPIOB");
        const std::uint32_t gpioe = base_of("GPIOE");
        std::size_t first = 0, last = npos;
        if (section == Section::MeasurementPass) {
            first = first_access(trace, [&](const BusAccess& a) { return a.address - gpiob < 0x400u; });
            last = last_access(trace, [&](const BusAccess& a) { return a.address - gpioe < 0x400u; });
        } else {
            last = last_access(trace, [&](const BusAccess& a) {
                return a.address - spi2 < 0x400u || a.address - gpiod < 0x400u;
            });
        }
        EXPECT_NE(first, npos);
        EXPECT_NE(last, npos);
        return {first + 1, last + 1};
    }

    // Back to the menu from wherever the section left the board.
    void leave_section(Section section)
    {
        if (section == Section::MeasurementPass) {
            ok();
        } else {
            back();
        }
        ASSERT_EQ(app_state, 0);
    }

    // Every access from `start` to `last` tried with a press, on one run of
    // the section. The press goes in through the button's pin just before the
    // access, as an aimed hardware event does, and the core takes it or holds
    // it back. Held back (a masked section), it is taken back before the next
    // access so that the next one can be tried on the same run: the button let
    // go, its pending bits cleared at EXTI and the NVIC as its handler would
    // clear them. The press at `last` is left in. A press that the core took
    // at once runs its course instead and ends the sweep there.
    struct Sweep {
        std::uint64_t in;    // the access whose press stayed in
        std::uint64_t held;  // presses held back and taken back before it
    };
    Sweep sweep(std::uint64_t start, std::uint64_t last, Button button)
    {
        Cpu& cpu = models(board).cpu();
        ExceptionState& core = models(board).exceptions();
        Exti& exti = models(board).get<Exti>("EXTI");
        const std::uint32_t line = button == Button::Back ? 0x4000u : 0x8000u;
        Sweep result{0, 0};
        std::uint64_t& in = result.in;
        std::function<void()> before_next = [&] {
            if (in != 0) {
                if (core.active(kButtonIrq)) return;  // taken at once: its handler is running
                board.release(button);
                exti.write(Exti::PR, 4, line);
                core.set_pending(kButtonIrq, false);
                ++result.held;
            }
            in = in == 0 ? start : in + 1;
            HardwareEvent::press(button)(board);
            if (in < last) cpu.at_access(1, before_next);
        };
        cpu.at_access(start, before_next);
        round_fault_ = run_to_handled({button});
        return result;
    }

    // What every round must leave: a bus that never complained, and the menu
    // exactly. A press that comes before a redraw's first access may also be
    // taken before the encoder action starts: the step then moves the menu's
    // pointer instead.
    std::string round_fault(bool before_first_access)
    {
        std::string fault = round_fault_;
        if (fault.empty()) fault = run_on(50_ms);
        if (!fault.empty()) return fault;
        if (app_state != 0) return "state " + std::to_string(app_state) + " after the press";
        if (before_first_access && board.lcd_image() == step_on_menu_) return "";
        return screen_fault(menu_, "the system menu");
    }

    // The redraw's step taken in the menu, after the press.
    void note_step_on_menu(Section section)
    {
        set_up_section(section);
        back();
        board.run_for(20_ms);
        ASSERT_EQ(app_menu, 1) << "the step came after the press";
        step_on_menu_ = board.lcd_image();
        ASSERT_NE(step_on_menu_, menu_);
    }

    LcdImage menu_;
    LcdImage step_on_menu_;
    std::string round_fault_;
};

TEST_P(SharedBusTest, APressAtAnyAccessOfTheSectionLeavesTheBusWholeAndTheScreenAsItsActionDrawsIt)
{
    const Scene& scene = GetParam();
    const Window window = find_window(scene.section);
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_FATAL_FAILURE(leave_section(scene.section));
    const bool redraw = scene.section != Section::MeasurementPass;
    if (redraw) {
        ASSERT_NO_FATAL_FAILURE(note_step_on_menu(scene.section));
    }

    SweepFailures failures;
    // The first access alone, its press left to run its course.
    ASSERT_NO_FATAL_FAILURE(set_up_section(scene.section));
    round_fault_ = run_aimed(window.first, HardwareEvent::press(scene.button), {scene.button});
    if (const std::string fault = round_fault(redraw); !fault.empty()) {
        failures.add(window.first, fault);
        ASSERT_NO_FATAL_FAILURE(start_over());
    }
    // Then every access: a press that the core holds back is taken when the
    // section ends, from the state the section leaves, whichever access it
    // came at; so the round of the last access stands for all of those.
    for (std::uint64_t start = window.first; start <= window.last && !failures.enough();) {
        ASSERT_NO_FATAL_FAILURE(set_up_section(scene.section));
        const Sweep swept = sweep(start, window.last, scene.button);
        ASSERT_EQ(swept.held, swept.in - start) << "every press before the one that stayed in was tried";
        if (const std::string fault = round_fault(redraw && swept.in == window.first); !fault.empty()) {
            failures.add(swept.in, fault);
            ASSERT_NO_FATAL_FAILURE(start_over());
        }
        start = swept.in + 1;
    }
    EXPECT_TRUE(failures.lines.empty()) << scene.test_name << ", accesses " << window.first << " to " << window.last
                                        << ":\n" << failures.text();
}

std::string scene_name(const ::testing::TestParamInfo<Scene>& scene) { return scene.param.test_name; }

INSTANTIATE_TEST_SUITE_P(
    Sections, SharedBusTest,
    ::testing::Values(Scene{"BackOnXGraphRedraw", Section::XGraphRedraw, Button::Back},
                      Scene{"BackOnYGraphRedraw", Section::YGraphRedraw, Button::Back},
                      Scene{"StopOnMeasurementPass", Section::MeasurementPass, Button::Ok}),
    scene_name);

}  // namespace
