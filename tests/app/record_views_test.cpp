// What a stored record shows: the record screen with its limit marks, the
// two graphs pixel for pixel and their scrolling, the remote report byte for
// byte, and foreign or erased flash that must not be read past the sector.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "board/wiring.h"
#include "devices/lcd_image.h"
#include "font5x8.h"
#include "operator_rig.h"

namespace {

using namespace sim;

using Bytes = std::vector<std::uint8_t>;
using Pair = std::pair<int, int>;

// The header of the result sector in its own order.
struct Header {
    int left, right, back, front;  // X_Max, X_Min, Y_Max, Y_Min
};

// A result sector as the firmware leaves it: the header, then the pairs,
// then (for a closed record) the end marker.
Bytes record_image(Header extremes, const std::vector<Pair>& pairs, bool closed = true)
{
    Bytes image = {static_cast<std::uint8_t>(extremes.left), static_cast<std::uint8_t>(extremes.right),
                   static_cast<std::uint8_t>(extremes.back), static_cast<std::uint8_t>(extremes.front)};
    for (const auto& [x, y] : pairs) {
        image.push_back(static_cast<std::uint8_t>(x));
        image.push_back(static_cast<std::uint8_t>(y));
    }
    if (closed) image.insert(image.end(), {100, 100});
    return image;
}

// 150 samples over the whole range of both axes.
std::vector<Pair> sweep()
{
    std::vector<Pair> pairs;
    for (int k = 0; k < 150; ++k) pairs.emplace_back(k * 13 % 181 - 90, 90 - k * 29 % 181);
    return pairs;
}

// A graph as its layout lays it out: the labels in the text cells of lines 0,
// 3 and 7, the vertical axis at column 14, the zero axis on row 31 from
// column 15, one sample a column from column 17 at row 31 - v / 3.
LcdImage expected_graph(const std::vector<Pair>& pairs, int first, bool y_axis)
{
    LcdImage image;
    const auto label = [&](int line, const char* text) {
        for (int k = 0; text[k] != '\0'; ++k) {
            const std::uint8_t* glyph = font5x8 + static_cast<std::uint8_t>(text[k]) * FONT5X8_WIDTH;
            for (int i = 0; i < FONT5X8_WIDTH; ++i)
                for (int b = 0; b < 8; ++b) image.set_pixel(6 * k + 1 + i, 8 * line + b, (glyph[i] >> b) & 1);
        }
    };
    label(0, "90");
    label(3, y_axis ? " Y" : " X");
    label(7, "90");
    for (int y = 0; y < 64; ++y) image.set_pixel(14, y, true);
    for (int x = 15; x < 128; ++x) image.set_pixel(x, 31, true);
    const int end = y_axis ? 128 : 127;
    for (int c = 17; c < end; ++c) {
        const int k = first + c - 17;
        if (k >= static_cast<int>(pairs.size())) break;
        const int v = y_axis ? pairs[static_cast<std::size_t>(k)].second : pairs[static_cast<std::size_t>(k)].first;
        if (31 - v / 3 < 64) image.set_pixel(c, 31 - v / 3, true);  // below the glass: nothing
    }
    return image;
}

class RecordViews : public OperatorTest {
protected:
    void show_record()
    {
        turn(1);
        ok();
    }
    void send_report()
    {
        turn(2);
        ok();
        EXPECT_EQ(screen(), (std::vector<std::string>{"REMOTE MODE", "", "", "Connect RS-232 cable", "and press OK to send",
                                                       "data.", "", ""}));
        board.clear_serial_output();
        board.press(Button::Ok);
        ASSERT_TRUE(board.run_until([&] { return line(4) == "sent successfully."; }, 400_s));
        EXPECT_EQ(line(3), "Record has been");
        run_until_handled();
        board.release(Button::Ok);
        EXPECT_EQ(line(1), " ->  NEW RECORD") << "back to the menu";
    }
};

TEST_F(RecordViews, TheRecordScreenShowsTheStoredExtremesAndMarksThosePastTheirLimits)
{
    board.load_flash(kLimits, {30, 0xE2, 20, 0xEC});  // 30, -30, 20, -20
    board.load_flash(kResult, record_image({30, -31, 21, -20}, {{1, 1}}));
    boot();
    show_record();
    EXPECT_EQ(screen(), (std::vector<std::string>{"", "[X] LEFT:    30 deg", "", "[X] RIGHT:   31 deg!", "",
                                                   "[Y] BACK:    21 deg!", "", "[Y] FRONT:   20 deg"}))
        << "equal to its limit: no mark; one degree past: a mark";
    EXPECT_EQ(app_record.X_Min, -31) << "the stored extremes replace those in memory";
}

TEST_F(RecordViews, BothGraphsArePixelExactAtOffsetZeroAndScrollWithinTheRecord)
{
    const std::vector<Pair> pairs = sweep();
    board.load_flash(kResult, record_image({90, -90, 90, -90}, pairs));
    boot();
    show_record();
    ok();
    EXPECT_EQ(board.lcd_image(), expected_graph(pairs, 0, false)) << "X graph: samples 0 to 109";
    turn(-1);
    EXPECT_EQ(board.lcd_image(), expected_graph(pairs, 0, false)) << "no step below the first sample";
    turn(1);
    EXPECT_EQ(graph_scale, 54);
    EXPECT_EQ(board.lcd_image(), expected_graph(pairs, 27, false)) << "column 17 shows sample 27";
    turn(10);
    EXPECT_EQ(graph_scale, 2 * 135) << "the window starts at a stored sample at the most";
    EXPECT_EQ(board.lcd_image(), expected_graph(pairs, 135, false));

    ok();
    EXPECT_EQ(app_state, 7);
    EXPECT_EQ(board.lcd_image(), expected_graph(pairs, 0, true)) << "Y graph: samples 0 to 110, to column 127";
    turn(2);
    EXPECT_EQ(board.lcd_image(), expected_graph(pairs, 54, true));
    ok();
    EXPECT_EQ(app_state, 2) << "OK from the Y graph: the record screen";
    EXPECT_EQ(line(1), "[X] LEFT:    90 deg!") << "past the erased limit -1";
}

TEST_F(RecordViews, TheGraphsOfAnEmptyOrFaintRecordShowTheAxesAndTheirValuesOnTheirRows)
{
    const std::vector<Pair> faint = {{90, -90}, {60, -60}, {3, -3}, {2, -2}, {-1, 0}};
    board.load_flash(kResult, record_image({90, -90, 0, -90}, faint));
    boot();
    show_record();
    ok();
    EXPECT_EQ(board.lcd_image(), expected_graph(faint, 0, false));
    for (const auto& [column, row] : {Pair{17, 1}, Pair{18, 11}, Pair{19, 30}, Pair{20, 31}, Pair{21, 31}})
        EXPECT_TRUE(board.lcd_pixel(column, row)) << column;
    back();

    board.power_off();
    board.load_flash(kResult, record_image({0, 0, 0, 0}, {}));
    boot();
    show_record();
    ok();
    EXPECT_EQ(board.lcd_image(), expected_graph({}, 0, false)) << "no sample: the axes and labels only";
    turn(1);
    EXPECT_EQ(graph_scale, 0) << "nothing to scroll to";
}

TEST_F(RecordViews, TheRemoteReportSendsTheExtremesAndEverySampleByteForByte)
{
    board.load_flash(kResult, record_image({30, -45, 12, -7}, {{30, -7}, {-35, 12}, {-45, 0}}));
    boot();
    // Straight after power-up the extremes in memory are still 0.
    send_report();
    EXPECT_EQ(board.serial_output(),
              "\r\nZEB Tiltbox system v1.0\r\n\n"
              "[X] LEFT:        0 degree\n[X] RIGHT:       0 degree\n[Y] BACK:        0 degree\n[Y] FRONT:       0 degree\n"
              "[X]:   30    [Y]:   -7  degree\n[X]:  -35    [Y]:   12  degree\n[X]:  -45    [Y]:    0  degree\n"
              "[X]:  100    [Y]:  100  degree\n");
    show_record();
    back();
    send_report();
    EXPECT_EQ(board.serial_output().substr(0, 132),
              "\r\nZEB Tiltbox system v1.0\r\n\n"
              "[X] LEFT:       30 degree\n[X] RIGHT:      45 degree\n[Y] BACK:       12 degree\n[Y] FRONT:       7 degree\n")
        << "after the record screen: the stored extremes";
    EXPECT_EQ(board.flash_bytes(kResult, 12), record_image({30, -45, 12, -7}, {{30, -7}, {-35, 12}, {-45, 0}}))
        << "the record is only read";
}

// Every notice adds the square of its wait to a sum: a hundred reports in a
// row must not overflow it (the sanitizers would stop the run).
TEST_F(RecordViews, AHundredReportsInARowEachArriveWhole)
{
    board.load_flash(kResult, record_image({30, -45, 12, -7}, {{30, -7}}));
    boot();
    for (int report = 1; report <= 100; ++report) {
        turn(2);
        ok();
        board.clear_serial_output();
        ok();
        ASSERT_EQ(board.serial_output(),
                  "\r\nZEB Tiltbox system v1.0\r\n\n"
                  "[X] LEFT:        0 degree\n[X] RIGHT:       0 degree\n[Y] BACK:        0 degree\n[Y] FRONT:       0 degree\n"
                  "[X]:   30    [Y]:   -7  degree\n[X]:  100    [Y]:  100  degree\n")
            << "report " << report;
        ASSERT_EQ(line(1), " ->  NEW RECORD") << "after report " << report;
    }
}

// Foreign bytes (a record this firmware never wrote) and an erased sector:
// the fields are clamped to their three cells, a point off the picture is
// not drawn, and nothing outside the result sector is read.
TEST_F(RecordViews, ForeignOrErasedFlashIsShownWithinItsFieldsAndReadWithinTheSector)
{
    board.load_flash(kResult, record_image({-128, 127, -100, -128}, {{-128, 5}, {6, -128}}));
    boot();
    show_record();
    EXPECT_EQ(line(1), "[X] LEFT:   -99 deg") << "-128 needs four cells: shown at the nearest that fits";
    EXPECT_EQ(line(3), "[X] RIGHT:  -99 deg") << "a minimum of 127 shows its magnitude -127, clamped";
    ok();
    LcdImage expected = expected_graph({{-128, 5}, {6, -128}}, 0, false);
    EXPECT_EQ(board.lcd_image(), expected) << "-128 maps below row 63: no pixel";
    back();

    board.power_off();
    board.load_flash(kResult, Bytes(RESULT_SIZE, 0xFF));  // never used, or erased and cut off at once
    boot();
    board.trace().start();
    show_record();
    ok();
    ok();
    back();
    send_report();
    board.trace().stop();
    for (const BusAccess& a : board.trace().accesses()) {
        if (a.write || a.address < Board::kFlashBase || a.address >= Board::kFlashBase + Board::kFlashSize) continue;
        const bool result = a.address >= kResult && a.address < kResult + RESULT_SIZE;
        const bool limits = a.address >= kLimits && a.address < kLimits + 4u;
        ASSERT_TRUE(result || limits) << "flash read outside the records at " << std::hex << a.address;
    }
    EXPECT_EQ(board.serial_output().find("[X]:"), std::string::npos) << "an erased sector holds no sample";
}

}  // namespace
