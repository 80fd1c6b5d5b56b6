// The stop of a record (the OK button's interrupt) against the foreground
// loop: aimed at every bus access of a measurement pass that stores its
// sample, the stop always leaves a closed record, a quiet alarm and the menu.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "aimed_press_rig.h"
#include "board/wiring.h"
#include "main.h"

namespace {

using namespace sim;

// Tilts beyond the left and the front limit: the pass draws both values and
// both limit marks, latches the alarm and blinks its LEDs.
constexpr int kTiltX = 30;
constexpr int kTiltY = -25;
constexpr int kPairsBefore = 1;  // whole pairs stored before the aimed pass
constexpr std::size_t kPairsLooked = 8;

struct Extremes {
    int x_max, x_min, y_max, y_min;
    bool operator==(const Extremes&) const = default;
    static Extremes of(const Record& r) { return {r.X_Max, r.X_Min, r.Y_Max, r.Y_Min}; }
    std::string text() const
    {
        return "{" + std::to_string(x_max) + ", " + std::to_string(x_min) + ", " + std::to_string(y_max) + ", " +
               std::to_string(y_min) + "}";
    }
    friend void PrintTo(const Extremes& e, std::ostream* out) { *out << e.text(); }
};

class StopAgainstLoopTest : public AimedPressTest {
protected:
    void SetUp() override
    {
        store_limits();
        boot();
        menu_ = board.lcd_image();
    }

    // A new record from the menu, held level: run until one pair is stored
    // and one more sample taken, so that the next pass stores its sample, and
    // stop at the tick that makes that pass due, the pass next. Then the tilt
    // that pass will read.
    void start_record_before_storing_pass()
    {
        board.set_tilt(Axis::X, 0);
        board.set_tilt(Axis::Y, 0);
        ok();
        ASSERT_EQ(app_state, 1);
        ASSERT_TRUE(board.run_until([] { return app_data_index == 2 * kPairsBefore; }, 2_s));
        ASSERT_TRUE(board.run_until([] { return tmp == 1; }, 1_s));
        // A run stops at the loop's idle point once the next tick is in, so
        // LocalTime stands one tick past that sample: the storing pass comes
        // right after the tick that takes it 490 ms further.
        const std::uint32_t due = LocalTime + 490;
        ASSERT_TRUE(board.run_until([due] { return LocalTime == due; }, 1_s));
        board.set_tilt(Axis::X, kTiltX);
        board.set_tilt(Axis::Y, kTiltY);
        board.clear_serial_output();
    }

    // Everything a stop must leave, however it fell against the pass; "" when
    // it all holds.
    std::string closed_record_fault() const
    {
        if (app_state != 0) return "state " + std::to_string(app_state) + " after the stop";
        if (app_alarm != 0) return "app_alarm is set after the stop";
        for (int led : {2, 4, 6, 8})
            if (board.led(led)) return "LED" + std::to_string(led) + " is lit after the stop";

        const std::vector<std::uint8_t> bytes = result_bytes(4 + 2 * kPairsLooked);
        std::size_t pairs = 0;
        while (pairs < kPairsLooked && !(bytes[4 + 2 * pairs] == 100 && bytes[5 + 2 * pairs] == 100)) ++pairs;
        if (pairs != kPairsBefore && pairs != kPairsBefore + 1)
            return "the end marker follows " + std::to_string(pairs) + " pairs, not " + std::to_string(kPairsBefore) +
                   " or " + std::to_string(kPairsBefore + 1);
        for (std::size_t i = 0; i < 2 * pairs; ++i)
            if (bytes[4 + i] != pairs_[i])
                return "sample byte " + std::to_string(i) + " holds " + std::to_string(bytes[4 + i]) + ", not " +
                       std::to_string(pairs_[i]) + ": a half or a foreign pair before the marker";
        for (std::size_t i = 4 + 2 * pairs + 2; i < bytes.size(); ++i)
            if (bytes[i] != 0xFF) return "byte " + std::to_string(i) + " programmed after the end marker";

        const Extremes now = Extremes::of(app_record);
        const Extremes header{static_cast<std::int8_t>(bytes[0]), static_cast<std::int8_t>(bytes[1]),
                              static_cast<std::int8_t>(bytes[2]), static_cast<std::int8_t>(bytes[3])};
        if (!(header == now))
            return "header " + header.text() + " but extremes " + now.text() + ": one moved after the header";
        if (!(now == before_) && !(now == after_))
            return "extremes " + now.text() + " are neither those before the pass " + before_.text() +
                   " nor after it " + after_.text();
        if (pairs == kPairsBefore + 1 && !(now == after_))
            return "the pass's sample is stored but the header holds the extremes before it";
        return screen_fault(menu_, "the system menu");
    }

