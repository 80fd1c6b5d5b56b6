// The system menu and the limit editor, from a first boot on erased flash to
// limits saved, read back after a power cycle and used by the record screen.
#include <string>
#include <vector>

#include "operator_rig.h"

namespace {

using namespace sim;

using Screen = std::vector<std::string>;

// The first ten cells of a line: the first n inverted, the rest not.
std::vector<bool> label_highlight(int n)
{
    std::vector<bool> cells(10, false);
    for (int i = 0; i < n; ++i) cells[static_cast<std::size_t>(i)] = true;
    return cells;
}

const Screen kMenu = {"", " ->  NEW RECORD", "", "     SHOW RECORD", "", "     REMOTE MODE", "", "     OPTION"};

class MenuAndLimits : public OperatorTest {
protected:
    // From the menu's NEW RECORD to the limit editor, checking the notice
    // it shows first.
    void open_editor()
    {
        turn(-1);  // NEW RECORD wraps down to OPTION
        board.press(Button::Ok);
        board.run_for(1_s);
        EXPECT_EQ(screen(), (Screen{"", "", "", "Setting max limits in", "all directions.", "", "", ""}));
        const Nanoseconds shown = board.now();
        run_until_handled();
        board.release(Button::Ok);
        // delay(7000): 49,000,000 rounds of about ten core cycles at 100 MHz.
        EXPECT_NEAR(static_cast<double>(board.now() - shown), 3.9e9, 0.2e9) << "the notice stays up";
    }
    std::vector<bool> highlighted(int line) const
    {
        const auto view = board.lcd_lines()[static_cast<std::size_t>(line)];
        return std::vector<bool>(view.inverted.begin(), view.inverted.begin() + 10);
    }
};

TEST_F(MenuAndLimits, TheMenuPointerWrapsBothWays)
{
    boot();
    EXPECT_EQ(screen(), kMenu);
    turn(-1);
    EXPECT_EQ(line(1), "     NEW RECORD");
    EXPECT_EQ(line(7), " ->  OPTION");
    turn(1);
    EXPECT_EQ(screen(), kMenu);
    turn(3);
    EXPECT_EQ(line(7), " ->  OPTION");
    EXPECT_EQ(line(5), "     REMOTE MODE");
    back();  // nothing in the menu
    EXPECT_EQ(line(7), " ->  OPTION");
    EXPECT_EQ(app_state, 0);
}

TEST_F(MenuAndLimits, AFirstBootOnErasedFlashShowsLimitsAndARecordOfMinusOne)
{
    boot();
    EXPECT_EQ(app_limits.X_Max, -1);
    EXPECT_EQ(app_limits.X_Min, -1);
    EXPECT_EQ(app_limits.Y_Max, -1);
    EXPECT_EQ(app_limits.Y_Min, -1);

    open_editor();
    EXPECT_EQ(screen(), (Screen{"", "[X] LEFT:   -1 degree", "", "[X] RIGHT:   1 degree", "", "[Y] BACK:   -1 degree",
                                "", "[Y] FRONT:   1 degree"}));
    EXPECT_EQ(highlighted(1), label_highlight(9)) << "the first label stands highlighted";
    back();
    EXPECT_EQ(screen(), kMenu);

    // The record of a never-used result sector: every extreme -1. Equal to
    // the erased limits, none gets a mark.
    turn(1);
    ok();
    EXPECT_EQ(screen(), (Screen{"", "[X] LEFT:    -1 deg", "", "[X] RIGHT:    1 deg", "", "[Y] BACK:    -1 deg", "",
                                "[Y] FRONT:    1 deg"}));
    back();
    EXPECT_EQ(screen(), kMenu);
}

// LEFT from -1 up to its clamp at 90, RIGHT from -1 to 0 and out to -35,
// BACK left where it was, FRONT out to its clamp at -90; the highlight wraps.
TEST_F(MenuAndLimits, TheEditorClampsWrapsAndSavesOnBackForTheNextPowerOn)
{
    boot();
    open_editor();
    ok();  // change LEFT
    turn(1);
    EXPECT_EQ(line(1), "[X] LEFT:    0 degree") << "the first step up from -1";
    turn(95);
    EXPECT_EQ(line(1), "[X] LEFT:   90 degree") << "held at 90";
    turn(-1);
    EXPECT_EQ(line(1), "[X] LEFT:   89 degree");
    turn(1);
    ok();  // back to choosing

    turn(1);
    EXPECT_EQ(highlighted(1), label_highlight(0));
    EXPECT_EQ(highlighted(3), label_highlight(10)) << "[X] RIGHT: highlighted";
    ok();
    turn(-2);
    EXPECT_EQ(line(3), "[X] RIGHT:   0 degree") << "nearer to 0 stops at 0";
    turn(35);
    EXPECT_EQ(line(3), "[X] RIGHT:  35 degree") << "the magnitude, no sign";
    ok();

    turn(1);
    ok();
    turn(-1);
    EXPECT_EQ(line(5), "[Y] BACK:   -1 degree") << "a value below the range only moves up";
    ok();
    turn(1);
    ok();
    turn(92);
    EXPECT_EQ(line(7), "[Y] FRONT:  90 degree");
    ok();
    turn(1);
    EXPECT_EQ(highlighted(1), label_highlight(9)) << "FRONT wraps up to LEFT";

    back();
    EXPECT_EQ(screen(), kMenu);
    EXPECT_EQ(board.flash_bytes(kLimits, 5), (std::vector<std::uint8_t>{90, 0xDD, 0xFF, 0xA6, 0xFF}));

    board.power_off();
    boot();
    EXPECT_EQ(app_limits.X_Max, 90);
    EXPECT_EQ(app_limits.X_Min, -35);
    EXPECT_EQ(app_limits.Y_Max, -1);
    EXPECT_EQ(app_limits.Y_Min, -90);
    open_editor();
    EXPECT_EQ(line(1), "[X] LEFT:   90 degree");
    EXPECT_EQ(line(3), "[X] RIGHT:  35 degree");
    EXPECT_EQ(line(7), "[Y] FRONT:  90 degree");
}

// Leaving the editor always erases and rewrites the limits, changed or not.
TEST_F(MenuAndLimits, LeavingTheEditorRewritesTheLimitsSector)
{
    board.load_flash(kLimits, {20, 0xDD, 0x00, 0xA6});
    board.load_flash(kLimits + 100, {0x12});  // a foreign byte the erase removes
    boot();
    EXPECT_EQ(app_limits.X_Min, -35);
    open_editor();
    EXPECT_EQ(screen(), (Screen{"", "[X] LEFT:   20 degree", "", "[X] RIGHT:  35 degree", "", "[Y] BACK:    0 degree",
                                "", "[Y] FRONT:  90 degree"}));
    back();
    EXPECT_EQ(board.flash_bytes(kLimits, 4), (std::vector<std::uint8_t>{20, 0xDD, 0x00, 0xA6}));
    EXPECT_EQ(board.flash_byte(kLimits + 100), 0xFF);
}

}  // namespace
