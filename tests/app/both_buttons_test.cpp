// Both buttons pending in one run of the button handler: the back action
// runs first, and the OK action then acts on the state that back left.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "aimed_press_rig.h"
#include "main.h"

namespace {

using namespace sim;

struct BothPressed {
    const char* test_name;
    Place start;  // where the operator stands when both buttons go down
    int state;  // after back, then OK
    int line;
    const char* line_starts;
    bool recording_led;
};
void PrintTo(const BothPressed& row, std::ostream* out) { *out << row.test_name; }

class BothButtonsTest : public AimedPressTest, public ::testing::WithParamInterface<BothPressed> {
protected:
    void SetUp() override
    {
        store_limits();
        store_record();
        boot();
    }
};

TEST_P(BothButtonsTest, BackRunsFirstAndOkActsOnTheStateItLeft)
{
    const BothPressed& row = GetParam();
    reach(row.start);
    ASSERT_FALSE(HasFailure());
    const std::string fault = run_aimed(
        1, HardwareEvent::together(HardwareEvent::press(Button::Back), HardwareEvent::press(Button::Ok)),
        {Button::Back, Button::Ok});
    ASSERT_EQ(fault, "");
    EXPECT_EQ(app_state, row.state);
    EXPECT_EQ(line(row.line).rfind(row.line_starts, 0), 0u) << "line " << row.line << ": " << line(row.line);
    EXPECT_EQ(board.led(2), row.recording_led);
    EXPECT_EQ(board.backlight_percent(), 100) << "back found no record running";
}

// OK first would leave: the menu (from the record screen through the X
// graph, from a graph through the next, from remote mode after a report, from
// the editor after saving), the record screen left at once, and in a new
// record the backlight switched off.
INSTANTIATE_TEST_SUITE_P(
    States, BothButtonsTest,
    ::testing::Values(BothPressed{"MenuOnNewRecord", Place::MenuOnNewRecord, 1, 0, "RECORDING...", true},
                      BothPressed{"MenuOnShowRecord", Place::MenuOnShowRecord, 2, 1, "[X] LEFT:", false},
                      BothPressed{"RecordScreen", Place::RecordScreen, 1, 0, "RECORDING...", true},
                      BothPressed{"XGraph", Place::XGraph, 1, 0, "RECORDING...", true},
                      BothPressed{"RemoteMode", Place::Remote, 1, 0, "RECORDING...", true},
                      BothPressed{"LimitEditor", Place::EditorChoosing, 1, 0, "RECORDING...", true}),
    [](const ::testing::TestParamInfo<BothPressed>& row) { return std::string(row.param.test_name); });

}  // namespace
