// The whole firmware started from reset on the virtual board.
#include <gtest/gtest.h>

#include "board/board.h"
#include "main.h"
#include "models/exceptions.h"
#include "models/flash_memory.h"
#include "models/rcc.h"
#include "models/usart.h"
#include "sercom.h"
#include "system_stm32f2xx.h"

using namespace sim;

namespace {

class BootTest : public ::testing::Test {
protected:
    Board board;
};

TEST_F(BootTest, ReachesTheForegroundLoopWithLed1Lit)
{
    board.power_on();
    board.run_for(20_ms);

    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_TRUE(board.led(1));
    for (int led = 2; led <= 8; ++led) EXPECT_FALSE(board.led(led)) << "LED" << led;
    const std::uint64_t passes = board.idle_passes();
    EXPECT_GT(passes, 0u) << "the foreground loop is running";
    board.run_for(5_ms);
    EXPECT_GT(board.idle_passes(), passes) << "and keeps running";

    EXPECT_EQ(SystemCoreClock, 100000000u);
    EXPECT_EQ(board.usart(2).peek(0x08), 0x00D9u) << "115200 bit/s from the 25 MHz APB1";
    for (int fd : {0, 1, 2}) EXPECT_EQ(getComIdxFromFd(fd), 0) << "standard streams on COM1";
    EXPECT_EQ(app_state, 0);
    EXPECT_EQ(app_rec, 0);
    EXPECT_EQ(lcd_status, 1);
    EXPECT_EQ(board.serial_output(), "") << "a healthy start prints nothing";
}

TEST_F(BootTest, WithoutTheCrystalTheSystemRunsAt16MHzAndTheConsoleKeepsItsRate)
{
    board.rcc().set_crystal_present(false);
    board.power_on();
    board.run_for(20_ms);

    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_TRUE(board.led(1));
    EXPECT_EQ(SystemCoreClock, 16000000u);
    EXPECT_NEAR(board.usart(2).bit_rate(), 115200.0, 115200.0 * 0.01);
}

TEST_F(BootTest, PowerCycleResetsRamButKeepsFlash)
{
    board.power_on();
    board.run_for(5_ms);
    board.flash().load(0x080E0000, {0x12, 0x34});
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
    EXPECT_EQ(board.flash().peek(0x080E0000), 0x12);
    EXPECT_EQ(board.flash().peek(0x080E0001), 0x34);

    board.run_for(5_ms);
    EXPECT_EQ(SystemCoreClock, 100000000u);
    EXPECT_TRUE(board.led(1));
}

TEST_F(BootTest, AnEnabledInterruptWithoutAHandlerEndsInTheDefaultHandler)
{
    board.power_on();
    board.run_for(5_ms);
    // TIM2's interrupt (number 28) is not served by the system.
    board.exceptions().set_enabled(ExceptionState::irq(28), true);
    board.exceptions().set_pending(ExceptionState::irq(28), true);
    board.run_for(1_ms);
    EXPECT_TRUE(board.stopped());
    EXPECT_NE(board.stop_reason().find("Default_Handler: interrupt 28"), std::string::npos) << board.stop_reason();
}

TEST_F(BootTest, AHardFaultInTheLoopIsReportedOnTheConsole)
{
    board.power_on();
    board.run_for(5_ms);
    const std::uint32_t frame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    board.force_hard_fault(frame);
    board.run_for(100_ms);  // some 350 characters at 115200 bit/s
    EXPECT_TRUE(board.stopped());
    EXPECT_EQ(board.serial_output().rfind("\r\n\r\n[Hard fault handler]\r\nR0 = 0x00000001\r\n", 0), 0u)
        << board.serial_output();
    EXPECT_NE(board.serial_output().find("AFSR = 0x00000000\r\n"), std::string::npos);
}

TEST_F(BootTest, PowerOnInTheMiddleOfAReportStartsAfresh)
{
    board.power_on();
    board.run_for(5_ms);
    const std::uint32_t frame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    board.force_hard_fault(frame);
    board.run_for(3_ms);  // a few lines of the report are out, the rest is not
    ASSERT_FALSE(board.stopped());
    const std::size_t sent = board.serial_output().size();
    ASSERT_GT(sent, 0u);

    board.power_on();
    board.run_for(20_ms);
    EXPECT_FALSE(board.stopped()) << board.stop_reason();
    EXPECT_TRUE(board.led(1));
    EXPECT_EQ(board.serial_output().size(), sent) << "nothing more of the old report after the reset";
}

// One pass of the foreground loop per call, with LocalTime as given.
class ForegroundPassTest : public ::testing::Test {
protected:
    void SetUp() override { board.power_on(); }
    Board board;
};

TEST_F(ForegroundPassTest, WhileRecordingASampleIsDueEvery500Milliseconds)
{
    app_rec = 1;
    std::uint32_t samples = 0;
    int last_tmp = tmp;
    for (std::uint32_t t = 0; t <= 3000; t += 10) {
        Application_Periodic_Handle(t);
        if (tmp != last_tmp) ++samples;
        last_tmp = tmp;
    }
    // Samples at 500, 1000, ... 3000 ms; tmp counts them modulo 2.
    EXPECT_EQ(samples, 6u);
    EXPECT_EQ(tmp, 0);
}

TEST_F(ForegroundPassTest, NotRecordingTakesNoSample)
{
    for (std::uint32_t t = 0; t <= 3000; t += 10) Application_Periodic_Handle(t);
    EXPECT_EQ(tmp, 0);
}

TEST_F(ForegroundPassTest, SpacingHoldsAcrossTheWrapOfLocalTime)
{
    app_rec = 1;
    const std::uint32_t near_wrap = 0xFFFFFF00u;  // 256 ms before LocalTime wraps
    Application_Periodic_Handle(near_wrap);  // due: more than 500 ms since APPTimer = 0
    EXPECT_EQ(tmp, 1);
    Application_Periodic_Handle(near_wrap + 490u);
    EXPECT_EQ(tmp, 1) << "490 ms later, past the wrap: not yet";
    Application_Periodic_Handle(near_wrap + 500u);
    EXPECT_EQ(tmp, 0) << "500 ms later: the second sample";
    Application_Periodic_Handle(near_wrap + 1000u);
    EXPECT_EQ(tmp, 1);
}

TEST_F(ForegroundPassTest, TheTickAdvancesLocalTimeByTenMilliseconds)
{
    Time_Update();
    Time_Update();
    EXPECT_EQ(LocalTime, 20u);
}

}  // namespace
