#include <string>
#include <vector>

#include "driver_test.h"
#include "models/usart.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_usart.h"

namespace {

using sim::Usart;

const std::string kModule = "stm32f2xx_usart.cpp";

std::string init_report(const char* check) { return report(kModule, "USART_Init", check); }

USART_InitTypeDef console_line(std::uint32_t baud = 115200)
{
    return {baud, USART_WordLength_8b, USART_StopBits_1, USART_Parity_No, USART_Mode_Rx | USART_Mode_Tx,
            USART_HardwareFlowControl_None};
}

// The start-up clock tree (APB1 25 MHz, APB2 50 MHz), the console up, and
// scratch registers as UART4, which the board does not model.
class UsartTest : public DriverTest {
protected:
    void set_up_clocks() override { run_start_up_clock_tree(); }
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_APB1PeriphClockCmd(RCC_APB1Periph_USART3, ENABLE);
        RCC_APB2PeriphClockCmd(RCC_APB2Periph_USART1 | RCC_APB2Periph_USART6, ENABLE);
        uart4 = &map_scratch(UART4_BASE);
    }
    RegisterFile* uart4 = nullptr;
};

struct DividerCase {
    const char* name;
    USART_TypeDef* port;
    int number;
    std::uint16_t cr1;
    std::uint32_t baud;
    std::uint32_t brr;
};

TEST_F(UsartTest, InitComputesTheDividerFromThePortsBusClock)
{
    const DividerCase cases[] = {
        {"console on USART2, APB1", USART2, 2, 0x200C, 115200, 0x00D9},
        {"USART3 on APB1", USART3, 3, 0, 115200, 0x00D9},
        {"USART1 on APB2", USART1, 1, 0, 115200, 0x01B2},
        {"USART6 on APB2", USART6, 6, 0, 115200, 0x01B2},
        {"oversampling by 8", USART3, 3, 0x8000, 115200, 0x01B1},
        {"9600 bit/s", USART3, 3, 0, 9600, 0x0A2C},
        {"4500 bit/s: 347.22, the fraction 4.02 rounds down", USART3, 3, 0, 4500, 0x15B4},
        {"4500 bit/s by 8: 694.44, the fraction 4.02 rounds down", USART3, 3, 0x8000, 4500, 0x2B64},
        {"fraction rounding to 16 is dropped", USART3, 3, 0, 1201, 0x5140},
        {"fraction rounding to 8 is dropped", USART3, 3, 0x8000, 1201, 0xA290},
        {"mantissa beyond the register keeps its low bits", USART3, 3, 0, 1, 0x7840},
    };
    for (const DividerCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.port->CR1 = c.cr1;
        USART_InitTypeDef line = console_line(c.baud);
        USART_Init(c.port, &line);
        EXPECT_EQ(models(board).usart(c.number).peek(Usart::BRR), c.brr);
    }
    EXPECT_EQ(console(), "");
}

struct LineCase {
    const char* name;
    std::uint16_t before;  // CR1, CR2 and CR3
    USART_InitTypeDef init;
    std::vector<RegisterWrite> writes;
    std::string reports;
};

TEST_F(UsartTest, InitReplacesOnlyTheLineFieldsInOrderCr2Cr1Cr3Brr)
{
    const LineCase cases[] = {
        {"other bits kept, oversampling by 8 among them", 0xFFFF, console_line(),
         {{0x10, 2, 0xCFFF}, {0x0C, 2, 0xE9FF}, {0x14, 2, 0xFCFF}, {0x08, 2, 0x01B1}}, ""},
        {"9 bits, 2 stop bits, odd parity, transmitter", 0,
         {9600, USART_WordLength_9b, USART_StopBits_2, USART_Parity_Odd, USART_Mode_Tx, USART_HardwareFlowControl_None},
         {{0x10, 2, 0x2000}, {0x0C, 2, 0x1608}, {0x14, 2, 0x0000}, {0x08, 2, 0x0A2C}}, ""},
        {"RTS on UART4 reported once, written all the same", 0,
         {115200, USART_WordLength_8b, USART_StopBits_1, USART_Parity_No, USART_Mode_Rx | USART_Mode_Tx,
          USART_HardwareFlowControl_RTS},
         {{0x10, 2, 0}, {0x0C, 2, 0x000C}, {0x14, 2, 0x0100}, {0x08, 2, 0x00D9}}, init_report("IS_USART_1236")},
        {"bad values reported, none leaves its field", 0, {115200, 0x0800, 0x4000, 0x0100, 0x2008, 0x0400},
         {{0x10, 2, 0}, {0x0C, 2, 0x0008}, {0x14, 2, 0}, {0x08, 2, 0x00D9}},
         init_report("IS_USART_WORD_LENGTH") + init_report("IS_USART_STOPBITS") + init_report("IS_USART_PARITY") +
             init_report("IS_USART_MODE") + init_report("IS_USART_HARDWARE") + init_report("IS_USART_1236")},
        {"baud rate 0 reported, divider 0", 0, console_line(0),
         {{0x10, 2, 0}, {0x0C, 2, 0x000C}, {0x14, 2, 0}, {0x08, 2, 0}}, init_report("IS_USART_BAUDRATE")},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        for (std::uint32_t offset : {0x0Cu, 0x10u, 0x14u}) uart4->preset(offset, c.before);
        uart4->clear_writes();
        board.clear_serial_output();
        USART_InitTypeDef init = c.init;
        USART_Init(UART4, &init);
        EXPECT_EQ(uart4->writes(), c.writes);
        EXPECT_EQ(console(), c.reports);
    }
}

