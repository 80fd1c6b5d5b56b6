// What the device must still do whatever a power cut or a foreign image left
// in its two record sectors: the path an operator takes from power-on (the
// record screen, both graphs scrolled to both ends, the report, the limit
// editor, a new record) and what the path must leave. No misuse that the
// board reports and no stop; nothing read or written in flash outside the
// two sectors; a report that is, line for line, the formats filled with the
// sector's bytes, up to its end marker or its last programmed pair; no text
// past the glass's last column; and the new record stored whole.
#ifndef TESTS_SUPPORT_RECOVERY_RIG_H
#define TESTS_SUPPORT_RECOVERY_RIG_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "board_test.h"
#include "core/sim_error.h"
#include "devices/st7565p_controller.h"
#include "operator_rig.h"
#include "record_layout.h"

class RecoveryTest : public OperatorTest {
public:
    using Bytes = std::vector<std::uint8_t>;
    static constexpr std::uint32_t kSectorSize = 0x20000u;

protected:
    static constexpr std::uint32_t kFlashStart = 0x08000000u, kFlashEnd = 0x08100000u;
    static constexpr int kWindowStep = 54;  // one detent: 27 samples of two bytes

    // The two sectors as the next power-on finds them; what is not given is erased.
    void load_sectors(Bytes result, Bytes limits)
    {
        result.resize(kSectorSize, 0xFF);
        limits.resize(kSectorSize, 0xFF);
        board.load_flash(kResult, result);
        board.load_flash(kLimits, limits);
    }

    // The path from power-on: "" or where it went wrong and how.
    std::string walk_the_path()
    {
        const Bytes sector = board.flash_bytes(kResult, kSectorSize);
        board.trace().clear();
        board.trace().start(kFlashStart, kFlashEnd);
        std::string where = "power-on", fault;
        try {
            fault = path(sector, where);
        } catch (const sim::SimError& error) {
            fault = error.what();
        }
        board.trace().stop();
        if (fault.empty() && board.stopped()) fault = board.stop_reason();
        if (!fault.empty()) return where + ": " + fault;
        if (models(board).lcd().wrote_beyond_column_127()) return "text past the glass's last column";
        return flash_access_outside_the_sectors();
    }

    // The record's pairs as a reader takes them from the sector: up to the
    // first pair with a byte above 90 (the end marker), or without one, up
    // to the last pair with a programmed byte.
    static int samples_in(const Bytes& sector)
    {
        int last_programmed = -1;
        for (int k = 0; k < SAMPLE_PAIRS; ++k) {
            const std::uint8_t x = sector[4 + 2 * static_cast<std::size_t>(k)], y = sector[5 + 2 * static_cast<std::size_t>(k)];
            if (static_cast<std::int8_t>(x) > MAX_SAMPLE_VALUE || static_cast<std::int8_t>(y) > MAX_SAMPLE_VALUE) return k;
            if (x != 0xFF || y != 0xFF) last_programmed = k;
        }
        return last_programmed + 1;
    }

    // The report the sector holds, after the record screen has loaded its header.
    static std::string expected_report(const Bytes& sector)
    {
        const auto value = [&](std::size_t at) { return static_cast<int>(static_cast<std::int8_t>(sector[at])); };
        const auto magnitude = [](int v) { return v < 0 ? -v : v; };
        std::string text = "\r\nZEB Tiltbox system v1.0\r\n\n";
        text += format("[X] LEFT:      %3d degree\n", value(0));
        text += format("[X] RIGHT:     %3d degree\n", magnitude(value(1)));
        text += format("[Y] BACK:      %3d degree\n", value(2));
        text += format("[Y] FRONT:     %3d degree\n", magnitude(value(3)));
        const auto pair = [&](int k) { return 4 + 2 * static_cast<std::size_t>(k); };
        const int samples = samples_in(sector);
        const bool marked = samples < SAMPLE_PAIRS &&
                            (value(pair(samples)) > MAX_SAMPLE_VALUE || value(pair(samples) + 1) > MAX_SAMPLE_VALUE);
        for (int k = 0; k < samples + (marked ? 1 : 0); ++k)
            text += format("[X]:  %3d    [Y]:  %3d  degree\n", value(pair(k)), value(pair(k) + 1));
        return text;
    }

private:
    static std::string format(const char* pattern, int a, int b = 0)
    {
        char text[48];
        std::snprintf(text, sizeof text, pattern, a, b);
        return text;
    }