    // One storing pass undisturbed, traced: the accesses (counted from the
    // point where start_record_before_storing_pass leaves the board) of the
    // pass from the accelerometer's select to the last program of its sample,
    // and the first of its trace line on the console. Notes the extremes
    // before and after the pass, the sample bytes of the record and what the
    // pass did on the bus.
    struct PassWindow {
        std::uint64_t first, print, last;
    };
    struct Access {
        std::uint32_t address, value;
        bool write;
        bool operator==(const Access&) const = default;
    };
    PassWindow trace_storing_pass()
    {
        start_record_before_storing_pass();
        before_ = Extremes::of(app_record);
        board.trace().clear();
        board.trace().start();
        const std::uint64_t from = board.bus_accesses();
        EXPECT_TRUE(board.run_until([] { return app_data_index == 2 * (kPairsBefore + 1); }, 1_s));
        board.trace().stop();
        const std::vector<BusAccess>& trace = board.trace().accesses();
        EXPECT_EQ(trace.size(), board.bus_accesses() - from);
        pass_accesses_.clear();
        for (const BusAccess& a : trace) pass_accesses_.push_back({a.address, a.value, a.write});

        const std::uint32_t cs_low = base_of("GPIOB") + 0x1A;  // BSRRH: PB14, the accelerometer's select
        const std::uint32_t flash = base_of("flash interface"), usart = base_of("USART2");
        const std::size_t first = first_access(trace, [&](const BusAccess& a) {
            return a.write && a.address == cs_low && a.value == 0x4000u;
        });
        const std::size_t print = first_access(trace, [&](const BusAccess& a) { return a.address - usart < 0x400u; });
        const std::size_t last = last_access(trace, [&](const BusAccess& a) {
            return a.address - flash < 0x400u || a.address >> 24 == 0x08;  // the controller or the array
        });
        EXPECT_NE(first, npos);
        EXPECT_NE(print, npos);
        EXPECT_NE(last, npos);
        EXPECT_LT(first, print);
        EXPECT_LT(print, last);

        after_ = Extremes::of(app_record);
        EXPECT_EQ(after_, (Extremes{kTiltX, 0, 0, kTiltY}));
        EXPECT_EQ(app_alarm, 1);
        pairs_ = result_bytes(4 + 2 * (kPairsBefore + 1));
        pairs_.erase(pairs_.begin(), pairs_.begin() + 4);
        EXPECT_EQ(pairs_.back(), static_cast<std::uint8_t>(kTiltY));
        ok();
        return {first + 1, print + 1, last + 1};
    }

    LcdImage menu_;
    Extremes before_{}, after_{};
    std::vector<std::uint8_t> pairs_;  // the sample bytes a whole record holds
    std::vector<Access> pass_accesses_;
};

TEST_F(StopAgainstLoopTest, AStopAtAnyAccessOfAStoringPassClosesTheRecordAfterItsLastWholePair)
{
    const PassWindow pass = trace_storing_pass();
    const std::vector<Access> once = pass_accesses_;
    // Each round starts a new record the same way: the same pass, access for access.
    trace_storing_pass();
    ASSERT_EQ(pass_accesses_, once);
    ASSERT_FALSE(HasFailure());
    SweepFailures failures;
    for (std::uint64_t n = pass.first; n <= pass.last && !failures.enough(); ++n) {
        ASSERT_NO_FATAL_FAILURE(start_record_before_storing_pass());
        ASSERT_EQ(Extremes::of(app_record), before_);
        std::string fault = run_aimed(n, HardwareEvent::press(Button::Ok), {Button::Ok});
        if (fault.empty()) fault = run_on(1_s);  // two more sample periods: nothing after the stop
        if (fault.empty()) fault = closed_record_fault();
        if (!fault.empty()) {
            failures.add(n, fault);
            ASSERT_NO_FATAL_FAILURE(start_over());
        }
    }
    EXPECT_TRUE(failures.lines.empty()) << "aimed at accesses " << pass.first << " to " << pass.last
                                        << " of the pass:\n" << failures.text();
}

// The stop while the sample's trace line goes out, and a new record started
// right after it, before the sample is programmed: the sample belongs to the
// stopped record and stays out of the new one.
TEST_F(StopAgainstLoopTest, ASampleTakenBeforeANewRecordStartsIsNotStoredInIt)
{
    const PassWindow pass = trace_storing_pass();
    ASSERT_FALSE(HasFailure());
    ASSERT_NO_FATAL_FAILURE(start_record_before_storing_pass());
    // Run until the stop's handler returns, and not an access further.
    board.at_bus_access(pass.print, HardwareEvent::press(Button::Ok));
    ASSERT_TRUE(board.run_until([&] { return board.pressed(Button::Ok) && !board.button_action_pending(); }, 1_s));
    ASSERT_EQ(app_state, 0);
    ASSERT_EQ(app_data_index, 2 * kPairsBefore) << "the sample taken, not yet stored";
    board.release(Button::Ok);
    board.set_tilt(Axis::X, 0);
    board.set_tilt(Axis::Y, 0);
    ASSERT_EQ(run_aimed(1, HardwareEvent::press(Button::Ok), {Button::Ok}), "");
    ASSERT_EQ(app_state, 1);
    board.run_for(2_s);
    ok();
    ASSERT_GE(app_data_index, 4) << "the new record stored samples of its own";

    const std::vector<std::uint8_t> bytes = result_bytes(4 + 2 * kPairsLooked);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 4), std::vector<std::uint8_t>(4, 0))
        << "a level record";
    for (std::size_t i = 4; i < bytes.size() && bytes[i] != 100; ++i)
        EXPECT_EQ(bytes[i], 0) << "sample byte " << i - 4 << " of the new record";
}

}  // namespace
