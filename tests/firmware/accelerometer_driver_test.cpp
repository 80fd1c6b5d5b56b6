// The accelerometer driver on the board's SPI2: the pins and bus it sets up,
// the bytes of each transaction within one chip-select frame, and the
// readings it assembles from what the device answers.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "accelspi.h"
#include "board/wiring.h"
#include "board_test.h"
#include "clock_bring_up.h"
#include "devices/accelerometer.h"
#include "models/gpio_port.h"
#include "models/spi.h"
#include "spi_frames.h"
#include "stm32f2xx.h"

namespace {

using sim::Axis;
using Bytes = std::vector<std::uint8_t>;

class AccelerometerDriverTest : public BoardTest {
protected:
    void SetUp() override
    {
        BoardTest::SetUp();
        run_start_up_clock_tree(board);
    }
    // The frames of PB14 that code makes.
    std::vector<SpiFrame> frames_of(const std::function<void()>& code)
    {
        board.trace().clear();
        board.trace().start();
        code();
        board.trace().stop();
        return spi_frames(board.trace().accesses(), sim::base_of("SPI2"), sim::base_of("GPIOB"), 14);
    }
    sim::Accelerometer& device() { return models(board).accelerometer(); }
};

TEST_F(AccelerometerDriverTest, InitSetsUpTheSharedBusPinsAndTheChipSelectAndConfiguresNothing)
{
    sACCEL_Init();
    const sim::GpioPort& b = models(board).gpio('B');
    const sim::GpioPort& c = models(board).gpio('C');
    const struct {
        const sim::GpioPort& port;
        int pin, mode, af;
    } pins[] = {{b, 10, 2, 5}, {c, 3, 2, 5}, {c, 2, 2, 5}, {b, 14, 1, 0}, {b, 15, 0, 0}};
    for (const auto& p : pins) {
        SCOPED_TRACE(testing::Message() << "P" << p.port.letter() << p.pin);
        EXPECT_EQ(p.port.mode(p.pin), p.mode);
        EXPECT_EQ(p.port.alternate_function(p.pin), p.af);
        EXPECT_EQ(p.port.pull(p.pin), 0);
        if (p.mode != 0) {
            EXPECT_EQ(p.port.speed(p.pin), 2) << "50 MHz";
        }
    }
    EXPECT_TRUE(b.level(14)) << "deselected";
    EXPECT_EQ(models(board).spi(2).peek(sim::Spi::CR1), 0x035Fu) << "enabled master, mode 3, APB1 / 16";
    EXPECT_EQ(models(board).spi(2).bytes_moved(), 0u);
    EXPECT_EQ(device().control(), 0u) << "the device is left unconfigured";

    // Releasing the bus takes it from the LCD too: SPI2 loses its clock.
    sACCEL_DeInit();
    EXPECT_THROW((void)static_cast<std::uint16_t>(SPI2->SR), sim::SimError);
    EXPECT_EQ(b.mode(10), 0) << "SCK back to an input";
    EXPECT_TRUE(b.level(14)) << "still deselected, by the pull-ups";
}

struct TransactionCase {
    const char* call;
    std::function<unsigned()> run;
    SpiFrame frame;
    unsigned result;
};

TEST_F(AccelerometerDriverTest, EachTransactionIsOneFrameOfACommandByteAndItsData)
{
    sACCEL_Init();
    board.set_raw_reading(Axis::X, 0xFC18);
    board.set_raw_reading(Axis::Y, 0x1234);
    const TransactionCase cases[] = {
        {"WriteReg(0x20, 0xC3)", [] { return unsigned{sACCEL_WriteReg(0x20, 0xC3)}; },
         {{0x20, 0xC3}, {0xFF, 0xFF}}, 0xFF},
        {"ReadWord(0x28): 0x18 then 0xFC", [] { return unsigned{sACCEL_ReadWord(0x28)}; },
         {{0xE8, 0xA5, 0xA5}, {0xFF, 0x18, 0xFC}}, 0xFC18},
        {"ReadWord(0x2A)", [] { return unsigned{sACCEL_ReadWord(0x2A)}; },
         {{0xEA, 0xA5, 0xA5}, {0xFF, 0x34, 0x12}}, 0x1234},
        {"ReadReg(0x20)", [] { return unsigned{sACCEL_ReadReg(0x20)}; }, {{0xA0, 0xA5}, {0xFF, 0xC3}}, 0xC3},
        {"WriteReg with bit 7 set goes out as a read", [] { return unsigned{sACCEL_WriteReg(0xA0, 0x00)}; },
         {{0xA0, 0x00}, {0xFF, 0xC3}}, 0xC3},
    };
    for (const TransactionCase& c : cases) {
        SCOPED_TRACE(c.call);
        unsigned result = 0;
        EXPECT_EQ(frames_of([&] { result = c.run(); }), std::vector<SpiFrame>{c.frame});
        EXPECT_EQ(result, c.result);
        EXPECT_TRUE(models(board).gpio('B').level(14)) << "deselected after the frame";
    }
    EXPECT_EQ(device().control(), 0xC3u) << "the read-as-write changed nothing";
    EXPECT_THROW(sACCEL_ReadByte(), sim::SimError) << "a byte outside any frame reaches no device";
}

struct ReadingCase {
    const char* name;
    std::function<void(sim::Board&)> world;
    std::uint16_t x, y;
};

TEST_F(AccelerometerDriverTest, ReadingsAreMeaningfulOnlyOnceTheControlRegisterIsWritten)
{
    board.set_tilt(Axis::X, 30);
    board.set_tilt(Axis::Y, -90);
    sACCEL_Init();
    EXPECT_EQ(sACCEL_ReadWord(0x28), 0u) << "powered down: X reads 0";
    EXPECT_EQ(sACCEL_ReadWord(0x2A), 0u) << "powered down: Y reads 0";
    sACCEL_WriteReg(0x20, 0xC3);

    const ReadingCase cases[] = {
        {"the tilt set before the configuration", [](sim::Board&) {}, 500, 0xFC18},
        {"level", [](sim::Board& b) { b.set_tilt(Axis::X, 0); b.set_tilt(Axis::Y, 0); }, 0, 0},
        {"45 degrees left, 60 back", [](sim::Board& b) { b.set_tilt(Axis::X, 45); b.set_tilt(Axis::Y, 60); }, 707, 866},
        {"raw words beyond full scale",
         [](sim::Board& b) { b.set_raw_reading(Axis::X, 0x7FFF); b.set_raw_reading(Axis::Y, 0x8000); }, 0x7FFF, 0x8000},
        {"a silent device reads as all ones", [](sim::Board& b) { b.set_accelerometer_silent(true); }, 0xFFFF, 0xFFFF},
        {"and speaks again", [](sim::Board& b) { b.set_accelerometer_silent(false); }, 0x7FFF, 0x8000},
    };
    for (const ReadingCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.world(board);
        const std::uint64_t before = models(board).spi(2).bytes_moved();
        EXPECT_EQ(sACCEL_ReadWord(0x28), c.x);
        EXPECT_EQ(sACCEL_ReadWord(0x2A), c.y);
        EXPECT_EQ(models(board).spi(2).bytes_moved() - before, 6u) << "three bytes a word";
    }
}

}  // namespace
