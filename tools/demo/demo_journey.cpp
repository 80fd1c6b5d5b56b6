#include "demo_journey.h"

#include <cstdio>

#include "board/board_models.h"
#include "core/exception_state.h"
#include "record_layout.h"

namespace tools {

namespace {

using namespace sim;

constexpr int kButtonIrq = ExceptionState::irq(40);  // EXTI lines 10 to 15

// LEFT 30, RIGHT 20, BACK 20, FRONT 30 degrees.
struct LimitEdit {
    const char* name;
    int detents;  // clockwise from the erased value, -1
    const char* line;  // the editor's line once set
};
constexpr LimitEdit kLimitEdits[4] = {
    {"LEFT", 31, "[X] LEFT:   30 degree"},
    {"RIGHT", 19, "[X] RIGHT:  20 degree"},
    {"BACK", 21, "[Y] BACK:   20 degree"},
    {"FRONT", 29, "[Y] FRONT:  30 degree"},
};
const std::vector<std::uint8_t> kLimitBytes = {30, 0xEC, 20, 0xE2};

// Three minutes: a slow lean to the left past the LEFT limit, held, then
// over to the front and a little to the right, and level again.
const std::vector<TiltKeyframe> kProfile = {
    {0, 0, 0},     {20, 5, 3},      {50, 22, 8},    {75, 38, -6},  {95, 38, -12},
    {120, 10, -24}, {140, -12, -18}, {160, -16, -4}, {180, 0, 0},
};

constexpr int kStatusEveryMs = 20000;
constexpr int kBacklightOffMs = 100000, kBacklightOnMs = 115000;
constexpr int kScreenAtMs = 30000;

std::string hex_bytes(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += (text.empty() ? "" : " ") + std::string(hex);
    }
    return text;
}

// The three cells of a record field (columns 73, 80 and 88: cells 12 to 14).
std::string record_field(const std::string& line) { return line.size() >= 15 ? line.substr(12, 3) : "   "; }

}  // namespace

DemoJourney::DemoJourney(Board& board, Narrator& narrator) : board_(board), narrator_(narrator), profile_(kProfile) {}

void DemoJourney::run()
{
    power_on();
    set_limits();
    record();
    stop_record();
    show_record();
    graphs();
    send_report();
    summary();
    narrator_.close();
}

void DemoJourney::expect(bool holds, const std::string& what) const
{
    if (!holds) throw DemoError("expected " + what);
}

void DemoJourney::expect_line(int line, const std::string& text) const
{
    const std::string shown = board_.lcd_text(line);
    expect(shown == text, "line " + std::to_string(line) + " to read \"" + text + "\", it reads \"" + shown + "\"");
}

void DemoJourney::wait_until_handled()
{
    const ExceptionState& core = board_.models().exceptions();
    narrator_.run_for(1_ms);
    expect(narrator_.run_until([&] { return !core.active(kButtonIrq) && !core.pending(kButtonIrq); }, 400_s),
           "the button's action to end within 400 s");
}

void DemoJourney::press(Button button)
{
    board_.press(button);
    wait_until_handled();
    board_.release(button);
    narrator_.run_for(1_ms);
}

void DemoJourney::press_showing_notice(Button button, int line, const std::string& text)
{
    board_.press(button);
    expect(narrator_.run_until([&] { return board_.lcd_text(line) == text; }, 400_s),
           "the notice \"" + text + "\" on line " + std::to_string(line));
    narrator_.say("the notice stands while the button's action waits:");
    narrator_.show_screen();
    wait_until_handled();
    board_.release(button);
    narrator_.run_for(1_ms);
}

void DemoJourney::turn(int detents)
{
    const int step = detents > 0 ? 1 : -1;
    for (int i = 0; i != detents; i += step) {
        board_.turn_encoder(step);
        narrator_.run_for(20_ms);  // two polls of the encoder
    }
}

