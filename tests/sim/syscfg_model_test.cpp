// The SYSCFG model: its port multiplexers between the GPIO pins and the EXTI
// lines (on a rig with all nine ports, wired as in the chip), its other
// registers, and its reset through the RCC on the board.
#include <gtest/gtest.h>

#include <array>

#include "board/board.h"
#include "board/board_models.h"
#include "board/exti_routing.h"
#include "core/sim_error.h"
#include "model_rig.h"
#include "models/exti.h"
#include "models/gpio_port.h"
#include "models/syscfg.h"
#include "stm32f2xx.h"

namespace {

using sim::Exti;
using sim::GpioPort;
using sim::Syscfg;

class SyscfgModel : public ::testing::Test {
protected:
    SyscfgModel()
    {
        std::array<GpioPort*, Syscfg::kPorts> wired{};
        for (std::size_t i = 0; i < ports.size(); ++i) {
            rig.mount(std::string("GPIO") + ports[i].letter(), ports[i]);
            wired[i] = &ports[i];
        }
        rig.mount("SYSCFG", syscfg);
        rig.mount("EXTI", exti);
        sim::wire_exti_inputs(wired, syscfg, exti);
        rig.write(sim::base_of("EXTI") + Exti::IMR, 0xFFFFu);
    }

    std::uint32_t reg(std::uint32_t offset) { return rig.read(kBase + offset); }
    void set(std::uint32_t offset, std::uint32_t value) { rig.write(kBase + offset, value); }
    void triggers(std::uint32_t rising, std::uint32_t falling)
    {
        rig.write(sim::base_of("EXTI") + Exti::RTSR, rising);
        rig.write(sim::base_of("EXTI") + Exti::FTSR, falling);
    }
    // Takes the pending bits, clearing them.
    std::uint32_t take_pending()
    {
        const std::uint32_t pr = exti.peek(Exti::PR);
        rig.write(sim::base_of("EXTI") + Exti::PR, pr);
        return pr;
    }
    GpioPort& port(int code) { return ports[static_cast<std::size_t>(code)]; }

