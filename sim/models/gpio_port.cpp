#include "gpio_port.h"

#include "core/sim_error.h"

namespace sim {

namespace {
constexpr std::uint32_t kPinMask = 0xFFFFu;
}

GpioPort::GpioPort(char letter) : letter_(letter)
{
    if (letter < 'A' || letter > 'I') throw SimError(std::string("GPIO: no port ") + letter + " on this chip");
    reset();
}

void GpioPort::reset()
{
    // Ports A and B come out of reset with the debug pins already assigned.
    moder_ = letter_ == 'A' ? 0xA8000000u : letter_ == 'B' ? 0x00000280u : 0u;
    ospeedr_ = letter_ == 'B' ? 0x000000C0u : 0u;
    pupdr_ = letter_ == 'A' ? 0x64000000u : letter_ == 'B' ? 0x00000100u : 0u;
    otyper_ = odr_ = lckr_ = afrl_ = afrh_ = 0;
}

void GpioPort::check_pin(int pin, const char* what)
{
    if (pin < 0 || pin > 15) throw SimError(std::string("GPIO: ") + what + " of pin " + std::to_string(pin) + " (0..15)");
}

int GpioPort::mode(int pin) const
{
    check_pin(pin, "mode");
    return static_cast<int>((moder_ >> (2 * pin)) & 3u);
}

std::uint32_t GpioPort::levels() const
{
    std::uint32_t high = 0;
    for (int pin = 0; pin < 16; ++pin) {
        const std::uint32_t bit = 1u << pin;
        const bool output = ((moder_ >> (2 * pin)) & 3u) == static_cast<std::uint32_t>(kModeOutput);
        const bool open_drain = (otyper_ & bit) != 0;
        // A push-pull output drives both ways, an open-drain one only low.
        if (output && (!open_drain || !(odr_ & bit))) {
            if (odr_ & bit) high |= bit;
            continue;
        }
        if (driven_ & bit) {
            if (driven_high_ & bit) high |= bit;
            continue;
        }
        // Pull-up reads high; pull-down and a floating pin read low.
        if (((pupdr_ >> (2 * pin)) & 3u) == 1u) high |= bit;
    }
    return high;
}

bool GpioPort::level(int pin) const
{
    check_pin(pin, "level");
    return (levels() >> pin) & 1u;
}

std::uint32_t GpioPort::input_data() const
{
    // The input buffer of an analogue pin is off: it reads 0.
    std::uint32_t analog = 0;
    for (int pin = 0; pin < 16; ++pin)
        if (((moder_ >> (2 * pin)) & 3u) == static_cast<std::uint32_t>(kModeAnalog)) analog |= 1u << pin;
    return levels() & ~analog;
}

void GpioPort::notify_changes(std::uint32_t before)
{
    if (!listener_) return;
    const std::uint32_t after = levels();
    const std::uint32_t changed = before ^ after;
    for (int pin = 0; pin < 16; ++pin)
        if (changed & (1u << pin)) listener_(pin, (after >> pin) & 1u);
}

void GpioPort::drive(int pin, bool high)
{
    check_pin(pin, "drive");
    const std::uint32_t before = levels();
    driven_ |= 1u << pin;
    if (high)
        driven_high_ |= 1u << pin;
    else
        driven_high_ &= ~(1u << pin);
    notify_changes(before);
}

void GpioPort::release(int pin)
{
    check_pin(pin, "release");
    const std::uint32_t before = levels();
    driven_ &= ~(1u << pin);
    driven_high_ &= ~(1u << pin);
    notify_changes(before);
}

std::string GpioPort::where(std::uint32_t offset) const
{
    return std::string("GPIO") + letter_ + " at offset " + hex32(offset) + " (" + hex32(base() + offset) + ")";
}

std::uint32_t GpioPort::register_value(std::uint32_t offset) const
{
    switch (offset) {
    case MODER: return moder_;
    case OTYPER: return otyper_;
    case OSPEEDR: return ospeedr_;
    case PUPDR: return pupdr_;
    case IDR: return input_data();
    case ODR: return odr_;
    case BSRR: return 0;  // write-only
    case LCKR: return lckr_;
    case AFRL: return afrl_;
    case AFRH: return afrh_;
    default: throw SimError(where(offset) + ": no register there");
    }
}

std::uint32_t GpioPort::read_word(std::uint32_t offset) { return register_value(offset); }

std::uint32_t GpioPort::peek(std::uint32_t offset) const { return register_value(offset); }

void GpioPort::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t before = levels();
    switch (offset) {
    case MODER: moder_ = merge(moder_, value, lanes); break;
    case OTYPER: otyper_ = merge(otyper_, value, lanes) & kPinMask; break;
    case OSPEEDR: ospeedr_ = merge(ospeedr_, value, lanes); break;
    case PUPDR: pupdr_ = merge(pupdr_, value, lanes); break;
    case IDR: throw SimError(where(offset) + ": IDR is read-only (written " + hex32(value) + ")");
    case ODR: odr_ = merge(odr_, value, lanes) & kPinMask; break;
    case BSRR: {
        // The low half sets, the high half resets; a pin in both is set.
        const std::uint32_t set = value & kPinMask;
        const std::uint32_t clear = (value >> 16) & kPinMask;
        odr_ = (odr_ & ~clear) | set;
        break;
    }
    case LCKR: lckr_ = merge(lckr_, value, lanes) & 0x1FFFFu; break;
    case AFRL: afrl_ = merge(afrl_, value, lanes); break;
    case AFRH: afrh_ = merge(afrh_, value, lanes); break;
    default: throw SimError(where(offset) + ": no register there (written " + hex32(value) + ")");
    }
    notify_changes(before);
}

}  // namespace sim
