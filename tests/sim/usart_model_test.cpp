// The USART model through the bus: character timing in virtual time at
// several rates and formats, the transmit buffer flags, reception with
// overrun, and what a reset keeps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board/wiring.h"
#include "core/sim_error.h"
#include "model_rig.h"
#include "models/usart.h"

namespace {

using sim::Usart;

const std::uint32_t kBase = sim::base_of("USART2");
constexpr std::uint32_t kUe = 0x2000u, kTe = 0x0008u, kRe = 0x0004u;

class UsartModel : public ::testing::Test {
protected:
    UsartModel()
    {
        rig.mount("USART2", usart);
        usart.set_kernel_clock(25000000u);
        usart.set_line_listener([this](std::uint16_t word) { line.push_back(word); });
    }

    std::uint32_t read(std::uint32_t offset) { return rig.read(kBase + offset, 2); }
    void write(std::uint32_t offset, std::uint32_t value) { rig.write(kBase + offset, value, 2); }
    std::string text() const { return std::string(line.begin(), line.end()); }
    // The console's line: 115200 bit/s from a 25 MHz bus, 8N1.
    void open_console(std::uint32_t extra_cr1 = 0)
    {
        write(Usart::BRR, 0x00D9u);
        write(Usart::CR1, kUe | kTe | kRe | extra_cr1);
    }

