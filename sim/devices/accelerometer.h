// The board's two-axis accelerometer behind its SPI chip select.
//
// One chip-select frame is one transaction. Its first byte is a command:
// bit 7 read (1) or write (0), bit 6 advance the register address after each
// data byte, bits 5-0 the register address. While the command byte shifts in
// the device leaves its data line floating; every later byte of the frame
// reads a register (the byte the master sends is ignored) or is written to
// one. Without bit 6 every data byte of the frame uses the same register; with
// it the 6-bit address wraps from 0x3F to 0x00. A frame of the command byte
// alone, or no byte at all, touches no register.
//
// Registers:
//   0x20 control, read/write, 0x00 after power-on. Bits 7-6 power: 00 powered
//        down, 11 measuring continuously; bit 1 the Y channel on, bit 0 the X
//        channel on. Output data rates, self test and a Z channel are not
//        modelled: a value with bits 5-2 set or power 01/10 is refused.
//   0x28/0x29 X low/high, 0x2A/0x2B Y low/high, read-only: the measurement as
//        a signed 16-bit word, low byte at the lower address, while the device
//        measures and the channel is on; 0 otherwise.
// Every other register reads 0 and refuses writes.
//
// A frame reads the outputs as they were when its command byte arrived, so the
// two bytes of a word always belong to the same measurement.
#ifndef SIM_DEVICES_ACCELEROMETER_H
#define SIM_DEVICES_ACCELEROMETER_H

#include <array>
#include <cstdint>
#include <string>

#include "devices/spi_device.h"

namespace sim {

class Accelerometer : public SpiDevice {
public:
    enum class Axis { X, Y };

    static constexpr std::uint8_t kControl = 0x20;
    static constexpr std::uint8_t kOutXLow = 0x28, kOutXHigh = 0x29, kOutYLow = 0x2A, kOutYHigh = 0x2B;
    // The firmware's configuration: measuring continuously on X and Y.
    static constexpr std::uint8_t kMeasureXY = 0xC3;

    explicit Accelerometer(std::string name = "accelerometer");

    const std::string& name() const override { return name_; }
    void select(bool selected) override;
    std::uint8_t exchange(std::uint8_t mosi) override;
    // Registers to their power-on values. What the device is subjected to
    // (tilt, raw readings) and a silent fault are the world's, and stay.
    void power_on() override;

    // A physical tilt of the axis: it reads round(1000 sin(degrees)), as the
    // firmware takes reading / 1000 as the sine of the angle.
    void set_tilt(Axis axis, double degrees);
    // The word the axis reads, whatever it stands for.
    void set_raw(Axis axis, std::uint16_t word);
    // What the axis measures, whether or not the device reports it.
    std::uint16_t measured(Axis axis) const { return measured_[index(axis)]; }

    // A fault: the device never drives its data line, so every byte reads
    // kFloatingMiso. It still takes the writes it is sent.
    void set_silent(bool silent) { silent_ = silent; }

    std::uint8_t control() const { return control_; }
    // Chip-select frames (transactions) ended since the device was made.
    std::uint64_t frames() const { return frames_; }
    bool reports(Axis axis) const;

private:
    static std::size_t index(Axis axis) { return axis == Axis::X ? 0u : 1u; }

    [[noreturn]] void fail(const std::string& what) const;
    std::uint8_t read_register(std::uint8_t address) const;
    void write_register(std::uint8_t address, std::uint8_t value);

    std::string name_;
    std::array<std::uint16_t, 2> measured_{};
    bool silent_ = false;
    std::uint8_t control_ = 0;
    std::uint64_t frames_ = 0;

    // The transaction in progress.
    bool selected_ = false;
    bool command_seen_ = false;
    bool reading_ = false;
    bool advancing_ = false;
    std::uint8_t address_ = 0;
    std::array<std::uint8_t, 4> outputs_{};  // 0x28 to 0x2B, latched at the command byte
};

}  // namespace sim

#endif
