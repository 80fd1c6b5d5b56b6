// The flash array and its interface through the bus: geometry, the key lock,
// byte programming and sector erase in virtual time, the error flags, and the
// faults a test can inject.
#include <gtest/gtest.h>

#include "board/wiring.h"
#include "core/sim_error.h"
#include "model_rig.h"
#include "models/flash_interface.h"
#include "models/flash_memory.h"

namespace {

using sim::FlashInterface;
using sim::FlashMemory;

constexpr std::uint32_t kSector5 = 0x08020000u;
constexpr std::uint32_t kSector5Erase = FlashInterface::kSectorErase | (5u << 3);

class FlashModel : public ::testing::Test {
protected:
    FlashModel()
    {
        rig.mount("flash memory", array);
        rig.mount("flash interface", controller);
    }

    std::uint32_t reg(std::uint32_t offset) { return bus.read(kRegisters + offset, 4); }
    void set_reg(std::uint32_t offset, std::uint32_t value) { bus.write(kRegisters + offset, 4, value); }
    void unlock()
    {
        set_reg(FlashInterface::KEYR, FlashInterface::kKey1);
        set_reg(FlashInterface::KEYR, FlashInterface::kKey2);
    }
    void program(std::uint32_t address, std::uint32_t value, unsigned width = 1)
    {
        set_reg(FlashInterface::CR, FlashInterface::kProgram);
        bus.write(address, width, value);
    }
    bool busy() { return (reg(FlashInterface::SR) & FlashInterface::kBusy) != 0; }