    ModelRig rig;
    sim::VirtualClock& clock = rig.clock;
    Usart usart{"USART2", rig.clock};
    std::vector<std::uint16_t> line;  // the words as they left on the line
};

constexpr sim::Nanoseconds kConsoleFrame = 86800;  // 10 bits of 217 cycles at 25 MHz

TEST_F(UsartModel, CharactersLeaveOneFrameTimeApart)
{
    open_console();
    (void)read(Usart::SR);  // shows TC, so that the next data write clears it
    write(Usart::DR, 'O');
    EXPECT_EQ(read(Usart::SR) & 0xC0u, Usart::kTxEmpty) << "straight into the shifter; TC cleared";
    write(Usart::DR, 'K');
    EXPECT_EQ(read(Usart::SR) & 0xC0u, 0u) << "second character waits in DR";
    EXPECT_THROW(write(Usart::DR, '!'), sim::SimError) << "a third would overwrite the waiting one";

    clock.advance(kConsoleFrame - 1);
    EXPECT_EQ(text(), "");
    clock.advance(1);
    EXPECT_EQ(text(), "O");
    EXPECT_EQ(read(Usart::SR) & 0xC0u, Usart::kTxEmpty);
    clock.advance(kConsoleFrame);
    EXPECT_EQ(text(), "OK");
    EXPECT_EQ(read(Usart::SR) & 0xC0u, Usart::kTxEmpty | Usart::kTxComplete);
    EXPECT_NEAR(usart.bit_rate(), 115207.4, 0.1);
}

// Transmission complete clears only by the chip's sequence: a status read
// that shows it, then a data write (or a 0 written to it).
TEST_F(UsartModel, TransmissionCompleteClearsOnlyByAStatusReadThenADataWrite)
{
    open_console();
    write(Usart::DR, 'a');
    EXPECT_EQ(read(Usart::SR) & Usart::kTxComplete, Usart::kTxComplete) << "no status read before the write";
    write(Usart::DR, 'b');
    EXPECT_EQ(read(Usart::SR) & Usart::kTxComplete, 0u) << "the read above armed the clear";
    clock.advance(2 * kConsoleFrame);
    EXPECT_EQ(read(Usart::SR) & Usart::kTxComplete, Usart::kTxComplete);
    write(Usart::SR, 0xFFBFu);  // a 0 written clears it too
    EXPECT_EQ(read(Usart::SR) & Usart::kTxComplete, 0u);
    EXPECT_EQ(text(), "ab");
}

TEST_F(UsartModel, NineBitWordsKeepTheirNinthBitAndParityTakesIts)
{
    write(Usart::BRR, 0x00D9u);
    write(Usart::CR1, kUe | kTe | 0x1000u);  // 9 data bits, no parity
    write(Usart::DR, 0x1A5u);
    clock.advance(2 * kConsoleFrame);
    write(Usart::CR1, kUe | kTe | 0x1000u | 0x0600u);  // 9 bits with odd parity: 8 data bits
    write(Usart::DR, 0x1A5u);                          // 0xA5 has four ones: parity 1
    clock.advance(2 * kConsoleFrame);
    EXPECT_EQ(line, (std::vector<std::uint16_t>{0x1A5, 0x1A5}));
}

TEST_F(UsartModel, ItsInterruptLineFollowsTheEnabledFlags)
{
    open_console(Usart::kRxInterrupt);
    const int exception = sim::wiring_row("USART2").interrupts[0];
    EXPECT_FALSE(rig.exceptions.line_level(exception));
    usart.receive({'z'});
    clock.advance(kConsoleFrame);
    EXPECT_TRUE(rig.exceptions.line_level(exception)) << "a character waits";
    EXPECT_TRUE(rig.exceptions.pending(exception));
    (void)read(Usart::DR);
    EXPECT_FALSE(rig.exceptions.line_level(exception)) << "taken by the data read";
    write(Usart::CR1, kUe | kTe | kRe | Usart::kTxEmptyInterrupt);
    EXPECT_TRUE(rig.exceptions.line_level(exception)) << "the transmitter is empty";
}

struct RateCase {
    const char* name;
    std::uint32_t kernel_hz, brr, cr1, cr2;
    sim::Nanoseconds frame;
    double bit_rate;
};

void PrintTo(const RateCase& c, std::ostream* os) { *os << c.name; }

class UsartRate : public UsartModel, public ::testing::WithParamInterface<RateCase> {};

TEST_P(UsartRate, FrameTimeFollowsDividerAndFormat)
{
    const RateCase& c = GetParam();
    usart.set_kernel_clock(c.kernel_hz);
    write(Usart::BRR, c.brr);
    write(Usart::CR2, c.cr2);
    write(Usart::CR1, kUe | kTe | c.cr1);
    EXPECT_NEAR(usart.bit_rate(), c.bit_rate, 0.01);
    for (char ch : {'a', 'b', 'c'}) {
        write(Usart::DR, static_cast<std::uint32_t>(ch));
        clock.advance(c.frame);
    }
    EXPECT_EQ(text(), "abc");
    write(Usart::DR, 'd');
    clock.advance(c.frame - 1);
    EXPECT_EQ(line.size(), 3u);
    clock.advance(1);
    EXPECT_EQ(line.size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsartRate,
    ::testing::Values(
        RateCase{"Console8x", 25000000u, 0x01B1u, 0x8000u, 0, 86800, 25000000.0 / 217},
        RateCase{"Apb2At115200", 50000000u, 0x01B2u, 0, 0, 86800, 50000000.0 / 434},
        RateCase{"Rate9600TwoStopBits", 25000000u, 0x0A2Cu, 0, 0x2000u, 1145760, 25000000.0 / 2604},
        RateCase{"NineBitsOneStop", 50000000u, 0x01B2u, 0x1000u, 0, 95480, 50000000.0 / 434},
        RateCase{"OneAndAHalfStopBits", 16000000u, 0x008Bu, 0, 0x3000u, 91219, 16000000.0 / 139}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(UsartModel, ParityTakesTheTopDataBit)
{
    open_console(0x0400u);  // even parity, 8-bit frame: 7 data bits + parity
    write(Usart::DR, 'A');  // two ones: parity 0
    clock.advance(kConsoleFrame);
    write(Usart::DR, 'C');  // three ones: parity 1
    clock.advance(kConsoleFrame);
    EXPECT_EQ(line, (std::vector<std::uint16_t>{0x41, 0xC3}));
}

TEST_F(UsartModel, MisconfiguredTransmitIsLoud)
{
    write(Usart::BRR, 0x00D9u);
    write(Usart::CR1, kUe);
    EXPECT_THROW(write(Usart::DR, 'x'), sim::SimError) << "transmitter off";
    EXPECT_THROW(usart.receive({'x'}), sim::SimError) << "receiver off";
    write(Usart::CR1, kTe);
    EXPECT_THROW(write(Usart::DR, 'x'), sim::SimError) << "USART off";
    write(Usart::CR1, kUe | kTe);
    write(Usart::BRR, 0);
    EXPECT_THROW(write(Usart::DR, 'x'), sim::SimError) << "no baud rate";
    EXPECT_EQ(read(Usart::SR) & Usart::kTxComplete, Usart::kTxComplete);
    EXPECT_THROW(write(Usart::CR1, kUe | kTe | 0x0002u), sim::SimError) << "mute mode not modelled";
    EXPECT_THROW(read(0x1C), sim::SimError);
}

TEST_F(UsartModel, ReceivedBytesLandOneFrameApartAndOverrunLosesTheLater)
{
    open_console();
    usart.receive({'h', 'i', '!'});
    clock.advance(kConsoleFrame - 1);
    EXPECT_EQ(read(Usart::SR) & Usart::kRxNotEmpty, 0u);
    clock.advance(1);
    EXPECT_EQ(read(Usart::SR) & Usart::kRxNotEmpty, Usart::kRxNotEmpty);
    EXPECT_EQ(read(Usart::DR), static_cast<std::uint32_t>('h'));
    EXPECT_EQ(read(Usart::SR) & Usart::kRxNotEmpty, 0u);

    clock.advance(2 * kConsoleFrame);  // 'i' lands, '!' overruns it
    const std::uint32_t status = read(Usart::SR);
    EXPECT_EQ(status & (Usart::kRxNotEmpty | Usart::kOverrun), Usart::kRxNotEmpty | Usart::kOverrun);
    EXPECT_EQ(read(Usart::DR), static_cast<std::uint32_t>('i'));
    EXPECT_EQ(read(Usart::SR) & (Usart::kRxNotEmpty | Usart::kOverrun), 0u) << "SR then DR read clears ORE";
}

TEST_F(UsartModel, ResetDropsTheCharacterInFlight)
{
    open_console();
    write(Usart::DR, 'A');
    clock.advance(kConsoleFrame);
    write(Usart::DR, 'B');
    write(Usart::DR, 'C');
    usart.receive({'r'});
    clock.advance(kConsoleFrame / 2);
    usart.reset();
    EXPECT_EQ(clock.next_due(), sim::kNever) << "no event of the port outlives the reset";
    clock.advance(10 * kConsoleFrame);
    EXPECT_EQ(text(), "A");
    EXPECT_EQ(usart.peek(Usart::SR), 0x00C0u);
}

}  // namespace
