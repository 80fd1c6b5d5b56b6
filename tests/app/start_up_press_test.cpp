// A press in the last moments of start-up, while the menu is being drawn and
// before the flash is unlocked and the limits read, waits for all of that:
// the bus stays whole and the action comes out as from the menu.
#include "aimed_press_rig.h"

namespace {

using namespace sim;

class StartUpPressTest : public AimedPressTest {};

TEST_F(StartUpPressTest, APressWhileTheMenuIsDrawnIsTakenOnceTheSystemIsReady)
{
    // Where the tail of start-up lies: from before the menu's first text to
    // the foreground loop's first idle pass.
    board.power_on();
    ASSERT_TRUE(board.run_until([&] { return board.lcd_text(1) == " ->  NEW RECORD"; }, 10_s));
    const std::uint64_t first_text = board.bus_accesses();
    ASSERT_TRUE(board.run_until([&] { return board.idle_passes() > 0; }, 10_s));
    const std::uint64_t idle = board.bus_accesses();
    ASSERT_GT(idle, first_text);

    SweepFailures failures;
    constexpr std::uint64_t kRounds = 24;
    const std::uint64_t from = first_text - std::min<std::uint64_t>(first_text - 1, 2000);
    for (std::uint64_t round = 0; round <= kRounds && !failures.enough(); ++round) {
        const std::uint64_t access = from + (idle - from) * round / kRounds;
        board.power_off();
        store_record();  // the press's erase must clear it
        board.power_on();
        std::string fault = run_aimed(access, HardwareEvent::press(Button::Ok), {Button::Ok});
        if (fault.empty()) fault = run_on(50_ms);
        if (fault.empty() && line(0) != "RECORDING...") fault = "line 0 reads \"" + line(0) + "\"";
        if (fault.empty() && !(board.led(1) && board.led(2))) fault = "LED1 and LED2 are not both on";
        if (fault.empty() && board.flash_byte(kResult) != 0xFF) fault = "the result sector was not erased";
        if (!fault.empty()) failures.add(access, fault);
    }
    EXPECT_TRUE(failures.lines.empty()) << failures.text();
}

}  // namespace
