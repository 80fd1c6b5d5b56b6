// The SPI model through the bus: byte time and flags worked out from virtual
// time at several prescalers and bus clocks, the transmit buffer, overrun and
// mode fault with the chip's clearing sequences, and loud refusals of what
// the board never uses.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "board/board.h"
#include "board/board_models.h"
#include "board/wiring.h"
#include "core/sim_error.h"
#include "model_rig.h"
#include "models/gpio_port.h"
#include "models/rcc.h"
#include "models/spi.h"

namespace {

using sim::Nanoseconds;
using sim::Spi;

const std::uint32_t kBase = sim::base_of("SPI2");
// The board's set-up: master, mode 3, software slave select held high.
constexpr std::uint32_t kMasterSetUp = 0x0304u | 0x0003u;
constexpr std::uint32_t kEnable = Spi::kEnable;
constexpr std::uint32_t kFlags = Spi::kRxNotEmpty | Spi::kTxEmpty | Spi::kModeFault | Spi::kOverrun | Spi::kBusy;

struct Sent {
    std::uint8_t mosi;
    Nanoseconds done;
    bool operator==(const Sent&) const = default;
};

class SpiModel : public ::testing::Test {
public:  // the refusal table's set-ups reach in from lambdas
    SpiModel()
    {
        rig.mount("SPI2", spi);
        spi.set_bus_clock(25000000u);
        // The far side answers each byte with its complement.
        spi.connect([this](std::uint8_t mosi, Nanoseconds done) {
            sent.push_back({mosi, done});
            return static_cast<std::uint8_t>(~mosi);
        });
    }

    std::uint32_t read(std::uint32_t offset) { return rig.read(kBase + offset, 2); }
    void write(std::uint32_t offset, std::uint32_t value) { rig.write(kBase + offset, value, 2); }
    std::uint32_t flags() { return read(Spi::SR) & kFlags; }
    void enable(std::uint32_t prescaler_field = 3) { write(Spi::CR1, kMasterSetUp | prescaler_field << 3 | kEnable); }

    ModelRig rig;
    sim::VirtualClock& clock = rig.clock;
    Spi spi{"SPI2", rig.clock};
    std::vector<Sent> sent;
};

TEST_F(SpiModel, ComesOutOfResetIdleWithTheChipsValues)
{
    write(Spi::CR1, kMasterSetUp);
    write(Spi::CRCPR, 0x0011u);
    write(Spi::I2SPR, 0x0105u);
    spi.reset();
    EXPECT_EQ(read(Spi::CR1), 0u);
    EXPECT_EQ(read(Spi::CR2), 0u);
    EXPECT_EQ(read(Spi::SR), Spi::kTxEmpty);
    EXPECT_EQ(read(Spi::CRCPR), 0x0007u);
    EXPECT_EQ(read(Spi::I2SPR), 0x0002u);
    EXPECT_EQ(read(Spi::RXCRCR), 0u);
    EXPECT_EQ(read(Spi::TXCRCR), 0u);
    EXPECT_THROW(read(0x24), sim::SimError);
}

struct ByteTimeCase {
    const char* name;
    std::uint32_t bus_hz;
    std::uint32_t prescaler_field;  // CR1.BR: divide by 2 << BR
    Nanoseconds byte;
};

TEST_F(SpiModel, AByteTakesEightBitTimesAtThePrescalerAndScheduleNothing)
{
    const ByteTimeCase cases[] = {
        {"the board's SPI2: APB1 25 MHz / 16", 25000000u, 3, 5120},
        {"fastest: 50 MHz / 2", 50000000u, 0, 320},
        {"slowest: 25 MHz / 256", 25000000u, 7, 81920},
        {"16 MHz oscillator / 4", 16000000u, 1, 2000},
        {"a bit time of no whole nanoseconds, rounded up: 30 MHz / 8", 30000000u, 2, 2134},
    };
    for (const ByteTimeCase& c : cases) {
        SCOPED_TRACE(c.name);
        spi.set_bus_clock(c.bus_hz);
        enable(c.prescaler_field);
        EXPECT_EQ(spi.byte_time(), c.byte);
        const Nanoseconds start = clock.now();
        write(Spi::DR, 0x5A);
        EXPECT_EQ(clock.pending_events(), 0u) << "the byte costs no event";
        EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kBusy) << "straight into the shifter";
        EXPECT_EQ(spi.quiet_until(Spi::SR), start + c.byte);
        clock.advance(c.byte - 1);
        EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kBusy);
        clock.advance(1);
        EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kRxNotEmpty);
        EXPECT_EQ(spi.quiet_until(Spi::SR), sim::kNever) << "nothing more will change";
        EXPECT_EQ(read(Spi::DR), 0xA5u);
        EXPECT_EQ(flags(), Spi::kTxEmpty) << "the data read takes the byte";
        EXPECT_EQ(sent.back(), (Sent{0x5A, start + c.byte}));
        write(Spi::CR1, 0);
    }
    EXPECT_EQ(spi.bytes_moved(), std::size(cases));
}

