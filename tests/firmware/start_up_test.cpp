// The whole start-up from reset to the foreground loop, as the access trace
// shows it and as the board then stands.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "board/board.h"
#include "board/board_models.h"
#include "board/operator.h"
#include "board/wiring.h"
#include "devices/accelerometer.h"
#include "main.h"
#include "devices/st7565p_controller.h"
#include "models/flash_interface.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/systick.h"
#include "trace_expect.h"
#include "record_layout.h"

namespace {

using namespace sim;

class StartUpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        board.trace().start();
        ASSERT_TRUE(Operator(board).power_on()) << board.stop_reason();
        board.trace().stop();
    }
    Board board;
};

TEST_F(StartUpTest, RunsThePeripheralSetUpInItsOrderThenLightsLed1AndUnlocksTheFlash)
{
    const std::uint32_t exti = base_of("EXTI"), gpioe = base_of("GPIOE"), spi2 = base_of("SPI2");
    const std::uint32_t flash = base_of("flash interface");
    EXPECT_TRUE(appear_in_order(
        board.trace().accesses(),
        {
            write_of(base_of("SysTick"), 0x7u),                         // the tick on
            write_bits(exti + 0x0C, 0x4000u, 0x4000u),                  // back: falling edge
            write_of(0xE000E104u, 0x100u),                              // the buttons' interrupt enabled
            write_bits(exti + 0x0C, 0x8000u, 0x8000u),                  // OK: falling edge
            write_of(base_of("USART2") + 0x08, 0xD9u),                 // the console's rate, then
            write_bits(base_of("USART2") + 0x0C, 0x2000u, 0x2000u),    // the console on
            write_of(base_of("TIM4") + 0x24, 8u),                      // the encoder at rest
            write_of(gpioe + 0x1A, 0x8000u, 2),                         // LED8 off: the last LED
            write_of(base_of("TIM3") + 0x38, 100u),                    // backlight at 100 %
            write_of(spi2 + 0x0C, 0x20u), write_of(spi2 + 0x0C, 0xC3u),  // accelerometer measuring
            write_of(gpioe + 0x18, 0x0100u, 2),                         // LED1 on
            write_of(flash + 0x04, 0x45670123u), write_of(flash + 0x04, 0xCDEF89ABu),  // unlocked
            read_of(LIMITS_BASE), read_of(LIMITS_BASE + 3),              // the limits
        }));
    EXPECT_TRUE(board.led(1));
    EXPECT_EQ(models(board).flash_interface().peek(FlashInterface::CR) & FlashInterface::kLock, 0u);
    EXPECT_EQ(models(board).accelerometer().control(), 0xC3u);
    EXPECT_EQ(board.serial_output(), "") << "no driver argument was refused";
}

TEST_F(StartUpTest, LeavesTheMenuLitTheTickAndTheButtonsAtTheirPrioritiesAndTheEncoderAtRest)
{
    const char* const menu[8] = {"", " ->  NEW RECORD", "", "     SHOW RECORD", "", "     REMOTE MODE", "", "     OPTION"};
    for (int line = 0; line < 8; ++line) EXPECT_EQ(board.lcd_text(line), menu[line]) << "line " << line;
    EXPECT_TRUE(models(board).lcd().state().display_on);
    EXPECT_EQ(models(board).lcd().state().volume, 16);
    EXPECT_FALSE(models(board).lcd().wrote_beyond_column_127());
    EXPECT_EQ(board.backlight_percent(), 100);

    const ExceptionState& core = models(board).exceptions();
    EXPECT_EQ(core.priority_byte(ExceptionState::kSysTick), 0xF0);
    EXPECT_EQ(core.priority_byte(ExceptionState::irq(40)), 0x00);
    EXPECT_TRUE(core.enabled(ExceptionState::irq(40)));

    GeneralTimer& encoder = models(board).get<GeneralTimer>("TIM4");
    EXPECT_EQ(encoder.peek(0x24), 8u);
    EXPECT_EQ(encoder.peek(0x2C), 22u);

    // A tick every 10 ms of virtual time.
    const std::uint32_t local_time = LocalTime;
    const std::uint64_t wraps = models(board).systick().wraps();
    board.run_for(1_s);
    EXPECT_EQ(LocalTime - local_time, 1000u);
    EXPECT_EQ(models(board).systick().wraps() - wraps, 100u);
}

struct PinCase {
    char port;
    int pin;
    int mode, open_drain, speed, pull, alternate;  // mode 0 in, 1 out, 2 alternate; speed 0 2 MHz .. 3 100 MHz
    const char* what;
};