void DemoJourney::tilt(double seconds)
{
    const TiltNow t = profile_.at(seconds);
    board_.set_tilt(Axis::X, t.x);
    board_.set_tilt(Axis::Y, t.y);
}

int DemoJourney::stored_samples() const
{
    const auto pairs = static_cast<std::size_t>(SAMPLE_PAIRS);
    const std::vector<std::uint8_t> area = board_.flash_bytes(SAMPLE_AREA, 2 * pairs);
    // A byte above 90 read as a signed byte: 91 to 127.
    const auto ends_samples = [](std::uint8_t byte) { return byte > MAX_SAMPLE_VALUE && byte < 0x80; };
    for (std::size_t pair = 0; pair < pairs; ++pair)
        if (ends_samples(area[2 * pair]) || ends_samples(area[2 * pair + 1])) return static_cast<int>(pair);
    return SAMPLE_PAIRS;
}

void DemoJourney::power_on()
{
    narrator_.step("Power on, the flash erased: start-up lights LED1 and the backlight");
    board_.power_on();
    expect(narrator_.run_until([&] { return board_.idle_passes() > 0; }, 10_s), "the foreground loop within 10 s");
    expect_line(1, " ->  NEW RECORD");
    narrator_.show_screen();
}

void DemoJourney::set_limits()
{
    narrator_.step("OPTION: one detent anticlockwise (NEW RECORD wraps to OPTION), then OK");
    turn(-1);
    expect_line(7, " ->  OPTION");
    press_showing_notice(Button::Ok, 3, "Setting max limits in");
    narrator_.say("the editor shows the erased limits sector: -1 everywhere");
    expect_line(1, "[X] LEFT:   -1 degree");
    narrator_.show_screen();

    narrator_.step("The four limits: OK to change one, the knob, OK; one detent on to the next");
    for (int i = 0; i < 4; ++i) {
        if (i > 0) turn(1);
        press(Button::Ok);
        turn(kLimitEdits[i].detents);
        press(Button::Ok);
        narrator_.say(std::string(kLimitEdits[i].name) + ": " + std::to_string(kLimitEdits[i].detents) +
                      " detents clockwise");
        expect_line(2 * i + 1, kLimitEdits[i].line);
    }
    narrator_.show_screen();

    narrator_.step("Back: the limits go to flash (sector 11) and the menu returns");
    press(Button::Back);
    expect_line(1, " ->  NEW RECORD");
    const std::vector<std::uint8_t> stored = board_.flash_bytes(LIMITS_BASE, 4);
    expect(stored == kLimitBytes, "the limits sector to hold " + hex_bytes(kLimitBytes) + ", not " + hex_bytes(stored));
    narrator_.say("limits sector: " + hex_bytes(stored) + " (30, -20, 20, -30)");
}

void DemoJourney::record()
{
    narrator_.step("NEW RECORD and OK: LED2 on, the result sector erased, a sample every 0.5 s");
    tilt(0);
    press(Button::Ok);
    expect_line(0, "RECORDING...");

    narrator_.step("Three minutes of tilt: left past the LEFT limit (30), then front and right");
    narrator_.say("a console line for each stored sample, one a second");
    bool alarm_shown = false;
    for (int ms = 0; ms <= static_cast<int>(profile_.length() * 1000); ms += 100) {
        tilt(ms / 1000.0);
        if (ms > 0 && ms % kStatusEveryMs == 0) {
            const TiltNow t = profile_.at(ms / 1000.0);
            char text[96];
            std::snprintf(text, sizeof text, "tilt X %+5.1f Y %+5.1f   the screen shows X %s, Y %s", t.x, t.y,
                          record_field(board_.lcd_text(3)).c_str(), record_field(board_.lcd_text(5)).c_str());
            narrator_.say(text);
        }
        if (ms == kScreenAtMs) narrator_.show_screen();
        if (!alarm_shown && board_.led(4)) {
            alarm_shown = true;
            narrator_.say("past the LEFT limit: the alarm latches, LED4, LED6");
            narrator_.say("and LED8 blink, and line 3 shows the mark \"!\"");
            expect(board_.lcd_text(3).ends_with("deg!"), "the limit mark after \"deg\" on line 3");
            narrator_.show_screen();
        }
        if (ms == kBacklightOffMs) {
            narrator_.say("back: the backlight off (the record goes on)");
            press(Button::Back);
        }
        if (ms == kBacklightOnMs) {
            narrator_.say("back again: the backlight on");
            press(Button::Back);
        }
        narrator_.run_for(100_ms);
    }
    expect(alarm_shown, "the alarm to latch during the record");
    narrator_.show_screen();
}