TEST_F(SpiModel, ASecondByteWaitsInTheBufferAndAnUnreadReplyOverrunsTheNext)
{
    enable();
    write(Spi::DR, 0x01);
    write(Spi::DR, 0x02);
    EXPECT_EQ(flags(), Spi::kBusy) << "the buffer holds the second byte";
    EXPECT_THROW(write(Spi::DR, 0x03), sim::SimError) << "a third would overwrite it";
    EXPECT_EQ(spi.quiet_until(Spi::SR), 5120u);
    EXPECT_EQ(sent, (std::vector<Sent>{{0x01, 5120}, {0x02, 10240}})) << "back to back";

    clock.advance(5120);
    EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kBusy | Spi::kRxNotEmpty) << "the second byte moved to the shifter";
    EXPECT_EQ(spi.quiet_until(Spi::SR), 10240u);
    clock.advance(5120);
    EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kRxNotEmpty | Spi::kOverrun) << "the first reply was never read";
    EXPECT_EQ(read(Spi::DR), 0xFEu) << "the earlier byte stays, the later one is lost";
    EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kOverrun) << "the data read alone does not clear OVR";
    EXPECT_EQ(flags(), Spi::kTxEmpty) << "a status read after the data read does";

    write(Spi::DR, 0x10);
    clock.advance(5120);
    (void)read(Spi::SR);  // a status read before the data read clears nothing
    write(Spi::DR, 0x11);
    clock.advance(5120);
    EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kRxNotEmpty | Spi::kOverrun);
    EXPECT_EQ(spi.bytes_moved(), 4u);
}

TEST_F(SpiModel, APollingCoreSkipsToTheEndOfTheByte)
{
    rig.use_core();
    rig.cpu.set_core_clock(100000000u);
    enable(7);  // 81.92 us a byte: thousands of polls if the wait were not skipped
    write(Spi::DR, 0x42);
    int reads = 0;
    while ((read(Spi::SR) & Spi::kRxNotEmpty) == 0) ++reads;
    EXPECT_LE(reads, static_cast<int>(sim::Bus::kPollReads) + 1);
    const Nanoseconds access = rig.cpu.cycles(sim::Cpu::kCyclesPerBusAccess);
    EXPECT_GE(clock.now(), sent.back().done);
    EXPECT_LE(clock.now(), sent.back().done + 2 * access) << "the wait ends where the byte does";
    EXPECT_EQ(read(Spi::DR), 0xBDu);
}

