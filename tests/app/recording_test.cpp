// Recording journeys: live values and limit marks, the latched alarm and its
// LEDs, the backlight under the back button, the bytes stored in the result
// sector with a trace line each, records in a row, a loss of power, the wrap
// of LocalTime and the end of the sector.
#include <string>
#include <vector>

#include "board/board_models.h"
#include "devices/accelerometer.h"
#include "operator_rig.h"

namespace {

using namespace sim;

using Bytes = std::vector<std::uint8_t>;

struct Tilt {
    int x, y;
};

class Recording : public OperatorTest {
protected:
    // Limits LEFT 30, RIGHT -30, BACK 20, FRONT -20 saved before power-on.
    void boot_with_limits()
    {
        board.load_flash(kLimits, {30, 0xE2, 20, 0xEC});
        boot();
    }
    // A physical tilt that reads as these whole degrees: half a degree past,
    // since the firmware's conversion truncates.
    void tilt(Tilt t)
    {
        board.set_tilt(Axis::X, t.x + (t.x < 0 ? -0.5 : t.x > 0 ? 0.5 : 0.0));
        board.set_tilt(Axis::Y, t.y + (t.y < 0 ? -0.5 : t.y > 0 ? 0.5 : 0.0));
    }
    // One sample per entry, each taken with its tilt: every sample reads X
    // and Y, one accelerometer transaction each.
    void record_samples(const std::vector<Tilt>& tilts)
    {
        for (const Tilt& t : tilts) {
            tilt(t);
            const std::uint64_t frames = accelerometer_frames();
            ASSERT_TRUE(board.run_until([&] { return accelerometer_frames() >= frames + 2; }, 2_s)) << "no sample";
            // The pass goes on to store the sample and ends at the loop's idle point.
            const std::uint64_t passes = board.idle_passes();
            ASSERT_TRUE(board.run_until([&] { return board.idle_passes() > passes; }, 1_s));
        }
    }
    std::uint64_t accelerometer_frames() { return models(board).accelerometer().frames(); }
};

TEST_F(Recording, ShowsLiveValuesMarksItsLimitsBlinksTheLatchedAlarmAndHandsTheBacklightToBack)
{
    boot_with_limits();
    tilt({10, -5});
    ok();
    EXPECT_EQ(screen(), (std::vector<std::string>{"RECORDING...", "", "", "AXIS [X]:       deg", "", "AXIS [Y]:       deg",
                                                   "", ""}));
    EXPECT_EQ(leds(), "**......") << "LED1 running, LED2 recording";
    board.run_for(600_ms);
    EXPECT_EQ(line(3), "AXIS [X]:    10 deg");
    EXPECT_EQ(line(5), "AXIS [Y]:    -5 deg");
    EXPECT_EQ(app_alarm, 0);

    tilt({31, -21});
    board.run_for(500_ms);
    EXPECT_EQ(line(3), "AXIS [X]:    31 deg!");
    EXPECT_EQ(line(5), "AXIS [Y]:   -21 deg!");
    EXPECT_EQ(app_alarm, 1);

    // Latched: the alarm LEDs toggle at every sample, a period of 1 s, even
    // with the tilt back within the limits.
    tilt({0, 0});
    std::string pattern;
    for (int i = 0; i < 6; ++i) {
        board.run_for(250_ms);
        pattern += board.led(4) ? '*' : '.';
        EXPECT_EQ(board.led(4), board.led(6));
        EXPECT_EQ(board.led(4), board.led(8));
    }
    EXPECT_TRUE(pattern == "**..**" || pattern == ".**..*" || pattern == "..**.." || pattern == "*..**.") << pattern;
    EXPECT_EQ(line(3), "AXIS [X]:    31 deg!") << "a reading of 0 leaves the value drawn";

    back();
    EXPECT_EQ(board.backlight_percent(), 0);
    EXPECT_EQ(app_state, 1) << "the record goes on";
    back();
    EXPECT_EQ(board.backlight_percent(), 100);
    back();
    EXPECT_EQ(board.backlight_percent(), 0);
    ok();  // stop
    EXPECT_EQ(board.backlight_percent(), 100) << "the stop lights the screen again";
    EXPECT_EQ(leds(), "*.......");
    EXPECT_EQ(line(1), " ->  NEW RECORD");
    EXPECT_EQ(app_alarm, 0);
    ok();  // the next record's first back switches it off again
    back();
    EXPECT_EQ(board.backlight_percent(), 0);
}

// Every second sample is stored, X byte first, with a trace line each; the
// stop writes the header in the order LEFT, RIGHT, BACK, FRONT and the end
// marker right after the last pair.
TEST_F(Recording, StoresEverySecondSampleThenTheHeaderAndTheEndMarker)
{
    boot_with_limits();
    ok();
    record_samples({{1, 2}, {3, -4}, {5, 6}, {-45, 7}, {8, -9}, {30, 10}, {11, -12}, {13, 14}});
    const int stored = app_data_index / 2;
    ok();
    // Samples 1 .. 8 taken: 2, 4, 6 and 8 stored.
    EXPECT_EQ(stored, 4);
    EXPECT_EQ(result_bytes(16), (Bytes{30, 0xD3, 14, 0xF4,  // header: 30, -45, 14, -12
                                       3, 0xFC, 0xD3, 7, 30, 10, 13, 14, 100, 100, 0xFF, 0xFF}))
        << "pairs (3, -4), (-45, 7), (30, 10), (13, 14)";
    EXPECT_EQ(board.serial_output(), "\nscan\nscan\nscan\nscan");
}

// The first record after power-on stores its second sample; a record that
// ends after an odd number of samples leaves the next one to store its first.
TEST_F(Recording, TwoRecordsInARowStoreByTheSampleCountTheFirstLeft)
{
    boot_with_limits();
    ok();
    record_samples({{1, 1}, {2, 2}, {3, 3}});
    ok();
    EXPECT_EQ(result_bytes(8), (Bytes{3, 0, 3, 0, 2, 2, 100, 100}));
    EXPECT_EQ(tmp, 1);

    ok();
    record_samples({{4, 4}, {5, 5}, {6, 6}});
    ok();
    EXPECT_EQ(result_bytes(10), (Bytes{6, 0, 6, 0, 4, 4, 6, 6, 100, 100}))
        << "the second record stores its first and third samples";
}

TEST_F(Recording, SamplesKeepTheirSpacingAsLocalTimePassesTwoToTheThirtyTwo)
{
    boot_with_limits();
    ok();
    board.run_for(1_s);
    LocalTime = 0xFFFFFC18u;  // one second before the wrap
    const int before = app_data_index, taken = tmp;
    const std::uint64_t frames = accelerometer_frames();
    board.run_for(4_s + 5_ms);
    EXPECT_LT(LocalTime, 4000u) << "wrapped";
    // The first pass after the jump samples at once; then every 500 ms.
    EXPECT_EQ(accelerometer_frames() - frames, 2u * 9u) << "9 samples";
    EXPECT_EQ(app_data_index - before, 2 * ((taken + 9) / 2)) << "every second one stored";
}

// A loss of power while recording leaves no header and no marker: the record
// ends after its last programmed pair, and nothing of the erased tail is
// shown or sent.
TEST_F(Recording, ARecordCutOffByALossOfPowerEndsAfterItsLastPair)
{
    boot_with_limits();
    ok();
    record_samples({{10, 20}, {30, 40}, {-10, -20}, {-30, -40}});
    board.power_off();
    EXPECT_EQ(result_bytes(10), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 30, 40, 0xE2, 0xD8, 0xFF, 0xFF}));

    boot();
    turn(1);
    ok();
    EXPECT_EQ(line(1), "[X] LEFT:    -1 deg");
    EXPECT_EQ(line(3), "[X] RIGHT:    1 deg") << "-1 is within the RIGHT limit of -30";
    back();
    turn(2);
    ok();  // REMOTE MODE
    board.clear_serial_output();
    ok();  // send
    const std::string& sent = board.serial_output();
    EXPECT_NE(sent.find(" degree\n[X]:   30    [Y]:   40  degree\n[X]:  -30    [Y]:  -40  degree\n"), std::string::npos)
        << sent;
    EXPECT_EQ(sent.rfind("[X]:  -30    [Y]:  -40  degree\n"), sent.size() - 31) << "the last line: no erased pair";
}

