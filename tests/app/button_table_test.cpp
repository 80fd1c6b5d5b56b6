// The buttons' tables, a row per state: what OK and back leave in the state,
// on the glass, on the LEDs and in both flash sectors. Then the same press
// with the button bouncing while its action runs, what the glass already
// shows when the action's flash work starts, and the knob where it does
// nothing.
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "aimed_press_rig.h"
#include "trace_expect.h"

namespace {

using namespace sim;

using Screen = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;
constexpr Button kOk = Button::Ok, kBack = Button::Back;

const Screen kMenu = {"", " ->  NEW RECORD", "", "     SHOW RECORD", "", "     REMOTE MODE", "", "     OPTION"};
const Screen kMenuOnOption = {"", "     NEW RECORD", "", "     SHOW RECORD", "", "     REMOTE MODE", "", " ->  OPTION"};
const Screen kRecording = {"RECORDING...", "", "", "AXIS [X]:       deg", "", "AXIS [Y]:       deg", "", ""};
const Screen kRecordingLeft = {"RECORDING...", "", "", "AXIS [X]:    35 deg!", "", "AXIS [Y]:       deg", "", ""};
const Screen kRecordScreen = {"",  "[X] LEFT:    31 deg!", "", "[X] RIGHT:   20 deg", "", "[Y] BACK:    25 deg!",
                              "", "[Y] FRONT:   21 deg!"};
const Screen kRemote = {"REMOTE MODE", "", "", "Connect RS-232 cable", "and press OK to send", "data.", "", ""};
const Screen kEditor = {"",  "[X] LEFT:   30 degree", "", "[X] RIGHT:  30 degree", "", "[Y] BACK:   20 degree",
                        "", "[Y] FRONT:  20 degree"};
const Screen kEditorRight31 = {"",  "[X] LEFT:   30 degree", "", "[X] RIGHT:  31 degree", "", "[Y] BACK:   20 degree",
                               "", "[Y] FRONT:  20 degree"};
// A graph is read by its labels: the plot crosses the other cells.
const Screen kXGraph = {"90", "", "", " X", "", "", "", "90"};
const Screen kYGraph = {"90", "", "", " Y", "", "", "", "90"};

// Flash at power-on: limits LEFT 30, RIGHT -30, BACK 20, FRONT -20 with a
// stray byte after them that a save erases, and a closed record of two
// pairs, (10, -5) and (20, -10), whose extremes pass LEFT, BACK and FRONT.
const Bytes kLimitsAtStart = {30, 0xE2, 20, 0xEC, 0x12};
const Bytes kLimitsSaved = {30, 0xE2, 20, 0xEC, 0xFF};
const Bytes kLimitsRight31 = {30, 0xE1, 20, 0xEC, 0xFF};
const Bytes kRecordAtStart = {31, 0xEC, 25, 0xEB, 10, 0xFB, 20, 0xF6, 100, 100, 0xFF, 0xFF};
const Bytes kRecordErased(12, 0xFF);
// The record of Place::Recording while it runs (its one stored pair) and
// once stopped (the header, LEFT 35, and the end marker).
const Bytes kRecordFilling = {0xFF, 0xFF, 0xFF, 0xFF, 35, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kRecordClosed = {35, 0, 0, 0, 35, 0, 100, 100, 0xFF, 0xFF, 0xFF, 0xFF};

const char* const kReport = "\r\nZEB Tiltbox system v1.0\r\n\n"
                            "[X] LEFT:        0 degree\n[X] RIGHT:       0 degree\n"
                            "[Y] BACK:        0 degree\n[Y] FRONT:       0 degree\n"
                            "[X]:   10    [Y]:   -5  degree\n[X]:   20    [Y]:  -10  degree\n"
                            "[X]:  100    [Y]:  100  degree\n";

// What a press leaves; the last four fields default to what most rows leave.
struct ButtonRow {
    const char* name;
    Place place;
    Button button;
    int state, menu;
    const Screen* screen;
    const char* leds;
    const Bytes* result;
    const Bytes* limits = &kLimitsAtStart;
    int highlighted = -1;  // the line whose label stands inverted
    int backlight = 100;
    const char* console = "";
};
void PrintTo(const ButtonRow& row, std::ostream* out) { *out << row.name; }

const ButtonRow kOkRows[] = {
    {"MenuNewRecord", Place::MenuOnNewRecord, kOk, 1, 0, &kRecording, "**......", &kRecordErased},
    {"MenuShowRecord", Place::MenuOnShowRecord, kOk, 2, 1, &kRecordScreen, "*.......", &kRecordAtStart},
    {"MenuRemote", Place::MenuOnRemote, kOk, 3, 2, &kRemote, "*.......", &kRecordAtStart},
    {"MenuOption", Place::MenuOnOption, kOk, 4, 0, &kEditor, "*.......", &kRecordAtStart, &kLimitsAtStart, 1},
    {"MenuOffItems", Place::MenuOffItems, kOk, 0, 4, &kMenu, "*.......", &kRecordAtStart},
    {"Recording", Place::Recording, kOk, 0, 0, &kMenu, "*.......", &kRecordClosed},
    {"RecordingDark", Place::RecordingDark, kOk, 0, 0, &kMenu, "*.......", &kRecordClosed},
    {"RecordScreen", Place::RecordScreen, kOk, 6, 1, &kXGraph, "*.......", &kRecordAtStart},
    {"Remote", Place::Remote, kOk, 0, 0, &kMenu, "*.......", &kRecordAtStart, &kLimitsAtStart, -1, 100, kReport},
    {"EditorChoosing", Place::EditorChoosing, kOk, 5, 1, &kEditor, "*.......", &kRecordAtStart, &kLimitsAtStart, 3},
    {"EditorChanging", Place::EditorChanging, kOk, 4, 1, &kEditorRight31, "*.......", &kRecordAtStart, &kLimitsAtStart,
     3},
    {"XGraph", Place::XGraph, kOk, 7, 1, &kYGraph, "*.......", &kRecordAtStart},
    {"YGraph", Place::YGraph, kOk, 2, 1, &kRecordScreen, "*.......", &kRecordAtStart},
};

const ButtonRow kBackRows[] = {
    {"MenuOnOption", Place::MenuOnOption, kBack, 0, 3, &kMenuOnOption, "*.......", &kRecordAtStart},
    {"Recording", Place::Recording, kBack, 1, 0, &kRecordingLeft, "**.*.*.*", &kRecordFilling, &kLimitsAtStart, -1, 0},
    {"RecordingDark", Place::RecordingDark, kBack, 1, 0, &kRecordingLeft, "**.*.*.*", &kRecordFilling},
    {"RecordScreen", Place::RecordScreen, kBack, 0, 0, &kMenu, "*.......", &kRecordAtStart},
    {"Remote", Place::Remote, kBack, 0, 0, &kMenu, "*.......", &kRecordAtStart},
    {"EditorChoosing", Place::EditorChoosing, kBack, 0, 0, &kMenu, "*.......", &kRecordAtStart, &kLimitsSaved},
    {"EditorChanging", Place::EditorChanging, kBack, 0, 0, &kMenu, "*.......", &kRecordAtStart, &kLimitsRight31},
    {"XGraph", Place::XGraph, kBack, 0, 0, &kMenu, "*.......", &kRecordAtStart},
    {"YGraph", Place::YGraph, kBack, 0, 0, &kMenu, "*.......", &kRecordAtStart},
};

// The row of the OK (or back) table of that name.
const ButtonRow& row_named(const std::string& name, Button button)
{
    const std::span<const ButtonRow> rows = button == kOk ? std::span<const ButtonRow>(kOkRows) : kBackRows;
    for (const ButtonRow& row : rows)
        if (row.name == name) return row;
    throw std::logic_error("no row " + name);
}

class ButtonRig : public AimedPressTest {
protected:
    void set_up(Place place)
    {
        board.load_flash(kLimits, kLimitsAtStart);
        board.load_flash(kResult, kRecordAtStart);
        board.set_tilt(Axis::X, 0);
        board.set_tilt(Axis::Y, 0);
        boot();
        ASSERT_FALSE(HasFatalFailure());
        reach(place);
        ASSERT_FALSE(HasFatalFailure());
        board.clear_serial_output();
    }

    // "" when the glass reads as expected (a graph by its labels), else what it reads.
    std::string glass_fault(const Screen& expected) const
    {
        const bool graph = expected[3] == " X" || expected[3] == " Y";
        const Screen shown = screen();
        bool same = true;
        for (std::size_t n = 0; n < 8; ++n)
            same = same && (graph ? shown[n].rfind(expected[n], 0) == 0 : shown[n] == expected[n]);
        if (same) return "";
        std::string text = "the glass reads:\n";
        for (const std::string& line : shown) text += "  |" + line + "|\n";
        return text;
    }
    // The inverted cells: on the highlighted line its label up to the colon, nowhere else.
    std::string highlight_fault(const ButtonRow& row) const
    {
        const auto lines = board.lcd_lines();
        for (int n = 0; n < 8; ++n) {
            const std::string& expected = (*row.screen)[static_cast<std::size_t>(n)];
            const std::size_t label = n == row.highlighted ? expected.find(':') + 1 : 0;
            for (std::size_t cell = 0; cell < lines[0].inverted.size(); ++cell)
                if (lines[static_cast<std::size_t>(n)].inverted[cell] != (cell < label))
                    return "line " + std::to_string(n) + " cell " + std::to_string(cell) + " inverted wrongly";
        }
        return "";
    }

    void expect_outcome(const ButtonRow& row)
    {
        EXPECT_EQ(app_state, row.state);
        EXPECT_EQ(app_menu, row.menu);
        EXPECT_EQ(glass_fault(*row.screen), "");
        EXPECT_EQ(highlight_fault(row), "");
        EXPECT_EQ(leds(), row.leds);
        EXPECT_EQ(board.backlight_percent(), row.backlight);
        EXPECT_EQ(result_bytes(12), *row.result) << "result sector";
        EXPECT_EQ(board.flash_bytes(kLimits, 5), *row.limits) << "limits sector";
        EXPECT_EQ(board.serial_output(), row.console);
    }
};

class ButtonTable : public ButtonRig, public ::testing::WithParamInterface<ButtonRow> {};

TEST_P(ButtonTable, APressLeavesTheStateGlassLedsAndFlashOfItsRow)
{
    ASSERT_NO_FATAL_FAILURE(set_up(GetParam().place));
    press(GetParam().button);
    expect_outcome(GetParam());
}

std::string row_name(const ::testing::TestParamInfo<ButtonRow>& row) { return row.param.name; }
INSTANTIATE_TEST_SUITE_P(Ok, ButtonTable, ::testing::ValuesIn(kOkRows), row_name);
INSTANTIATE_TEST_SUITE_P(Back, ButtonTable, ::testing::ValuesIn(kBackRows), row_name);

// An access inside a row's action, named by the row.
struct Probe {
    const char* row;
    Button button;
    ExpectedAccess at;
};
void PrintTo(const Probe& probe, std::ostream* out) { *out << probe.row; }
std::string probe_name(const ::testing::TestParamInfo<Probe>& probe)
{
    return std::string(probe.param.button == kOk ? "Ok" : "Back") + probe.param.row;
}

constexpr std::uint32_t kFlashCr = 0x40023C10u, kBacklightCompare = 0x40000438u, kConsoleData = 0x40004404u;
// CR with STRT (bit 16) and the sector number in bits 6:3.
ExpectedAccess erase_start(std::uint32_t sector) { return write_bits(kFlashCr, 0x10000u | sector << 3, 0x10078u); }

class PendingBits : public ButtonRig, public ::testing::WithParamInterface<Probe> {};

// The button goes up and down again at the probe; its action's outcome is
// the row's, as if it had been pressed once.
TEST_P(PendingBits, ABounceWhileTheActionRunsIsAbsorbed)
{
    const Probe& probe = GetParam();
    const ButtonRow& row = row_named(probe.row, probe.button);
    ASSERT_NO_FATAL_FAILURE(set_up(row.place));
    board.press(row.button);
    after_first([&](const BusAccess& a) { return probe.at.matches(a); }, [&] {
        HardwareEvent::together(HardwareEvent::release(row.button), HardwareEvent::press(row.button))(board);
    });
    ASSERT_EQ(run_to_handled({row.button}), "");
    ASSERT_TRUE(acted()) << "the action never made the access " << probe.at.text();
    expect_outcome(row);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, PendingBits,
    ::testing::Values(Probe{"MenuNewRecord", kOk, erase_start(5)}, Probe{"Recording", kOk, write_of(RESULT_BASE)},
                      Probe{"Recording", kBack, write_of(kBacklightCompare)},
                      Probe{"Remote", kOk, write_of(kConsoleData)},
                      Probe{"MenuOption", kOk, read_of(LIMITS_BASE)},
                      Probe{"RecordScreen", kOk, read_of(SAMPLE_AREA)}, Probe{"XGraph", kOk, read_of(SAMPLE_AREA)}),
    probe_name);

class ScreenOrder : public ButtonRig, public ::testing::WithParamInterface<Probe> {};

// When the action's flash work starts, the glass, the LEDs and the backlight
// already show what the row leaves: the operator sees the new screen while
// the erase or the programming runs.
TEST_P(ScreenOrder, TheActionsScreenStandsBeforeItsFlashWorkStarts)
{
    const Probe& probe = GetParam();
    const ButtonRow& row = row_named(probe.row, probe.button);
    ASSERT_NO_FATAL_FAILURE(set_up(row.place));
    std::string glass = "not seen", leds_seen;
    int backlight = -1;
    board.press(row.button);
    after_first([&](const BusAccess& a) { return probe.at.matches(a); }, [&] {
        glass = glass_fault(*row.screen);
        leds_seen = leds();
        // The compare value set last: the timer takes it at its next period (1 ms).
        const std::vector<BusAccess>& trace = board.trace().accesses();
        const std::size_t set =
            last_access(trace, [](const BusAccess& a) { return write_of(kBacklightCompare).matches(a); });
        backlight = set == npos ? board.backlight_percent() : static_cast<int>(trace[set].value);
    });
    ASSERT_EQ(run_to_handled({row.button}), "");
    EXPECT_EQ(glass, "");
    EXPECT_EQ(leds_seen, row.leds);
    EXPECT_EQ(backlight, row.backlight);
}

INSTANTIATE_TEST_SUITE_P(FlashWork, ScreenOrder,
                         ::testing::Values(Probe{"MenuNewRecord", kOk, erase_start(5)},
                                           Probe{"RecordingDark", kOk, write_of(RESULT_BASE)},
                                           Probe{"EditorChanging", kBack, erase_start(11)}),
                         probe_name);

// A step of the knob either way while recording, on the record screen or in
// remote mode leaves the screen, the state, the item and the limits as they were.
struct KnobRow {
    const char* name;
    Place place;
    int detents;
    const Screen* screen;
    int state, menu;
};
void PrintTo(const KnobRow& row, std::ostream* out) { *out << row.name; }

class Knob : public ButtonRig, public ::testing::WithParamInterface<KnobRow> {};

TEST_P(Knob, DoesNothingInTheStatesThatIgnoreIt)
{
    const KnobRow& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(set_up(row.place));
    turn(row.detents);
    board.run_for(20_ms);
    EXPECT_EQ(glass_fault(*row.screen), "");
    EXPECT_EQ(app_state, row.state);
    EXPECT_EQ(app_menu, row.menu);
    EXPECT_EQ((std::vector<int>{app_limits.X_Max, app_limits.X_Min, app_limits.Y_Max, app_limits.Y_Min}),
              (std::vector<int>{30, -30, 20, -20}));
}

INSTANTIATE_TEST_SUITE_P(
    States, Knob,
    ::testing::Values(KnobRow{"RecordingUp", Place::Recording, 1, &kRecordingLeft, 1, 0},
                      KnobRow{"RecordingDown", Place::Recording, -1, &kRecordingLeft, 1, 0},
                      KnobRow{"RecordScreenUp", Place::RecordScreen, 1, &kRecordScreen, 2, 1},
                      KnobRow{"RecordScreenDown", Place::RecordScreen, -1, &kRecordScreen, 2, 1},
                      KnobRow{"RemoteUp", Place::Remote, 1, &kRemote, 3, 2},
                      KnobRow{"RemoteDown", Place::Remote, -1, &kRemote, 3, 2}),
    [](const ::testing::TestParamInfo<KnobRow>& row) { return std::string(row.param.name); });

}  // namespace

namespace {

// What the operator sees as an action draws: the lines reach their texts in
// the order listed (a graph's line by its start), "axis" the vertical axis
// at column 14 full height, "hl <line>" the line's label highlighted,
// "leds ..." the LED pattern. Screens are drawn
// top to bottom; the stop's menu stands before its LEDs go dark.
struct DrawRow {
    const char* name;
    Place place;
    int detents;  // a turn of the knob, or else a press of the button
    Button button;
    std::vector<std::string> order;  // "<line>:<text>", "axis", "leds <pattern>"
};
void PrintTo(const DrawRow& row, std::ostream* out) { *out << row.name; }

const std::vector<std::string> kMenuLines = {"1: ->  NEW RECORD", "3:     SHOW RECORD", "5:     REMOTE MODE",
                                             "7:     OPTION"};
std::vector<std::string> then(std::vector<std::string> first, const std::vector<std::string>& rest)
{
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

const DrawRow kDrawRows[] = {
    {"Menu", Place::RecordScreen, 0, kBack, kMenuLines},
    {"PointerMove", Place::MenuOnShowRecord, 1, kOk, {"3:     SHOW RECORD", "5: ->  REMOTE MODE"}},
    {"Recording", Place::MenuOnNewRecord, 0, kOk, {"0:RECORDING...", "3:AXIS [X]:       deg", "5:AXIS [Y]:       deg"}},
    {"RecordScreen", Place::MenuOnShowRecord, 0, kOk,
     {"1:[X] LEFT:       deg", "3:[X] RIGHT:      deg", "5:[Y] BACK:       deg", "7:[Y] FRONT:      deg",
      "1:[X] LEFT:    31 deg", "1:[X] LEFT:    31 deg!", "3:[X] RIGHT:   20 deg", "5:[Y] BACK:    25 deg",
      "5:[Y] BACK:    25 deg!", "7:[Y] FRONT:   21 deg", "7:[Y] FRONT:   21 deg!"}},
    {"Remote", Place::MenuOnRemote, 0, kOk,
     {"0:REMOTE MODE", "3:Connect RS-232 cable", "4:and press OK to send", "5:data."}},
    {"Editor", Place::MenuOnOption, 0, kOk,
     {"3:Setting max limits in", "4:all directions.", "1:[X] LEFT:      degree", "3:[X] RIGHT:     degree",
      "5:[Y] BACK:      degree", "7:[Y] FRONT:     degree", "hl 1", "1:[X] LEFT:   30 degree", "3:[X] RIGHT:  30 degree",
      "5:[Y] BACK:   20 degree", "7:[Y] FRONT:  20 degree"}},
    {"XGraph", Place::RecordScreen, 0, kOk, {"0:90", "3: X", "7:90", "axis"}},
    {"ReportSent", Place::Remote, 0, kOk, then({"3:Record has been", "4:sent successfully."}, kMenuLines)},
    {"Stop", Place::Recording, 0, kOk, then(kMenuLines, {"leds *..*.*.*", "leds *......."})},
};

class DrawOrder : public ButtonRig, public ::testing::WithParamInterface<DrawRow> {
protected:
    bool shows(const std::string& event, bool graph) const
    {
        if (event == "axis") {
            for (int y = 0; y < 64; ++y)
                if (!board.lcd_pixel(14, y)) return false;
            return true;
        }
        if (event.rfind("leds ", 0) == 0) return leds() == event.substr(5);
        if (event.rfind("hl ", 0) == 0) return board.lcd_lines()[static_cast<std::size_t>(event[3] - '0')].inverted[0];
        const std::string shown = line(event[0] - '0'), text = event.substr(2);
        return graph ? shown.rfind(text, 0) == 0 : shown == text;
    }
};

TEST_P(DrawOrder, TheGlassAndLedsChangeInTheOrderOfTheScreensTable)
{
    const DrawRow& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(set_up(row.place));
    const bool graph = std::string(row.name).find("Graph") != std::string::npos;
    std::vector<std::string> seen;
    std::vector<bool> done(row.order.size());
    const auto watch = [&] {
        for (std::size_t i = 0; i < row.order.size(); ++i)
            if (!done[i] && shows(row.order[i], graph)) {
                done[i] = true;
                seen.push_back(row.order[i]);
            }
        return seen.size() == row.order.size();
    };
    if (row.detents != 0) {
        board.turn_encoder(row.detents);
        board.run_until(watch, 50_ms);
    } else {
        board.press(row.button);
        ASSERT_TRUE(board.run_until([&] { return watch() && !board.button_action_pending(); }, 400_s))
            << "seen: " << ::testing::PrintToString(seen);
    }
    EXPECT_EQ(seen, row.order);
}

INSTANTIATE_TEST_SUITE_P(Screens, DrawOrder, ::testing::ValuesIn(kDrawRows),
                         [](const ::testing::TestParamInfo<DrawRow>& row) { return std::string(row.param.name); });

// A notice stands long enough to be read, then gives way to the next screen.
struct Notice {
    Place place;
    const char *first, *second;  // on lines 3 and 4
};
class NoticeHold : public ButtonRig, public ::testing::WithParamInterface<Notice> {};

TEST_P(NoticeHold, ANoticeStandsForASecondAtLeast)
{
    const auto& [place, text, second] = GetParam();
    ASSERT_NO_FATAL_FAILURE(set_up(place));
    board.press(kOk);
    ASSERT_TRUE(board.run_until([&] { return line(3) == text && line(4) == second; }, 400_s));
    const Nanoseconds shown = board.now();
    const auto lines = board.lcd_lines();
    for (const std::size_t n : {3u, 4u})
        for (const bool cell : lines[n].inverted) EXPECT_FALSE(cell) << "line " << n << " inverted";
    ASSERT_TRUE(board.run_until([&] { return line(3) != text; }, 60_s));
    EXPECT_GE(board.now() - shown, 1_s);
    EXPECT_EQ(line(4), "") << "its second line gone with it";
}

INSTANTIATE_TEST_SUITE_P(Notices, NoticeHold,
                         ::testing::Values(Notice{Place::MenuOnOption, "Setting max limits in", "all directions."},
                                           Notice{Place::Remote, "Record has been", "sent successfully."}));

// A step of each limit in the editor is shown at once and saved on leaving.
struct StepRow {
    int item;
    const char* line;
    Bytes saved;
};

TEST_F(ButtonRig, EachLimitStepsShowsAndIsSaved)
{
    const StepRow rows[] = {{0, "[X] LEFT:   31 degree", {31, 0xE2, 20, 0xEC, 0xFF}},
                            {1, "[X] RIGHT:  31 degree", {30, 0xE1, 20, 0xEC, 0xFF}},
                            {2, "[Y] BACK:   21 degree", {30, 0xE2, 21, 0xEC, 0xFF}},
                            {3, "[Y] FRONT:  21 degree", {30, 0xE2, 20, 0xEB, 0xFF}}};
    for (const StepRow& row : rows) {
        board.power_off();
        ASSERT_NO_FATAL_FAILURE(set_up(Place::MenuOnOption));
        ok();
        turn(row.item);
        ok();
        turn(1);
        EXPECT_EQ(line(1 + 2 * row.item), row.line);
        back();
        EXPECT_EQ(board.flash_bytes(kLimits, 5), row.saved) << row.line;
    }
}

// The stop programs the header's bytes in their order, then the end marker.
TEST_F(ButtonRig, TheStopProgramsTheHeaderInOrderThenTheMarker)
{
    ASSERT_NO_FATAL_FAILURE(set_up(Place::Recording));
    board.trace().clear();
    board.trace().start(RESULT_BASE, RESULT_BASE + 16);
    ok();
    board.trace().stop();
    std::vector<ExpectedAccess> order;
    for (std::uint32_t at : {0u, 1u, 2u, 3u, 6u, 7u}) order.push_back(write_of(RESULT_BASE + at));
    EXPECT_TRUE(appear_in_order(board.trace().accesses(), order));
}

// The editor shows the limits the flash holds as it opens, whatever another
// writer of the flash has put there meanwhile.
TEST_F(ButtonRig, TheEditorReadsTheLimitsFromFlashAsItOpens)
{
    ASSERT_NO_FATAL_FAILURE(set_up(Place::MenuOnOption));
    board.load_flash(kLimits, {40, 0xE2, 20, 0xEC});
    ok();
    EXPECT_EQ(line(1), "[X] LEFT:   40 degree");
    EXPECT_EQ(glass_columns(1, 79, 7), (Bytes{0, 0x3E, 0x51, 0x49, 0x45, 0x3E, 0})) << "its 0 at column 80";
}

// The record field's middle cell at column 80: the minus of " -1" where the
// header is erased.
TEST_F(ButtonRig, TheRecordFieldsMiddleCellStandsAtColumn80)
{
    ASSERT_NO_FATAL_FAILURE(set_up(Place::MenuOnShowRecord));
    board.power_off();
    board.load_flash(kResult, kRecordErased);
    boot();
    turn(1);
    ok();
    EXPECT_EQ(glass_columns(1, 79, 7), (Bytes{0, 8, 8, 8, 8, 8, 0}));
}

}  // namespace