    const std::uint32_t kRegisters = sim::base_of("flash interface");
    ModelRig rig;
    sim::VirtualClock& clock = rig.clock;
    sim::Bus& bus = rig.bus;
    FlashMemory array;
    FlashInterface controller{rig.clock, array};
};

TEST(FlashGeometry, SectorsOfTheOneMegabytePart)
{
    struct Case {
        std::uint32_t address;
        int sector;
        std::uint32_t base, size;
    };
    for (const Case& c : {Case{0x08000000u, 0, 0x08000000u, 0x4000u}, Case{0x08003FFFu, 0, 0x08000000u, 0x4000u},
                          Case{0x08004000u, 1, 0x08004000u, 0x4000u}, Case{0x0800FFFFu, 3, 0x0800C000u, 0x4000u},
                          Case{0x08010000u, 4, 0x08010000u, 0x10000u}, Case{0x0801FFFFu, 4, 0x08010000u, 0x10000u},
                          Case{0x08020000u, 5, 0x08020000u, 0x20000u}, Case{0x080DFFFFu, 10, 0x080C0000u, 0x20000u},
                          Case{0x080FFFFFu, 11, 0x080E0000u, 0x20000u}}) {
        EXPECT_EQ(FlashMemory::sector_of(c.address), c.sector) << std::hex << c.address;
        EXPECT_EQ(FlashMemory::sector_base(c.sector), c.base);
        EXPECT_EQ(FlashMemory::sector_size(c.sector), c.size);
    }
    EXPECT_THROW(FlashMemory::sector_of(0x08100000u), sim::SimError);
    EXPECT_THROW(FlashMemory::sector_of(0x07FFFFFFu), sim::SimError);
    EXPECT_THROW(FlashMemory::sector_base(12), sim::SimError);
}

TEST_F(FlashModel, ArrayReadsLittleEndianAndKeepsContentsOverReset)
{
    EXPECT_EQ(bus.read(0x080FFFFCu, 4), 0xFFFFFFFFu);
    array.load(kSector5, {0x11, 0x22, 0x33, 0x44});
    array.reset();
    controller.reset();
    EXPECT_EQ(bus.read(kSector5, 4), 0x44332211u);
    EXPECT_EQ(bus.read(kSector5 + 2, 2), 0x4433u);
    EXPECT_EQ(bus.read(kSector5 + 1, 1), 0x22u);
    EXPECT_THROW(array.load(0x080FFFFFu, {1, 2}), sim::SimError);
}

TEST_F(FlashModel, KeySequenceUnlocksAndAWrongKeyLocksUntilReset)
{
    EXPECT_EQ(reg(FlashInterface::CR), FlashInterface::kLock);
    set_reg(FlashInterface::CR, FlashInterface::kProgram);
    EXPECT_EQ(reg(FlashInterface::CR), FlashInterface::kLock) << "a locked CR ignores writes";
    unlock();
    EXPECT_EQ(reg(FlashInterface::CR), 0u);
    EXPECT_THROW(set_reg(FlashInterface::KEYR, FlashInterface::kKey1), sim::SimError) << "keys while unlocked";

    controller.reset();
    set_reg(FlashInterface::KEYR, FlashInterface::kKey1);
    EXPECT_THROW(set_reg(FlashInterface::KEYR, FlashInterface::kKey1), sim::SimError);
    EXPECT_THROW(unlock(), sim::SimError);
    EXPECT_EQ(reg(FlashInterface::CR), FlashInterface::kLock);
    controller.reset();
    unlock();
    EXPECT_EQ(reg(FlashInterface::CR), 0u);
}

TEST_F(FlashModel, ByteProgramTakesItsTimeThenClearsBits)
{
    unlock();
    program(kSector5 + 7, 0x5A);
    EXPECT_TRUE(busy());
    EXPECT_EQ(array.peek(kSector5 + 7), 0xFFu);
    clock.advance(FlashInterface::kProgramTime - 1);
    EXPECT_TRUE(busy());
    clock.advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(array.peek(kSector5 + 7), 0x5Au);
    EXPECT_EQ(reg(FlashInterface::SR), 0u) << "no EOP without its interrupt enabled";
}

TEST_F(FlashModel, ProgrammingRulesAndLoudMisuse)
{
    unlock();
    array.load(kSector5, {0x00});
    EXPECT_THROW(program(kSector5, 0x00), sim::SimError) << "byte not erased";

    set_reg(FlashInterface::CR, 0);
    bus.write(kSector5 + 1, 1, 0x12);
    EXPECT_EQ(reg(FlashInterface::SR), FlashInterface::kSequenceError) << "no PG";
    program(kSector5 + 2, 0x1234, 2);
    EXPECT_EQ(reg(FlashInterface::SR), FlashInterface::kSequenceError | FlashInterface::kParallelismError);
    EXPECT_FALSE(busy());
    EXPECT_EQ(bus.read(kSector5, 4), 0xFFFFFF00u) << "nothing written by refused requests";

    set_reg(FlashInterface::SR, FlashInterface::kSequenceError);
    EXPECT_EQ(reg(FlashInterface::SR), FlashInterface::kParallelismError) << "a 1 clears only its flag";

    set_reg(FlashInterface::CR, 0x100u | FlashInterface::kProgram);  // half-word parallelism
    bus.write(kSector5 + 2, 2, 0xBEEF);
    clock.advance(FlashInterface::kProgramTime);
    EXPECT_EQ(bus.read(kSector5 + 2, 2), 0xBEEFu);
}

struct EraseCase {
    int sector;
    sim::Nanoseconds duration;
};

void PrintTo(const EraseCase& c, std::ostream* os) { *os << "sector " << c.sector; }

class FlashErase : public FlashModel, public ::testing::WithParamInterface<EraseCase> {};

TEST_P(FlashErase, SectorEraseTakesItsTimeAndTouchesOnlyItsSector)
{
    const auto [sector, duration] = GetParam();
    const std::uint32_t base = FlashMemory::sector_base(sector);
    const std::uint32_t end = base + FlashMemory::sector_size(sector);
    array.load(base, {0x00});
    array.load(end - 1, {0x01});
    if (sector > 0) array.load(base - 1, {0x02});
    if (sector < 11) array.load(end, {0x03});

    unlock();
    set_reg(FlashInterface::CR, FlashInterface::kSectorErase | static_cast<std::uint32_t>(sector) << 3);
    set_reg(FlashInterface::CR, reg(FlashInterface::CR) | FlashInterface::kStart);
    clock.advance(duration - 1);
    EXPECT_TRUE(busy());
    EXPECT_EQ(array.peek(end - 1), 0x01u);
    clock.advance(1);
    EXPECT_FALSE(busy());
    EXPECT_EQ(array.peek(base), 0xFFu);
    EXPECT_EQ(array.peek(end - 1), 0xFFu);
    if (sector > 0) {
        EXPECT_EQ(array.peek(base - 1), 0x02u);
    }
    if (sector < 11) {
        EXPECT_EQ(array.peek(end), 0x03u);
    }
    EXPECT_EQ(reg(FlashInterface::CR) & FlashInterface::kStart, 0u);
}

INSTANTIATE_TEST_SUITE_P(Sectors, FlashErase,
                         ::testing::Values(EraseCase{0, 250000000u}, EraseCase{3, 250000000u},
                                           EraseCase{4, 550000000u}, EraseCase{5, 1000000000u},
                                           EraseCase{11, 1000000000u}));

TEST_F(FlashModel, ArrayAccessDuringEraseStallsUntilItEnds)
{
    array.load(kSector5, {0x00});
    unlock();
    set_reg(FlashInterface::CR, kSector5Erase | FlashInterface::kStart);
    EXPECT_EQ(bus.read(kSector5, 1), 0xFFu);
    EXPECT_EQ(clock.now(), 1000000000u);
    EXPECT_FALSE(busy());
}

TEST_F(FlashModel, HeldBusyNeverFinishesUntilReleased)
{
    unlock();
    controller.hold_busy(true);
    EXPECT_TRUE(busy());
    EXPECT_THROW(bus.read(kSector5, 1), sim::SimError) << "the bus would stall for ever";
    controller.hold_busy(false);
    program(kSector5, 0x42);
    controller.hold_busy(true);
    clock.advance(10 * FlashInterface::kProgramTime);
    EXPECT_TRUE(busy());
    EXPECT_EQ(array.peek(kSector5), 0xFFu);
    controller.hold_busy(false);
    EXPECT_FALSE(busy());
    EXPECT_EQ(array.peek(kSector5), 0x42u);
}

TEST_F(FlashModel, InjectedErrorsStayUntilCleared)
{
    controller.inject_error(FlashInterface::kWriteProtectionError | FlashInterface::kOperationError);
    EXPECT_EQ(reg(FlashInterface::SR), 0x12u);
    EXPECT_EQ(reg(FlashInterface::SR), 0x12u);
    set_reg(FlashInterface::SR, 0x10u);
    EXPECT_EQ(reg(FlashInterface::SR), 0x02u);
    EXPECT_THROW(controller.inject_error(FlashInterface::kBusy), sim::SimError);
}

TEST_F(FlashModel, EndOfOperationFlagNeedsItsInterruptAndAssertsTheLine)
{
    const int exception = sim::wiring_row("flash interface").interrupts[0];
    unlock();
    set_reg(FlashInterface::CR, FlashInterface::kProgram);
    bus.write(kSector5, 1, 0x00);
    clock.advance(FlashInterface::kProgramTime);
    EXPECT_EQ(reg(FlashInterface::SR) & FlashInterface::kEndOfOperation, 0u) << "not flagged without EOPIE";

    set_reg(FlashInterface::CR, FlashInterface::kEndInterruptEnable | FlashInterface::kProgram);
    bus.write(kSector5 + 1, 1, 0x00);
    EXPECT_FALSE(rig.exceptions.line_level(exception)) << "not before the byte is done";
    clock.advance(FlashInterface::kProgramTime);
    EXPECT_EQ(reg(FlashInterface::SR) & FlashInterface::kEndOfOperation, FlashInterface::kEndOfOperation);
    EXPECT_TRUE(rig.exceptions.line_level(exception));
    set_reg(FlashInterface::SR, FlashInterface::kEndOfOperation);
    EXPECT_FALSE(rig.exceptions.line_level(exception)) << "cleared with the flag";
}

// Wait states for 2.7 to 3.6 V: none up to 30 MHz, one more a further 30 MHz.
TEST_F(FlashModel, ACoreClockAboveWhatTheWaitStatesAllowIsLoud)
{
    EXPECT_EQ(FlashInterface::wait_states_needed(30000000u), 0u);
    EXPECT_EQ(FlashInterface::wait_states_needed(30000001u), 1u);
    EXPECT_EQ(FlashInterface::wait_states_needed(100000000u), 3u);
    EXPECT_EQ(FlashInterface::wait_states_needed(120000000u), 3u);
    controller.set_core_clock(25000000u);  // fine with none
    EXPECT_THROW(controller.set_core_clock(100000000u), sim::SimError);
    set_reg(FlashInterface::ACR, 0x703u);
    controller.set_core_clock(100000000u);
    EXPECT_THROW(set_reg(FlashInterface::ACR, 0x702u), sim::SimError) << "too few for the clock it runs at";
    EXPECT_EQ(reg(FlashInterface::ACR), 0x703u);
}

TEST_F(FlashModel, EraseMisuseIsLoud)
{
    unlock();
    EXPECT_THROW(set_reg(FlashInterface::CR, FlashInterface::kSectorErase | (12u << 3) | FlashInterface::kStart),
                 sim::SimError);
    EXPECT_THROW(set_reg(FlashInterface::CR, FlashInterface::kStart), sim::SimError);
    set_reg(FlashInterface::CR, kSector5Erase | FlashInterface::kProgram | FlashInterface::kStart);
    EXPECT_EQ(reg(FlashInterface::SR), FlashInterface::kSequenceError);
    EXPECT_FALSE(busy());
}

}  // namespace
