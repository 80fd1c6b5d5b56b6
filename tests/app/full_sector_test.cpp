// A recording that fills the result sector to its last pair, runs on past
// the capacity, is stopped and sent whole in remote mode; checked as the
// sector and the console line then stand. Hours of virtual time: built only
// without sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "board_test.h"
#include "full_sector_journey.h"
#include "operator_rig.h"
#include "record_layout.h"

namespace {

using namespace sim;
using journey::full_sector_tilt;

constexpr std::uint32_t kFlashBase = Board::kFlashBase;
constexpr std::uint32_t kFlashEnd = Board::kFlashBase + Board::kFlashSize;
constexpr std::uint32_t kResultEnd = RESULT_BASE + RESULT_SIZE;
constexpr std::uint32_t kMarkerPair = kResultEnd - 2;  // the sector's last pair

// LEFT 60, RIGHT 60, BACK 30, FRONT 60: the profile passes LEFT and FRONT.
const std::vector<std::uint8_t> kLimitBytes = {60, 0xC4, 30, 0xC4};

std::string sample_line(int x, int y)
{
    char text[40];
    std::snprintf(text, sizeof text, "[X]:  %3d    [Y]:  %3d  degree\n", x, y);
    return text;
}

class FullSectorTest : public OperatorTest {
protected:
    // Every byte of flash outside the result sector, the limits sector and
    // sector 6 (the one right after) among them.
    std::vector<std::uint8_t> flash_outside_result_sector() const
    {
        std::vector<std::uint8_t> bytes = board.flash_bytes(kFlashBase, RESULT_BASE - kFlashBase);
        const std::vector<std::uint8_t> above = board.flash_bytes(kResultEnd, kFlashEnd - kResultEnd);
        bytes.insert(bytes.end(), above.begin(), above.end());
        return bytes;
    }
    // Where flash outside the result sector first differs from `before`, or "".
    std::string first_change_outside(const std::vector<std::uint8_t>& before) const
    {
        const std::vector<std::uint8_t> now = flash_outside_result_sector();
        const std::size_t below = RESULT_BASE - kFlashBase;
        for (std::size_t i = 0; i < now.size(); ++i) {
            if (now[i] == before[i]) continue;
            const std::size_t address = i < below ? kFlashBase + i : kResultEnd + (i - below);
            char text[48];
            std::snprintf(text, sizeof text, "0x%08zX: 0x%02X, was 0x%02X", address, now[i], before[i]);
            return text;
        }
        return "";
    }
    bool alarm_led_toggles()
    {
        const bool lit = board.led(4);
        return board.run_until([&] { return board.led(4) != lit; }, 1_s);
    }

    journey::FullSectorJourney journey{board};
};

TEST_F(FullSectorTest, FillsTheSectorToItsLastPairStoresNothingPastItAndSendsEveryPairToTheMarker)
{
    board.load_flash(kLimits, kLimitBytes);
    boot();
    const std::vector<std::uint8_t> outside_before = flash_outside_result_sector();

    journey.start_record();
    ASSERT_EQ(line(0), "RECORDING...");
    journey.record_until_full();
    // One stored sample a second: 65,533 of them span 18 h 12 min 12 s from first to last.
    EXPECT_EQ(journey.last_pair_time() - journey.first_pair_time(), (SAMPLE_CAPACITY - 1) * 1000u);

    // Past the capacity the record goes on, with its alarm, and stores nothing.
    const std::vector<std::uint8_t> full = result_bytes(RESULT_SIZE);
    journey.record_past_capacity(120_s);
    EXPECT_EQ(line(0), "RECORDING...");
    EXPECT_EQ(leds().substr(0, 2), "**");
    EXPECT_TRUE(alarm_led_toggles());
    EXPECT_TRUE(alarm_led_toggles());
    EXPECT_TRUE(result_bytes(RESULT_SIZE) == full) << "a sample was stored past the capacity";

    journey.stop_record();
    ASSERT_EQ(line(1), " ->  NEW RECORD");
    EXPECT_EQ(leds(), "*.......");
    const std::vector<std::uint8_t> sector = result_bytes(RESULT_SIZE);
    // X_Max, X_Min, Y_Max, Y_Min of the whole record.
    EXPECT_EQ(std::vector<std::uint8_t>(sector.begin(), sector.begin() + 4),
              (std::vector<std::uint8_t>{90, 0xC4, 30, 0xA6}));
    int misplaced = 0;
    for (int k = 0; k < SAMPLE_CAPACITY; ++k) {
        const journey::Tilt t = full_sector_tilt(k);
        const auto at = static_cast<std::size_t>(4 + 2 * k);
        if (sector[at] == static_cast<std::uint8_t>(t.x) && sector[at + 1] == static_cast<std::uint8_t>(t.y)) continue;
        if (++misplaced <= 3)
            ADD_FAILURE() << "pair " << k << " holds " << int(sector[at]) << ", " << int(sector[at + 1]) << " instead of "
                          << t.x << ", " << t.y;
    }
    EXPECT_EQ(misplaced, 0);
    EXPECT_EQ(int(board.flash_byte(kMarkerPair)), int(END_MARKER));
    EXPECT_EQ(int(board.flash_byte(kMarkerPair + 1)), int(END_MARKER));
    EXPECT_EQ(first_change_outside(outside_before), "") << "flash outside the result sector was programmed";

    journey.send_report();
    EXPECT_EQ(line(1), " ->  NEW RECORD");
    const std::vector<std::string> lines = console_lines(board.serial_output());
    // The banner's three lines, four extremes, every stored sample, the marker.
    ASSERT_EQ(lines.size(), 3u + 4u + static_cast<std::size_t>(SAMPLE_CAPACITY) + 1u);
    EXPECT_EQ(lines[1], "ZEB Tiltbox system v1.0\r\n");
    EXPECT_EQ(lines[3], "[X] LEFT:       90 degree\n");
    EXPECT_EQ(lines[4], "[X] RIGHT:      60 degree\n");
    EXPECT_EQ(lines[5], "[Y] BACK:       30 degree\n");
    EXPECT_EQ(lines[6], "[Y] FRONT:      90 degree\n");
    int wrong_lines = 0;
    for (int k = 0; k < SAMPLE_CAPACITY; ++k) {
        const journey::Tilt t = full_sector_tilt(k);
        const std::string& text = lines[static_cast<std::size_t>(7 + k)];
        if (text == sample_line(t.x, t.y)) continue;
        if (++wrong_lines <= 3) ADD_FAILURE() << "report line of sample " << k << ": " << text;
    }
    EXPECT_EQ(wrong_lines, 0);
    EXPECT_EQ(lines.back(), "[X]:  100    [Y]:  100  degree\n");
}

}  // namespace
