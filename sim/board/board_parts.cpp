#include "board_parts.h"

#include "board_devices.h"
#include "core/sim_error.h"
#include "devices/accelerometer.h"
#include "devices/st7565p_controller.h"
#include "models/gpio_port.h"

namespace sim {

namespace {

// A device that needs nothing but its chip select.
template <class Device>
std::unique_ptr<SpiDevice> plain_device(DeviceWiring&, const BoardPart&)
{
    return std::make_unique<Device>();
}

// The LCD also listens to its A0 line (command or data) and its reset line
// (active low).
std::unique_ptr<SpiDevice> lcd(DeviceWiring& wiring, const BoardPart& part)
{
    auto made = std::make_unique<St7565pController>();
    St7565pController& controller = *made;
    SpiBus& bus = wiring.bus(part.serves);
    const WiredPin a0 = wiring.pin_of("LCD A0"), reset = wiring.pin_of("LCD reset");
    controller.set_a0(a0.port->level(a0.pin));
    a0.port->listen(a0.pin, [&controller, &bus, a0](bool high) {
        if (a0.port->mode(a0.pin) == GpioPort::kModeOutput && bus.byte_on_wire())
            throw SimError(bus.name() + ": the LCD's A0 line (" + a0.name() + ") moved while a byte was still on the wires");
        controller.set_a0(high);
    });
    controller.set_reset(!reset.port->level(reset.pin));
    reset.port->listen(reset.pin, [&controller](bool high) { controller.set_reset(!high); });
    return made;
}

constexpr int button(Button b) { return static_cast<int>(b); }

constexpr int kTimerFunction = 2;  // TIM3 and TIM4 on their pins
constexpr int kSpi2Function = 5;

constexpr BoardPart kParts[] = {
    {"LED1", PartRole::Led, {'E', 8}, {}, 0, 1},
    {"LED2", PartRole::Led, {'E', 9}, {}, 0, 2},
    {"LED3", PartRole::Led, {'E', 10}, {}, 0, 3},
    {"LED4", PartRole::Led, {'E', 11}, {}, 0, 4},
    {"LED5", PartRole::Led, {'E', 12}, {}, 0, 5},
    {"LED6", PartRole::Led, {'E', 13}, {}, 0, 6},
    {"LED7", PartRole::Led, {'E', 14}, {}, 0, 7},
    {"LED8", PartRole::Led, {'E', 15}, {}, 0, 8},
    {"backlight", PartRole::Backlight, {'C', 7}, "TIM3", kTimerFunction, 2},
    {"SW1", PartRole::Button, {'C', 14}, {}, 0, button(Button::Back)},
    {"SW2", PartRole::Button, {'C', 15}, {}, 0, button(Button::Ok)},
    {"encoder A", PartRole::EncoderContact, {'D', 12}, "TIM4", kTimerFunction, 1},
    {"encoder B", PartRole::EncoderContact, {'D', 13}, "TIM4", kTimerFunction, 2},
    {"SCK", PartRole::BusSignal, {'B', 10}, "SPI2", kSpi2Function},
    {"MOSI", PartRole::BusSignal, {'C', 3}, "SPI2", kSpi2Function},
    {"MISO", PartRole::BusSignal, {'C', 2}, "SPI2", kSpi2Function},
    {"LCD", PartRole::BusDevice, {'D', 15}, "SPI2", 0, kShowsFrames, lcd},
    {"LCD A0", PartRole::DeviceLine, {'D', 14}, "LCD"},
    {"LCD reset", PartRole::DeviceLine, {'D', 11}, "LCD"},
    {"accelerometer", PartRole::BusDevice, {'B', 14}, "SPI2", 0, 0, plain_device<Accelerometer>},
    {"COM1", PartRole::Console, {}, "USART2"},
};

}  // namespace

std::span<const BoardPart> board_parts() { return kParts; }

const BoardPart& board_part(std::string_view name)
{
    for (const BoardPart& part : kParts)
        if (part.name == name) return part;
    throw SimError("the board has no part named " + std::string(name));
}

}  // namespace sim
