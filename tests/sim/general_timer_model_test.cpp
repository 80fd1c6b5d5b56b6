// The general-purpose timer model through the bus: the time base in its
// three counting modes, the preloads and the update event, the channel 2 PWM
// output, the encoder interface fed by the rotary encoder on port D, the
// update interrupt, a week of counting, and the features it refuses.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "board/timer_input_pins.h"
#include "board/wiring.h"
#include "core/sim_error.h"
#include "devices/rotary_encoder.h"
#include "model_rig.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"

namespace {

using sim::GeneralTimer;
using sim::GpioPort;
using sim::Nanoseconds;
using namespace sim;  // time literals

constexpr std::uint32_t kCen = 0x0001, kUdis = 0x0002, kUrs = 0x0004, kDir = 0x0010, kArpe = 0x0080;
constexpr std::uint32_t kCentre1 = 0x0020, kCentre3 = 0x0060;
constexpr std::uint32_t kUif = 0x0001, kUg = 0x0001;
constexpr std::uint32_t kPwm1 = 0x6000, kPwm2 = 0x7000, kOc2pe = 0x0800;
constexpr std::uint32_t kCc2e = 0x0010, kCc2p = 0x0020;
constexpr std::uint32_t kTimerHz = 50000000;  // 20 ns a tick
constexpr Nanoseconds kTick = 20;

unsigned width_of(std::uint32_t offset)
{
    const bool wide = offset == GeneralTimer::CNT || offset == GeneralTimer::ARR ||
                      (offset >= GeneralTimer::CCR1 && offset <= GeneralTimer::CCR4);
    return wide ? 4 : 2;
}

// Public, so that the cases of a table can reach it.
class TimerModel : public ::testing::Test {
public:
    TimerModel()
    {
        rig.mount("TIM3", tim3);
        rig.mount("TIM4", tim4);
        rig.mount("GPIOD", portd);
        tim3.set_bus_clock(kTimerHz);
        tim4.set_bus_clock(kTimerHz);
    }

    std::uint32_t read(const GeneralTimer& t, std::uint32_t offset)
    {
        return rig.read(sim::base_of(t.name()) + offset, width_of(offset));
    }
    void write(const GeneralTimer& t, std::uint32_t offset, std::uint32_t value)
    {
        rig.write(sim::base_of(t.name()) + offset, value, width_of(offset));
    }
    // Loads the time base at once, clears the flag that loading set, and starts.
    void start(GeneralTimer& t, std::uint32_t cr1, std::uint32_t psc, std::uint32_t arr)
    {
        write(t, GeneralTimer::PSC, psc);
        write(t, GeneralTimer::ARR, arr);
        write(t, GeneralTimer::CR1, cr1);
        write(t, GeneralTimer::EGR, kUg);
        write(t, GeneralTimer::SR, 0);
        write(t, GeneralTimer::CR1, cr1 | kCen);
    }
    void advance_ticks(std::uint64_t ticks) { rig.clock.advance(ticks * kTick); }

    // PD12 and PD13 on TIM4 (AF2) with pull-ups, and TIM4 counting them as
    // the firmware sets it up: both edges of both inputs, both inverted,
    // 0..22, at 8.
    void route_encoder_pins()
    {
        const std::uint32_t d = sim::base_of("GPIOD");
        rig.write(d + GpioPort::MODER, 0x0A000000u);
        rig.write(d + GpioPort::PUPDR, 0x05000000u);
        rig.write(d + GpioPort::AFRH, 0x00220000u);
    }
    void set_up_encoder(std::uint32_t sms = 3, std::uint32_t ccer = 0x0022)
    {
        route_encoder_pins();
        write(tim4, GeneralTimer::SMCR, sms);
        write(tim4, GeneralTimer::CCMR1, 0x0101);
        write(tim4, GeneralTimer::CCER, ccer);
        write(tim4, GeneralTimer::CR1, kCentre1);
        write(tim4, GeneralTimer::ARR, 22);
        write(tim4, GeneralTimer::PSC, 0);
        write(tim4, GeneralTimer::EGR, kUg);
        write(tim4, GeneralTimer::CR1, kCentre1 | kCen);
        rest_encoder_counter();
    }
    void rest_encoder_counter()
    {
        write(tim4, GeneralTimer::CNT, 8);
        write(tim4, GeneralTimer::SR, 0);
    }

