// The general-purpose timer model through the bus: counting in each mode,
// preloads and the update event, the channel 2 PWM output, the encoder
// interface fed by the rotary encoder on port D, the update interrupt, a
// week of counting, and what it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "board/timer_input_pins.h"
#include "board/wiring.h"
#include "core/sim_error.h"
#include "devices/rotary_encoder.h"
#include "model_rig.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"

namespace {

using T = sim::GeneralTimer;
using Duty = sim::GeneralTimer::Duty;
using namespace sim;  // time literals

constexpr std::uint32_t kCen = 0x1, kUdis = 0x2, kUrs = 0x4, kDir = 0x10, kCentre = 0x20, kArpe = 0x80;
constexpr std::uint32_t kUg = 0x1, kCc2e = 0x10, kCc2p = 0x20, kPwm1 = 0x6000, kPwm2 = 0x7000, kOc2pe = 0x0800;
constexpr Nanoseconds kTick = 20;  // of the 50 MHz timer clock

class TimerModel : public ::testing::Test {
protected:
    TimerModel()
    {
        rig.mount("TIM3", tim3);
        rig.mount("TIM4", tim4);
        rig.mount("GPIOD", portd);
        tim3.set_bus_clock(50000000);
        tim4.set_bus_clock(50000000);
    }
    std::uint32_t read(const T& t, std::uint32_t offset)
    {
        return rig.read(sim::base_of(t.name()) + offset, offset == T::CNT || offset == T::CCR2 ? 4 : 2);
    }
    void write(const T& t, std::uint32_t offset, std::uint32_t value)
    {
        rig.write(sim::base_of(t.name()) + offset, value, offset == T::CNT || offset == T::CCR2 ? 4 : 2);
    }
    bool flagged(const T& t) { return read(t, T::SR) & 1u; }
    // Loads the time base at once, clears the flag that loading set, and starts.
    void start(T& t, std::uint32_t cr1, std::uint32_t psc, std::uint32_t arr)
    {
        for (auto [offset, value] : {std::pair{T::PSC, psc}, {T::ARR, arr}, {T::CR1, cr1}, {T::EGR, kUg}, {T::SR, 0u},
                                     {T::CR1, cr1 | kCen}})
            write(t, offset, value);
    }
    // PD12 and PD13 on AF2 with pull-ups, TIM4 counting within 0..22 from 8,
    // as the firmware sets them up unless a test says otherwise.
    void set_up_encoder(std::uint32_t sms = 3, std::uint32_t ccer = 0x22, std::uint32_t moder = 0x0A000000u,
                        std::uint32_t afrh = 0x00220000u)
    {
        for (auto [offset, value] : {std::pair{sim::GpioPort::MODER, moder}, {sim::GpioPort::PUPDR, 0x05000000u},
                                     {sim::GpioPort::AFRH, afrh}})
            rig.write(sim::base_of("GPIOD") + offset, value);
        write(tim4, T::SMCR, sms);
        write(tim4, T::CCMR1, 0x0101);
        write(tim4, T::CCER, ccer);
        start(tim4, kCentre, 0, 22);
        write(tim4, T::CNT, 8);
    }

