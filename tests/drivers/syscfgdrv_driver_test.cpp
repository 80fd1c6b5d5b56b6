#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "board/wiring.h"
#include "driver_test.h"
#include "models/rcc.h"
#include "models/syscfg.h"
#include "stm32f2xx_rcc.h"
#include "syscfgdrv.h"

namespace {

using sim::Syscfg;

const std::string kModule = "syscfgdrv.cpp";

class SyscfgTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);
    }
    Syscfg& syscfg() { return models(board).get<Syscfg>("SYSCFG"); }
    std::array<std::uint32_t, 4> exticr()
    {
        return {syscfg().peek(Syscfg::EXTICR(0)), syscfg().peek(Syscfg::EXTICR(1)), syscfg().peek(Syscfg::EXTICR(2)),
                syscfg().peek(Syscfg::EXTICR(3))};
    }
};

struct LineCase {
    std::uint8_t port, pin;
    std::array<std::uint32_t, 4> after;  // from 0x8765 in every word
    std::string reports;
    std::uint32_t cleared;  // the word with the line's field cleared, read back before the port is set
};

TEST_F(SyscfgTest, ExtiLineConfigSetsTheFieldOfItsLineOnly)
{
    const std::string bad_port = report(kModule, "SYSCFG_EXTILineConfig", "IS_EXTI_PORT_SOURCE");
    const LineCase cases[] = {
        {3, 14, {0x8765, 0x8765, 0x8765, 0x8365}, "", 0x8065},
        {2, 15, {0x8765, 0x8765, 0x8765, 0x2765}, "", 0x0765},
        {0, 0, {0x8760, 0x8765, 0x8765, 0x8765}, "", 0x8760},
        {8, 5, {0x8765, 0x8785, 0x8765, 0x8765}, "", 0x8705},
        {1, 16, {0x8765, 0x8765, 0x8765, 0x8765}, report(kModule, "SYSCFG_EXTILineConfig", "IS_EXTI_PIN_SOURCE"), 0},
    };
    const std::uint32_t syscfg_base = sim::base_of("SYSCFG");
    for (const LineCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "port " << int(c.port) << ", pin " << int(c.pin));
        for (auto& word : SYSCFG->EXTICR) word = 0x8765u;
        board.clear_serial_output();
        board.trace().clear();
        board.trace().start();
        SYSCFG_EXTILineConfig(c.port, c.pin);
        board.trace().stop();
        EXPECT_EQ(exticr(), c.after);
        EXPECT_EQ(console(), c.reports);
        // Clear the field, read the word again, set the field: two read-modify-writes.
        using Access = std::tuple<bool, std::uint32_t, std::uint32_t>;  // write, address, value
        std::vector<Access> expected;
        if (c.pin <= 15) {
            const std::uint32_t word = syscfg_base + Syscfg::EXTICR(c.pin / 4);
            expected = {{false, word, 0x8765}, {true, word, c.cleared}, {false, word, c.cleared},
                        {true, word, c.after[c.pin / 4]}};
        }
        std::vector<Access> seen;
        for (const sim::BusAccess& a : accesses_to(board.trace().accesses(), syscfg_base, 0x400))
            seen.emplace_back(a.write, a.address, a.value);
        EXPECT_EQ(seen, expected);
    }
    // Past port I the code is reserved: reported, then refused by the chip's model.
    board.clear_serial_output();
    EXPECT_THROW(SYSCFG_EXTILineConfig(9, 6), sim::SimError);
    EXPECT_EQ(console(), bad_port);
}

