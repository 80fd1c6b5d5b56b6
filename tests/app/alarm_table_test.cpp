// The limit alarm at its boundaries, each axis against its own limits, and
// the record screen's limit marks: equal to a limit is no alarm and no mark,
// one degree past it is both.
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "operator_rig.h"

namespace {

using namespace sim;

using Bytes = std::vector<std::uint8_t>;

// Limits in the sector's order LEFT, RIGHT, BACK, FRONT; none: an erased
// sector, -1 everywhere. LEFT and BACK differ (and so do RIGHT and FRONT),
// so an axis held against the other's limit shows.
const Bytes kLimits30And20 = {30, 0xE2, 20, 0xEC};
const Bytes kLimitsZero = {0, 0, 0, 0};
const Bytes kLimitsErased = {};
const Bytes kLimitsRightAndFrontZero = {30, 0, 20, 0};

// The limit mark "!" (glyph 00 00 5F 00 00) with its first column at 116.
const Bytes kMark = {0x00, 0x00, 0x5F, 0x00, 0x00};

// The first sample of a record: the live value and any mark on lines 3 and
// 5, and the alarm LEDs (LED4, LED6, LED8) lit by its first blink.
struct AlarmRow {
    const char* name;
    const Bytes* limits;
    int x, y;  // degrees
    const char* line3;
    const char* line5;
    const char* leds;
};
void PrintTo(const AlarmRow& row, std::ostream* out) { *out << row.name; }

class LimitsRig : public OperatorTest {
protected:
    void boot_with(const Bytes& limits)
    {
        if (!limits.empty()) board.load_flash(kLimits, limits);
        boot();
    }
    // Every line that ends in the mark has it at column 116 exactly.
    void expect_marks_at_116(std::initializer_list<int> lines)
    {
        for (int n : lines) {
            if (line(n).ends_with("!")) {
                EXPECT_EQ(glass_columns(n, 116, 5), kMark) << "line " << n;
            }
        }
    }
};

class AlarmTable : public LimitsRig, public ::testing::WithParamInterface<AlarmRow> {};

TEST_P(AlarmTable, TheFirstSampleAlarmsOnlyPastItsOwnLimit)
{
    const AlarmRow& row = GetParam();
    ASSERT_NO_FATAL_FAILURE(boot_with(*row.limits));
    // Half a degree more: the conversion truncates to the whole degree.
    board.set_tilt(Axis::X, row.x + (row.x < 0 ? -0.5 : row.x > 0 ? 0.5 : 0.0));
    board.set_tilt(Axis::Y, row.y + (row.y < 0 ? -0.5 : row.y > 0 ? 0.5 : 0.0));
    ok();
    ASSERT_TRUE(board.run_until([] { return tmp == 1; }, 2_s)) << "no sample";
    const std::uint64_t passes = board.idle_passes();  // the sample's pass ends at the idle point
    ASSERT_TRUE(board.run_until([&] { return board.idle_passes() > passes; }, 1_s));
    EXPECT_EQ(line(3), row.line3);
    EXPECT_EQ(line(5), row.line5);
    EXPECT_EQ(leds(), row.leds);
    EXPECT_EQ(app_alarm, row.leds[3] == '*');
    expect_marks_at_116({3, 5});
}

constexpr const char* kQuiet = "**......";
constexpr const char* kAlarm = "**.*.*.*";

INSTANTIATE_TEST_SUITE_P(
    Limits, AlarmTable,
    ::testing::Values(
        AlarmRow{"AtLeftAndBack", &kLimits30And20, 30, 20, "AXIS [X]:    30 deg", "AXIS [Y]:    20 deg", kQuiet},
        AlarmRow{"PastLeft", &kLimits30And20, 31, 20, "AXIS [X]:    31 deg!", "AXIS [Y]:    20 deg", kAlarm},
        AlarmRow{"PastBack", &kLimits30And20, 30, 21, "AXIS [X]:    30 deg", "AXIS [Y]:    21 deg!", kAlarm},
        AlarmRow{"AtRightAndFront", &kLimits30And20, -30, -20, "AXIS [X]:   -30 deg", "AXIS [Y]:   -20 deg", kQuiet},
        AlarmRow{"PastRight", &kLimits30And20, -31, -20, "AXIS [X]:   -31 deg!", "AXIS [Y]:   -20 deg", kAlarm},
        AlarmRow{"PastFront", &kLimits30And20, -30, -21, "AXIS [X]:   -30 deg", "AXIS [Y]:   -21 deg!", kAlarm},
        // Within X's limits but past Y's, and the other way round.
        AlarmRow{"LeftAndFront25", &kLimits30And20, 25, -25, "AXIS [X]:    25 deg", "AXIS [Y]:   -25 deg!", kAlarm},
        AlarmRow{"RightAndBack25", &kLimits30And20, -25, 25, "AXIS [X]:   -25 deg", "AXIS [Y]:    25 deg!", kAlarm},
        AlarmRow{"ZeroLimitsLeftFront", &kLimitsZero, 1, -1, "AXIS [X]:     1 deg!", "AXIS [Y]:    -1 deg!", kAlarm},
        AlarmRow{"ZeroLimitsRightBack", &kLimitsZero, -1, 1, "AXIS [X]:    -1 deg!", "AXIS [Y]:     1 deg!", kAlarm},
        AlarmRow{"ZeroLimitsLevel", &kLimitsZero, 0, 0, "AXIS [X]:       deg", "AXIS [Y]:       deg", kQuiet},
        AlarmRow{"ErasedLimitsOneAndMinusOne", &kLimitsErased, 1, -1, "AXIS [X]:     1 deg!", "AXIS [Y]:    -1 deg",
                 kAlarm},
        AlarmRow{"ErasedLimitsMinusTwo", &kLimitsErased, -2, -1, "AXIS [X]:    -2 deg!", "AXIS [Y]:    -1 deg", kAlarm},
        AlarmRow{"ErasedLimitsMinusOneAndOne", &kLimitsErased, -1, 1, "AXIS [X]:    -1 deg", "AXIS [Y]:     1 deg!",
                 kAlarm}),
    [](const ::testing::TestParamInfo<AlarmRow>& row) { return std::string(row.param.name); });

// The record screen of a stored header (LEFT, RIGHT, BACK, FRONT; none: a
// header a loss of power left erased, -1 everywhere) against the limits.
struct MarkRow {
    const char* name;
    const Bytes* limits;
    Bytes header;
    const char* left;
    const char* right;
    const char* back;
    const char* front;
};
void PrintTo(const MarkRow& row, std::ostream* out) { *out << row.name; }

class MarkTable : public LimitsRig, public ::testing::WithParamInterface<MarkRow> {};

TEST_P(MarkTable, AnExtremeIsMarkedOnlyPastItsOwnLimit)
{
    const MarkRow& row = GetParam();
    if (!row.header.empty()) {
        Bytes record = row.header;
        record.insert(record.end(), {100, 100});  // no sample, the end marker
        board.load_flash(kResult, record);
    }
    ASSERT_NO_FATAL_FAILURE(boot_with(*row.limits));
    turn(1);
    ok();  // SHOW RECORD
    EXPECT_EQ(screen(), (std::vector<std::string>{"", row.left, "", row.right, "", row.back, "", row.front}));
    expect_marks_at_116({1, 3, 5, 7});
}

INSTANTIATE_TEST_SUITE_P(
    Headers, MarkTable,
    ::testing::Values(
        MarkRow{"AtEveryLimit", &kLimits30And20, {30, 0xE2, 20, 0xEC}, "[X] LEFT:    30 deg", "[X] RIGHT:   30 deg",
                "[Y] BACK:    20 deg", "[Y] FRONT:   20 deg"},
        MarkRow{"PastEveryLimit", &kLimits30And20, {31, 0xE1, 21, 0xEB}, "[X] LEFT:    31 deg!", "[X] RIGHT:   31 deg!",
                "[Y] BACK:    21 deg!", "[Y] FRONT:   21 deg!"},
        MarkRow{"Within30Past20", &kLimits30And20, {25, 0xE7, 25, 0xE7}, "[X] LEFT:    25 deg", "[X] RIGHT:   25 deg",
                "[Y] BACK:    25 deg!", "[Y] FRONT:   25 deg!"},
        MarkRow{"ZeroAtZero", &kLimitsRightAndFrontZero, {0, 0, 0, 0}, "[X] LEFT:     0 deg", "[X] RIGHT:    0 deg",
                "[Y] BACK:     0 deg", "[Y] FRONT:    0 deg"},
        MarkRow{"OnePastZero", &kLimitsRightAndFrontZero, {0, 0xFF, 0, 0xFF}, "[X] LEFT:     0 deg",
                "[X] RIGHT:    1 deg!", "[Y] BACK:     0 deg", "[Y] FRONT:    1 deg!"},
        MarkRow{"ErasedHeader", &kLimitsRightAndFrontZero, {}, "[X] LEFT:    -1 deg", "[X] RIGHT:    1 deg!",
                "[Y] BACK:    -1 deg", "[Y] FRONT:    1 deg!"}),
    [](const ::testing::TestParamInfo<MarkRow>& row) { return std::string(row.param.name); });

}  // namespace