    ModelRig rig;
    T tim3{"TIM3", rig.clock}, tim4{"TIM4", rig.clock};
    sim::GpioPort portd{'D'};
    sim::TimerInputPins encoder_inputs{tim4, {{1, &portd, 12, 2}, {2, &portd, 13, 2}}};
    sim::RotaryEncoder encoder{{portd, 12}, {portd, 13}};
};

TEST_F(TimerModel, TheCounterFollowsTimeInEachCountingMode)
{
    const struct {
        const char* name;
        std::uint32_t cr1, psc, arr;
        Nanoseconds span;
        std::uint32_t cnt;
        bool down, flagged;
    } cases[] = {
        {"up, prescaler 5: one tick short of the overflow", 0, 4, 9, 980, 9, false, false},
        {"up: the overflow comes back to 0", 0, 4, 9, 1000, 0, false, true},
        {"down from ARR, one tick short of the underflow", kDir, 4, 9, 980, 0, true, false},
        {"down: the underflow reloads ARR", kDir, 4, 9, 1000, 9, true, true},
        {"centre-aligned: at ARR, turning down", kCentre, 0, 10, 10 * kTick, 10, true, true},
        {"centre-aligned: on the way down", kCentre, 0, 10, 13 * kTick, 7, true, true},
        {"centre-aligned mode 3: back up past 0", 0x60, 0, 10, 23 * kTick, 3, false, true},
        {"an auto-reload of 0 blocks the counter", 0, 0, 0, 1000, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(tim3, c.cr1, c.psc, c.arr);
        rig.clock.advance(c.span);
        EXPECT_EQ(read(tim3, T::CNT), c.cnt);
        EXPECT_EQ((read(tim3, T::CR1) & kDir) != 0, c.down);
        EXPECT_EQ(flagged(tim3), c.flagged);
        write(tim3, T::CR1, 0);
    }
    // A busy-wait on the counter or the flag may skip to their next change.
    start(tim3, 0, 4, 9);
    rig.clock.advance(47 * kTick);
    EXPECT_EQ(tim3.quiet_until(T::CNT), rig.clock.now() + 3 * kTick) << "the prescaler's fifth tick";
    EXPECT_EQ(tim3.quiet_until(T::SR), rig.clock.now() + 3 * kTick) << "is the overflow";
}

TEST_F(TimerModel, PreloadsWaitForTheUpdateEventWhichAlsoRestartsTheCount)
{
    using Writes = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    const Writes ug_after_psc = {{T::PSC, 1}, {T::EGR, kUg}};
    const struct {
        const char* name;
        std::uint32_t cr1;
        Writes at_tick_5;  // of a count 0..9
        std::uint32_t cnt_at_17;
        bool flagged;
    } cases[] = {
        {"ARR preloaded: the old period ends first", kArpe, {{T::ARR, 19}}, 7, true},
        {"ARR unbuffered: the new period at once", 0, {{T::ARR, 19}}, 17, false},
        {"ARR below the counter runs it on to the top", 0, {{T::ARR, 3}}, 17, false},
        {"PSC is always preloaded", 0, {{T::PSC, 1}}, 3, true},
        {"UG restarts and loads the prescaler", 0, ug_after_psc, 6, true},
        {"UG with URS does not flag", kUrs, ug_after_psc, 6, false},
        {"UG with updates disabled loads nothing", 0, {{T::CR1, kCen | kUdis}, {T::PSC, 1}, {T::EGR, kUg}}, 2, false},
        {"UG counting down starts at ARR", kDir, ug_after_psc, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        start(tim3, c.cr1, 0, 9);
        rig.clock.advance(5 * kTick);
        for (auto [offset, value] : c.at_tick_5) write(tim3, offset, value);
        rig.clock.advance(12 * kTick);
        EXPECT_EQ(read(tim3, T::CNT), c.cnt_at_17);
        EXPECT_EQ(flagged(tim3), c.flagged);
        write(tim3, T::CR1, 0);
        write(tim3, T::PSC, 0);
    }
}

TEST_F(TimerModel, Channel2DutyFollowsCompareValueModeAndPolarity)
{
    const std::uint32_t compares[5] = {0, 53, 99, 100, 150};
    const struct {
        const char* name;
        std::uint32_t cr1, ccmr1, ccer;
        std::uint64_t period, high[5];
    } cases[] = {
        {"PWM 1 counting up", 0, kPwm1, kCc2e, 100, {0, 53, 99, 100, 100}},
        {"PWM 2 counting up", 0, kPwm2, kCc2e, 100, {100, 47, 1, 0, 0}},
        {"PWM 1 active low", 0, kPwm1, kCc2e | kCc2p, 100, {100, 47, 1, 0, 0}},
        {"PWM 1 counting down: never quite off", kDir, kPwm1, kCc2e, 100, {1, 54, 100, 100, 100}},
        {"PWM 1 centre-aligned", kCentre, kPwm1, kCc2e, 198, {0, 106, 198, 198, 198}},
        {"forced inactive, active low", 0, 0x4000, kCc2e | kCc2p, 1, {1, 1, 1, 1, 1}},
        {"output disabled", 0, kPwm1, 0, 1, {0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(tim3, T::CCER, 0);
        write(tim3, T::CCMR1, c.ccmr1);
        write(tim3, T::CCER, c.ccer);
        start(tim3, c.cr1, 0, 99);
        for (int i = 0; i < 5; ++i) {
            write(tim3, T::CCR2, compares[i]);
            EXPECT_EQ(tim3.channel2_output(), (Duty{c.high[i], c.period})) << "compare " << compares[i];
        }
        write(tim3, T::CR1, 0);
    }
}

TEST_F(TimerModel, APreloadedCompareValueTakesEffectAtTheNextOverflow)
{
    write(tim3, T::CCMR1, kPwm1 | kOc2pe);
    write(tim3, T::CCER, kCc2e);
    write(tim3, T::CCR2, 53);
    start(tim3, kArpe, 0, 99);
    EXPECT_EQ(tim3.channel2_output(), (Duty{53, 100})) << "loaded by the update event";
    rig.clock.advance(30 * kTick);
    write(tim3, T::CCR2, 100);
    rig.clock.advance(69 * kTick);
    EXPECT_EQ(tim3.channel2_output(), (Duty{53, 100})) << "one tick before the overflow";
    rig.clock.advance(kTick);
    EXPECT_EQ(tim3.channel2_output(), (Duty{100, 100}));
    write(tim3, T::CR1, 0);
    EXPECT_EQ(tim3.channel2_output(), (Duty{1, 1})) << "stopped below the compare value: held high";
}

TEST_F(TimerModel, EncoderDetentsCountByFourWithinTheAutoReload)
{
    set_up_encoder();
    const struct {
        int detents;
        std::uint32_t cnt;
        bool wrapped;
    } cases[] = {{1, 12, false}, {-1, 4, false}, {2, 16, false}, {4, 1, true}, {-3, 19, true}, {23, 8, true}};
    for (const auto& c : cases) {
        write(tim4, T::CNT, 8);
        write(tim4, T::SR, 0);
        encoder.turn(c.detents);
        EXPECT_EQ(read(tim4, T::CNT), c.cnt) << c.detents << " detents";
        EXPECT_EQ((read(tim4, T::CR1) & kDir) != 0, c.detents < 0) << "DIR shows the last count";
        EXPECT_EQ(flagged(tim4), c.wrapped) << c.detents << " detents";
    }
    encoder.step(-1);
    rig.clock.advance(1_ms);
    EXPECT_EQ(read(tim4, T::CNT), 7u) << "a quarter detent, and time alone counts nothing";
}

TEST_F(TimerModel, ModePolaritiesAndPinRoutingSetWhatADetentCounts)
{
    const std::uint32_t af = 0x0A000000u, af2 = 0x00220000u;
    const struct {
        const char* name;
        std::uint32_t sms, ccer, moder, afrh, half_way, after;
    } cases[] = {
        {"both inputs, both inverted", 3, 0x22, af, af2, 10, 12},
        {"input 1 inverted: reversed", 3, 0x02, af, af2, 6, 4},
        {"input 2 both edges: as it is, so reversed", 3, 0xA2, af, af2, 6, 4},
        {"input 2 inverted: reversed", 3, 0x20, af, af2, 6, 4},
        {"input 1 edges only", 1, 0x22, af, af2, 9, 10},
        {"input 1 edges, input 2 inverted", 1, 0x20, af, af2, 7, 6},
        {"PD12 on AF1: no edges from it", 3, 0x22, af, 0x00210000u, 9, 8},
        {"neither pin routed", 3, 0x22, 0, af2, 8, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        set_up_encoder(c.sms, c.ccer, c.moder, c.afrh);
        encoder.step(2);
        EXPECT_EQ(read(tim4, T::CNT), c.half_way);
        encoder.step(2);
        EXPECT_EQ(read(tim4, T::CNT), c.after);
    }
}

TEST_F(TimerModel, TheUpdateInterruptIsRaisedAtEachUpdateWhileEnabled)
{
    const int exception = sim::wiring_row("TIM3").interrupts[0];
    start(tim3, 0, 4, 9);  // 1 us a period
    EXPECT_EQ(rig.clock.pending_events(), 0u) << "no interrupt enabled, nothing scheduled";
    write(tim3, T::DIER, 1);
    rig.clock.advance(999);
    EXPECT_FALSE(rig.exceptions.line_level(exception));
    rig.clock.advance(1);
    EXPECT_TRUE(rig.exceptions.pending(exception));
    EXPECT_EQ(rig.clock.pending_events(), 0u) << "none while the flag stands";
    rig.clock.advance(5000);
    write(tim3, T::SR, 0xFFFE);
    EXPECT_FALSE(rig.exceptions.line_level(exception)) << "cleared with the flag";
    rig.clock.advance(1000);
    EXPECT_TRUE(rig.exceptions.line_level(exception)) << "the next period's update";
}

TEST_F(TimerModel, AWeekOfCountingStaysExactToTheTick)
{
    const struct {
        const char* name;
        std::uint32_t hz, psc, arr;
        Nanoseconds beyond_a_week;
        std::uint32_t cnt;
    } cases[] = {
        {"the backlight's 100 kHz from 50 MHz", 50000000, 499, 99, 12345_us, 34},
        {"7 MHz: ticks of no whole nanoseconds", 7000000, 6, 999, 5123457, 123},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Nanoseconds begin = rig.clock.now();
        for (T* t : {&tim3, &tim4}) {
            t->set_bus_clock(c.hz);
            start(*t, 0, c.psc, c.arr);
        }
        for (int hour = 0; hour < 7 * 24; ++hour) {  // TIM3 is looked at every hour, TIM4 only at the end
            rig.clock.advance(3600_s);
            (void)read(tim3, T::CNT);
        }
        rig.clock.advance(c.beyond_a_week);
        EXPECT_EQ(rig.clock.pending_events(), 0u) << "counted without an event per tick";
        EXPECT_EQ(read(tim3, T::CNT), c.cnt);
        EXPECT_EQ(read(tim4, T::CNT), c.cnt);
        rig.clock.advance_to(begin + 14 * 86400_s);
    }
}

TEST_F(TimerModel, UnmodelledFeaturesAndAbsentRegistersAreErrors)
{
    const std::pair<std::uint32_t, std::uint32_t> refused[] = {
        {T::CR1, 0x0008} /* one-pulse */, {T::CR2, 0x0020} /* master mode */, {T::SMCR, 0x0005} /* gated */,
        {T::DIER, 0x0100} /* DMA */,      {T::RCR, 1} /* no such register */, {T::DMAR, 0} /* DMA burst */,
        {T::CCER, 0x0001} /* channel 1 compare */};
    for (auto [offset, value] : refused) EXPECT_THROW(write(tim3, offset, value), sim::SimError) << offset;
    tim3.reset();
    write(tim3, T::CCMR1, 0x3000);
    EXPECT_THROW(write(tim3, T::CCER, kCc2e), sim::SimError) << "channel 2 toggling on match";
    start(tim3, 0, 0, 9);
    EXPECT_THROW(write(tim3, T::CR1, kCen | kCentre), sim::SimError) << "centre-aligned while counting";
    // In encoder mode a setting it cannot count with shows at the first edge.
    for (auto [offset, value] : {std::pair{T::CCER, 0x28u} /* reserved polarity */, {T::PSC, 1u}}) {
        set_up_encoder();
        write(tim4, offset, value);
        write(tim4, T::EGR, kUg);
        EXPECT_THROW(encoder.turn(1), sim::SimError) << offset;
    }
}

}  // namespace