TEST_F(SpiModel, AMasterWithItsSoftwareSlaveSelectLowTakesAModeFault)
{
    const std::uint32_t slave_select_low = kMasterSetUp & ~Spi::kInternalSlaveSelect;
    write(Spi::CR1, slave_select_low | kEnable);
    EXPECT_EQ(read(Spi::CR1), slave_select_low & ~Spi::kMaster) << "SPE and MSTR cleared by the fault";
    EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kModeFault);
    EXPECT_THROW(write(Spi::DR, 0x00), sim::SimError) << "no byte leaves a faulted interface";

    // Only an SR access followed by a CR1 write clears the fault: a CR1
    // write alone leaves it standing.
    spi.reset();
    write(Spi::CR1, slave_select_low | kEnable);
    write(Spi::CR1, kMasterSetUp | kEnable);
    EXPECT_EQ(read(Spi::CR1), kMasterSetUp & ~Spi::kMaster) << "cannot be re-enabled while MODF stands";
    EXPECT_EQ(flags(), Spi::kTxEmpty | Spi::kModeFault);
    write(Spi::CR1, kMasterSetUp | kEnable);
    EXPECT_EQ(read(Spi::CR1), kMasterSetUp | kEnable);
    EXPECT_EQ(flags(), Spi::kTxEmpty);
    write(Spi::DR, 0x33);
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(SpiModel, LsbFirstMirrorsEachByteBothWays)
{
    write(Spi::CR1, kMasterSetUp | 3u << 3 | Spi::kLsbFirst | kEnable);
    write(Spi::DR, 0x01);
    clock.advance(5120);
    EXPECT_EQ(sent.back().mosi, 0x80u);
    EXPECT_EQ(read(Spi::DR), 0xFEu) << "the reply 0x7F comes back mirrored";
}

struct RefusalCase {
    const char* name;
    std::function<void(SpiModel&)> setup;
    std::uint32_t offset;
    std::uint32_t value;
};

TEST_F(SpiModel, WhatTheBoardNeverUsesIsRefusedLoudly)
{
    const RefusalCase cases[] = {
        {"slave mode enabled", {}, Spi::CR1, 0x0200u | kEnable},
        {"hardware slave select enabled", {}, Spi::CR1, 0x0104u | kEnable},
        {"16-bit frames enabled", {}, Spi::CR1, kMasterSetUp | 0x0800u | kEnable},
        {"CRC enabled", {}, Spi::CR1, kMasterSetUp | 0x2000u | kEnable},
        {"receive-only enabled", {}, Spi::CR1, kMasterSetUp | 0x0400u | kEnable},
        {"bidirectional enabled", {}, Spi::CR1, kMasterSetUp | 0x8000u | kEnable},
        {"receive interrupt", {}, Spi::CR2, 0x0040u},
        {"transmit DMA", {}, Spi::CR2, 0x0002u},
        {"I2S mode", {}, Spi::I2SCFGR, 0x0800u},
        {"CRC register written", {}, Spi::TXCRCR, 0x0001u},
        {"data while disabled", {}, Spi::DR, 0x55u},
        {"data with no bus clock", [](SpiModel& t) { t.enable(); t.spi.set_bus_clock(0); }, Spi::DR, 0x55u},
        {"data on a bus wired to nothing", [](SpiModel& t) { t.enable(); t.spi.connect({}); }, Spi::DR, 0x55u},
        {"prescaler changed mid-byte", [](SpiModel& t) { t.enable(); t.write(Spi::DR, 0x00); }, Spi::CR1,
         kMasterSetUp | kEnable},
        {"disabled mid-byte", [](SpiModel& t) { t.enable(); t.write(Spi::DR, 0x00); }, Spi::CR1, kMasterSetUp},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.name);
        spi.reset();
        spi.set_bus_clock(25000000u);
        if (c.setup) c.setup(*this);
        EXPECT_THROW(write(c.offset, c.value), sim::SimError);
        spi.connect([](std::uint8_t, Nanoseconds) -> std::uint8_t { return 0; });
    }
}

TEST_F(SpiModel, SetUpBitsAreFreeWhileDisabledAndAResetDropsTheByteInFlight)
{
    for (std::uint32_t cr1 : {0x0114u, 0xBF3Fu & ~kEnable, 0x0000u}) {
        write(Spi::CR1, cr1);
        EXPECT_EQ(read(Spi::CR1), cr1);
    }
    write(Spi::I2SCFGR, 0x0FFFu & ~0x0C00u);
    EXPECT_EQ(read(Spi::I2SCFGR), 0x03BFu) << "bit 6 is reserved";

    enable();
    write(Spi::DR, 0x77);
    clock.advance(100);
    spi.reset();
    EXPECT_EQ(read(Spi::SR), Spi::kTxEmpty);
    EXPECT_EQ(spi.quiet_until(Spi::SR), sim::kNever);
    EXPECT_EQ(spi.bytes_moved(), 1u) << "the count is the run's";
}

