#include <functional>
#include <string>
#include <vector>

#include "driver_test.h"
#include "model_rig.h"
#include "models/spi.h"
#include "morva_eval.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_spi.h"

namespace {

using sim::Spi;

const std::string kModule = "stm32f2xx_spi.cpp";

std::string init_report(const char* check) { return report(kModule, "SPI_Init", check); }

// The set-up both SPI2 devices use: master, mode 3, 8 bits, software chip
// select, bus clock / 16, most significant bit first.
constexpr SPI_InitTypeDef kBoardBus = {SPI_Direction_2Lines_FullDuplex, SPI_Mode_Master, SPI_DataSize_8b,
                                       SPI_CPOL_High, SPI_CPHA_2Edge, SPI_NSS_Soft,
                                       SPI_BaudRatePrescaler_16, SPI_FirstBit_MSB, 7};

struct InitWritesCase {
    const char* name;
    std::uint32_t cr1_before, i2scfgr_before;
    SPI_InitTypeDef init;
    std::vector<RegisterWrite> writes;
};

// On plain storage at SPI3's address, so that every bit of the old values can
// be set: which of them survive is the point.
TEST(SpiInit, WritesCr1FromTheFieldsKeepingCrcAndEnableThenLeavesI2sModeThenSetsThePolynomial)
{
    const InitWritesCase cases[] = {
        {"master, 8 bits, f/8, the rest 0, on a disabled SPI", 0x0000, 0x0800,
         {0, SPI_Mode_Master, 0, 0, 0, 0, SPI_BaudRatePrescaler_8, 0, 7},
         {{0x00, 2, 0x0114}, {0x1C, 2, 0x0000}, {0x10, 2, 0x0007}}},
        {"every old bit set: only CRC enable, CRC next and SPE survive", 0xFFFF, 0xFFFF,
         {0, SPI_Mode_Master, 0, 0, 0, 0, SPI_BaudRatePrescaler_8, 0, 7},
         {{0x00, 2, 0x3154}, {0x1C, 2, 0xF7FF}, {0x10, 2, 0x0007}}},
        {"the board's bus, enabled before", 0x0040, 0x0000, kBoardBus,
         {{0x00, 2, 0x035F}, {0x1C, 2, 0x0000}, {0x10, 2, 0x0007}}},
        {"receive only, slave, 16 bits, f/256, LSB first", 0x0000, 0x0B05,
         {SPI_Direction_2Lines_RxOnly, SPI_Mode_Slave, SPI_DataSize_16b, SPI_CPOL_Low, SPI_CPHA_1Edge, SPI_NSS_Hard,
          SPI_BaudRatePrescaler_256, SPI_FirstBit_LSB, 0x1234},
         {{0x00, 2, 0x0CB8}, {0x1C, 2, 0x0305}, {0x10, 2, 0x1234}}},
        {"one line, transmit", 0x0000, 0x0000,
         {SPI_Direction_1Line_Tx, SPI_Mode_Master, 0, 0, 0, SPI_NSS_Soft, 0, 0, 1},
         {{0x00, 2, 0xC304}, {0x1C, 2, 0x0000}, {0x10, 2, 0x0001}}},
    };
    ModelRig rig;
    RegisterFile spi3;
    rig.bus.map(sim::base_of("SPI3"), RegisterFile::kSize, spi3, "SPI3 as storage");
    for (const InitWritesCase& c : cases) {
        SCOPED_TRACE(c.name);
        spi3.preset(0x00, c.cr1_before);
        spi3.preset(0x1C, c.i2scfgr_before);
        spi3.clear_writes();
        SPI_InitTypeDef init = c.init;
        SPI_Init(SPI3, &init);
        EXPECT_EQ(spi3.writes(), c.writes);
    }
}

// The start-up clock tree and every SPI clocked.
class SpiDriverTest : public DriverTest {
protected:
    void set_up_clocks() override { run_start_up_clock_tree(); }
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_APB1PeriphClockCmd(RCC_APB1Periph_SPI2 | RCC_APB1Periph_SPI3, ENABLE);
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_SPI1, ENABLE);
    }
    Spi& spi(int n) { return models(board).spi(n); }
};

struct CheckCase {
    const char* name;
    SPI_InitTypeDef init;
    std::uint32_t cr1;
    std::string reports;
};