    ModelRig rig;
    GeneralTimer tim3{"TIM3", rig.clock};
    GeneralTimer tim4{"TIM4", rig.clock};
    GpioPort portd{'D'};
    sim::TimerInputPins encoder_inputs{portd, {12, 13}, 2, tim4};
    sim::RotaryEncoder encoder{portd, 12, 13};
};

struct CountCase {
    const char* name;
    std::uint32_t cr1, psc, arr;
    Nanoseconds span;
    std::uint32_t cnt;
    bool down, flagged;
};

TEST_F(TimerModel, TheCounterFollowsTimeInEachCountingMode)
{
    const CountCase cases[] = {
        {"up, prescaler 5: one tick short of the overflow", 0, 4, 9, 980, 9, false, false},
        {"up: the overflow comes back to 0", 0, 4, 9, 1000, 0, false, true},
        {"up: several periods on", 0, 4, 9, 23580, 5, false, true},
        {"down: the update event put it at ARR", kDir, 4, 9, 380, 6, true, false},
        {"down: one tick short of the underflow", kDir, 4, 9, 980, 0, true, false},
        {"down: the underflow reloads ARR", kDir, 4, 9, 1000, 9, true, true},
        {"centre-aligned: on the way up", kCentre1, 0, 10, 9 * kTick, 9, false, false},
        {"centre-aligned: ARR reached, turning down", kCentre1, 0, 10, 10 * kTick, 10, true, true},
        {"centre-aligned: on the way down", kCentre1, 0, 10, 13 * kTick, 7, true, true},
        {"centre-aligned: back at 0, going up", kCentre1, 0, 10, 20 * kTick, 0, false, true},
        {"centre-aligned mode 3: the same count", kCentre3, 0, 10, 23 * kTick, 3, false, true},
        {"an auto-reload of 0 blocks the counter", 0, 0, 0, 1000, 0, false, false},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        start(tim3, c.cr1, c.psc, c.arr);
        rig.clock.advance(c.span);
        EXPECT_EQ(read(tim3, GeneralTimer::CNT), c.cnt);
        EXPECT_EQ((read(tim3, GeneralTimer::CR1) & kDir) != 0, c.down);
        EXPECT_EQ(read(tim3, GeneralTimer::SR) & kUif, c.flagged ? kUif : 0u);
        write(tim3, GeneralTimer::CR1, 0);
    }
}

TEST_F(TimerModel, ABusyWaitOnTheCounterOrTheFlagMaySkipToItsNextChange)
{
    start(tim3, 0, 4, 9);
    advance_ticks(47);
    EXPECT_EQ(tim3.quiet_until(GeneralTimer::CNT), 50 * kTick) << "the prescaler's fifth tick";
    EXPECT_EQ(tim3.quiet_until(GeneralTimer::SR), 50 * kTick) << "the first overflow";
    advance_ticks(3);
    EXPECT_EQ(tim3.quiet_until(GeneralTimer::CNT), 55 * kTick);
    EXPECT_EQ(tim3.quiet_until(GeneralTimer::SR), sim::kNever) << "the flag stands until cleared";
    write(tim3, GeneralTimer::CR1, 0);
    EXPECT_EQ(tim3.quiet_until(GeneralTimer::CNT), sim::kNever) << "stopped";
}

struct PreloadCase {
    const char* name;
    std::uint32_t cr1;
    std::uint32_t offset, value;  // written at tick 5 of a 0..9 count
    std::uint32_t cnt_at_25;
    bool flagged;
};

TEST_F(TimerModel, PreloadedValuesTakeEffectAtTheNextUpdateAndOthersAtOnce)
{
    const PreloadCase cases[] = {
        {"ARR preloaded: the old period ends first", kArpe, GeneralTimer::ARR, 19, 15, true},
        {"ARR unbuffered: the new period at once", 0, GeneralTimer::ARR, 19, 5, true},
        {"PSC is always preloaded", 0, GeneralTimer::PSC, 1, 7, true},
        {"ARR lowered below the counter runs it on to the top", 0, GeneralTimer::ARR, 3, 25, false},
        {"ARR lowered with preload: the old period ends first", kArpe, GeneralTimer::ARR, 3, 3, true},
    };
    for (const PreloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        start(tim3, c.cr1, 0, 9);
        advance_ticks(5);
        write(tim3, c.offset, c.value);
        EXPECT_EQ(read(tim3, c.offset), c.value) << "the preload register reads back";
        advance_ticks(20);
        EXPECT_EQ(read(tim3, GeneralTimer::CNT), c.cnt_at_25);
        EXPECT_EQ(read(tim3, GeneralTimer::SR) & kUif, c.flagged ? kUif : 0u);
        write(tim3, GeneralTimer::CR1, 0);
    }
}

TEST_F(TimerModel, ACounterAboveTheAutoReloadWrapsAtTheTopWithoutAnUpdate)
{
    start(tim3, 0, 0, 9);
    write(tim3, GeneralTimer::CNT, 0xFFF0);
    advance_ticks(16);
    EXPECT_EQ(read(tim3, GeneralTimer::CNT), 0u);
    EXPECT_EQ(read(tim3, GeneralTimer::SR) & kUif, 0u);
    advance_ticks(10);
    EXPECT_EQ(read(tim3, GeneralTimer::CNT), 0u);
    EXPECT_EQ(read(tim3, GeneralTimer::SR) & kUif, kUif) << "then it overflows at ARR as usual";
}

struct UpdateCase {
    const char* name;
    std::uint32_t cr1;
    std::uint32_t cnt_after_ug;
    bool flagged;
    std::uint32_t cnt_six_ticks_later;  // the prescaler of 2 loaded or not
};

TEST_F(TimerModel, GeneratingAnUpdateRestartsTheCounterAndLoadsTheShadows)
{
    const UpdateCase cases[] = {
        {"up: to 0, prescaler loaded, flag set", 0, 0, true, 3},
        {"only counting sets the flag", kUrs, 0, false, 3},
        {"updates disabled: restarted, nothing loaded", kUdis, 0, false, 6},
        {"down: to ARR", kDir, 9, true, 6},
    };
    for (const UpdateCase& c : cases) {
        SCOPED_TRACE(c.name);
        start(tim3, c.cr1, 0, 9);
        advance_ticks(7);
        write(tim3, GeneralTimer::PSC, 1);
        write(tim3, GeneralTimer::EGR, kUg);
        EXPECT_EQ(read(tim3, GeneralTimer::CNT), c.cnt_after_ug);
        EXPECT_EQ(read(tim3, GeneralTimer::SR) & kUif, c.flagged ? kUif : 0u);
        EXPECT_EQ(read(tim3, GeneralTimer::EGR), 0u) << "write-only";
        advance_ticks(6);
        EXPECT_EQ(read(tim3, GeneralTimer::CNT), c.cnt_six_ticks_later);
        write(tim3, GeneralTimer::CR1, 0);
        write(tim3, GeneralTimer::PSC, 0);
        write(tim3, GeneralTimer::EGR, kUg);
    }
}

TEST_F(TimerModel, ChangingTheTimerClockKeepsTheCountAndChangesTheRate)
{
    start(tim3, 0, 0, 0xFFFF);
    advance_ticks(50);
    tim3.set_bus_clock(kTimerHz / 2);
    rig.clock.advance(50 * kTick);
    EXPECT_EQ(read(tim3, GeneralTimer::CNT), 75u);
}

struct PwmCase {
    const char* name;
    std::uint32_t cr1, ccmr1, ccer;
    std::uint64_t period;
    std::uint64_t high[5];  // for compare values 0, 53, 99, 100, 150
};

TEST_F(TimerModel, Channel2DutyFollowsCompareValueModeAndPolarity)
{
    const std::uint32_t compares[5] = {0, 53, 99, 100, 150};
    const PwmCase cases[] = {
        {"PWM 1 counting up", 0, kPwm1, kCc2e, 100, {0, 53, 99, 100, 100}},
        {"PWM 2 counting up", 0, kPwm2, kCc2e, 100, {100, 47, 1, 0, 0}},
        {"PWM 1 active low", 0, kPwm1, kCc2e | kCc2p, 100, {100, 47, 1, 0, 0}},
        {"PWM 1 counting down: never quite off", kDir, kPwm1, kCc2e, 100, {1, 54, 100, 100, 100}},
        {"PWM 1 centre-aligned", kCentre1, kPwm1, kCc2e, 198, {0, 106, 198, 198, 198}},
        {"forced active", 0, 0x5000, kCc2e, 1, {1, 1, 1, 1, 1}},
        {"forced inactive, active low", 0, 0x4000, kCc2e | kCc2p, 1, {1, 1, 1, 1, 1}},
        {"output disabled", 0, kPwm1, 0, 1, {0, 0, 0, 0, 0}},
    };
    for (const PwmCase& c : cases) {
        SCOPED_TRACE(c.name);
        write(tim3, GeneralTimer::CCER, 0);
        write(tim3, GeneralTimer::CCMR1, c.ccmr1);
        write(tim3, GeneralTimer::CCER, c.ccer);
        start(tim3, c.cr1, 0, 99);
        for (int i = 0; i < 5; ++i) {
            write(tim3, GeneralTimer::CCR2, compares[i]);
            EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{c.high[i], c.period})) << "compare " << compares[i];
        }
        write(tim3, GeneralTimer::CR1, 0);
    }
}