// Once the sample area is full, the last pair stays for the end marker; the
// record goes on and the stop closes it as usual. Nothing lies beyond the
// result sector.
TEST_F(Recording, AFullSampleAreaStoresNoMoreAndKeepsTheLastPairForTheMarker)
{
    constexpr int kCapacity = 65533;
    boot_with_limits();
    ok();
    record_samples({{1, 1}});
    app_data_index = 2 * (kCapacity - 2);  // two free pairs left
    record_samples({{2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 6}, {7, 7}, {8, 8}});
    EXPECT_EQ(app_data_index, 2 * kCapacity);
    EXPECT_EQ(line(3), "AXIS [X]:     8 deg") << "the record goes on";
    ok();
    EXPECT_EQ(board.flash_bytes(0x0803FFFAu, 6), (Bytes{2, 2, 4, 4, 100, 100}));
    EXPECT_EQ(result_bytes(4), (Bytes{8, 0, 8, 0}));
    EXPECT_EQ(board.flash_bytes(0x08040000u, 4), (Bytes{0xFF, 0xFF, 0xFF, 0xFF})) << "sector 6 untouched";
}

// A flash controller that reports an error stores nothing more (the error
// stays until reset) but the record, the stop, the views and the report go on.
TEST_F(Recording, AFlashErrorLeavesTheOperatorAbleToStopViewAndSend)
{
    boot_with_limits();
    ok();
    record_samples({{1, 1}, {2, 2}, {3, 3}, {4, 4}});
    board.inject_flash_fault(FlashFault::WriteProtection);
    record_samples({{5, 5}, {6, 6}});
    EXPECT_EQ(line(3), "AXIS [X]:     6 deg") << "the record goes on";
    ok();
    EXPECT_EQ(line(1), " ->  NEW RECORD");
    EXPECT_EQ(leds(), "*.......");
    EXPECT_EQ(result_bytes(10), (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 2, 2, 4, 4, 0xFF, 0xFF}))
        << "the pairs before the error; no header, no marker";

    turn(1);
    ok();
    EXPECT_EQ(line(1), "[X] LEFT:    -1 deg");
    back();
    turn(2);
    ok();
    board.clear_serial_output();
    ok();
    EXPECT_EQ(board.serial_output().substr(board.serial_output().size() - 62),
              "[X]:    2    [Y]:    2  degree\n[X]:    4    [Y]:    4  degree\n");
    EXPECT_EQ(line(1), " ->  NEW RECORD");
    EXPECT_FALSE(board.stopped()) << board.stop_reason();
}

