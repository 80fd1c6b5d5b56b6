// The whole firmware started from reset on the virtual board.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "board/board.h"
#include "board/board_models.h"
#include "board/operator.h"
#include "main.h"
#include "core/exception_state.h"
#include "fault_frames.h"
#include "models/flash_memory.h"
#include "models/rcc.h"
#include "models/usart.h"
#include "sercom.h"
#include "stm32f2xx_flash.h"
#include "system_stm32f2xx.h"
#include "record_layout.h"

using namespace sim;

namespace {

class BootTest : public ::testing::Test {
protected:
    // Power on and run until the foreground loop idles (the LCD's bring-up
    // waits some 0.7 s of delays at 100 MHz, longer on the slower clock).
    void boot() { ASSERT_TRUE(Operator(board).power_on()) << board.stop_reason(); }
    Board board;
};

TEST_F(BootTest, ReachesTheForegroundLoopWithLed1Lit)
{
    boot();
    board.run_for(20_ms);

    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_TRUE(board.led(1));
    for (int led = 2; led <= 8; ++led) EXPECT_FALSE(board.led(led)) << "LED" << led;
    const std::uint64_t passes = board.idle_passes();
    EXPECT_GT(passes, 0u) << "the foreground loop is running";
    board.run_for(5_ms);
    EXPECT_GT(board.idle_passes(), passes) << "and keeps running";

    EXPECT_EQ(SystemCoreClock, 100000000u);
    EXPECT_EQ(models(board).usart(2).peek(0x08), 0x00D9u) << "115200 bit/s from the 25 MHz APB1";
    for (int fd : {0, 1, 2}) EXPECT_EQ(getComIdxFromFd(fd), 0) << "standard streams on COM1";
    EXPECT_EQ(app_state, 0);
    EXPECT_EQ(app_rec, 0);
    EXPECT_EQ(lcd_status, 1);
    EXPECT_EQ(board.serial_output(), "") << "a healthy start prints nothing";
}

TEST_F(BootTest, WithoutTheCrystalTheSystemRunsAt16MHzAndTheConsoleKeepsItsRate)
{
    board.fit_crystal(false);
    boot();

    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_TRUE(board.led(1));
    EXPECT_EQ(SystemCoreClock, 16000000u);
    EXPECT_NEAR(board.console_bit_rate(), 115200.0, 115200.0 * 0.01);
}

TEST_F(BootTest, PowerCycleResetsRamButKeepsFlash)
{
    boot();
    models(board).flash().load(LIMITS_BASE, {0x12, 0x34});
    app_state = 5;
    app_record.X_Max = 33;
    LocalTime = 123456;
    ComPort_ConfigStdio(COM2, COM2, COM2);
    SystemCoreClock = 7;

    board.power_off();
    board.power_on();

    // Zero-initialised data is zero again, initialised data holds its initial value.
    EXPECT_EQ(app_state, 0);
    EXPECT_EQ(app_record.X_Max, 0);
    EXPECT_EQ(LocalTime, 0u);
    EXPECT_EQ(getComIdxFromFd(1), 1) << "stream binding back to COM2";
    EXPECT_EQ(SystemCoreClock, 120000000u) << "before the clock set-up recomputes it";
    EXPECT_FALSE(board.led(1)) << "port E is reset";
    EXPECT_EQ(models(board).flash().peek(LIMITS_BASE), 0x12);
    EXPECT_EQ(models(board).flash().peek(LIMITS_BASE + 1), 0x34);

    ASSERT_TRUE(board.run_until([&] { return board.idle_passes() > 0; }, 10_s));
    EXPECT_EQ(SystemCoreClock, 100000000u);
    EXPECT_TRUE(board.led(1));
}

TEST_F(BootTest, AnEnabledInterruptWithoutAHandlerEndsInTheDefaultHandler)
{
    boot();
    // TIM5's interrupt (number 50) is not served by the system.
    models(board).exceptions().set_enabled(ExceptionState::irq(50), true);
    models(board).exceptions().set_pending(ExceptionState::irq(50), true);
    board.run_for(1_ms);
    EXPECT_TRUE(board.stopped());
    EXPECT_NE(board.stop_reason().find("Default_Handler: interrupt 50"), std::string::npos) << board.stop_reason();
}

TEST_F(BootTest, AHardFaultInTheLoopIsReportedOnTheConsole)
{
    boot();
    board.force_hard_fault(kCountingFrame);
    board.run_for(100_ms);  // some 350 characters at 115200 bit/s
    EXPECT_TRUE(board.stopped());
    EXPECT_EQ(board.serial_output().rfind("\r\n\r\n[Hard fault handler]\r\nR0 = 0x00000001\r\n", 0), 0u)
        << board.serial_output();
    EXPECT_NE(board.serial_output().find("AFSR = 0x00000000\r\n"), std::string::npos);
}

TEST_F(BootTest, PowerOnInTheMiddleOfAReportStartsAfresh)
{
    boot();
    board.force_hard_fault(kCountingFrame);
    board.run_for(3_ms);  // a few lines of the report are out, the rest is not
    ASSERT_FALSE(board.stopped());
    const std::size_t sent = board.serial_output().size();
    ASSERT_GT(sent, 0u);

    boot();
    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_TRUE(board.led(1));
    EXPECT_EQ(board.serial_output().size(), sent) << "nothing more of the old report after the reset";
}

// A power cut stops the core before the access it is aimed at and takes the
// board's state with it: an erase it cuts off leaves the sector as it was,
// however long the board then stays off; one it follows has done its work.
TEST_F(BootTest, APowerCutStopsTheCoreThereAndAnEraseItCutsOffLeavesItsSectorAsItWas)
{
    constexpr std::uint32_t kCr = 0x40023C10u, kSr = 0x40023C0Cu, kStartOrBusy = 1u << 16;
    const auto erase = [] {
        FLASH_Unlock();
        FLASH_EraseSector(FLASH_Sector_11, VoltageRange_1);
    };
    boot();
    board.trace().clear();
    board.trace().start();
    board.run_code(erase);
    board.trace().stop();
    const std::vector<BusAccess> trace = board.trace().accesses();
    const auto first = [&](long from, auto match) { return std::find_if(trace.begin() + from, trace.end(), match) - trace.begin(); };
    const auto start = first(0, [](const BusAccess& a) { return a.write && a.address == kCr && (a.value & kStartOrBusy); });
    const auto done = first(start, [](const BusAccess& a) { return !a.write && a.address == kSr && !(a.value & kStartOrBusy); });
    struct Row {
        const char* when;
        std::uint64_t access;  // the cut comes just before it, counted from the erase's call
        std::uint8_t left;
    };
    for (const Row row : {Row{"before its start bit", static_cast<std::uint64_t>(start) + 1, 0x12},
                          Row{"while it runs", static_cast<std::uint64_t>(start) + 2, 0x12},
                          Row{"after its end", static_cast<std::uint64_t>(done) + 2, 0xFF}}) {
        SCOPED_TRACE(row.when);
        board.load_flash(LIMITS_BASE, {0x12});
        boot();
        board.at_bus_access(row.access, HardwareEvent::power_cut());
        board.run_code(erase);
        EXPECT_FALSE(board.powered());
        EXPECT_EQ(board.stop_reason(), "the power was cut");
        models(board).clock().advance(2_s);
        EXPECT_EQ(board.flash_byte(LIMITS_BASE), row.left);
    }
    boot();
    EXPECT_TRUE(board.led(1)) << "power-on starts afresh";
}

}  // namespace