TEST_F(SpiDriverTest, InitReportsEachBadFieldAtItsCheckAndWritesTheValuesAsGiven)
{
    const SPI_InitTypeDef all_bad = {0x0001, 0x0004, 0x0400, 0x0001, 0x0002, 0x0100, 0x0007, 0x0001, 0};
    const CheckCase cases[] = {
        {"the polynomial 0", {0, SPI_Mode_Master, 0, 0, 0, 0, SPI_BaudRatePrescaler_8, 0, 0}, 0x0114,
         init_report("IS_SPI_CRC_POLYNOMIAL")},
        {"direction", {0x4000, SPI_Mode_Master, 0, 0, 0, 0, 0, 0, 7}, 0x4104, init_report("IS_SPI_DIRECTION_MODE")},
        {"mode", {0, 0x0004, 0, 0, 0, 0, 0, 0, 7}, 0x0004, init_report("IS_SPI_MODE")},
        {"frame size", {0, SPI_Mode_Master, 0x0400, 0, 0, 0, 0, 0, 7}, 0x0504, init_report("IS_SPI_DATASIZE")},
        {"clock polarity", {0, SPI_Mode_Master, 0, 0x0001, 0, 0, 0, 0, 7}, 0x0105, init_report("IS_SPI_CPOL")},
        {"clock phase", {0, SPI_Mode_Master, 0, 0, 0x0002, 0, 0, 0, 7}, 0x0106, init_report("IS_SPI_CPHA")},
        {"slave select", {0, SPI_Mode_Master, 0, 0, 0, 0x0008, 0, 0, 7}, 0x010C, init_report("IS_SPI_NSS")},
        {"prescaler", {0, SPI_Mode_Master, 0, 0, 0, 0, 0x0007, 0, 7}, 0x0107,
         init_report("IS_SPI_BAUDRATE_PRESCALER")},
        {"bit order", {0, SPI_Mode_Master, 0, 0, 0, 0, 0, 0x0001, 7}, 0x0105, init_report("IS_SPI_FIRST_BIT")},
        {"all of them, in the order of the checks", all_bad, 0x0507,
         init_report("IS_SPI_DIRECTION_MODE") + init_report("IS_SPI_MODE") + init_report("IS_SPI_DATASIZE") +
             init_report("IS_SPI_CPOL") + init_report("IS_SPI_CPHA") + init_report("IS_SPI_NSS") +
             init_report("IS_SPI_BAUDRATE_PRESCALER") + init_report("IS_SPI_FIRST_BIT") +
             init_report("IS_SPI_CRC_POLYNOMIAL")},
        {"the board's bus: nothing to report", kBoardBus, 0x031F, ""},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        spi(3).reset();
        board.clear_serial_output();
        SPI_InitTypeDef init = c.init;
        SPI_Init(SPI3, &init);
        EXPECT_EQ(spi(3).peek(Spi::CR1), c.cr1);
        EXPECT_EQ(spi(3).peek(Spi::CRCPR), c.init.SPI_CRCPolynomial);
        EXPECT_EQ(console(), c.reports);
    }
}

TEST_F(SpiDriverTest, CmdSwitchesOnlyTheEnableBit)
{
    SPI_InitTypeDef init = kBoardBus;
    SPI_Init(SPI1, &init);
    const struct {
        FunctionalState state;
        std::uint32_t cr1;
        std::string reports;
    } steps[] = {
        {ENABLE, 0x035F, ""},
        {ENABLE, 0x035F, ""},
        {DISABLE, 0x031F, ""},
        {static_cast<FunctionalState>(2), 0x035F, report(kModule, "SPI_Cmd", "IS_FUNCTIONAL_STATE")},
        {DISABLE, 0x031F, ""},
    };
    for (const auto& step : steps) {
        board.clear_serial_output();
        SPI_Cmd(SPI1, step.state);
        EXPECT_EQ(spi(1).peek(Spi::CR1), step.cr1) << "after state " << step.state;
        EXPECT_EQ(console(), step.reports);
    }
}

TEST_F(SpiDriverTest, EveryFunctionReportsAPortThatIsNoSpi)
{
    map_scratch(kForeignBase);
    auto* foreign = reinterpret_cast<SPI_TypeDef*>(kForeignBase);
    SPI_InitTypeDef init = kBoardBus;
    const struct {
        const char* function;
        std::function<void()> call;
    } calls[] = {
        {"SPI_Init", [&] { SPI_Init(foreign, &init); }},
        {"SPI_Cmd", [&] { SPI_Cmd(foreign, ENABLE); }},
        {"SPI_I2S_SendData", [&] { SPI_I2S_SendData(foreign, 0x12); }},
        {"SPI_I2S_ReceiveData", [&] { (void)SPI_I2S_ReceiveData(foreign); }},
        {"SPI_I2S_GetFlagStatus", [&] { (void)SPI_I2S_GetFlagStatus(foreign, SPI_I2S_FLAG_TXE); }},
    };
    for (const auto& c : calls) {
        board.clear_serial_output();
        c.call();
        EXPECT_EQ(console(), report(kModule, c.function, "IS_SPI_ALL_PERIPH")) << c.function;
    }
}