TEST_F(TimerModel, APreloadedCompareValueWaitsForTheNextUpdate)
{
    write(tim3, GeneralTimer::CCMR1, kPwm1 | kOc2pe);
    write(tim3, GeneralTimer::CCER, kCc2e);
    write(tim3, GeneralTimer::CCR2, 53);
    start(tim3, kArpe, 0, 99);
    EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{53, 100})) << "loaded by the update event";

    advance_ticks(30);
    write(tim3, GeneralTimer::CCR2, 100);
    advance_ticks(69);
    EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{53, 100})) << "one tick before the overflow";
    advance_ticks(1);
    EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{100, 100})) << "at the overflow";

    write(tim3, GeneralTimer::CCMR1, kPwm1);
    write(tim3, GeneralTimer::CCR2, 0);
    EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{0, 100})) << "without the preload, at once";

    write(tim3, GeneralTimer::CCR2, 60);
    advance_ticks(40);
    write(tim3, GeneralTimer::CR1, 0);
    EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{1, 1})) << "stopped at 40, below 60: held high";
    write(tim3, GeneralTimer::CCMR1, 0);
    write(tim3, GeneralTimer::CCR2, 0);
    write(tim3, GeneralTimer::CR1, kCen);
    EXPECT_EQ(tim3.channel2_output(), (GeneralTimer::Duty{1, 1})) << "frozen mode keeps the level it had";
}

