// The knob's counter between polls, and the conversion of every raw reading
// the accelerometer can give.
#include <cmath>
#include <vector>

#include "board/board_models.h"
#include "devices/rotary_encoder.h"
#include "operator_rig.h"

namespace {

using namespace sim;

class KnobAndConversion : public OperatorTest {};

// A partly turned detent adds up over polls; a counter past one detent at a
// poll (3 or 13) is put back to rest with no step.
TEST_F(KnobAndConversion, CountsOfThreeAndThirteenAreDiscardedAndPartTurnsAddUp)
{
    boot();
    RotaryEncoder& knob = models(board).encoder();
    const struct {
        int edges;       // quarter detents turned before one poll
        int menu_after;  // the item the pointer is on after the poll
    } steps[] = {{5, 0}, {-5, 0}, {2, 0}, {2, 1}, {-4, 0}, {-4, 3}, {4, 0}};
    for (const auto& s : steps) {
        knob.step(s.edges);
        board.run_for(10_ms);
        EXPECT_EQ(app_menu, s.menu_after) << "after " << s.edges << " edges";
    }
    board.run_for(20_ms);  // the last poll's redraw
    EXPECT_EQ(line(1), " ->  NEW RECORD");
    EXPECT_EQ(line(7), "     OPTION");
}

// Every 16-bit word, read as the X and the Y axis: within -90..90, the
// saturation beyond full scale, the worked values, and an odd, monotonic
// curve whose every degree begins where 1000 times the sine of degree / 57.3
// reaches it.
TEST_F(KnobAndConversion, EveryRawReadingConvertsAsTheArcsineTimes57Point3)
{
    boot();
    std::vector<int> degrees(65536), y_degrees(65536);
    board.run_code(
        [&] {
            for (int word = 0; word < 65536; ++word) {
                board.set_raw_reading(Axis::X, static_cast<std::uint16_t>(word));
                board.set_raw_reading(Axis::Y, static_cast<std::uint16_t>(~word));
                const Deflection d = sACCEL_Read_Deflection();
                degrees[static_cast<std::size_t>(word)] = d.X;
                y_degrees[static_cast<std::uint16_t>(~word)] = d.Y;
            }
        },
        1000_s);
    EXPECT_EQ(y_degrees, degrees) << "the Y axis converts as the X axis";
    const auto at = [&](int value) { return degrees[static_cast<std::uint16_t>(value)]; };
    const struct {
        int raw, degrees;
    } worked[] = {{0, 0},  {17, 0},  {18, 1},  {-18, -1},   {500, 30},   {707, 44},  {708, 45},
                  {866, 60}, {999, 87}, {1000, 90}, {-1000, -90}, {-1, 0}, {32767, 90}, {-32768, -90}};
    for (const auto& w : worked) EXPECT_EQ(at(w.raw), w.degrees) << w.raw;
    for (int v = -32768; v < 32767; ++v) {
        ASSERT_LE(at(v), at(v + 1)) << "monotonic at " << v;
        if (v > -32768) {
            ASSERT_EQ(at(-v), -at(v)) << "odd at " << v;
        }
        if (v >= 1000) {
            ASSERT_EQ(at(v), 90) << v;
        }
    }
    // 88 and 89 are never reached: 999 gives 87 and 1000 gives 90.
    for (int d = 1; d <= 90; ++d) {
        const int first = static_cast<int>(std::ceil(1000.0 * std::sin(d / 57.3) - 1e-9));
        EXPECT_GE(at(first), d) << d;
        EXPECT_LT(at(first - 1), d) << d;
    }
}

}  // namespace