// Limits from a foreign flash image: shown within their three cells and
// moved only toward the range by the knob.
TEST_F(Recording, ForeignLimitsAreShownAndOnlyMovedTowardTheirRange)
{
    board.load_flash(kLimits, {127, 0x80, 0x80, 0x01});  // 127, -128, -128, 1
    boot();
    turn(-1);
    ok();
    // The limit field's cells at columns 64, 73 and 80: a hundreds digit
    // stands one cell apart from the rest.
    EXPECT_EQ(line(1), "[X] LEFT: 1 27 degree");
    EXPECT_EQ(line(3), "[X] RIGHT:1 28 degree");
    EXPECT_EQ(line(7), "[Y] FRONT:  -1 degree");
    // The minus of "-99" in the field's first cell (64), of " -1" in its second (73).
    EXPECT_EQ(glass_columns(5, 63, 7), (std::vector<std::uint8_t>{0, 8, 8, 8, 8, 8, 0}));
    EXPECT_EQ(glass_columns(7, 72, 7), (std::vector<std::uint8_t>{0, 8, 8, 8, 8, 8, 0}));
    ok();
    turn(1);
    EXPECT_EQ(app_limits.X_Max, 127) << "no step further from the range";
    turn(-1);
    EXPECT_EQ(app_limits.X_Max, 126);
    EXPECT_EQ(line(1), "[X] LEFT: 1 26 degree");
}

}  // namespace
