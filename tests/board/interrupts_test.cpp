// How the virtual board's core takes exceptions: at the next bus access of the
// interrupted code, by priority, nested, masked by PRIMASK, grouped by PRIGROUP;
// and the SysTick timer that pends its exception at every wrap.
#include <gtest/gtest.h>

#include <string>

#include "board/cpu.h"
#include "core/bus.h"
#include "models/exceptions.h"
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

constexpr std::uint32_t SCRATCH = 0x40000000u;
void touch() { (void)seam::bus_read(SCRATCH, 4); }

struct Rig;
Rig* g_rig = nullptr;

struct Rig {
    sim::VirtualClock clock;
    ExceptionState exceptions;
    sim::Bus bus;
    sim::Nvic nvic{exceptions};
    sim::SystemControlBlock scb{exceptions, [] {}};
    sim::SysTickTimer systick{clock, exceptions, [] { return 16000000u; }};
    Scratch scratch;
    std::string log;
    std::function<void(int)> on_irq;
    int ticks = 0;

    static void irq0() { g_rig->handle(0); }
    static void irq1() { g_rig->handle(1); }
    static void irq2() { g_rig->handle(2); }
    static void tick() { ++g_rig->ticks; }
    void handle(int n)
    {
        log += std::to_string(n) + "<";
        if (on_irq) on_irq(n);
        touch();
        log += std::to_string(n) + "> ";
    }
    static sim::Cpu::Handler lookup(int exception)
    {
        switch (exception) {
        case 16:
            return irq0;
        case 17:
            return irq1;
        case 18:
            return irq2;
        case ExceptionState::kSysTick:
            return tick;
        default:
            return nullptr;
        }
    }
    sim::Cpu cpu{clock, exceptions, [] { return 16000000u; }, &Rig::lookup};

    Rig()
    {
        g_rig = this;
        exceptions.reset();
        bus.map(SCRATCH, 0x10, scratch, "scratch");
        bus.map(0xE000E010, 0x10, systick, "SysTick");
        bus.map(0xE000E100, 0x3F0, nvic, "NVIC");
        bus.map(0xE000ED00, 0x40, scb, "SCB");
        bus.set_access_hook([this] { cpu.on_bus_access(); });
        sim::set_active_bus(&bus);
        for (int n : {0, 1, 2}) NVIC->ISER[0] = 1u << n;
        NVIC->IP[0] = 0x80;
        NVIC->IP[1] = 0x40;
        NVIC->IP[2] = 0xC0;
    }
    ~Rig()
    {
        sim::set_active_bus(nullptr);
        g_rig = nullptr;
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
