// Assertion and fault reports on the console.
#include <gtest/gtest.h>

#include "core/cpu.h"
#include "board_test.h"
#include "models/system_control_block.h"
#include "morva_debug.h"

namespace {

class DiagnosticsTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        open_console();
    }
};

TEST_F(DiagnosticsTest, AssertionLinesTakeTheShortFormWithoutAFile)
{
    const struct {
        const char* type;
        const char* cause;
        const char* file;
        std::uint32_t line;
        const char* printed;
    } cases[] = {
        {"SYS", "x", nullptr, 7, "SYS_ASSERT: x (7)\r\n"},
        {"Fault", "BusFault", nullptr, 0, "Fault_ASSERT: BusFault (0)\r\n"},
        {"STM", "", "drv.c", 389, "STM_ASSERT:  at drv.c:389\r\n"},
        {"SYS", "Heap overflow!", "MALLOC_HEAP_SIZE", 1, "SYS_ASSERT: Heap overflow! at MALLOC_HEAP_SIZE:1\r\n"},
        // Line numbers print signed.
        {"T", "c", "f", 0x80000000u, "T_ASSERT: c at f:-2147483648\r\n"},
        {"T", "c", nullptr, 0xFFFFFFFFu, "T_ASSERT: c (-1)\r\n"},
    };
    for (const auto& c : cases) {
        board.clear_serial_output();
        print_assert(const_cast<char*>(c.type), const_cast<char*>(c.cause), const_cast<char*>(c.file), c.line);
        EXPECT_EQ(console(), c.printed);
    }
}

TEST_F(DiagnosticsTest, PeripheralAssertionCarriesTwoBlanksAndReturns)
{
    char path[] = "../../../../Libraries/F2xx_Periph_Driver/src/stm32f2xx_gpio.cpp";
    assert_failed(reinterpret_cast<std::uint8_t*>(path), 389);
    assert_failed(reinterpret_cast<std::uint8_t*>(path), 390);
    EXPECT_EQ(console(),
              "STM_ASSERT:  at ../../../../Libraries/F2xx_Periph_Driver/src/stm32f2xx_gpio.cpp:389\r\n"
              "STM_ASSERT:  at ../../../../Libraries/F2xx_Periph_Driver/src/stm32f2xx_gpio.cpp:390\r\n");
    EXPECT_FALSE(board.stopped());
}

TEST_F(DiagnosticsTest, AnAttachedDebuggerStopsOnceForEachReport)
{
    print_assert(const_cast<char*>("A"), const_cast<char*>("b"), nullptr, 1);
    EXPECT_EQ(board.breakpoints_hit(), 0u);

    board.attach_debugger(true);
    // The debugger looks at the line when the firmware stops: the report's
    // line is not out yet.
    std::vector<std::size_t> sent_at_stop;
    board.on_breakpoint([&] { sent_at_stop.push_back(console().size()); });
    const std::size_t before = console().size();
    print_assert(const_cast<char*>("A"), const_cast<char*>("b"), nullptr, 1);
    const std::size_t after_first = console().size();
    print_assert(const_cast<char*>("A"), const_cast<char*>("b"), nullptr, 2);
    EXPECT_EQ(board.breakpoints_hit(), 2u);
    EXPECT_EQ(sent_at_stop, (std::vector<std::size_t>{before, after_first}));
    EXPECT_EQ(console(), "A_ASSERT: b (1)\r\nA_ASSERT: b (1)\r\nA_ASSERT: b (2)\r\n");
}

// Any bus access of the running code takes a pending fault.
void touch_the_bus()
{
    const std::uint32_t cr = RCC->CR;
    (void)cr;
}

const std::uint32_t kFrame[8] = {0x00000001u, 0x22222222u, 0x33333333u, 0x44444444u,
                                 0x0000ABCDu, 0x08000F01u, 0x08001234u, 0x01000000u};

