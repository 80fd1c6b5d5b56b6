#include "board_devices.h"

#include <algorithm>

#include "chip_models.h"
#include "devices/accelerometer.h"
#include "devices/st7565p_controller.h"
#include "models/exti.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/spi.h"
#include "models/usart.h"
#include "wiring.h"

namespace sim {

std::string WiredPin::name() const { return std::string("P") + port->letter() + std::to_string(pin); }

BoardDevices::BoardDevices(ChipModels& chip, std::span<const BoardPart> parts, LcdTextView::Font font)
    : chip_(chip), parts_(parts), lcd_reader_(font)
{
    for (const BoardPart& part : parts) {
        switch (part.role) {
        case PartRole::Led: wire_led(part); break;
        case PartRole::Backlight: wire_backlight(part); break;
        case PartRole::Button: wire_button(part); break;
        case PartRole::Console: wire_console(part); break;
        case PartRole::EncoderContact:
        case PartRole::BusSignal:
        case PartRole::BusDevice:
        case PartRole::DeviceLine: break;  // wired as a group below
        }
    }
    wire_encoder(parts);
    wire_buses(parts);

    for (std::size_t n = 0; n < leds_.size(); ++n)
        if (leds_[n].port == nullptr) throw SimError("board parts: no LED" + std::to_string(n + 1));
    if (!backlight_ || !buttons_[0] || !buttons_[1] || !encoder_ || console_usart_ == nullptr)
        throw SimError("board parts: the backlight, both buttons, the encoder and the console are all needed");
    lcd_ = device_of_type<St7565pController>();
    accelerometer_ = device_of_type<Accelerometer>();
    if (lcd_ == nullptr || accelerometer_ == nullptr)
        throw SimError("board parts: the LCD and the accelerometer are both needed");
    for (const BusDevice& d : bus_devices_)
        if (d.device.get() == lcd_) lcd_bus_ = d.part->serves;

    std::vector<WordPeripheral*> lights = {backlight_->pin.port, backlight_->timer, &chip_.rcc()};
    for (const WiredPin& led : leds_) lights.push_back(led.port);
    for (WordPeripheral* model : lights) model->count_writes_in(lights_writes_);
}

BoardDevices::~BoardDevices() = default;

WiredPin BoardDevices::wired(const BoardPart& part) const { return {&chip_.gpio(part.pin.port), part.pin.number}; }

WiredPin DeviceWiring::pin_of(std::string_view part) const { return devices_.pin_of(part); }
SpiBus& DeviceWiring::bus(std::string_view name) const { return devices_.bus(name); }

WiredPin BoardDevices::pin_of(std::string_view part) const
{
    for (const BoardPart& p : parts_)
        if (p.name == part) return wired(p);
    throw SimError("board parts: no part named " + std::string(part));
}

SpiBus& BoardDevices::bus(std::string_view name)
{
    for (const auto& bus : buses_)
        if (bus->name() == name) return *bus;
    throw SimError("board parts: no SPI bus named " + std::string(name));
}

void BoardDevices::note_change() { chip_.cpu().note_change(); }

template <class Device>
Device* BoardDevices::device_of_type() const
{
    for (const BusDevice& d : bus_devices_)
        if (auto* device = dynamic_cast<Device*>(d.device.get())) return device;
    return nullptr;
}

void BoardDevices::wire_led(const BoardPart& part)
{
    if (part.number < 1) throw SimError("board parts: " + std::string(part.name) + " has no LED number");
    const auto index = static_cast<std::size_t>(part.number - 1);
    if (leds_.size() <= index) leds_.resize(index + 1, WiredPin{nullptr, 0});
    leds_[index] = wired(part);
    // A lit or darkened LED is a change a run may be waiting for.
    leds_[index].port->listen(part.pin.number, [this](bool) { note_change(); });
}

void BoardDevices::wire_backlight(const BoardPart& part)
{
    // The timer model drives an output on its channel 2 only.
    if (part.number != 2) throw SimError("board parts: the backlight must hang on a timer's channel 2");
    backlight_ = std::make_unique<Backlight>(Backlight{wired(part), part.function, &chip_.get<GeneralTimer>(part.serves)});
}

void BoardDevices::wire_button(const BoardPart& part)
{
    const auto index = static_cast<std::size_t>(part.number);
    if (index >= buttons_.size()) throw SimError("board parts: " + std::string(part.name) + " is no button");
    const WiredPin pin = wired(part);
    buttons_[index] = std::make_unique<PushButton>(*pin.port, pin.pin);
    // The pin's EXTI line (its number) reaches the core through the EXTI
    // interrupt that serves that line.
    const WiringRow& exti = wiring_row("EXTI");
    for (std::size_t slot = 0; slot < Exti::kInterruptGroups.size(); ++slot) {
        if ((Exti::kInterruptGroups[slot] & (1u << part.pin.number)) == 0) continue;
        const int exception = exti.interrupts[slot];
        if (std::find(button_exceptions_.begin(), button_exceptions_.end(), exception) == button_exceptions_.end())
            button_exceptions_.push_back(exception);
    }
}

void BoardDevices::wire_encoder(std::span<const BoardPart> parts)
{
    std::vector<const BoardPart*> contacts;
    for (const BoardPart& part : parts)
        if (part.role == PartRole::EncoderContact) contacts.push_back(&part);
    std::sort(contacts.begin(), contacts.end(), [](auto* a, auto* b) { return a->number < b->number; });
    if (contacts.size() != 2 || contacts[0]->number != 1 || contacts[1]->number != 2 ||
        contacts[0]->serves != contacts[1]->serves)
        throw SimError("board parts: the encoder needs contact A on channel 1 and B on channel 2 of one timer");
    const WiredPin a = wired(*contacts[0]), b = wired(*contacts[1]);
    encoder_ = std::make_unique<RotaryEncoder>(RotaryEncoder::Contact{*a.port, a.pin},
                                               RotaryEncoder::Contact{*b.port, b.pin});
    std::vector<TimerInputPins::Input> inputs;
    for (const BoardPart* contact : contacts) {
        const WiredPin pin = wired(*contact);
        inputs.push_back({contact->number, pin.port, pin.pin, contact->function});
    }
    encoder_inputs_ = std::make_unique<TimerInputPins>(chip_.get<GeneralTimer>(contacts[0]->serves), std::move(inputs));
}

void BoardDevices::wire_buses(std::span<const BoardPart> parts)
{
    const auto on_bus = [](const BoardPart& part) {
        return part.role == PartRole::BusSignal || part.role == PartRole::BusDevice;
    };
    // The board's pull-ups keep every device deselected until its chip
    // select is an output; they are in place before the devices listen.
    for (const BoardPart& part : parts)
        if (part.role == PartRole::BusDevice) wired(part).port->set_board_pull(part.pin.number, true);
    for (const BoardPart& part : parts) {
        if (!on_bus(part)) continue;
        const bool known = std::any_of(buses_.begin(), buses_.end(), [&](const auto& b) { return b->name() == part.serves; });
        if (!known) buses_.push_back(std::make_unique<SpiBus>(std::string(part.serves), chip_.clock()));
    }
    for (const BoardPart& part : parts) {
        if (part.role != PartRole::BusSignal) continue;
        const WiredPin pin = wired(part);
        bus(part.serves).require_pin(std::string(part.name), *pin.port, pin.pin, part.function);
    }
    for (const BoardPart& part : parts) {
        if (part.role != PartRole::BusDevice) continue;
        if (part.make == nullptr) throw SimError("board parts: " + std::string(part.name) + " has no device to make");
        DeviceWiring wiring(*this);
        bus_devices_.push_back(BusDevice{&part, part.make(wiring, part)});
        const WiredPin pin = wired(part);
        std::function<void()> frame_end;
        if (part.number == kShowsFrames) frame_end = [this] { note_change(); };
        bus(part.serves).attach(*bus_devices_.back().device, *pin.port, pin.pin, std::move(frame_end));
    }
    for (const auto& b : buses_) {
        SpiBus* wires = b.get();
        chip_.get<Spi>(b->name()).connect([wires](std::uint8_t mosi, Nanoseconds done) { return wires->exchange(mosi, done); });
    }
}

void BoardDevices::wire_console(const BoardPart& part)
{
    console_usart_ = &chip_.get<Usart>(part.serves);
    console_usart_->set_line_listener([this](std::uint16_t word) { console_.receive(word); });
    console_.set_change_listener([this] { note_change(); });
}

// Buttons are held or not whatever the supply does; the SPI devices start afresh.
void BoardDevices::power_on()
{
    for (const auto& bus : buses_) bus->power_on();
}

bool BoardDevices::led(int number) const
{
    if (number < 1 || number > leds())
        throw SimError("the board has LED1 to LED" + std::to_string(leds()) + ", not LED" + std::to_string(number));
    const WiredPin& pin = leds_[static_cast<std::size_t>(number - 1)];
    return pin.port->mode(pin.pin) == GpioPort::kModeOutput && pin.port->level(pin.pin);
}

int BoardDevices::backlight_percent() const
{
    const WiredPin& pin = backlight_->pin;
    if (pin.port->mode(pin.pin) != GpioPort::kModeAlternate || pin.port->alternate_function(pin.pin) != backlight_->function)
        return 0;
    const GeneralTimer::Duty duty = backlight_->timer->channel2_output();
    return static_cast<int>((200 * duty.high + duty.period) / (2 * duty.period));
}

PushButton& BoardDevices::button(Button button) { return *buttons_[static_cast<std::size_t>(button)]; }
const PushButton& BoardDevices::button(Button button) const { return *buttons_[static_cast<std::size_t>(button)]; }

bool BoardDevices::button_action_pending() const
{
    const ExceptionState& core = chip_.exceptions();
    return std::any_of(button_exceptions_.begin(), button_exceptions_.end(),
                       [&core](int exception) { return core.active(exception) || core.pending(exception); });
}

}  // namespace sim
