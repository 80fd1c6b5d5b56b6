// The serial driver: stream binding, descriptors and polled characters.
#include <gtest/gtest.h>

#include "board_test.h"
#include "models/gpio_port.h"
#include "models/usart.h"
#include "stm32f2xx.h"

namespace {

class StreamBindingTest : public BoardTest {};

TEST_F(StreamBindingTest, DescriptorsResolveToPortIndices)
{
    const struct {
        int fd;
        int before;  // at reset: all three streams on COM2
        int console;  // after ComPort_ConfigStdio(COM1, COM1, COM1)
        int mixed;    // after ComPort_ConfigStdio(COM1, COM2, COM1)
        int apart;    // after ComPort_ConfigStdio(COM2, COM2, COM1): error apart from input
    } cases[] = {
        {0, 1, 0, 0, 1}, {1, 1, 0, 1, 1},  {2, 1, 0, 0, 0},  {11, 0, 0, 0, 0},  {12, 1, 1, 1, 1},
        {3, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {13, 0, 0, 0, 0}, {-1, 0, 0, 0, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(getComIdxFromFd(c.fd), c.before) << "fd " << c.fd << " at reset";
    ComPort_ConfigStdio(COM1, COM1, COM1);
    for (const auto& c : cases) EXPECT_EQ(getComIdxFromFd(c.fd), c.console) << "fd " << c.fd << " on the console";
    ComPort_ConfigStdio(COM1, COM2, COM1);
    for (const auto& c : cases) EXPECT_EQ(getComIdxFromFd(c.fd), c.mixed) << "fd " << c.fd << " mixed";
    ComPort_ConfigStdio(COM2, COM2, COM1);
    for (const auto& c : cases) EXPECT_EQ(getComIdxFromFd(c.fd), c.apart) << "fd " << c.fd << " error apart";
}

TEST_F(StreamBindingTest, ConsolePortIsSetUpAt115200EightNoneOne)
{
    ComPort_Init(COM1);
    const sim::Usart& usart = models(board).usart(2);
    EXPECT_EQ(usart.peek(0x0C) & 0x200Cu, 0x200Cu) << "USART enabled, receiver and transmitter on";
    EXPECT_EQ(usart.peek(0x0C) & 0x1600u, 0u) << "8 data bits, no parity";
    EXPECT_EQ(usart.peek(0x10) & 0x3000u, 0u) << "1 stop bit";
    EXPECT_EQ(usart.peek(0x14) & 0x0300u, 0u) << "no flow control";
    // At reset the core runs from the 16 MHz internal oscillator: APB1 16 MHz.
    EXPECT_EQ(usart.peek(0x08), 0x008Bu);
    EXPECT_NEAR(usart.bit_rate(), 115200.0, 115200.0 * 0.01);

    const sim::GpioPort& d = models(board).gpio('D');
    for (int pin : {5, 6}) {
        EXPECT_EQ(d.mode(pin), 2) << "PD" << pin << " alternate function";
        EXPECT_EQ(d.alternate_function(pin), 7) << "PD" << pin << " on AF7";
        EXPECT_EQ(d.speed(pin), 2) << "PD" << pin << " at 50 MHz";
        EXPECT_FALSE(d.open_drain(pin)) << "PD" << pin << " push-pull";
        EXPECT_EQ(d.pull(pin), 1) << "PD" << pin << " pulled up";
    }
}

TEST_F(StreamBindingTest, SecondPortIsUsart3OnPd8AndPd9)
{
    ComPort_Init(COM2);
    EXPECT_EQ(models(board).usart(3).peek(0x0C) & 0x200Cu, 0x200Cu);
    const sim::GpioPort& d = models(board).gpio('D');
    for (int pin : {8, 9}) {
        EXPECT_EQ(d.mode(pin), 2);
        EXPECT_EQ((d.peek(0x24) >> (4 * (pin - 8))) & 0xFu, 7u);
    }
}

class CharacterTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        open_console();
    }
};

TEST_F(CharacterTest, PutSendsTheLowByteAndReturnsTheWholeValue)
{
    EXPECT_EQ(fdputc(1, 0x141), 0x141);
    models(board).clock().advance(1000000);  // the line finishes the character
    EXPECT_EQ(models(board).console().words(), std::vector<std::uint16_t>{0x41});
}

// The port comes up with transmission complete set, and only a status read
// followed by a data write clears it: the first character's wait ends at
// once, while it still shifts out; every later one waits for its stop bit.
TEST_F(CharacterTest, PutReturnsOnlyAfterTheCharacterHasLeftTheLine)
{
    fdputc(1, 'a');
    EXPECT_EQ(board.serial_output(), "") << "the first character is still on the line";
    const sim::Nanoseconds start = models(board).clock().now();
    fdputc(1, 'b');
    EXPECT_EQ(board.serial_output(), "ab");
    EXPECT_GE(models(board).clock().now() - start, 10u * 1000000000u / 115200u) << "ten bit times";
}

TEST_F(CharacterTest, PollSeesAWaitingCharacterWithoutTakingIt)
{
    EXPECT_EQ(fdpoll(0), 0);
    models(board).usart(2).receive({'k'});
    models(board).clock().advance(200000);  // more than a frame
    EXPECT_EQ(fdpoll(0), 1);
    EXPECT_EQ(fdpoll(0), 1) << "polling consumes nothing";
    EXPECT_EQ(fdgetc(0), 'k');
    EXPECT_EQ(fdpoll(0), 0);
}

}  // namespace
