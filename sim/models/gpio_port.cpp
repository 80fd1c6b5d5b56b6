#include "gpio_port.h"

#include <bit>

#include "core/sim_error.h"

namespace sim {

namespace {
constexpr std::uint32_t kPinMask = 0xFFFFu;

// One bit a pin of a two-bit-a-pin register: set where the field equals value.
std::uint32_t pins_with(std::uint32_t fields, std::uint32_t value)
{
    std::uint32_t pins = 0;
    for (int pin = 0; pin < 16; ++pin)
        if (((fields >> (2 * pin)) & 3u) == value) pins |= 1u << pin;
    return pins;
}
}  // namespace

GpioPort::GpioPort(char letter) : letter_(letter)
{
    if (letter < 'A' || letter > 'I') throw SimError(std::string("GPIO: no port ") + letter + " on this chip");
    GpioPort::reset();
}

void GpioPort::reset()
{
    // Ports A and B come out of reset with the debug pins already assigned.
    moder_ = letter_ == 'A' ? 0xA8000000u : letter_ == 'B' ? 0x00000280u : 0u;
    ospeedr_ = letter_ == 'B' ? 0x000000C0u : 0u;
    pupdr_ = letter_ == 'A' ? 0x64000000u : letter_ == 'B' ? 0x00000100u : 0u;
    otyper_ = odr_ = lckr_ = afrl_ = afrh_ = 0;
    update_config_masks();
    update_levels();
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

int GpioPort::speed(int pin) const
{
    check_pin(pin, "speed");
    return static_cast<int>((ospeedr_ >> (2 * pin)) & 3u);
}

int GpioPort::pull(int pin) const
{
    check_pin(pin, "pull");
    return static_cast<int>((pupdr_ >> (2 * pin)) & 3u);
}

bool GpioPort::open_drain(int pin) const
{
    check_pin(pin, "output type");
    return (otyper_ >> pin) & 1u;
}

int GpioPort::alternate_function(int pin) const
{
    check_pin(pin, "alternate function");
    const std::uint32_t afr = pin < 8 ? afrl_ : afrh_;
    return static_cast<int>((afr >> (4 * (pin & 7))) & 0xFu);
}

void GpioPort::update_config_masks()
{
    outputs_ = pins_with(moder_, kModeOutput);
    analog_ = pins_with(moder_, kModeAnalog);
    pull_up_ = pins_with(pupdr_, 1u);
}

void GpioPort::update_levels()
{
    // A push-pull output drives both ways, an open-drain one only low; then
    // the outside world; then the pulls (a floating pin reads low).
    const std::uint32_t output_driven = outputs_ & ~(otyper_ & odr_);
    const std::uint32_t external = driven_ & ~output_driven;
    const std::uint32_t pulled = ~output_driven & ~driven_ & kPinMask;
    // A resistor of the board is stronger than the port's own weak pulls.
    const std::uint32_t pull_high = (board_pull_ & board_pull_up_) | (pull_up_ & ~board_pull_);
    const std::uint32_t next =
        ((output_driven & odr_) | (external & driven_high_) | (pulled & pull_high)) & kPinMask;
    const std::uint32_t changed = next ^ levels_;
    levels_ = next;
    for (std::uint32_t bits = changed; bits != 0; bits &= bits - 1) {
        const int pin = std::countr_zero(bits);
        const bool high = (next >> pin) & 1u;
        for (const PinListener& listener : listeners_[static_cast<std::size_t>(pin)]) listener(high);
        for (const PortListener& listener : port_listeners_) listener(pin, high);
    }
}

bool GpioPort::level(int pin) const
{
    check_pin(pin, "level");
    return (levels_ >> pin) & 1u;
}

void GpioPort::drive(int pin, bool high)
{
    check_pin(pin, "drive");
    driven_ |= 1u << pin;
    if (high)
        driven_high_ |= 1u << pin;
    else
        driven_high_ &= ~(1u << pin);
    update_levels();
}

void GpioPort::release(int pin)
{
    check_pin(pin, "release");
    driven_ &= ~(1u << pin);
    driven_high_ &= ~(1u << pin);
    update_levels();
}

void GpioPort::set_board_pull(int pin, bool up)
{
    check_pin(pin, "board pull");
    board_pull_ |= 1u << pin;
    if (up)
        board_pull_up_ |= 1u << pin;
    else
        board_pull_up_ &= ~(1u << pin);
    update_levels();
}

void GpioPort::listen(int pin, PinListener listener)
{
    check_pin(pin, "listen");
    listeners_[static_cast<std::size_t>(pin)].push_back(std::move(listener));
}

void GpioPort::listen_all(PortListener listener) { port_listeners_.push_back(std::move(listener)); }

std::string GpioPort::where(std::uint32_t offset) const
{
    return std::string("GPIO") + letter_ + " at offset " + hex32(offset);
}

std::uint32_t GpioPort::register_value(std::uint32_t offset) const
{
    switch (offset) {
    case MODER: return moder_;
    case OTYPER: return otyper_;
    case OSPEEDR: return ospeedr_;
    case PUPDR: return pupdr_;
    case IDR: return levels_ & ~analog_;  // the input buffer of an analogue pin is off
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
    switch (offset) {
    case MODER:
        moder_ = merge(moder_, value, lanes);
        update_config_masks();
        break;
    case OTYPER: otyper_ = merge(otyper_, value, lanes) & kPinMask; break;
    case OSPEEDR: ospeedr_ = merge(ospeedr_, value, lanes); break;
    case PUPDR:
        pupdr_ = merge(pupdr_, value, lanes);
        update_config_masks();
        break;
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
    update_levels();
}

}  // namespace sim
