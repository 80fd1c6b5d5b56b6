// The wires of one SPI bus on the board: the devices hanging on it, each
// behind a chip-select pin (low = selected), and the pins that carry the
// master's clock and data. Every edge of a chip select reaches its device
// (each edge once: a device hears a level only when it changes), and each
// byte the master shifts goes to the one device selected at that moment.
//
// Loud, as the hardware would garble it: a byte with no device selected or
// with two at once, a byte while a clock or data pin is not switched to the
// bus's alternate function, and a chip select that moves while a byte is
// still on the wires.
#ifndef SIM_DEVICES_SPI_BUS_H
#define SIM_DEVICES_SPI_BUS_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/time.h"
#include "core/virtual_clock.h"
#include "devices/spi_device.h"

namespace sim {

class GpioPort;

class SpiBus {
public:
    SpiBus(std::string name, const VirtualClock& clock);
    SpiBus(const SpiBus&) = delete;
    SpiBus& operator=(const SpiBus&) = delete;

    // signal ("SCK", "MOSI", "MISO") must be on pin in alternate function af
    // whenever a byte is sent.
    void require_pin(std::string signal, const GpioPort& port, int pin, int af);
    // The device behind the chip select on pin; on_frame_end runs after each
    // rising edge of it (the end of a frame). A chip select already low
    // selects the device at once.
    void attach(SpiDevice& device, GpioPort& port, int pin, std::function<void()> on_frame_end = {});

    // One byte from the master, on the wires until done; the selected
    // device's answer comes back.
    std::uint8_t exchange(std::uint8_t mosi, Nanoseconds done);
    // A byte is still being shifted.
    bool byte_on_wire() const { return clock_.now() < on_wire_until_; }

    // Supply up: every device powers on and knows its chip select as it stands.
    void power_on();

    const std::string& name() const { return name_; }

private:
    struct Signal {
        std::string name;
        const GpioPort* port;
        int pin;
        int af;
    };
    struct Attached {
        SpiDevice* device;
        GpioPort* port;
        int pin;
        std::function<void()> on_frame_end;
        bool selected;
    };

    void chip_select_moved(Attached& attached, bool high);
    void check_pins(std::uint8_t mosi) const;
    static std::string pin_name(const GpioPort& port, int pin);
    std::string chip_selects() const;

    std::string name_;
    const VirtualClock& clock_;
    std::vector<Signal> signals_;
    std::vector<std::unique_ptr<Attached>> devices_;  // the pin listeners hold on to them
    Nanoseconds on_wire_until_ = 0;
};

}  // namespace sim

#endif