struct DetentCase {
    const char* name;
    int detents;
    std::uint32_t cnt;
    bool wrapped;
};

TEST_F(TimerModel, EncoderDetentsCountByFourAndWrapWithinTheAutoReload)
{
    set_up_encoder();
    const DetentCase cases[] = {
        {"one clockwise", 1, 12, false},
        {"one anticlockwise", -1, 4, false},
        {"two clockwise", 2, 16, false},
        {"four clockwise pass 22", 4, 1, true},
        {"three anticlockwise pass 0", -3, 19, true},
        {"twenty-three come round to the start", 23, 8, true},
    };
    for (const DetentCase& c : cases) {
        SCOPED_TRACE(c.name);
        rest_encoder_counter();
        encoder.turn(c.detents);
        EXPECT_EQ(read(tim4, GeneralTimer::CNT), c.cnt);
        EXPECT_EQ((read(tim4, GeneralTimer::CR1) & kDir) != 0, c.detents < 0) << "DIR shows the last count";
        EXPECT_EQ(read(tim4, GeneralTimer::SR) & kUif, c.wrapped ? kUif : 0u);
        EXPECT_EQ(encoder.phase(), 0);
    }
    rest_encoder_counter();
    encoder.step(1);
    EXPECT_EQ(read(tim4, GeneralTimer::CNT), 9u) << "a quarter detent";
    encoder.step(-2);
    EXPECT_EQ(read(tim4, GeneralTimer::CNT), 7u);
    advance_ticks(1000);
    EXPECT_EQ(read(tim4, GeneralTimer::CNT), 7u) << "time alone does not count in encoder mode";
}

