// The EXTI model through the bus: which edges pend a line under which masks
// and triggers, the software trigger, clearing, and the level interrupt lines
// that the core takes again while a line stays pending.
#include <gtest/gtest.h>

#include "core/sim_error.h"
#include "model_rig.h"
#include "models/exti.h"

namespace {

using sim::ExceptionState;
using sim::Exti;

class ExtiModel : public ::testing::Test {
protected:
    ExtiModel() { rig.mount("EXTI", exti); }

    std::uint32_t reg(std::uint32_t offset) { return rig.read(kBase + offset); }
    void set(std::uint32_t offset, std::uint32_t value) { rig.write(kBase + offset, value); }
    bool line_asserted(int irq) { return rig.exceptions.line_level(ExceptionState::irq(irq)); }

    const std::uint32_t kBase = sim::base_of("EXTI");
    ModelRig rig;
    Exti exti;
};

struct EdgeCase {
    const char* name;
    std::uint32_t imr, emr, rtsr, ftsr;
    bool rising;
    bool pends;
    std::uint64_t events;
};

TEST_F(ExtiModel, AnEdgePendsOnlyThroughASelectedTriggerAndTheInterruptMask)
{
    constexpr std::uint32_t L = 1u << 14;
    const EdgeCase cases[] = {
        {"falling edge, falling trigger, unmasked", L, 0, 0, L, false, true, 0},
        {"rising edge on a falling-only line", L, 0, 0, L, true, false, 0},
        {"rising edge, rising trigger", L, 0, L, 0, true, true, 0},
        {"falling edge with both triggers", L, 0, L, L, false, true, 0},
        {"masked in IMR: no pending bit", 0, 0, 0, L, false, false, 0},
        {"event mode: an event, no pending bit", 0, L, 0, L, false, false, 1},
        {"both masks: pending bit and event", L, L, 0, L, false, true, 1},
        {"no trigger selected", L, L, 0, 0, false, false, 0},
        {"another line's trigger", L, 0, 0, L >> 1, false, false, 0},
    };
    for (const EdgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        exti.reset();
        exti.set_input(14, !c.rising);
        set(Exti::IMR, c.imr);
        set(Exti::EMR, c.emr);
        set(Exti::RTSR, c.rtsr);
        set(Exti::FTSR, c.ftsr);
        exti.set_input(14, c.rising);
        exti.set_input(14, c.rising);  // the same level again is no edge
        EXPECT_EQ(reg(Exti::PR), c.pends ? L : 0u);
        EXPECT_EQ(line_asserted(40), c.pends);
        EXPECT_EQ(exti.events(), c.events);
    }
}

TEST_F(ExtiModel, SoftwareTriggerPendsUnmaskedLinesAndStaysSetUntilItsPendingBitIsCleared)
{
    set(Exti::IMR, 0x0003u);
    set(Exti::SWIER, 0x0003u);
    EXPECT_EQ(reg(Exti::PR), 0x0003u);
    set(Exti::PR, 0x0001u);
    EXPECT_EQ(reg(Exti::PR), 0x0002u) << "a 1 clears its line only";
    EXPECT_EQ(reg(Exti::SWIER), 0x0002u) << "and that line's software bit";
    EXPECT_FALSE(line_asserted(6));
    EXPECT_TRUE(line_asserted(7));

    set(Exti::SWIER, 0x0020u);  // line 5 is masked
    EXPECT_EQ(reg(Exti::PR), 0x0002u);
    set(Exti::IMR, 0x0023u);
    set(Exti::SWIER, 0x0020u);
    EXPECT_EQ(reg(Exti::PR), 0x0002u) << "unmasking later pends nothing; the bit is still set";
    set(Exti::PR, 0x0020u);
    set(Exti::SWIER, 0x0020u);
    EXPECT_EQ(reg(Exti::PR), 0x0022u);

    set(Exti::IMR, 0x0020u);
    EXPECT_EQ(reg(Exti::PR), 0x0022u) << "masking keeps the pending bit";
    EXPECT_FALSE(line_asserted(7)) << "but releases the interrupt line";
    EXPECT_TRUE(line_asserted(23));
    set(Exti::IMR, 0xFFFFFFFFu);
    EXPECT_EQ(reg(Exti::IMR), Exti::kLineMask) << "no lines above 22";
    EXPECT_TRUE(line_asserted(7));
    EXPECT_THROW(reg(0x18), sim::SimError);
}

TEST_F(ExtiModel, EachLineRaisesTheInterruptOfItsGroupOnly)
{
    struct Case {
        int line;
        int irq;  // -1: no interrupt line
    };
    const int irqs[] = {6, 7, 8, 9, 10, 23, 40};
    set(Exti::IMR, Exti::kLineMask);
    for (const Case c : {Case{0, 6}, Case{4, 10}, Case{5, 23}, Case{9, 23}, Case{10, 40}, Case{15, 40},
                         Case{16, -1}, Case{22, -1}}) {
        SCOPED_TRACE(c.line);
        set(Exti::SWIER, 1u << c.line);
        EXPECT_EQ(reg(Exti::PR), 1u << c.line);
        for (int irq : irqs) EXPECT_EQ(line_asserted(irq), irq == c.irq) << "IRQ " << irq;
        set(Exti::PR, 1u << c.line);
    }
}

TEST_F(ExtiModel, AHandlerThatLeavesTheLinePendingIsEnteredAgain)
{
    int entries = 0;
    rig.use_core();
    rig.on_exception(ExceptionState::irq(40), [&] {
        if (++entries == 3) set(Exti::PR, 1u << 15);
    });
    rig.exceptions.set_enabled(ExceptionState::irq(40), true);
    set(Exti::IMR, 1u << 15);
    set(Exti::FTSR, 1u << 15);
    exti.set_input(15, true);
    exti.set_input(15, false);
    (void)reg(Exti::PR);
    EXPECT_EQ(entries, 3);
    (void)reg(Exti::PR);
    EXPECT_EQ(entries, 3) << "cleared: not entered again";
}

TEST_F(ExtiModel, ResetClearsTheRegistersAndKeepsTheInputLevels)
{
    exti.set_input(2, true);
    set(Exti::IMR, 0x4u);
    set(Exti::SWIER, 0x4u);
    exti.reset();
    for (std::uint32_t offset : {Exti::IMR, Exti::SWIER, Exti::PR}) EXPECT_EQ(reg(offset), 0u);
    EXPECT_FALSE(line_asserted(8));
    set(Exti::IMR, 0x4u);
    set(Exti::FTSR, 0x4u);
    exti.set_input(2, false);
    EXPECT_EQ(reg(Exti::PR), 0x4u) << "the input was still high: its fall is an edge";
    EXPECT_THROW(exti.set_input(23, true), sim::SimError);
}

}  // namespace
