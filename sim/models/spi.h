// A serial peripheral interface as this board uses it: master, full duplex,
// 8-bit frames, chip selects by software. A byte written to DR goes to the
// wires at once (the far side takes it and answers on the spot) and takes 8
// bit times at the prescaler's rate; a second byte may wait in the transmit
// buffer behind it. No event is scheduled for a byte: the flags (TXE, RXNE,
// BSY, OVR) are worked out from virtual time whenever the registers are read,
// and quiet_until tells a polling core when they will next change.
//
// Mode fault is the chip's: an enabled master whose software slave select
// (SSI) is low loses SPE and MSTR and shows MODF until SR is read and CR1
// written. What the board never uses is refused loudly once the interface
// is enabled with it (slave mode, hardware slave select, 16-bit frames,
// receive-only and bidirectional modes, CRC) or as soon as it is written
// (interrupts, DMA, I2S).
#ifndef SIM_MODELS_SPI_H
#define SIM_MODELS_SPI_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/interrupt_line.h"
#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class Spi : public WordPeripheral {
public:
    static constexpr std::uint32_t kSize = 0x400u;

    // Register offsets.
    static constexpr std::uint32_t CR1 = 0x00, CR2 = 0x04, SR = 0x08, DR = 0x0C, CRCPR = 0x10;
    static constexpr std::uint32_t RXCRCR = 0x14, TXCRCR = 0x18, I2SCFGR = 0x1C, I2SPR = 0x20;

    // CR1 bits.
    static constexpr std::uint32_t kClockPhase = 1u << 0, kClockPolarity = 1u << 1, kMaster = 1u << 2;
    static constexpr std::uint32_t kBaudRateShift = 3, kBaudRateMask = 7u << kBaudRateShift;
    static constexpr std::uint32_t kEnable = 1u << 6, kLsbFirst = 1u << 7;
    static constexpr std::uint32_t kInternalSlaveSelect = 1u << 8, kSoftwareSlaveSelect = 1u << 9;

    // SR bits.
    static constexpr std::uint32_t kRxNotEmpty = 1u << 0, kTxEmpty = 1u << 1, kModeFault = 1u << 5;
    static constexpr std::uint32_t kOverrun = 1u << 6, kBusy = 1u << 7;

    // The far side of the wires: takes the byte the master shifts out and
    // returns the byte shifted back; the byte stays on the wires until done.
    using Wires = std::function<std::uint8_t(std::uint8_t mosi, Nanoseconds done)>;

    Spi(std::string name, VirtualClock& clock);

    // Drops a byte in flight; the count of bytes moved stays (it is the run's).
    void reset() override;

    const std::string& name() const { return name_; }
    void connect(Wires wires) { wires_ = std::move(wires); }
    void set_bus_clock(std::uint32_t hz) override { bus_hz_ = hz; }
    InterruptLine* interrupt_line(std::size_t n) override { return n == 0 ? &interrupt_ : nullptr; }
    Nanoseconds quiet_until(std::uint32_t offset) const override;

    // Time one byte takes with the present prescaler and bus clock.
    Nanoseconds byte_time() const;
    // Bytes written to DR and sent since the model was made.
    std::uint64_t bytes_moved() const { return bytes_moved_; }

    // A register as a read would show it now, without a read's side effects.
    std::uint32_t peek(std::uint32_t offset) const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    // A byte on its way: in the transmit buffer until start, on the wires
    // until end, the answer received then.
    struct Transfer {
        std::uint8_t reply;
        Nanoseconds start;
        Nanoseconds end;
    };
    // What the receive side holds once every byte due by now has landed.
    struct Received {
        std::uint16_t data;
        bool full;
        bool overrun;
        std::size_t landed;
    };

    Received received_by(Nanoseconds t) const;
    void settle();
    std::uint32_t status() const;
    void write_control1(std::uint32_t next);
    void write_data(std::uint8_t byte);
    void check_enabled_setup(std::uint32_t cr1) const;
    std::uint32_t register_value(std::uint32_t offset) const;
    std::string where(std::uint32_t offset) const;

    std::string name_;
    VirtualClock& clock_;
    Wires wires_;
    InterruptLine interrupt_;
    std::uint32_t bus_hz_ = 16000000u;

    std::uint32_t cr1_ = 0, cr2_ = 0, crcpr_ = 0, i2scfgr_ = 0, i2spr_ = 0;
    bool mode_fault_ = false;
    bool mode_fault_seen_ = false;  // MODF shown by an SR access: the next CR1 write clears it
    std::uint16_t rx_data_ = 0;
    bool rx_full_ = false;
    bool overrun_ = false;
    bool overrun_data_read_ = false;  // DR read while OVR: the next SR read clears it

    std::array<Transfer, 2> in_flight_{};  // the shifter's byte, then the buffered one
    std::size_t flying_ = 0;
    std::uint64_t bytes_moved_ = 0;
};

}  // namespace sim

#endif