struct EncoderInputCase {
    const char* name;
    std::uint32_t sms, ccer;
    std::uint32_t cnt_after_one_detent;
};

TEST_F(TimerModel, EncoderModeAndInputPolaritiesSetWhatADetentCounts)
{
    const EncoderInputCase cases[] = {
        {"both inputs, both inverted", 3, 0x0022, 12},
        {"both inputs, neither inverted", 3, 0x0000, 12},
        {"both inputs, input 1 inverted: reversed", 3, 0x0002, 4},
        {"both inputs, input 2 inverted: reversed", 3, 0x0020, 4},
        {"input 1 edges only", 1, 0x0022, 10},
        {"input 2 edges only", 2, 0x0022, 10},
        {"input 1 edges, input 2 inverted", 1, 0x0020, 6},
    };
    for (const EncoderInputCase& c : cases) {
        SCOPED_TRACE(c.name);
        set_up_encoder(c.sms, c.ccer);
        encoder.turn(1);
        EXPECT_EQ(read(tim4, GeneralTimer::CNT), c.cnt_after_one_detent);
    }
}

struct RoutingCase {
    const char* name;
    std::uint32_t moder, afrh;
    std::uint32_t cnt_half_way, cnt_after_detent;
};

TEST_F(TimerModel, OnlyPinsRoutedToTheTimerGiveItEdges)
{
    const RoutingCase cases[] = {
        {"both pins on AF2", 0x0A000000u, 0x00220000u, 10, 12},
        {"PD12 an input", 0x08000000u, 0x00220000u, 9, 8},
        {"PD12 on AF1", 0x0A000000u, 0x00210000u, 9, 8},
        {"neither pin routed", 0x00000000u, 0x00220000u, 8, 8},
    };
    set_up_encoder();
    const std::uint32_t d = sim::base_of("GPIOD");
    for (const RoutingCase& c : cases) {
        SCOPED_TRACE(c.name);
        rig.write(d + GpioPort::MODER, c.moder);
        rig.write(d + GpioPort::AFRH, c.afrh);
        write(tim4, GeneralTimer::CCER, 0x0022);  // the timer looks at its inputs again
        rest_encoder_counter();
        encoder.step(2);
        EXPECT_EQ(read(tim4, GeneralTimer::CNT), c.cnt_half_way);
        encoder.step(2);
        EXPECT_EQ(read(tim4, GeneralTimer::CNT), c.cnt_after_detent);
    }
}