std::string hard_fault_report(const std::uint32_t (&f)[8], const sim::FaultRegisters& r, std::uint32_t shcsr)
{
    char text[1024];
    std::snprintf(text, sizeof text,
                  "\r\n\r\n[Hard fault handler]\r\n"
                  "R0 = 0x%08X\r\nR1 = 0x%08X\r\nR2 = 0x%08X\r\nR3 = 0x%08X\r\nR12 = 0x%08X\r\n"
                  "LR [R14] = 0x%08X  subroutine call return address\r\n"
                  "PC [R15] = 0x%08X  program counter\r\n"
                  "PSR = 0x%08X\r\nSHCSR = 0x%08X\r\nCFSR = 0x%08X\r\nHFSR = 0x%08X\r\nDFSR = 0x%08X\r\n"
                  "MMFAR = 0x%08X\r\nBFAR = 0x%08X\r\nAFSR = 0x%08X\r\n",
                  f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], shcsr, r.cfsr, r.hfsr, r.dfsr, r.mmfar, r.bfar,
                  r.afsr);
    return text;
}

TEST_F(DiagnosticsTest, HardFaultReportsTheMainStackFrameAndHalts)
{
    sim::FaultRegisters faults;
    faults.cfsr = 0x00020000u;  // invalid state
    faults.hfsr = 0x40000000u;  // forced
    faults.bfar = 0xDEADBEEFu;
    models(board).scb().set_fault_registers(faults);
    board.force_hard_fault(kFrame);

    board.run_code(touch_the_bus);

    EXPECT_TRUE(board.stopped());
    EXPECT_EQ(board.stop_reason(), "halt");
    // SHCSR shows the hard fault is no handler of its own: no active bit.
    EXPECT_EQ(console(), hard_fault_report(kFrame, faults, 0));
    EXPECT_EQ(console_lines(console()).size(), 18u) << "two blank lines, the title and fifteen values";
}

TEST_F(DiagnosticsTest, HardFaultWithExceptionReturnBit2ReadsTheProcessStack)
{
    const std::uint32_t other[8] = {9, 8, 7, 6, 5, 4, 3, 2};
    board.force_hard_fault(other, /*on_process_stack=*/true);
    board.run_code(touch_the_bus);
    EXPECT_NE(console().find("R0 = 0x00000009\r\nR1 = 0x00000008\r\n"), std::string::npos) << console();
}

TEST_F(DiagnosticsTest, DebuggerStopsBeforeTheFirstLineOfAHardFaultReport)
{
    board.attach_debugger(true);
    std::string sent_at_stop = "(no stop)";
    board.on_breakpoint([&] { sent_at_stop = console(); });
    board.force_hard_fault(kFrame);
    board.run_code(touch_the_bus);
    EXPECT_EQ(board.breakpoints_hit(), 1u);
    EXPECT_EQ(sent_at_stop, "") << "nothing of the report before the stop";
    EXPECT_EQ(console().rfind("\r\n\r\n[Hard fault handler]\r\n", 0), 0u);
    EXPECT_TRUE(board.stopped());
}

TEST_F(DiagnosticsTest, ConfigurableFaultHandlersReportTheirKindAndHalt)
{
    const struct {
        void (*handler)();
        const char* printed;
    } cases[] = {{MemManage_Handler, "Fault_ASSERT: MemManage (0)\r\n"},
                 {BusFault_Handler, "Fault_ASSERT: BusFault (0)\r\n"},
                 {UsageFault_Handler, "Fault_ASSERT: UsageFault (0)\r\n"}};
    for (const auto& c : cases) {
        board.power_on();
        open_console();
        board.run_code(c.handler);
        EXPECT_TRUE(board.stopped());
        EXPECT_EQ(console(), c.printed);
    }
}

TEST_F(DiagnosticsTest, QuietHandlersReturnAtOnce)
{
    for (void (*handler)() : {NMI_Handler, SVC_Handler, DebugMon_Handler, PendSV_Handler}) handler();
    EXPECT_EQ(console(), "");
    EXPECT_FALSE(board.stopped());
}

}  // namespace