// A handler the test adds to the firmware: the board binds it by its name,
// as the vector table would. It asks for a system reset.
extern "C" void TIM2_IRQHandler(void) { SCB->AIRCR = 0x05FA0004u; }

namespace {

TEST_F(BootTest, ASystemResetRequestedByTheFirmwareStartsItAgainFromReset)
{
    boot();
    ASSERT_TRUE(board.led(1));
    app_state = 6;  // changed RAM that the reset code puts back
    models(board).flash().load(LIMITS_BASE, {0x5A});
    models(board).exceptions().set_enabled(ExceptionState::irq(28), true);
    HardwareEvent::pend_interrupt(28)(board);  // the loop only idles: no bus access to aim at
    board.run_until([&] { return board.system_resets() == 1; }, 1_ms);
    EXPECT_FALSE(board.led(1)) << "port E is reset with the chip";
    EXPECT_EQ(app_state, 0);
    board.run_until([&] { return board.led(1); }, 10_s);
    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_EQ(board.system_resets(), 1u);
    EXPECT_TRUE(board.led(1)) << "the start-up ran again";
    EXPECT_FALSE(models(board).exceptions().enabled(ExceptionState::irq(28))) << "the NVIC is reset too";
    EXPECT_EQ(board.flash_byte(LIMITS_BASE), 0x5A) << "flash keeps its contents";
}

}  // namespace
