// Until start-up has drawn the menu, unlocked the flash and read the limits,
// neither a button nor the knob acts: OK, back and a turn of the knob, aimed
// at the accesses of the whole start-up (every one of its last 20 ms, a
// seeded sample of the rest), leave the bus uncrossed, the menu exactly as
// start-up draws it, the flash untouched, the limits as stored, and the
// operator's next turn and press working.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "aimed_press_rig.h"

namespace {

using namespace sim;

struct Input {
    const char* name;
    std::function<void(Board&)> act;  // a new press (from released) or a detent
};

const Input kInputs[] = {
    {"OK", [](Board& b) { b.release(Button::Ok), b.press(Button::Ok); }},
    {"back", [](Board& b) { b.release(Button::Back), b.press(Button::Back); }},
    {"a turn of the knob", [](Board& b) { b.turn_encoder(1); }},
};

constexpr Nanoseconds kTail = 20_ms;       // every access of start-up's last 20 ms
constexpr std::uint64_t kChunk = 1000;     // accesses tried in one start-up
constexpr int kSampled = 40;               // single tries across the rest, per input

class StartUpGuardTest : public AimedPressTest {
protected:
    // The button handler's own accesses are not start-up's.
    static constexpr int kButtonIrq = ExceptionState::irq(40);

    // Start-up's accesses are those before the foreground loop first idles.
    void SetUp() override
    {
        store_limits();
        store_record();
        Cpu& cpu = models(board).cpu();
        std::function<void()> count = [&] {
            if (board.idle_passes() > 0) return;
            ++start_up_;
            cpu.at_access(1, count);
        };
        board.trace().clear();
        board.trace().start();
        board.power_on();
        cpu.at_access(1, count);
        ASSERT_TRUE(board.run_until([&] { return board.idle_passes() > 0; }, 10_s));
        board.trace().stop();
        menu_ = board.lcd_image();
        ASSERT_EQ(line(1), " ->  NEW RECORD");
        result_ = result_bytes(256);
        const std::vector<BusAccess>& trace = board.trace().accesses();
        ASSERT_GT(start_up_, 0u);
        const Nanoseconds end = trace[start_up_ - 1].time;
        tail_ = 1;
        while (tail_ < start_up_ && trace[tail_ - 1].time < end - kTail) ++tail_;
    }

    // A start-up with the input just before each of its accesses from `from`
    // to `to` (counted as an undisturbed start-up counts them: the button
    // handler's own accesses in between do not count), then the checks.
    std::string try_start_up(const Input& input, std::uint64_t from, std::uint64_t to)
    {
        board.power_off();
        board.load_flash(kResult, result_);
        board.load_flash(kLimits, limits_);
        Cpu& cpu = models(board).cpu();
        const ExceptionState& core = models(board).exceptions();
        std::uint64_t count = 0;
        std::function<void()> before_next = [&] {
            if (!core.active(kButtonIrq)) ++count;
            if (count > to) return;
            cpu.at_access(1, before_next);
            if (count >= from && !core.active(kButtonIrq)) input.act(board);
        };
        board.power_on();
        cpu.at_access(1, before_next);
        std::string fault = run_on_to_idle();  // the board's report of a crossed byte, among others
        if (fault.empty()) fault = screen_fault(menu_, "the menu as start-up draws it");
        const Record& l = app_limits;
        if (fault.empty() && (result_bytes(256) != result_ || board.flash_bytes(kLimits, 4) != limits_))
            fault = "the flash changed";
        if (fault.empty() && !(l.X_Max == kLimit && l.Y_Max == kLimit && l.X_Min == -kLimit && l.Y_Min == -kLimit))
            fault = "the limits in memory are not those stored";
        return fault.empty() ? next_action_fault() : fault;
    }

private:
    std::string run_on_to_idle()
    {
        try {
            if (!board.run_until([&] { return board.idle_passes() > 0; }, 10_s)) return "no foreground loop within 10 s";
            for (Button b : {Button::Ok, Button::Back}) board.release(b);
            board.run_for(50_ms);
        } catch (const SimError& error) {
            return error.what();
        }
        return board.stopped() ? board.stop_reason() : "";
    }

    // A detent to SHOW RECORD and OK: the record screen with the stored extremes.
    std::string next_action_fault()
    {
        turn(1);
        if (line(3) != " ->  SHOW RECORD") return "a turn after start-up: line 3 reads \"" + line(3) + "\"";
        if (!person.press(Button::Ok) || line(1) != "[X] LEFT:    30 deg!")
            return "OK after start-up: line 1 reads \"" + line(1) + "\"";
        return "";
    }

protected:
    LcdImage menu_;
    std::vector<std::uint8_t> result_;
    const std::vector<std::uint8_t> limits_ = {kLimit, static_cast<std::uint8_t>(-kLimit), kLimit,
                                               static_cast<std::uint8_t>(-kLimit)};
    std::uint64_t start_up_ = 0;  // the accesses of an undisturbed start-up
    std::uint64_t tail_ = 0;      // the first of its last 20 ms
};

TEST_F(StartUpGuardTest, NoPressOrTurnActsBeforeTheMenuIsUpTheFlashUnlockedAndTheLimitsRead)
{
    std::mt19937 draw(11);
    int points = 0, failures = 0;
    const auto note = [&](const Input& input, std::uint64_t from, std::uint64_t to, const std::string& fault) {
        points += static_cast<int>(to - from + 1);
        if (!fault.empty() && ++failures <= 3)
            ADD_FAILURE() << input.name << " before accesses " << from << " to " << to << " of " << start_up_ << ":\n"
                          << fault;
    };
    for (const Input& input : kInputs) {
        for (std::uint64_t from = tail_; from <= start_up_; from += kChunk) {
            const std::uint64_t to = std::min(start_up_, from + kChunk - 1);
            note(input, from, to, try_start_up(input, from, to));
        }
        for (int i = 0; i < kSampled; ++i) {
            const std::uint64_t at = 1 + draw() % (tail_ - 1);
            note(input, at, at, try_start_up(input, at, at));
        }
    }
    std::printf("start-up of %llu accesses: %d points tried (each input before every access from %llu on, and before "
                "%d drawn from the rest), %d failures\n",
                static_cast<unsigned long long>(start_up_), points, static_cast<unsigned long long>(tail_), kSampled,
                failures);
    EXPECT_EQ(failures, 0);
}

}  // namespace
