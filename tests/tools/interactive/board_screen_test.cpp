// The frame as the terminal shows it: what it says and that it fits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/operator.h"
#include "board_screen.h"
#include "frame_painter.h"

namespace tools {
namespace {

using sim::operator""_s;

std::string joined(const std::vector<std::string>& rows)
{
    std::string text;
    for (const std::string& row : rows) text += row + "\n";
    return text;
}

void expect_fits(const std::vector<std::string>& rows, int columns, int most_rows)
{
    EXPECT_LE(rows.size(), static_cast<std::size_t>(most_rows));
    for (const std::string& row : rows) EXPECT_LE(display_width(row), static_cast<std::size_t>(columns)) << row;
}

BoardView busy_view()
{
    BoardView view;
    view.lines[0].text = "RECORDING...";
    view.lines[1].text = "90\xB3";  // the font's box vertical, as a graph draws it
    view.lines[1].unrecognised[3] = true;
    view.lines[1].text += '?';
    view.lines[2].text = "SEL";
    view.lines[2].inverted = {true, true, true};
    view.leds = {true, true, false, true, false, false, false, true};
    view.backlight_percent = 70;
    view.virtual_time = 3'723'450'000'000;  // 1 h 2 min 3.45 s
    view.controls = Controls{-15.0, 20.0, 100.0};
    view.lagging_speed = 42.7;
    view.holding = "OK";
    view.inputs_waiting = 3;
    for (int i = 1; i <= 9; ++i) view.console.push_back("line " + std::to_string(i));
    view.console.push_back(std::string(300, 'x'));  // longer than the screen is wide
    return view;
}

TEST(BoardScreen, ShowsEverythingAndFitsTheStatedSize)
{
    const std::vector<std::string> rows = render_board_screen(busy_view());
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kScreenRows));
    expect_fits(rows, kScreenColumns, kScreenRows);
    const std::string text = joined(rows);
    for (const char* shown : {"0\u2502RECORDING...          \u2502", "1\u250290\u2502\u2592 ", "LED1 \u25cf  LED2 \u25cf  LED3 \u25cb  LED4 \u25cf",
                              "LED5 \u25cb  LED6 \u25cb  LED7 \u25cb  LED8 \u25cf", "Backlight  70 %", "backlight on",
                              "Time       1:02:03.4", "Speed      x100 (only x42)", "Tilt X     -15\u00b0 right",
                              "Tilt Y     +20\u00b0 back", "Holding OK down", "Keys waiting: 3", "Firmware running",
                              "Console (COM1)", "q/Ctrl-C quit", "+/- speed"})
        EXPECT_NE(text.find(shown), std::string::npos) << "missing \"" << shown << "\" in\n" << text;
    // Inverted cells in reverse video, and back to normal before the line's edge.
    EXPECT_NE(text.find("2\u2502\x1b[7mSEL\x1b[27m   "), std::string::npos);
    // Only the last six console lines, the long one cut at the screen's edge.
    EXPECT_EQ(text.find("line 4\n"), std::string::npos);
    EXPECT_NE(text.find("line 5\n"), std::string::npos);
    EXPECT_NE(text.find(std::string(kScreenColumns, 'x') + "\n"), std::string::npos);
}

TEST(BoardScreen, StoppedFirmwareSaysWhyAndDarkGlassSaysSo)
{
    BoardView view;
    view.stopped = true;
    view.stop_reason = "HardFault_Handler loops";
    const std::string text = joined(render_board_screen(view));
    EXPECT_NE(text.find("FIRMWARE STOPPED: HardFault_Handler loops"), std::string::npos);
    EXPECT_NE(text.find("backlight off"), std::string::npos);
    EXPECT_NE(text.find("Tilt X     0\u00b0 level"), std::string::npos);
    EXPECT_EQ(text.find("Speed      x1 ("), std::string::npos);  // keeping up: no shortfall shown
}

TEST(BoardScreen, PoweredBoardShowsTheSystemMenu)
{
    sim::Board board;
    ASSERT_TRUE(sim::Operator(board).power_on());
    const std::string text = joined(render_board_screen(view_of(board)));
    EXPECT_NE(text.find("1\u2502 ->  NEW RECORD"), std::string::npos) << text;
    EXPECT_NE(text.find("LED1 \u25cf"), std::string::npos);
    EXPECT_NE(text.find("Backlight  100 %"), std::string::npos) << text;
}

TEST(BoardScreen, TooSmallSaysWhatItNeedsWithinTheTerminal)
{
    const std::vector<std::string> rows = render_too_small(40, 3);
    expect_fits(rows, 40, 3);
    EXPECT_NE(joined(rows).find("It needs 100 x 45 characters,"), std::string::npos);
    EXPECT_NE(joined(rows).find("this one is 40 x 3."), std::string::npos);
    EXPECT_NE(joined(render_too_small(100, 10)).find("The board is paused meanwhile."), std::string::npos);
}

TEST(FramePainter, RedrawsOnlyChangedRowsUntilTheScreenIsForgotten)
{
    FramePainter painter;
    const std::string first = painter.paint({"alpha", "beta", "gamma"});
    EXPECT_NE(first.find("\x1b[2J"), std::string::npos);
    for (const char* row : {"\x1b[1;1Halpha", "\x1b[2;1Hbeta", "\x1b[3;1Hgamma"}) EXPECT_NE(first.find(row), std::string::npos);

    EXPECT_EQ(painter.paint({"alpha", "BETA", "gamma"}), "\x1b[2;1HBETA\x1b[0m\x1b[K");
    EXPECT_EQ(painter.paint({"alpha", "BETA", "gamma"}), "");
    EXPECT_EQ(painter.paint({"alpha"}), "\x1b[2;1H\x1b[J");

    painter.forget_screen();
    const std::string again = painter.paint({"alpha"});
    EXPECT_NE(again.find("\x1b[2J"), std::string::npos);
    EXPECT_NE(again.find("alpha"), std::string::npos);
}

}  // namespace
}  // namespace tools
