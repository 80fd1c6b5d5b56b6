// How the virtual board's core takes exceptions: at the next bus access of the
// interrupted code, by priority, nested, masked by PRIMASK, grouped by PRIGROUP;
// and the SysTick timer that pends its exception at every wrap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/bus.h"
#include "core/cpu.h"
#include "core/exception_state.h"
#include "core/interrupt_line.h"
#include "model_rig.h"
#include "models/nvic.h"
#include "models/system_control_block.h"
#include "models/systick.h"
#include "stm32f2xx.h"

namespace {

using sim::ExceptionState;

class Scratch : public sim::WordPeripheral {
public:
    void reset() override {}

protected:
    std::uint32_t read_word(std::uint32_t) override { return 0; }
    void write_word(std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

constexpr std::uint32_t SCRATCH = 0x40007C00u;  // a free address
void touch() { (void)seam::bus_read(SCRATCH, 4); }

// The core with the NVIC, SCB and SysTick, three device interrupts at
// priorities 0x80, 0x40 and 0xC0 whose handlers log their entry and return,
// and a SysTick handler that counts.
struct Rig : ModelRig {
    sim::Nvic nvic{exceptions};
    sim::SystemControlBlock scb{exceptions, [] {}};
    sim::SysTickTimer systick{clock};
    Scratch scratch;
    std::string log;
    std::function<void(int)> on_irq;
    int ticks = 0;

    void handle(int n)
    {
        log += std::to_string(n) + "<";
        if (on_irq) on_irq(n);
        touch();
        log += std::to_string(n) + "> ";
    }

    Rig()
    {
        bus.map(SCRATCH, 0x10, scratch, "scratch");
        mount("SysTick", systick);
        mount("NVIC", nvic);
        mount("SCB", scb);
        use_core();
        for (int n : {0, 1, 2}) on_exception(ExceptionState::irq(n), [this, n] { handle(n); });
        on_exception(ExceptionState::kSysTick, [this] { ++ticks; });
        for (int n : {0, 1, 2}) NVIC->ISER[0] = 1u << n;
        NVIC->IP[0] = 0x80;
        NVIC->IP[1] = 0x40;
        NVIC->IP[2] = 0xC0;
    }
};

TEST(Interrupts, AMoreUrgentInterruptNestsAtTheNextBusAccessALessUrgentOneWaits)
{
    Rig rig;
    rig.on_irq = [](int n) {
        if (n == 0) NVIC->ISPR[0] = (1u << 2) | (1u << 1);
    };
    NVIC->ISPR[0] = 1u << 0;
    EXPECT_EQ(rig.log, "") << "pending is not taken before the next access";
    touch();
    EXPECT_EQ(rig.log, "0<1<1> 0> 2<2> ");
    EXPECT_EQ(rig.exceptions.current(), 0) << "back in thread mode";
}

TEST(Interrupts, EqualPriorityDoesNotPreemptAndLowerNumberGoesFirst)
{
    Rig rig;
    NVIC->IP[1] = 0x80;
    rig.on_irq = [](int n) {
        if (n == 1) NVIC->ISPR[0] = 1u << 0;
    };
    NVIC->ISPR[0] = (1u << 1);
    touch();
    EXPECT_EQ(rig.log, "1<1> 0<0> ");
    rig.on_irq = nullptr;
    rig.log.clear();
    NVIC->ISPR[0] = (1u << 1) | (1u << 0);
    touch();
    EXPECT_EQ(rig.log, "0<0> 1<1> ") << "both waiting at once: the lower number first";
}

TEST(Interrupts, PrimaskHoldsInterruptsUntilItIsCleared)
{
    Rig rig;
    rig.exceptions.set_primask(true);
    NVIC->ISPR[0] = 1u << 2;
    touch();
    EXPECT_EQ(rig.log, "");
    rig.exceptions.set_primask(false);
    touch();
    EXPECT_EQ(rig.log, "2<2> ");
}

TEST(Interrupts, OnlyTheGroupPriorityPreempts)
{
    Rig rig;
    NVIC->IP[1] = 0xA0;  // same group as 0x80 when only bits 7:6 are group bits
    rig.on_irq = [](int n) {
        if (n == 0) NVIC->ISPR[0] = 1u << 1;
    };
    SCB->AIRCR = 0x05FA0000u | (5u << 8);
    NVIC->ISPR[0] = 1u;
    touch();
    EXPECT_EQ(rig.log, "0<0> 1<1> ") << "PRIGROUP 5: 0x80 and 0xA0 share a group";

    SCB->AIRCR = 0x05FA0000u;
    rig.log.clear();
    NVIC->IP[1] = 0x70;
    NVIC->ISPR[0] = 1u;
    touch();
    EXPECT_EQ(rig.log, "0<1<1> 0> ") << "PRIGROUP 0: every implemented bit counts";
}

TEST(Interrupts, AircrWithoutItsKeyIsIgnored)
{
    Rig rig;
    SCB->AIRCR = 3u << 8;
    EXPECT_EQ(rig.exceptions.prigroup(), 0u);
    SCB->AIRCR = 0x05FA0000u | (3u << 8);
    EXPECT_EQ(rig.exceptions.prigroup(), 3u);
    EXPECT_EQ(SCB->AIRCR & 0xFFFF0700u, 0xFA050300u);
}

TEST(Interrupts, DisabledInterruptStaysPendingUntilEnabled)
{
    Rig rig;
    NVIC->ICER[0] = 1u << 2;
    NVIC->ISPR[0] = 1u << 2;
    touch();
    EXPECT_EQ(rig.log, "");
    EXPECT_EQ(NVIC->ISPR[0] & 4u, 4u);
    NVIC->ISER[0] = 1u << 2;
    touch();
    EXPECT_EQ(rig.log, "2<2> ");
}

TEST(SysTickCounter, PendsItsExceptionAtEveryWrapAndTheIdlePointSkipsToIt)
{
    Rig rig;
    SysTick->LOAD = 16000 - 1;  // 1 ms at 16 MHz
    SysTick->VAL = 0;
    SysTick->CTRL = 0x7u;
    rig.cpu.reset({});
    rig.cpu.run_code(
        [&] {
            while (rig.ticks < 10) rig.cpu.idle();
        },
        50000000);
    EXPECT_EQ(rig.ticks, 10);
    EXPECT_GE(rig.clock.now(), 10000000u);
    EXPECT_LT(rig.clock.now(), 10100000u) << "the idle point went straight to each tick";
}

TEST(SysTickCounter, CountsDownFromTheReloadAndFlagsTheWrapOnce)
{
    Rig rig;
    SysTick->LOAD = 1599;  // 100 us at 16 MHz
    SysTick->VAL = 0;
    SysTick->CTRL = 0x5u;  // core clock, counting, no interrupt
    rig.clock.advance(50000);
    const std::uint32_t value = SysTick->VAL;
    EXPECT_LT(value, 1599u);
    EXPECT_GT(value, 700u);
    rig.clock.advance(100000);
    EXPECT_NE(SysTick->CTRL & 0x10000u, 0u) << "count flag after a wrap";
    EXPECT_EQ(SysTick->CTRL & 0x10000u, 0u) << "cleared by the read";
    touch();
    EXPECT_EQ(rig.ticks, 0) << "no exception without TICKINT";
}

TEST(DefaultHandler, AnInterruptWithoutAHandlerStopsTheRunThere)
{
    Rig rig;
    rig.cpu.reset({});
    NVIC->ISER[0] = 1u << 5;
    NVIC->ISPR[0] = 1u << 5;
    rig.cpu.run_code([] { touch(); }, 1000000);
    EXPECT_TRUE(rig.cpu.stopped());
    EXPECT_EQ(rig.cpu.stop_reason(), "Default_Handler: interrupt 5 has no handler");
}

}  // namespace

namespace {

TEST(InterruptLines, ALevelPendsAgainWhileAssertedAndAPulseOnce)
{
    Rig rig;
    sim::InterruptLine level("level"), pulse("pulse");
    level.connect(rig.exceptions, ExceptionState::irq(0));
    pulse.connect(rig.exceptions, ExceptionState::irq(1));
    int entries = 0;
    // The source is served only at the third entry of its handler.
    rig.on_irq = [&](int n) {
        if (n == 0 && ++entries == 3) level.clear();
    };
    level.raise();
    touch();
    EXPECT_EQ(entries, 3) << "re-entered while the line stayed asserted";
    EXPECT_FALSE(rig.exceptions.pending(ExceptionState::irq(0)));

    rig.log.clear();
    pulse.pulse();
    touch();
    touch();
    EXPECT_EQ(rig.log, "1<1> ") << "a pulse is taken once";
    sim::InterruptLine loose("loose");
    EXPECT_THROW(loose.raise(), sim::SimError);
}

TEST(AimedEvents, AnInterruptAimedInsideAMaskedSectionWaitsForItsEnd)
{
    Rig rig;
    rig.cpu.reset({});
    std::string when;
    rig.on_irq = [&](int) { when += "taken "; };
    rig.cpu.run_code(
        [&] {
            rig.exceptions.set_primask(true);
            rig.cpu.at_access(2, [&] { rig.exceptions.set_pending(ExceptionState::irq(2), true); });
            for (int i = 0; i < 4; ++i) {
                touch();
                when += "access ";
            }
            rig.exceptions.set_primask(false);
            rig.cpu.take_pending();
            when += "unmasked ";
            rig.cpu.at_access(1, [&] { rig.exceptions.set_pending(ExceptionState::irq(2), true); });
            touch();
            when += "access";
        },
        1000000);
    EXPECT_EQ(when, "access access access access taken unmasked taken access");
}

TEST(SysTickCounter, KeepsItsPeriodExactAfterAWeek)
{
    Rig rig;
    rig.systick.set_core_clock(100000000u);
    rig.cpu.set_core_clock(100000000u);
    SysTick->LOAD = 1000000 - 1;  // 10 ms at 100 MHz
    SysTick->VAL = 0;
    SysTick->CTRL = 0x5u;  // counting, no interrupt
    const sim::Nanoseconds start = rig.clock.now();
    constexpr sim::Nanoseconds kWeek = 7ull * 24 * 3600 * 1000000000ull;
    rig.clock.advance_to(start + kWeek + 2500000);  // a week and a quarter period
    EXPECT_EQ(rig.systick.wraps(), 7ull * 24 * 360000);
    // 250000 ticks into the period, minus the few the read itself took.
    EXPECT_NEAR(static_cast<double>(SysTick->VAL), 750000.0 - 1, 100.0);

    // Ticks from here on still come 10 ms apart, to the nanosecond.
    std::vector<sim::Nanoseconds> at;
    rig.on_exception(ExceptionState::kSysTick, [&] { at.push_back(rig.clock.now()); });
    SysTick->CTRL = 0x7u;
    rig.cpu.reset({});
    rig.cpu.run_code(
        [&] {
            while (at.size() < 4) rig.cpu.idle();
        },
        rig.clock.now() + 100000000);
    ASSERT_EQ(at.size(), 4u);
    for (std::size_t i = 1; i < at.size(); ++i) EXPECT_EQ(at[i] - at[i - 1], 10000000u);
    const sim::Nanoseconds entry = rig.cpu.cycles(sim::Cpu::kCyclesPerExceptionEntry);
    EXPECT_EQ((at[0] - entry - start) % 10000000u, 0u) << "on the grid of the first period";
}

TEST(Firmware, AStopUnwindsTheStackSoNothingItHeldLeaks)
{
    Rig rig;
    rig.cpu.reset({});
    // Heap memory owned by a frame of the stopped code: LeakSanitizer would
    // report it if the stack were abandoned instead of unwound.
    rig.cpu.run_code(
        [&] {
            const std::string held(200, 'x');
            std::vector<int> more(1000, 1);
            touch();
            rig.cpu.endless_loop("halt with " + held.substr(0, 4) + std::to_string(more.size()));
        },
        1000000);
    EXPECT_TRUE(rig.cpu.stopped());
    EXPECT_EQ(rig.cpu.stop_reason(), "halt with xxxx1000");
}

TEST(Firmware, AnEntryThatReturnsStopsTheRunAndTimeStillGoesOn)
{
    Rig rig;
    rig.cpu.reset([] { touch(); });
    rig.cpu.run(rig.clock.now() + 1000000, nullptr);
    EXPECT_TRUE(rig.cpu.stopped());
    EXPECT_EQ(rig.cpu.stop_reason(), "the firmware's reset entry returned");
    EXPECT_GE(rig.clock.now(), 1000000u) << "the board's devices went on to the end of the run";
}

}  // namespace
