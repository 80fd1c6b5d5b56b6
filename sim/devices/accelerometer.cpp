#include "accelerometer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/sim_error.h"
#include "devices/floating_miso.h"
#include "devices/hex_byte.h"

namespace sim {

namespace {

constexpr std::uint8_t kReadBit = 0x80;
constexpr std::uint8_t kAdvanceBit = 0x40;
constexpr std::uint8_t kAddressMask = 0x3F;

constexpr std::uint8_t kPowerMask = 0xC0;
constexpr std::uint8_t kMeasuring = 0xC0;
constexpr std::uint8_t kUnmodelledControl = 0x3C;  // rate, self test, Z channel
constexpr std::uint8_t kXOn = 0x01, kYOn = 0x02;

}  // namespace

Accelerometer::Accelerometer(std::string name) : name_(std::move(name)) { Accelerometer::power_on(); }

void Accelerometer::power_on()
{
    control_ = 0;
    selected_ = false;
    command_seen_ = false;
}

void Accelerometer::fail(const std::string& what) const { throw SimError(name_ + ": " + what); }

void Accelerometer::select(bool selected)
{
    if (selected == selected_)
        fail(selected ? "selected while a frame is already open" : "deselected while not selected");
    selected_ = selected;
    command_seen_ = false;
    if (!selected) ++frames_;
}

std::uint8_t Accelerometer::exchange(std::uint8_t mosi)
{
    if (!selected_) fail("byte " + hex8(mosi) + " exchanged while not selected");
    if (!command_seen_) {
        command_seen_ = true;
        reading_ = (mosi & kReadBit) != 0;
        advancing_ = (mosi & kAdvanceBit) != 0;
        address_ = mosi & kAddressMask;
        for (std::size_t i = 0; i < outputs_.size(); ++i) {
            const Axis axis = i < 2 ? Axis::X : Axis::Y;
            const std::uint16_t word = reports(axis) ? measured(axis) : 0;
            outputs_[i] = static_cast<std::uint8_t>(i % 2 == 0 ? word : word >> 8);
        }
        return kFloatingMiso;
    }

    std::uint8_t miso = kFloatingMiso;
    if (reading_)
        miso = read_register(address_);
    else
        write_register(address_, mosi);
    if (advancing_) address_ = (address_ + 1) & kAddressMask;
    return silent_ ? kFloatingMiso : miso;
}

std::uint8_t Accelerometer::read_register(std::uint8_t address) const
{
    if (address == kControl) return control_;
    if (address >= kOutXLow && address <= kOutYHigh) return outputs_[address - kOutXLow];
    return 0;
}

void Accelerometer::write_register(std::uint8_t address, std::uint8_t value)
{
    if (address >= kOutXLow && address <= kOutYHigh)
        fail("write of " + hex8(value) + " to the read-only output register " + hex8(address));
    if (address != kControl) fail("write of " + hex8(value) + " to register " + hex8(address) + ", which it does not have");

    const std::uint8_t power = value & kPowerMask;
    if ((value & kUnmodelledControl) != 0 || (power != 0 && power != kMeasuring))
        fail("control value " + hex8(value) +
             " is not modelled (0x00-0x03 powered down, 0xC0-0xC3 measuring; bit 0 X, bit 1 Y)");
    control_ = value;
}

bool Accelerometer::reports(Axis axis) const
{
    if ((control_ & kPowerMask) != kMeasuring) return false;
    return (control_ & (axis == Axis::X ? kXOn : kYOn)) != 0;
}

void Accelerometer::set_tilt(Axis axis, double degrees)
{
    if (!std::isfinite(degrees)) fail("tilt of a non-finite angle");
    const double reading = std::round(1000.0 * std::sin(degrees * std::numbers::pi / 180.0));
    // |sin| <= 1 keeps the reading far inside; the clamp keeps the cast defined.
    constexpr double kLow = std::numeric_limits<std::int16_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int16_t>::max();
    const auto word = static_cast<std::int16_t>(std::clamp(reading, kLow, kHigh));
    measured_[index(axis)] = static_cast<std::uint16_t>(word);
}

void Accelerometer::set_raw(Axis axis, std::uint16_t word) { measured_[index(axis)] = word; }

}  // namespace sim
