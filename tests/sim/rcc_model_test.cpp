// The clock-control model through the bus: oscillator start-up in virtual
// time, PLL lock, the clock switch and the frequencies that follow.
#include <gtest/gtest.h>

#include <string>

#include "core/sim_error.h"
#include "model_rig.h"
#include "models/rcc.h"
#include "trace_expect.h"

namespace {

using sim::Rcc;

constexpr std::uint32_t kCrHseOn = 0x00010000u, kCrHseReady = 0x00020000u;
constexpr std::uint32_t kCrPllOn = 0x01000000u, kCrPllReady = 0x02000000u;

class RccModel : public ::testing::Test {
protected:
    RccModel() { rig.mount("RCC", rcc); }

    std::uint32_t read(std::uint32_t offset) { return rig.read(kBase + offset); }
    void write(std::uint32_t offset, std::uint32_t value) { rig.write(kBase + offset, value); }
    void set_bits(std::uint32_t offset, std::uint32_t bits) { write(offset, read(offset) | bits); }

    // Crystal, PLL and switch as the start-up code does it.
    void run_from_pll(std::uint32_t pllcfgr, std::uint32_t prescalers)
    {
        set_bits(Rcc::CR, kCrHseOn);
        clock.advance(Rcc::kHseStartup);
        write(Rcc::CFGR, prescalers);
        write(Rcc::PLLCFGR, pllcfgr);
        set_bits(Rcc::CR, kCrPllOn);
        clock.advance(Rcc::kPllLock);
        set_bits(Rcc::CFGR, 2);
    }