    const std::uint32_t kBase = sim::base_of("SYSCFG");
    ModelRig rig;
    std::array<GpioPort, Syscfg::kPorts> ports{GpioPort{'A'}, GpioPort{'B'}, GpioPort{'C'},
                                               GpioPort{'D'}, GpioPort{'E'}, GpioPort{'F'},
                                               GpioPort{'G'}, GpioPort{'H'}, GpioPort{'I'}};
    Syscfg syscfg{rig.clock};
    Exti exti;
};

TEST_F(SyscfgModel, EachLineFollowsThePinOfTheRoutedPortOnly)
{
    struct Case {
        int port, pin;
    };
    triggers(0, 0xFFFFu);
    for (const Case c : {Case{0, 0}, Case{2, 14}, Case{2, 15}, Case{8, 15}, Case{4, 7}, Case{1, 3}, Case{3, 8}}) {
        SCOPED_TRACE(testing::Message() << "P" << char('A' + c.port) << c.pin);
        const std::uint32_t exticr = Syscfg::EXTICR(c.pin >> 2);
        const unsigned shift = 4u * static_cast<unsigned>(c.pin & 3);
        set(exticr, 0x8888u & ~(0xFu << shift));  // the other lines on port I
        set(exticr, reg(exticr) | static_cast<std::uint32_t>(c.port) << shift);
        EXPECT_EQ(syscfg.routed_port(c.pin), c.port);
        take_pending();
        for (int other : {(c.port + 1) % Syscfg::kPorts, (c.port + 5) % Syscfg::kPorts}) {
            port(other).drive(c.pin, true);
            port(other).drive(c.pin, false);
        }
        EXPECT_EQ(take_pending(), 0u) << "pins of other ports reach no line";
        port(c.port).drive(c.pin, true);
        port(c.port).drive(c.pin, false);
        EXPECT_EQ(take_pending(), 1u << c.pin);
        for (int other = 0; other < Syscfg::kPorts; ++other) port(other).release(c.pin);
    }
}

// Switching a line between pins at different levels is an edge at its input.
TEST_F(SyscfgModel, ARoutingChangeIsAnEdgeWhenTheTwoPinsDiffer)
{
    port(1).drive(3, true);  // PB3 high, PA3 low
    triggers(1u << 3, 1u << 3);
    set(Syscfg::EXTICR(0), 0x1000u);
    EXPECT_EQ(take_pending(), 1u << 3) << "A to B: rising";
    set(Syscfg::EXTICR(0), 0x1200u);  // line 2 to port C, line 3 stays
    EXPECT_EQ(take_pending(), 0u);
    set(Syscfg::EXTICR(0), 0x0200u);
    EXPECT_EQ(take_pending(), 1u << 3) << "B to A: falling";
    port(2).drive(3, false);
    set(Syscfg::EXTICR(0), 0x2200u);
    EXPECT_EQ(take_pending(), 0u) << "A to C: both low, no edge";

    EXPECT_THROW(set(Syscfg::EXTICR(3), 0x0090u), sim::SimError) << "port code 9 is reserved";
    EXPECT_EQ(reg(Syscfg::EXTICR(3)), 0u);
}

TEST_F(SyscfgModel, OtherRegistersKeepOnlyTheirBitsAndTheCellBecomesReadyInTime)
{
    set(Syscfg::MEMRMP, 0xFFFFFFFFu);
    set(Syscfg::PMC, 0xFFFFFFFFu);
    set(Syscfg::EXTICR(1), 0xFFFF0000u);
    EXPECT_EQ(reg(Syscfg::MEMRMP), 0x3u);
    EXPECT_EQ(reg(Syscfg::PMC), 0x00800000u);
    EXPECT_EQ(reg(Syscfg::EXTICR(1)), 0u);
    EXPECT_THROW(reg(0x18), sim::SimError);

    set(Syscfg::CMPCR, Syscfg::kCellEnable | Syscfg::kCellReady);
    EXPECT_EQ(reg(Syscfg::CMPCR), Syscfg::kCellEnable) << "ready is the hardware's";
    EXPECT_EQ(syscfg.quiet_until(Syscfg::CMPCR), rig.clock.now() + Syscfg::kCellStartup);
    rig.clock.advance(Syscfg::kCellStartup - 1);
    EXPECT_EQ(reg(Syscfg::CMPCR), Syscfg::kCellEnable);
    rig.clock.advance(1);
    EXPECT_EQ(reg(Syscfg::CMPCR), Syscfg::kCellEnable | Syscfg::kCellReady);
    set(Syscfg::CMPCR, 0);
    EXPECT_EQ(reg(Syscfg::CMPCR), 0u);
}

// On the board: the RCC's reset bit resets SYSCFG, and with it the routing
// of the buttons; the EXTI has no reset bit and keeps its set-up.
TEST(SyscfgOnTheBoard, TheApb2ResetBitResetsSyscfgAndOnlySyscfg)
{
    sim::Board board;
    board.power_on();
    RCC->APB2ENR |= 0x4000u;
    SYSCFG->EXTICR[3] = 0x2200u;  // PC14, PC15
    SYSCFG->CMPCR = 1u;
    EXTI->IMR = 0xC000u;
    EXTI->FTSR = 0xC000u;
    board.press(sim::Button::Ok);
    board.release(sim::Button::Ok);
    EXPECT_EQ(EXTI->PR, 0x8000u);
    EXTI->PR = 0x8000u;

    RCC->APB2RSTR |= 0x4000u;
    RCC->APB2RSTR &= ~0x4000u;
    EXPECT_EQ(SYSCFG->EXTICR[3], 0u);
    EXPECT_EQ(SYSCFG->CMPCR, 0u);
    EXPECT_EQ(EXTI->IMR, 0xC000u);
    EXPECT_EQ(EXTI->FTSR, 0xC000u);
    EXPECT_EQ(EXTI->PR, 0x4000u) << "line 14 falls from PC14 (pulled up) to PA14 (pulled down); PA15 is high";
    EXTI->PR = 0x4000u;
    board.press(sim::Button::Ok);
    EXPECT_EQ(EXTI->PR, 0u) << "line 15 is on PA15 again";
}

}  // namespace