TEST_F(TimerModel, TheUpdateInterruptIsRaisedAtEachUpdateWhileEnabled)
{
    const int exception = sim::wiring_row("TIM3").interrupts[0];
    EXPECT_EQ(exception, 16 + 29);
    start(tim3, 0, 4, 9);  // 1 us a period
    EXPECT_EQ(rig.clock.pending_events(), 0u) << "no interrupt enabled, nothing scheduled";
    write(tim3, GeneralTimer::DIER, 0x0001);
    EXPECT_EQ(rig.clock.pending_events(), 1u) << "one event, at the next update";
    rig.clock.advance(999);
    EXPECT_FALSE(rig.exceptions.line_level(exception));
    rig.clock.advance(1);
    EXPECT_TRUE(rig.exceptions.line_level(exception));
    EXPECT_TRUE(rig.exceptions.pending(exception));
    EXPECT_EQ(rig.clock.pending_events(), 0u) << "none while the flag stands";
    rig.clock.advance(5000);
    write(tim3, GeneralTimer::SR, 0xFFFE);
    EXPECT_FALSE(rig.exceptions.line_level(exception)) << "cleared with the flag";
    rig.clock.advance(1000);
    EXPECT_TRUE(rig.exceptions.line_level(exception)) << "the next period's update";
    write(tim3, GeneralTimer::DIER, 0);
    EXPECT_FALSE(rig.exceptions.line_level(exception));

    set_up_encoder();
    write(tim4, GeneralTimer::DIER, 0x0001);
    const int tim4_exception = sim::wiring_row("TIM4").interrupts[0];
    encoder.turn(3);
    EXPECT_FALSE(rig.exceptions.line_level(tim4_exception)) << "8 to 20";
    encoder.turn(1);
    EXPECT_TRUE(rig.exceptions.line_level(tim4_exception)) << "past 22";
}

struct WeekCase {
    const char* name;
    std::uint32_t hz, psc, arr;
    Nanoseconds beyond_a_week;
    std::uint32_t cnt;
};

TEST_F(TimerModel, AWeekOfCountingStaysExactToTheTick)
{
    constexpr Nanoseconds kWeek = 7 * 86400_s;
    const WeekCase cases[] = {
        {"the backlight's 100 kHz from 50 MHz", 50000000, 499, 99, 12345_us, 34},
        {"48 MHz, a free count to 59999", 48000000, 0, 59999, 777, 37},
        {"7 MHz: ticks of no whole nanoseconds", 7000000, 6, 999, 5123457, 123},
    };
    for (const WeekCase& c : cases) {
        SCOPED_TRACE(c.name);
        tim3.set_bus_clock(c.hz);
        tim4.set_bus_clock(c.hz);
        for (GeneralTimer* t : {&tim3, &tim4}) {
            write(*t, GeneralTimer::CR1, 0);
            write(*t, GeneralTimer::SMCR, 0);
            start(*t, 0, c.psc, c.arr);
        }
        // TIM3 is looked at every hour, TIM4 only at the end.
        for (int hour = 0; hour < 7 * 24; ++hour) {
            rig.clock.advance(3600_s);
            (void)read(tim3, GeneralTimer::CNT);
        }
        rig.clock.advance(c.beyond_a_week);
        EXPECT_EQ(rig.clock.pending_events(), 0u) << "counted without an event per tick";
        EXPECT_EQ(read(tim3, GeneralTimer::CNT), c.cnt);
        EXPECT_EQ(read(tim4, GeneralTimer::CNT), c.cnt);
        EXPECT_EQ(rig.clock.now() % kWeek, c.beyond_a_week) << "the spans themselves";
        rig.clock.advance(kWeek - c.beyond_a_week);
    }
}