// Input pins keep the reset speed and type: only outputs and alternate
// functions have them written. The accelerometer's set-up, the last, leaves
// the shared SPI pins at 50 MHz after the LCD's 100 MHz.
TEST_F(StartUpTest, LeavesEveryPinTheBoardUsesAsItsDeviceNeedsIt)
{
    const PinCase pins[] = {
        {'C', 14, 0, 0, 0, 0, 0, "back button"},     {'C', 15, 0, 0, 0, 0, 0, "OK button"},
        {'D', 12, 2, 0, 0, 1, 2, "encoder A"},       {'D', 13, 2, 0, 0, 1, 2, "encoder B"},
        {'D', 15, 1, 0, 3, 0, 0, "LCD chip select"}, {'D', 14, 1, 0, 3, 0, 0, "LCD A0"},
        {'D', 11, 1, 0, 3, 0, 0, "LCD reset"},       {'B', 10, 2, 0, 2, 0, 5, "SPI2 clock"},
        {'C', 3, 2, 0, 2, 0, 5, "SPI2 data out"},    {'C', 2, 2, 0, 2, 0, 5, "SPI2 data in"},
        {'C', 7, 2, 0, 3, 0, 2, "backlight"},        {'B', 14, 1, 0, 2, 0, 0, "accelerometer chip select"},
        {'B', 15, 0, 0, 0, 0, 0, "accelerometer spare input"},
        {'D', 5, 2, 0, 2, 1, 7, "console transmit"}, {'D', 6, 2, 0, 2, 1, 7, "console receive"},
    };
    std::vector<PinCase> all(std::begin(pins), std::end(pins));
    for (int led = 8; led <= 15; ++led) all.push_back({'E', led, 1, 0, 2, 1, 0, "LED"});
    for (const PinCase& c : all) {
        SCOPED_TRACE(testing::Message() << "P" << c.port << c.pin << " " << c.what);
        const GpioPort& port = models(board).gpio(c.port);
        EXPECT_EQ(port.mode(c.pin), c.mode);
        EXPECT_EQ(port.open_drain(c.pin), c.open_drain != 0);
        EXPECT_EQ(port.speed(c.pin), c.speed);
        EXPECT_EQ(port.pull(c.pin), c.pull);
        EXPECT_EQ(port.alternate_function(c.pin), c.alternate);
    }
    // Every other pin of the five ports as reset left it, and no port clock
    // but those of B to E.
    sim::Board reset;
    for (const char name : {'A', 'B', 'C', 'D', 'E'})
        for (int pin = 0; pin < 16; ++pin) {
            if (std::any_of(all.begin(), all.end(), [&](const PinCase& c) { return c.port == name && c.pin == pin; }))
                continue;
            SCOPED_TRACE(testing::Message() << "P" << name << pin << " unused");
            const GpioPort &port = models(board).gpio(name), &as_reset = models(reset).gpio(name);
            EXPECT_EQ(port.mode(pin), as_reset.mode(pin));
            EXPECT_EQ(port.pull(pin), as_reset.pull(pin));
            EXPECT_EQ(port.speed(pin), as_reset.speed(pin));
        }
    EXPECT_EQ(models(board).rcc().peek(sim::Rcc::AHB1ENR) & 0x1FFu, 0x1Eu);
    EXPECT_EQ(models(board).rcc().peek(sim::Rcc::APB1ENR), 0x00024006u) << "TIM3, TIM4, SPI2 and USART2";
}

TEST_F(StartUpTest, AButtonPressReachesTheButtonHandlerWhichClearsItsLine)
{
    const std::uint32_t pending = base_of("EXTI") + 0x14;
    // Back does nothing in the menu; OK starts a record there (the handler
    // erases the result sector before it clears the line).
    for (const auto& [button, line] : {std::pair{Button::Back, 0x4000u}, std::pair{Button::Ok, 0x8000u}}) {
        board.trace().clear();
        board.trace().start();
        board.press(button);
        board.run_for(1_ms);
        ASSERT_TRUE(board.run_until([&] { return !models(board).exceptions().active(ExceptionState::irq(40)); }, 5_s));
        board.release(button);
        board.trace().stop();
        EXPECT_TRUE(appear_in_order(board.trace().accesses(), {read_of(pending, line), write_of(pending, line)}))
            << "line " << std::hex << line;
        EXPECT_FALSE(models(board).exceptions().pending(ExceptionState::irq(40)));
    }
}

}  // namespace