    const std::uint32_t kBase = sim::base_of("RCC");
    ModelRig rig;
    sim::VirtualClock& clock = rig.clock;
    Rcc rcc{rig.clock};
};

TEST_F(RccModel, PowersOnRunningFromHsiWithChipResetValues)
{
    EXPECT_EQ(read(Rcc::CR), 0x00000083u);
    EXPECT_EQ(read(Rcc::PLLCFGR), 0x24003010u);
    EXPECT_EQ(read(Rcc::CFGR), 0u);
    EXPECT_EQ(read(Rcc::AHB1ENR), 0u);
    EXPECT_EQ(rcc.sysclk_hz(), 16000000u);
    EXPECT_EQ(rcc.pclk1_hz(), 16000000u);
}

TEST_F(RccModel, CrystalBecomesReadyAfterItsStartupTime)
{
    set_bits(Rcc::CR, kCrHseOn);
    clock.advance(Rcc::kHseStartup - 1);
    EXPECT_EQ(read(Rcc::CR) & kCrHseReady, 0u);
    clock.advance(1);
    EXPECT_NE(read(Rcc::CR) & kCrHseReady, 0u);

    write(Rcc::CR, read(Rcc::CR) & ~kCrHseOn);
    EXPECT_EQ(read(Rcc::CR) & kCrHseReady, 0u) << "HSE off drops its ready flag at once";
}

TEST_F(RccModel, WithheldCrystalNeverBecomesReadyAndEveryPollReadsNotReady)
{
    rcc.set_crystal_present(false);
    rcc.reset();  // the crystal is the board's: a reset keeps it withheld
    set_bits(Rcc::CR, kCrHseOn);
    rig.bus.trace().start();
    int polls = 0;
    while (polls < 1280 && (read(Rcc::CR) & kCrHseReady) == 0) {
        ++polls;
        clock.advance(1000);
    }
    rig.bus.trace().stop();
    EXPECT_EQ(polls, 1280);
    const auto& reads = rig.bus.trace().accesses();
    ASSERT_EQ(reads.size(), 1280u);
    for (const sim::BusAccess& a : reads) EXPECT_EQ(a.value & kCrHseReady, 0u);
    write(Rcc::PLLCFGR, 0x05411004u);
    set_bits(Rcc::CR, kCrPllOn);  // PLL fed from the dead crystal
    set_bits(Rcc::CFGR, 2);
    clock.advance(10 * Rcc::kPllLock);
    EXPECT_EQ(read(Rcc::CR) & kCrPllReady, 0u);
    EXPECT_EQ(read(Rcc::CFGR) & 0xCu, 0u) << "the switch waits for a ready source";
    EXPECT_EQ(rcc.sysclk_hz(), 16000000u);
}

TEST_F(RccModel, ClockTreeOfTheStartupCode)
{
    run_from_pll(0x05411004u, 0x00009400u);
    EXPECT_EQ(read(Rcc::CFGR) & 0xCu, 0x8u);
    EXPECT_EQ(rcc.sysclk_hz(), 100000000u);
    EXPECT_EQ(rcc.hclk_hz(), 100000000u);
    EXPECT_EQ(rcc.pclk1_hz(), 25000000u);
    EXPECT_EQ(rcc.pclk2_hz(), 50000000u);
}

TEST_F(RccModel, SwitchToPllWaitsForLock)
{
    set_bits(Rcc::CR, kCrHseOn);
    clock.advance(Rcc::kHseStartup);
    write(Rcc::PLLCFGR, 0x05411004u);
    set_bits(Rcc::CR, kCrPllOn);
    set_bits(Rcc::CFGR, 2);
    EXPECT_EQ(read(Rcc::CFGR) & 0xCu, 0u);
    clock.advance(Rcc::kPllLock);
    EXPECT_EQ(read(Rcc::CFGR) & 0xCu, 0x8u);
}

struct TreeCase {
    const char* name;
    std::uint32_t pllcfgr, prescalers;
    std::uint32_t sysclk, hclk, pclk1, pclk2;
};

void PrintTo(const TreeCase& c, std::ostream* os) { *os << c.name; }

class RccTree : public RccModel, public ::testing::WithParamInterface<TreeCase> {};

TEST_P(RccTree, FrequenciesFollowPllAndPrescalers)
{
    const TreeCase& c = GetParam();
    run_from_pll(c.pllcfgr, c.prescalers);
    EXPECT_EQ(rcc.sysclk_hz(), c.sysclk);
    EXPECT_EQ(rcc.hclk_hz(), c.hclk);
    EXPECT_EQ(rcc.pclk1_hz(), c.pclk1);
    EXPECT_EQ(rcc.pclk2_hz(), c.pclk2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RccTree,
    ::testing::Values(
        // HSI source, M 16, N 192, P 2.
        TreeCase{"HsiPll96MHz", 0x00003010u, 0, 96000000u, 96000000u, 96000000u, 96000000u},
        // AHB field 9 divides by 4, field 4 does not divide; APB codes 7 (/16) and 5 (/4).
        TreeCase{"AhbDiv4", 0x05411004u, 0x00000090u, 100000000u, 25000000u, 25000000u, 25000000u},
        TreeCase{"AhbField4NoDivision", 0x05411004u, 0x0000BC40u, 100000000u, 100000000u, 6250000u, 25000000u},
        TreeCase{"AhbDiv512", 0x05411004u, 0x000000F0u, 100000000u, 195312u, 195312u, 195312u},
        // HSE / 25 * 192 / 2: M divides the input down to 1 MHz.
        TreeCase{"HsePll96MHz", 0x00403019u, 0, 96000000u, 96000000u, 96000000u, 96000000u}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(RccModel, HardwareGuardsTheRunningClock)
{
    run_from_pll(0x05411004u, 0);
    write(Rcc::CR, read(Rcc::CR) & ~(kCrPllOn | kCrHseOn | 1u));
    EXPECT_EQ(read(Rcc::CR) & (kCrPllOn | kCrHseOn | 1u), kCrPllOn | kCrHseOn)
        << "PLL and its crystal stay on while they clock the system; HSI may stop";
    EXPECT_THROW(write(Rcc::PLLCFGR, 0x24003010u), sim::SimError);
    EXPECT_THROW(write(Rcc::CFGR, 3), sim::SimError);
}

TEST_F(RccModel, ReadyFlagsAreReadOnly)
{
    write(Rcc::CR, 0x83u | kCrPllReady | kCrHseReady);
    EXPECT_EQ(read(Rcc::CR), 0x83u);
    write(Rcc::CFGR, 0x8u);  // the switch status is the hardware's too
    EXPECT_EQ(read(Rcc::CFGR), 0u);
}

TEST_F(RccModel, ResetCancelsStartupInProgress)
{
    set_bits(Rcc::CR, kCrHseOn);
    clock.advance(Rcc::kHseStartup / 2);
    rcc.reset();
    clock.advance(Rcc::kHseStartup);
    EXPECT_EQ(rcc.peek(Rcc::CR), 0x00000083u);
    EXPECT_EQ(clock.pending_events(), 0u);
}

// A PLL the chip cannot run gives no clock the firmware could rely on: the
// board refuses to switch it on, where the chip would give garbage or nothing.
TEST_F(RccModel, APllConfigurationTheChipCannotRunIsRefused)
{
    const struct {
        const char* name;
        std::uint32_t pllcfgr;
        const char* why;
    } cases[] = {
        {"M of 0", 0x05411000u, "PLLM = 0"},
        {"M of 1", 0x05411001u, "PLLM = 1"},
        {"VCO above 432 MHz", 0x05412004u, "a VCO of 800000000 Hz"},
        {"VCO below 64 MHz", 0x05400204u, "a VCO of 50000000 Hz"},
        {"system clock above 120 MHz", 0x05400E04u, "a system clock of 175000000 Hz"},
    };
    set_bits(Rcc::CR, kCrHseOn);
    clock.advance(Rcc::kHseStartup);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write(Rcc::PLLCFGR, c.pllcfgr);
        try {
            set_bits(Rcc::CR, kCrPllOn);
            ADD_FAILURE() << "switched on";
        } catch (const sim::SimError& e) {
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
        EXPECT_EQ(read(Rcc::CR) & kCrPllOn, 0u);
    }
}

TEST_F(RccModel, ClockChangesAreToldAndResetBitsResetTheirPeripheral)
{
    int changes = 0;
    rcc.set_clock_listener([&] { ++changes; });
    std::vector<std::pair<Rcc::PeripheralBus, unsigned>> resets;
    rcc.set_reset_listener([&](Rcc::PeripheralBus bus, unsigned bit) { resets.emplace_back(bus, bit); });
    run_from_pll(0x05411004u, 0x00009400u);
    EXPECT_EQ(changes, 2) << "the prescalers, then the switch to the PLL";
    write(Rcc::APB2RSTR, 1u << 14);
    write(Rcc::APB2RSTR, 1u << 14);  // held: no second reset
    write(Rcc::APB2RSTR, 0);
    write(Rcc::APB1RSTR, (1u << 17) | (1u << 14));
    const std::vector<std::pair<Rcc::PeripheralBus, unsigned>> expected = {
        {Rcc::PeripheralBus::Apb2, 14}, {Rcc::PeripheralBus::Apb1, 14}, {Rcc::PeripheralBus::Apb1, 17}};
    EXPECT_EQ(resets, expected);
    EXPECT_EQ(*rcc.enable_register(Rcc::PeripheralBus::Apb1), rcc.peek(Rcc::APB1ENR));
}

}  // namespace