TEST_F(UsartTest, CmdSwitchesOnlyTheEnableBit)
{
    uart4->preset(0x0C, 0x000C);
    USART_Cmd(UART4, ENABLE);
    USART_Cmd(UART4, DISABLE);
    uart4->preset(0x0C, 0xFFFF);
    USART_Cmd(UART4, DISABLE);
    USART_Cmd(UART4, static_cast<FunctionalState>(2));
    const std::vector<RegisterWrite> expected = {{0x0C, 2, 0x200C}, {0x0C, 2, 0x000C}, {0x0C, 2, 0xDFFF}, {0x0C, 2, 0xFFFF}};
    EXPECT_EQ(uart4->writes(), expected);
    EXPECT_EQ(console(), report(kModule, "USART_Cmd", "IS_FUNCTIONAL_STATE"));
}

TEST_F(UsartTest, DataIsMaskedToNineBits)
{
    using sim::operator""_ms;
    USART_SendData(USART2, 0x0241);
    models(board).clock().advance(1_ms);  // the character's time on the line
    EXPECT_EQ(console(), report(kModule, "USART_SendData", "IS_USART_DATA") + "A");

    board.clear_serial_output();
    USART_SendData(UART4, 0x0241);
    const std::vector<RegisterWrite> sent = {{0x04, 2, 0x0041}};
    EXPECT_EQ(uart4->writes(), sent);
    EXPECT_EQ(console(), report(kModule, "USART_SendData", "IS_USART_DATA"));

    uart4->preset(0x04, 0xFFFF);
    EXPECT_EQ(USART_ReceiveData(UART4), 0x01FF);
    uart4->preset(0x04, 0x0041);
    EXPECT_EQ(USART_ReceiveData(UART4), 0x0041);
}

struct FlagCase {
    USART_TypeDef* port;
    std::uint16_t flag;
    FlagStatus status;
    std::string reports;
};

TEST_F(UsartTest, GetFlagStatusTestsOneStatusBit)
{
    uart4->preset(0x00, 0x00C0);
    const std::string no_cts = report(kModule, "USART_GetFlagStatus", "IS_USART_1236");
    const FlagCase cases[] = {
        {UART4, USART_FLAG_TC, SET, ""},
        {UART4, USART_FLAG_TXE, SET, ""},
        {UART4, USART_FLAG_RXNE, RESET, ""},
        {UART4, USART_FLAG_PE, RESET, ""},
        {UART4, USART_FLAG_CTS, RESET, no_cts},
        {UART4, 0x0003, RESET, report(kModule, "USART_GetFlagStatus", "IS_USART_FLAG")},
        {UART4, 0x0400, RESET, report(kModule, "USART_GetFlagStatus", "IS_USART_FLAG")},
        {USART3, USART_FLAG_CTS, RESET, ""},
        {reinterpret_cast<USART_TypeDef*>(kForeignBase), USART_FLAG_TC, RESET,
         report(kModule, "USART_GetFlagStatus", "IS_USART_ALL_PERIPH")},
    };
    map_scratch(kForeignBase);
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "flag 0x" << std::hex << c.flag);
        board.clear_serial_output();
        EXPECT_EQ(USART_GetFlagStatus(c.port, c.flag), c.status);
        EXPECT_EQ(console(), c.reports);
    }
}

}  // namespace