void DemoJourney::stop_record()
{
    narrator_.step("OK stops the record: header and end marker to flash, LEDs off but LED1");
    press(Button::Ok);
    expect_line(1, " ->  NEW RECORD");
    expect(!board_.led(2) && !board_.led(4), "LED2 and the alarm LEDs off after the stop");
    const std::vector<std::uint8_t> header = board_.flash_bytes(RESULT_BASE, 4);
    narrator_.say("result sector: header " + hex_bytes(header) + " (LEFT RIGHT BACK FRONT)");
    narrator_.say("then " + std::to_string(stored_samples()) + " samples and the end marker 64 64");
}

void DemoJourney::show_record()
{
    narrator_.step("SHOW RECORD: one detent clockwise and OK; \"!\" where a limit was passed");
    turn(1);
    press(Button::Ok);
    expect(board_.lcd_text(1).ends_with("deg!"), "the limit mark on the LEFT line of the record screen");
    expect(board_.lcd_text(3).ends_with("deg"), "no limit mark on the RIGHT line");
    narrator_.show_screen();
}

void DemoJourney::graphs()
{
    const char* const kGraphs[2] = {
        "OK: the X graph, one column a second, 3 degrees a row, LEFT up",
        "OK: the Y graph, BACK up, FRONT down",
    };
    for (const char* caption : kGraphs) {
        narrator_.step(caption);
        press(Button::Ok);
        expect(board_.lcd_text(0).starts_with("90") && board_.lcd_text(7).starts_with("90"),
               "the labels \"90\" at the top and the bottom of the graph");
        const LcdImage first = board_.lcd_image();
        narrator_.show_screen(false);
        narrator_.say("one detent clockwise: 27 s on");
        turn(1);
        expect(!(board_.lcd_image() == first), "the graph to scroll on a detent");
        narrator_.show_screen(false);
    }
    narrator_.step("Back: the menu");
    press(Button::Back);
    expect_line(1, " ->  NEW RECORD");
}

void DemoJourney::send_report()
{
    narrator_.step("REMOTE MODE: two detents clockwise and OK");
    turn(2);
    press(Button::Ok);
    expect_line(0, "REMOTE MODE");
    narrator_.show_screen();

    narrator_.step("OK: the report at 115200 bit/s, all of it inside the button's interrupt");
    const int samples = stored_samples();
    const std::uint64_t lines_before = narrator_.console_lines();
    press_showing_notice(Button::Ok, 4, "sent successfully.");
    const std::uint64_t report_lines = 3 + 4 + static_cast<std::uint64_t>(samples) + 1;
    expect(narrator_.console_lines() - lines_before == report_lines,
           "the banner, four extremes, " + std::to_string(samples) + " sample lines and the marker line");
    expect(narrator_.last_console_line() == "[X]:  100    [Y]:  100  degree", "the marker line last");
    expect_line(1, " ->  NEW RECORD");
    narrator_.say("back in the system menu");
    narrator_.show_screen();
}

void DemoJourney::summary()
{
    narrator_.step("The end");
    char text[96];
    std::snprintf(text, sizeof text, "%.1f s virtual time, %llu foreground loop passes",
                  static_cast<double>(board_.now()) / 1e9, static_cast<unsigned long long>(board_.idle_passes()));
    narrator_.say(text);
}

}  // namespace tools
