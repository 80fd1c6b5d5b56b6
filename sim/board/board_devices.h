// What sits on the board around the chip, built from the board's parts and
// wired to the chip's models as the parts say.
#ifndef SIM_BOARD_BOARD_DEVICES_H
#define SIM_BOARD_BOARD_DEVICES_H

#include <array>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "board.h"
#include "board_parts.h"
#include "devices/lcd_text_view.h"
#include "devices/push_button.h"
#include "devices/rotary_encoder.h"
#include "devices/serial_line.h"
#include "devices/spi_bus.h"
#include "timer_input_pins.h"

namespace sim {

class Accelerometer;
class ChipModels;
class GeneralTimer;
class GpioPort;
class St7565pController;
class Usart;

// A pin of the chip as a device sees it.
struct WiredPin {
    GpioPort* port;
    int pin;
    std::string name() const;  // "PD14"
};

class BoardDevices;

// What a bus device's factory wires it with: the pins of the other parts and
// the buses.
class DeviceWiring {
public:
    explicit DeviceWiring(BoardDevices& devices) : devices_(devices) {}
    WiredPin pin_of(std::string_view part) const;
    SpiBus& bus(std::string_view name) const;

private:
    BoardDevices& devices_;
};

class BoardDevices {
public:
    BoardDevices(ChipModels& chip, std::span<const BoardPart> parts, LcdTextView::Font font);
    ~BoardDevices();
    BoardDevices(const BoardDevices&) = delete;
    BoardDevices& operator=(const BoardDevices&) = delete;

    // Supply up: the devices' own state after power-on.
    void power_on();

    int leds() const { return static_cast<int>(leds_.size()); }
    bool led(int number) const;
    int backlight_percent() const;
    // Writes to the models the LEDs and the backlight hang on (their ports,
    // the backlight's timer, the clock control that resets them).
    std::uint64_t lights_writes() const { return lights_writes_; }
    PushButton& button(Button button);
    const PushButton& button(Button button) const;
    // The button's interrupt handler runs or waits to run.
    bool button_action_pending() const;
    RotaryEncoder& encoder() { return *encoder_; }
    SerialLine& console() { return console_; }
    Usart& console_usart() { return *console_usart_; }
    SpiBus& bus(std::string_view name);
    St7565pController& lcd() const { return *lcd_; }
    // The SPI bus the LCD hangs on ("SPI2").
    std::string_view lcd_bus() const { return lcd_bus_; }
    Accelerometer& accelerometer() const { return *accelerometer_; }
    const LcdTextView& lcd_reader() const { return lcd_reader_; }

private:
    struct Backlight {
        WiredPin pin;
        int function;
        GeneralTimer* timer;
    };
    struct BusDevice {
        const BoardPart* part;
        std::unique_ptr<SpiDevice> device;
    };

    friend class DeviceWiring;
    WiredPin pin_of(std::string_view part) const;
    void note_change();
    WiredPin wired(const BoardPart& part) const;
    template <class Device>
    Device* device_of_type() const;

    void wire_led(const BoardPart& part);
    void wire_backlight(const BoardPart& part);
    void wire_button(const BoardPart& part);
    void wire_encoder(std::span<const BoardPart> parts);
    void wire_buses(std::span<const BoardPart> parts);
    void wire_console(const BoardPart& part);

    ChipModels& chip_;
    std::span<const BoardPart> parts_;
    std::vector<WiredPin> leds_;  // LED1 first
    std::unique_ptr<Backlight> backlight_;
    std::uint64_t lights_writes_ = 0;
    std::array<std::unique_ptr<PushButton>, 2> buttons_;  // by Button
    std::vector<int> button_exceptions_;
    std::unique_ptr<RotaryEncoder> encoder_;
    std::unique_ptr<TimerInputPins> encoder_inputs_;
    std::vector<std::unique_ptr<SpiBus>> buses_;
    std::vector<BusDevice> bus_devices_;
    SerialLine console_;
    Usart* console_usart_ = nullptr;
    St7565pController* lcd_ = nullptr;
    std::string_view lcd_bus_;
    Accelerometer* accelerometer_ = nullptr;
    LcdTextView lcd_reader_;
};

}  // namespace sim

#endif