TEST_F(SyscfgTest, SingleBitSettingsGoThroughTheBitBandAliasAlone)
{
    const std::uint32_t kPmcBit23 = 0x422700DCu, kCmpcrBit0 = 0x42270400u;
    struct Case {
        void (*call)();
        std::uint32_t alias, written;
        std::uint32_t offset, after;
        const char* check;  // reported, or null
    };
    const Case cases[] = {
        {[] { SYSCFG_ETH_MediaInterfaceConfig(SYSCFG_ETH_MediaInterface_RMII); }, kPmcBit23, 1, Syscfg::PMC, 0x800000,
         nullptr},
        {[] { SYSCFG_ETH_MediaInterfaceConfig(SYSCFG_ETH_MediaInterface_MII); }, kPmcBit23, 0, Syscfg::PMC, 0, nullptr},
        {[] { SYSCFG_ETH_MediaInterfaceConfig(SYSCFG_ETH_MediaInterface_RMII); }, kPmcBit23, 1, Syscfg::PMC, 0x800000,
         nullptr},
        {[] { SYSCFG_ETH_MediaInterfaceConfig(2); }, kPmcBit23, 2, Syscfg::PMC, 0, "IS_SYSCFG_ETH_MEDIA_INTERFACE"},
        {[] { SYSCFG_CompensationCellCmd(ENABLE); }, kCmpcrBit0, 1, Syscfg::CMPCR, 1, nullptr},
        {[] { SYSCFG_CompensationCellCmd(DISABLE); }, kCmpcrBit0, 0, Syscfg::CMPCR, 0, nullptr},
        {[] { SYSCFG_CompensationCellCmd(FunctionalState(3)); }, kCmpcrBit0, 3, Syscfg::CMPCR, 1, "IS_FUNCTIONAL_STATE"},
    };
    board.trace().start();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        board.trace().clear();
        board.clear_serial_output();
        c.call();
        const std::vector<sim::BusAccess>& trace = board.trace().accesses();
        const auto alias = accesses_to(trace, sim::kPeripheralBitBandAlias, sim::kPeripheralBitBandSize);
        ASSERT_EQ(alias.size(), 1u);
        EXPECT_TRUE(alias[0].write && alias[0].address == c.alias && alias[0].value == c.written);
        EXPECT_TRUE(accesses_to(trace, sim::base_of("SYSCFG"), 0x400).empty()) << "the register itself untouched";
        EXPECT_EQ(syscfg().peek(c.offset), c.after);
        const char* function = c.offset == Syscfg::PMC ? "SYSCFG_ETH_MediaInterfaceConfig" : "SYSCFG_CompensationCellCmd";
        EXPECT_EQ(console(), c.check != nullptr ? report(kModule, function, c.check) : "");
    }
}

TEST_F(SyscfgTest, CompensationCellStatusIsReadyOnlyAfterItsStartUp)
{
    SYSCFG_CompensationCellCmd(ENABLE);
    EXPECT_EQ(SYSCFG_GetCompensationCellStatus(), RESET);
    models(board).clock().advance(Syscfg::kCellStartup);
    EXPECT_EQ(SYSCFG_GetCompensationCellStatus(), SET);
    SYSCFG_CompensationCellCmd(DISABLE);
    EXPECT_EQ(SYSCFG_GetCompensationCellStatus(), RESET);
}

TEST_F(SyscfgTest, DeInitPulsesTheResetBitAndEverythingReturnsToReset)
{
    SYSCFG_EXTILineConfig(2, 15);
    SYSCFG_MemoryRemapConfig(SYSCFG_MemoryRemap_SRAM);
    SYSCFG_CompensationCellCmd(ENABLE);
    const std::uint32_t apb2rstr = sim::base_of("RCC") + sim::Rcc::APB2RSTR;
    board.trace().start();
    SYSCFG_DeInit();
    EXPECT_TRUE(appear_in_order(board.trace().accesses(),
                                {write_bits(apb2rstr, 0x4000, 0x4000), write_bits(apb2rstr, 0, 0x4000)}));
    for (std::uint32_t offset : {Syscfg::MEMRMP, Syscfg::EXTICR(3), Syscfg::CMPCR}) EXPECT_EQ(syscfg().peek(offset), 0u);
    EXPECT_EQ(SYSCFG->MEMRMP, 0u) << "still clocked, out of reset";
    EXPECT_EQ(console(), "");
}

}  // namespace
