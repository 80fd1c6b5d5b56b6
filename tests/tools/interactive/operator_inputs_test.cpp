// Keys put to the firmware as a hand would: the menu journey the operator
// makes, typed faster than the firmware takes it.
#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "board/operator.h"
#include "operator_inputs.h"
#include "terminal.h"

namespace tools {
namespace {

using sim::operator""_s;
using sim::operator""_ms;
using sim::operator""_us;

class OperatorInputsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim::Operator(board_).power_on());
        ASSERT_EQ(board_.lcd_text(1), " ->  NEW RECORD");
    }

    void add(OperatorInput input) { ASSERT_TRUE(inputs_.add(input)); }

    sim::Board board_;
    OperatorInputs inputs_;
};

TEST_F(OperatorInputsTest, KeysTypedAtOnceReachTheFirmwareOneAfterAnother)
{
    // Over to SHOW RECORD and back, then OK: all typed within one frame.
    add(OperatorInput::TurnClockwise);
    add(OperatorInput::TurnClockwise);
    add(OperatorInput::TurnAnticlockwise);
    add(OperatorInput::TurnAnticlockwise);
    add(OperatorInput::PressOk);
    EXPECT_EQ(inputs_.waiting(), 5u);

    inputs_.run_for(board_, 19_ms);  // the first detent and its two polls, not yet the second
    EXPECT_EQ(board_.lcd_text(3), " ->  SHOW RECORD");
    EXPECT_EQ(inputs_.waiting(), 4u);

    inputs_.run_for(board_, 2_s);
    EXPECT_EQ(inputs_.waiting(), 0u);
    EXPECT_EQ(board_.lcd_text(0), "RECORDING...") << "each detent counted once, the press after them";
}

TEST_F(OperatorInputsTest, PressIsHeldUntilHandledThenRecordStartsAndStops)
{
    add(OperatorInput::PressOk);
    inputs_.run_for(board_, 500_us);
    ASSERT_TRUE(inputs_.holding().has_value());
    EXPECT_EQ(*inputs_.holding(), sim::Button::Ok);
    EXPECT_TRUE(board_.pressed(sim::Button::Ok));

    inputs_.run_for(board_, 3_s);
    EXPECT_FALSE(inputs_.holding().has_value());
    EXPECT_FALSE(board_.pressed(sim::Button::Ok));
    EXPECT_EQ(board_.lcd_text(0), "RECORDING...");
    EXPECT_TRUE(board_.led(2));

    add(OperatorInput::PressOk);
    inputs_.run_for(board_, 3_s);
    EXPECT_EQ(board_.lcd_text(1), " ->  NEW RECORD");
    EXPECT_FALSE(board_.led(2));
}

TEST_F(OperatorInputsTest, BoundedQueueDropsWhatDoesNotFit)
{
    for (std::size_t i = 0; i < OperatorInputs::kMostWaiting; ++i) add(OperatorInput::TurnClockwise);
    EXPECT_FALSE(inputs_.add(OperatorInput::PressBack));
    EXPECT_EQ(inputs_.waiting(), OperatorInputs::kMostWaiting);
    // 32 detents clockwise round a menu of four: back on NEW RECORD.
    inputs_.run_for(board_, 1_s);
    EXPECT_EQ(inputs_.waiting(), 0u);
    EXPECT_EQ(board_.lcd_text(1), " ->  NEW RECORD");
}

TEST(TerminalSize, ShortfallNamesBothSizes)
{
    EXPECT_EQ(size_shortfall({100, 45}, {100, 45}), "");
    EXPECT_EQ(size_shortfall({200, 60}, {100, 45}), "");
    for (const TerminalSize small : {TerminalSize{80, 24}, TerminalSize{120, 44}, TerminalSize{99, 50}})
        EXPECT_EQ(size_shortfall(small, {100, 45}),
                  "needs a terminal of at least 100 x 45 characters; this one is " + std::to_string(small.columns) +
                      " x " + std::to_string(small.rows));
}

}  // namespace
}  // namespace tools