TEST_F(TimerModel, ResetStopsTheCounterAndRestoresTheResetValues)
{
    write(tim3, GeneralTimer::DIER, 0x0001);
    start(tim3, kArpe, 4, 9);
    rig.clock.advance(1000);
    ASSERT_TRUE(tim3.interrupt().asserted());
    tim3.reset();
    EXPECT_FALSE(tim3.interrupt().asserted());
    EXPECT_EQ(rig.clock.pending_events(), 0u);
    const std::pair<std::uint32_t, std::uint32_t> reset_values[] = {
        {GeneralTimer::CR1, 0}, {GeneralTimer::DIER, 0}, {GeneralTimer::SR, 0},
        {GeneralTimer::PSC, 0}, {GeneralTimer::ARR, 0xFFFF}, {GeneralTimer::CNT, 0}};
    for (const auto& [offset, value] : reset_values) EXPECT_EQ(read(tim3, offset), value) << "offset " << offset;
    rig.clock.advance(1000);
    EXPECT_EQ(read(tim3, GeneralTimer::CNT), 0u);
}

struct MisuseCase {
    const char* name;
    std::function<void(TimerModel&)> misuse;
};

TEST_F(TimerModel, UnmodelledFeaturesAndAbsentRegistersAreErrors)
{
    using T = GeneralTimer;
    const auto w = [](std::uint32_t offset, std::uint32_t value) {
        return [offset, value](TimerModel& m) { m.write(m.tim3, offset, value); };
    };
    const MisuseCase cases[] = {
        {"one-pulse mode", w(T::CR1, 0x0008)},
        {"reserved clock division", w(T::CR1, 0x0300)},
        {"master mode", w(T::CR2, 0x0020)},
        {"gated slave mode", w(T::SMCR, 0x0005)},
        {"external clock mode 2", w(T::SMCR, 0x4000)},
        {"a capture/compare interrupt", w(T::DIER, 0x0004)},
        {"a DMA request on update", w(T::DIER, 0x0100)},
        {"a capture/compare event", w(T::EGR, 0x0002)},
        {"channel 1 enabled", w(T::CCER, 0x0001)},
        {"channel 4 enabled", w(T::CCER, 0x1000)},
        {"a repetition counter", w(T::RCR, 1)},
        {"break and dead time", w(T::BDTR, 0x8000)},
        {"channel 2 capturing",
         [](TimerModel& m) {
             auto& t = m;
             t.write(t.tim3, T::CCMR1, 0x0100);
             t.write(t.tim3, T::CCER, 0x0010);
         }},
        {"channel 2 toggling on match",
         [](TimerModel& m) {
             auto& t = m;
             t.write(t.tim3, T::CCMR1, 0x3000);
             t.write(t.tim3, T::CCER, 0x0010);
         }},
        {"a DMA burst", [](TimerModel& m) { (void)m.read(m.tim3, T::DMAR); }},
        {"past the last register", [](TimerModel& m) { (void)m.read(m.tim3, 0x54); }},
        {"centre-aligned while counting",
         [](TimerModel& m) {
             auto& t = m;
             t.start(t.tim3, 0, 0, 9);
             t.write(t.tim3, T::CR1, kCen | kCentre1);
         }},
        {"both-edge input polarity in encoder mode",
         [](TimerModel& m) {
             auto& t = m;
             t.set_up_encoder(3, 0x002A);
             t.encoder.turn(1);
         }},
        {"a prescaler in encoder mode",
         [](TimerModel& m) {
             auto& t = m;
             t.set_up_encoder();
             t.write(t.tim4, T::PSC, 1);
             t.write(t.tim4, T::EGR, kUg);
             t.encoder.turn(1);
         }},
        {"encoder mode with channel 1 not on input 1",
         [](TimerModel& m) {
             auto& t = m;
             t.set_up_encoder();
             t.write(t.tim4, T::CCMR1, 0x0102);
             t.encoder.turn(1);
         }},
    };
    for (const MisuseCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(c.misuse(*this), sim::SimError);
        tim3.reset();
        tim4.reset();
    }
}

}  // namespace
