#include "spi_bus.h"

#include "core/sim_error.h"
#include "devices/hex_byte.h"
#include "models/gpio_port.h"

namespace sim {

SpiBus::SpiBus(std::string name, const VirtualClock& clock) : name_(std::move(name)), clock_(clock) {}

std::string SpiBus::pin_name(const GpioPort& port, int pin)
{
    return std::string("P") + port.letter() + std::to_string(pin);
}

void SpiBus::require_pin(std::string signal, const GpioPort& port, int pin, int af)
{
    signals_.push_back(Signal{std::move(signal), &port, pin, af});
}

void SpiBus::attach(SpiDevice& device, GpioPort& port, int pin, std::function<void()> on_frame_end)
{
    devices_.push_back(std::make_unique<Attached>(Attached{&device, &port, pin, std::move(on_frame_end), false}));
    Attached& attached = *devices_.back();
    if (!port.level(pin)) {
        attached.selected = true;
        device.select(true);
    }
    port.listen(pin, [this, &attached](bool high) { chip_select_moved(attached, high); });
}

void SpiBus::chip_select_moved(Attached& attached, bool high)
{
    const bool selected = !high;
    if (selected == attached.selected) return;
    // Only the firmware moves an output; a pin let go by a reset may move any time.
    if (attached.port->mode(attached.pin) == GpioPort::kModeOutput && byte_on_wire())
        throw SimError(name_ + ": chip select " + pin_name(*attached.port, attached.pin) + " of " +
                       attached.device->name() + " went " + (high ? "high" : "low") +
                       " while a byte was still on the wires");
    attached.selected = selected;
    attached.device->select(selected);
    if (!selected && attached.on_frame_end) attached.on_frame_end();
}

void SpiBus::check_pins(std::uint8_t mosi) const
{
    for (const Signal& s : signals_) {
        const int mode = s.port->mode(s.pin);
        const int af = s.port->alternate_function(s.pin);
        if (mode != GpioPort::kModeAlternate || af != s.af)
            throw SimError(name_ + ": byte " + hex8(mosi) + " sent while its " + s.name + " pin " +
                           pin_name(*s.port, s.pin) + " is not in alternate function " + std::to_string(s.af) +
                           " (mode " + std::to_string(mode) + ", AF " + std::to_string(af) + ")");
    }
}

std::string SpiBus::chip_selects() const
{
    std::string text;
    for (const auto& a : devices_) {
        if (!text.empty()) text += ", ";
        text += a->device->name() + " on " + pin_name(*a->port, a->pin) + (a->selected ? " low" : " high");
    }
    return text;
}

std::uint8_t SpiBus::exchange(std::uint8_t mosi, Nanoseconds done)
{
    check_pins(mosi);
    SpiDevice* target = nullptr;
    unsigned selected = 0;
    for (const auto& a : devices_) {
        if (!a->selected) continue;
        ++selected;
        target = a->device;
    }
    if (selected != 1)
        throw SimError(name_ + ": byte " + hex8(mosi) + " sent with " +
                       (selected == 0 ? "no chip select low" : "more than one chip select low") + " (" +
                       chip_selects() + ")");
    on_wire_until_ = done;
    return target->exchange(mosi);
}

void SpiBus::power_on()
{
    on_wire_until_ = 0;
    for (const auto& a : devices_) {
        a->device->power_on();
        a->selected = !a->port->level(a->pin);
        if (a->selected) a->device->select(true);
    }
}

}  // namespace sim