    std::string path(const Bytes& sector, std::string& where)
    {
        using namespace sim;
        for (Button b : {Button::Ok, Button::Back}) board.release(b);  // a cut may have come mid-press
        board.power_on();
        if (!board.run_until([&] { return board.idle_passes() > 0; }, 10_s)) return "no foreground loop within 10 s";
        if (line(1) != " ->  NEW RECORD") return "the menu reads \"" + line(1) + "\"";

        where = "the record screen";
        turn(1);
        if (!person.press(Button::Ok) || app_state != 2) return "not shown";
        for (const int graph : {6, 7}) {
            where = graph == 6 ? "the X graph" : "the Y graph";
            if (!person.press(Button::Ok) || app_state != graph) return "not shown";
            if (std::string fault = scroll_to_both_ends(samples_in(sector)); !fault.empty()) return fault;
        }
        if (!person.press(Button::Ok) || !person.press(Button::Back) || app_state != 0) return "no way back to the menu";

        where = "the report";
        turn(2);
        if (!person.press(Button::Ok) || app_state != 3) return "no remote screen";
        board.clear_serial_output();
        if (!person.press(Button::Ok) || app_state != 0) return "did not end in the menu";
        if (board.serial_output() != expected_report(sector)) return "not the sector's report:\n" + tail(board.serial_output());

        where = "the limit editor";
        turn(-1);
        if (!person.press(Button::Ok) || app_state != 4) return "not shown";
        if (!person.press(Button::Back) || app_state != 0) return "no way back to the menu";

        where = "a new record";
        return new_record();
    }

    // From the graph's first window one step back (it stays), steps up to
    // the window of the last sample, and one step more (it stays).
    std::string scroll_to_both_ends(int samples)
    {
        const int last_window = samples == 0 ? 0 : (samples - 1) / 27 * kWindowStep;
        turn(-1);
        if (graph_scale != 0) return "a step back from the first sample went to " + std::to_string(graph_scale);
        for (int at = 0; at < last_window; at += kWindowStep) turn(1);
        turn(1);
        if (graph_scale != last_window)
            return "the last window starts at " + std::to_string(graph_scale) + ", not " + std::to_string(last_window);
        return "";
    }

    // Two pairs at 30 degrees left and 30 to the front, then the stop.
    std::string new_record()
    {
        using namespace sim;
        board.set_tilt(Axis::X, 30);  // reads 500: 30 degrees
        board.set_tilt(Axis::Y, -30);
        if (!person.press(Button::Ok) || app_state != 1) return "not started";
        if (!board.run_until([] { return app_data_index == 4; }, 5_s)) return "no two pairs stored within 5 s";
        if (!person.press(Button::Ok) || app_state != 0) return "not stopped";
        const Bytes expected = {30, 0, 0, 0xE2, 30, 0xE2, 30, 0xE2, 100, 100, 0xFF, 0xFF};
        if (board.flash_bytes(kResult, expected.size()) != expected) return "not stored whole";
        return "";
    }

    std::string flash_access_outside_the_sectors()
    {
        for (const sim::BusAccess& a : board.trace().accesses()) {
            if (a.address - kResult < kSectorSize || a.address - kLimits < kSectorSize) continue;
            char text[64];
            std::snprintf(text, sizeof text, "flash %s at 0x%08X, outside the record sectors", a.write ? "written" : "read",
                          static_cast<unsigned>(a.address));
            return text;
        }
        return "";
    }

    static std::string tail(const std::string& text) { return text.size() > 400 ? "..." + text.substr(text.size() - 400) : text; }
};

#endif