// Every flag of the status register, as the driver reads it. A read of CR1
// between two flags keeps the status reads from looking like a busy-wait,
// which the board would skip to the end of the byte.
std::vector<FlagStatus> all_flags(SPI_TypeDef* spi)
{
    std::vector<FlagStatus> flags;
    for (std::uint16_t flag = 0x0001; flag <= 0x0100; flag = static_cast<std::uint16_t>(flag << 1)) {
        flags.push_back(SPI_I2S_GetFlagStatus(spi, flag));
        (void)static_cast<std::uint16_t>(spi->CR1);
    }
    return flags;
}

std::vector<FlagStatus> only(std::uint16_t set)
{
    std::vector<FlagStatus> flags;
    for (std::uint16_t flag = 0x0001; flag <= 0x0100; flag = static_cast<std::uint16_t>(flag << 1))
        flags.push_back((set & flag) != 0 ? SET : RESET);
    return flags;
}

TEST_F(SpiDriverTest, DataAndFlagsFollowEachByteOnTheBoardsBus)
{
    sACCEL_LowLevel_Init();
    const sim::Nanoseconds byte = spi(2).byte_time();
    ASSERT_EQ(byte, 5120u) << "APB1 25 MHz / 16";
    GPIO_ResetBits(GPIOB, GPIO_Pin_14);
    const auto exchange = [&](std::uint8_t out) {
        SPI_I2S_SendData(SPI2, out);
        models(board).clock().advance(byte);
    };

    EXPECT_EQ(all_flags(SPI2), only(SPI_I2S_FLAG_TXE)) << "idle";
    SPI_I2S_SendData(SPI2, 0x00A0);  // read the control register
    EXPECT_EQ(all_flags(SPI2), only(SPI_I2S_FLAG_TXE | SPI_I2S_FLAG_BSY)) << "shifting";
    models(board).clock().advance(byte);
    EXPECT_EQ(all_flags(SPI2), only(SPI_I2S_FLAG_TXE | SPI_I2S_FLAG_RXNE)) << "received";
    EXPECT_EQ(SPI_I2S_ReceiveData(SPI2), 0x00FF) << "nothing drives the line during a command";
    exchange(0xA5);
    EXPECT_EQ(SPI_I2S_ReceiveData(SPI2), 0x0000) << "the control register after power-on";
    EXPECT_EQ(all_flags(SPI2), only(SPI_I2S_FLAG_TXE));

    exchange(0xA5);
    exchange(0xA5);
    EXPECT_EQ(all_flags(SPI2), only(SPI_I2S_FLAG_TXE | SPI_I2S_FLAG_RXNE | SPI_I2S_FLAG_OVR)) << "one reply unread";
    GPIO_SetBits(GPIOB, GPIO_Pin_14);
    EXPECT_EQ(spi(2).bytes_moved(), 4u);

    // A bad flag is reported and still tested as given.
    board.clear_serial_output();
    for (auto [bad, status] : {std::pair<std::uint16_t, FlagStatus>{0x0000, RESET}, {0x0003, SET}, {0x0200, RESET},
                               {0x8000, RESET}})
        EXPECT_EQ(SPI_I2S_GetFlagStatus(SPI2, bad), status) << bad;
    EXPECT_EQ(console(), report(kModule, "SPI_I2S_GetFlagStatus", "IS_SPI_I2S_GET_FLAG", 4));
}

TEST_F(SpiDriverTest, AMasterEnabledWithItsSlaveSelectLowShowsTheModeFault)
{
    SPI_InitTypeDef init = kBoardBus;
    init.SPI_Mode = 0x0004;  // master without the internal slave select high
    SPI_Init(SPI3, &init);
    SPI_Cmd(SPI3, ENABLE);
    EXPECT_EQ(all_flags(SPI3), only(SPI_I2S_FLAG_TXE | SPI_FLAG_MODF));
    EXPECT_EQ(spi(3).peek(Spi::CR1) & (Spi::kEnable | Spi::kMaster), 0u);
    EXPECT_EQ(console(), report(kModule, "SPI_Init", "IS_SPI_MODE"));
}

}  // namespace