// SPI2 on the board, reached through the bus alone: its devices behind
// PD15 and PB14 with their pull-ups, its pins on AF5, and the other two
// SPIs wired to nothing.
class SpiOnTheBoard : public ::testing::Test {
protected:
    SpiOnTheBoard()
    {
        board.power_on();
        write(sim::base_of("RCC") + sim::Rcc::AHB1ENR, 0x0000000Eu);  // ports B, C, D
        write(sim::base_of("RCC") + sim::Rcc::APB1ENR, 0x0000C000u);  // SPI2, SPI3
        write(sim::base_of("RCC") + sim::Rcc::APB2ENR, 0x00001000u);  // SPI1
    }
    void write(std::uint32_t address, std::uint32_t value, unsigned width = 4)
    {
        models(board).bus().write(address, width, value);
    }
    std::string error_sending(const char* spi)
    {
        write(sim::base_of(spi) + Spi::CR1, kMasterSetUp | 3u << 3 | kEnable, 2);
        try {
            write(sim::base_of(spi) + Spi::DR, 0x9C, 2);
        } catch (const sim::SimError& e) {
            return e.what();
        }
        return "";
    }
    // Mode (MODER) and alternate function of one pin.
    void set_pin(char port, int pin, std::uint32_t mode, std::uint32_t af = 0)
    {
        const std::uint32_t base = sim::base_of(std::string("GPIO") + port);
        sim::GpioPort& model = models(board).gpio(port);
        const std::uint32_t afr = pin < 8 ? sim::GpioPort::AFRL : sim::GpioPort::AFRH;
        const unsigned shift = 4u * static_cast<unsigned>(pin % 8);
        write(base + afr, (model.peek(afr) & ~(0xFu << shift)) | af << shift);
        const unsigned mode_shift = 2u * static_cast<unsigned>(pin);
        const std::uint32_t moder = model.peek(sim::GpioPort::MODER) & ~(3u << mode_shift);
        write(base + sim::GpioPort::MODER, moder | mode << mode_shift);
    }

    sim::Board board;
};

TEST_F(SpiOnTheBoard, ABytesPathFromTheChipToItsDeviceIsCheckedStepByStep)
{
    EXPECT_TRUE(models(board).gpio('D').level(15)) << "the LCD's chip select pulled up while an input";
    EXPECT_TRUE(models(board).gpio('B').level(14)) << "the accelerometer's too";
    EXPECT_EQ(error_sending("SPI1"), "SPI1: byte 0x9C sent on a bus the board wires to nothing");
    EXPECT_EQ(error_sending("SPI3"), "SPI3: byte 0x9C sent on a bus the board wires to nothing");
    EXPECT_EQ(error_sending("SPI2"),
              "SPI2: byte 0x9C sent while its SCK pin PB10 is not in alternate function 5 (mode 0, AF 0)");

    set_pin('B', 10, 2, 5);
    set_pin('C', 3, 2, 5);
    set_pin('C', 2, 2, 5);
    EXPECT_EQ(error_sending("SPI2"),
              "SPI2: byte 0x9C sent with no chip select low (lcd on PD15 high, accelerometer on PB14 high)");

    set_pin('D', 15, 1);  // outputs, driven low by their output registers
    set_pin('B', 14, 1);
    EXPECT_EQ(error_sending("SPI2"),
              "SPI2: byte 0x9C sent with more than one chip select low (lcd on PD15 low, accelerometer on PB14 low)");

    write(sim::base_of("GPIOD") + sim::GpioPort::BSRR, 1u << 15);
    EXPECT_EQ(error_sending("SPI2"), "") << "the accelerometer alone takes it";
    EXPECT_EQ(board.lcd_bus_bytes(), 1u) << "SPI2 is the LCD's bus";
    EXPECT_EQ(models(board).spi(2).byte_time(), 8000u) << "APB1 at 16 MHz after reset, divided by 16";
}

}  // namespace
