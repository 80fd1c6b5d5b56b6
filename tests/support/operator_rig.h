// A powered board with the firmware running, worked as an operator works
// it: buttons pressed and released, the knob turned a detent at a time,
// and what the screen, the LEDs, the console line and the flash show.
#ifndef TESTS_SUPPORT_OPERATOR_RIG_H
#define TESTS_SUPPORT_OPERATOR_RIG_H

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/board_models.h"
#include "core/exception_state.h"
#include "main.h"

// Where the operator stands, each reached from the system menu as
// start-up leaves it.
enum class Place {
    MenuOnNewRecord,
    MenuOnShowRecord,
    MenuOnRemote,
    MenuOnOption,
    MenuOffItems,    // an item number past the four, set by hand: no turn of the knob leaves one
    // Three samples taken at 35 degrees LEFT, the second stored, in a record
    // started after the record screen had loaded the stored extremes.
    Recording,
    RecordingDark,   // the same with the backlight switched off
    RecordScreen,
    Remote,
    EditorChoosing,  // [X] RIGHT chosen
    EditorChanging,  // [X] RIGHT being changed, one step out already
    XGraph,
    YGraph,
};

class OperatorTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kResult = 0x08020000u;
    static constexpr std::uint32_t kLimits = 0x080E0000u;
    static constexpr int kButtonIrq = sim::ExceptionState::irq(40);

    // Power on and wait for the system menu in the foreground loop.
    void boot()
    {
        using namespace sim;
        board.power_on();
        ASSERT_TRUE(board.run_until([&] { return board.idle_passes() > 0; }, 10_s)) << board.stop_reason();
        ASSERT_EQ(line(1), " ->  NEW RECORD");
    }

    // A press and its release; returns once the button's action is done
    // (the handler has run and returned), however long the action takes.
    void press(sim::Button button) { ASSERT_TRUE(press_through(button)) << board.stop_reason(); }
    // The same with no test failure: false when the action never ended.
    bool press_through(sim::Button button)
    {
        using namespace sim;
        const ExceptionState& core = board.models().exceptions();
        board.press(button);
        board.run_for(1_ms);
        const bool done = board.run_until([&] { return !core.active(kButtonIrq) && !core.pending(kButtonIrq); }, 400_s);
        board.release(button);
        board.run_for(1_ms);
        return done;
    }
    void back() { press(sim::Button::Back); }
    void ok() { press(sim::Button::Ok); }

    void run_until_handled()
    {
        using namespace sim;
        const sim::ExceptionState& core = board.models().exceptions();
        board.run_for(1_ms);
        ASSERT_TRUE(board.run_until([&] { return !core.active(kButtonIrq) && !core.pending(kButtonIrq); }, 400_s))
            << board.stop_reason();
    }

    // Detents one at a time, each given a poll of the encoder (every 10 ms).
    void turn(int detents)
    {
        using namespace sim;
        const int step = detents > 0 ? 1 : -1;
        for (int i = 0; i != detents; i += step) {
            board.turn_encoder(step);
            board.run_for(20_ms);
        }
    }

    std::string line(int n) const { return board.lcd_text(n); }
    std::vector<std::string> screen() const
    {
        std::vector<std::string> lines;
        for (int n = 0; n < 8; ++n) lines.push_back(line(n));
        return lines;
    }
    std::string leds() const
    {
        std::string text;
        for (int led = 1; led <= 8; ++led) text += board.led(led) ? '*' : '.';
        return text;
    }
    std::vector<std::uint8_t> result_bytes(std::size_t count) const { return board.flash_bytes(kResult, count); }

    // The pixel columns x .. x + count - 1 of a text line, a byte each (bit b
    // is the line's row b), to pin where a glyph stands.
    std::vector<std::uint8_t> glass_columns(int line, int x, int count) const
    {
        std::vector<std::uint8_t> columns;
        for (int c = x; c < x + count; ++c) {
            std::uint8_t byte = 0;
            for (int b = 0; b < 8; ++b)
                byte = static_cast<std::uint8_t>(byte | (board.lcd_pixel(c, 8 * line + b) << b));
            columns.push_back(byte);
        }
        return columns;
    }

    void reach(Place place)
    {
        using namespace sim;
        switch (place) {
        case Place::MenuOnNewRecord: break;
        case Place::MenuOnShowRecord: turn(1); break;
        case Place::MenuOnRemote: turn(2); break;
        case Place::MenuOnOption: turn(-1); break;
        case Place::MenuOffItems: app_menu = 4; break;
        case Place::Recording:
        case Place::RecordingDark:
            turn(1);
            ok();
            back();
            board.set_tilt(Axis::X, 35.5);  // reads 35: the conversion truncates
            ok();
            ASSERT_TRUE(board.run_until([] { return app_data_index == 2 && tmp == 1; }, 3_s));
            if (place == Place::RecordingDark) back();
            break;
        case Place::RecordScreen:
        case Place::XGraph:
        case Place::YGraph:
            turn(1);
            ok();
            if (place != Place::RecordScreen) ok();
            if (place == Place::YGraph) ok();
            break;
        case Place::Remote:
            turn(2);
            ok();
            break;
        case Place::EditorChoosing:
        case Place::EditorChanging:
            turn(-1);
            ok();
            turn(1);
            if (place == Place::EditorChanging) {
                ok();
                turn(1);
            }
            break;
        }
    }

    sim::Board board;
};

#endif
