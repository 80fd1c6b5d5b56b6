// The SPI bus wires: chip-select edges reach their device once per change,
// each byte reaches the one device selected, and whatever would garble the
// bus on the board (no device or two selected, a bus pin not switched to the
// bus, a chip select moving mid-byte) is loud and names the pins.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/sim_error.h"
#include "core/virtual_clock.h"
#include "devices/spi_bus.h"
#include "models/gpio_port.h"

namespace {

using sim::GpioPort;

// A device that notes what the bus tells it and answers with a fixed byte.
class Probe : public sim::SpiDevice {
public:
    Probe(std::string name, std::uint8_t answer) : name_(std::move(name)), answer_(answer) {}
    const std::string& name() const override { return name_; }
    void select(bool selected) override { log.push_back(selected ? "select" : "deselect"); }
    std::uint8_t exchange(std::uint8_t mosi) override
    {
        log.push_back("byte " + std::to_string(mosi));
        return answer_;
    }
    void power_on() override { log.push_back("power on"); }

    std::vector<std::string> log;

private:
    std::string name_;
    std::uint8_t answer_;
};

void set_field(GpioPort& port, std::uint32_t offset, int pin, unsigned bits, std::uint32_t value)
{
    const unsigned shift = bits * static_cast<unsigned>(pin % (32 / static_cast<int>(bits)));
    const std::uint32_t mask = ((1u << bits) - 1u) << shift;
    port.write(offset, 4, (port.peek(offset) & ~mask) | value << shift);
}
void set_mode(GpioPort& port, int pin, int mode)
{
    set_field(port, GpioPort::MODER, pin, 2, static_cast<std::uint32_t>(mode));
}
void set_af(GpioPort& port, int pin, int af)
{
    set_field(port, pin < 8 ? GpioPort::AFRL : GpioPort::AFRH, pin, 4, static_cast<std::uint32_t>(af));
    set_mode(port, pin, GpioPort::kModeAlternate);
}
void set_output(GpioPort& port, int pin, bool high)
{
    port.write(GpioPort::BSRR, 4, high ? 1u << pin : 1u << (pin + 16));
}

std::string error_of(const std::function<void()>& action)
{
    try {
        action();
    } catch (const sim::SimError& e) {
        return e.what();
    }
    return "";
}

// SPI2 as the board wires it: the LCD behind PD15 and the accelerometer
// behind PB14, both with the board's pull-ups, and the bus pins on AF5.
class SpiBusWires : public ::testing::Test {
public:  // the tables' steps reach in from lambdas
    SpiBusWires()
    {
        port_d.set_board_pull(15, true);
        port_b.set_board_pull(14, true);
        bus.require_pin("SCK", port_b, 10, 5);
        bus.require_pin("MOSI", port_c, 3, 5);
        bus.require_pin("MISO", port_c, 2, 5);
        bus.attach(lcd, port_d, 15, [this] { ++lcd_frames; });
        bus.attach(accelerometer, port_b, 14);
        set_af(port_b, 10, 5);
        set_af(port_c, 3, 5);
        set_af(port_c, 2, 5);
        for (auto [port, pin] : {std::pair{&port_d, 15}, std::pair{&port_b, 14}}) {
            set_output(*port, pin, true);
            set_mode(*port, pin, GpioPort::kModeOutput);
        }
    }

    sim::VirtualClock clock;
    GpioPort port_b{'B'}, port_c{'C'}, port_d{'D'};
    sim::SpiBus bus{"SPI2", clock};
    Probe lcd{"lcd", 0x11}, accelerometer{"accelerometer", 0x22};
    int lcd_frames = 0;
};

TEST_F(SpiBusWires, EveryChangeOfAChipSelectReachesItsDeviceOnce)
{
    EXPECT_TRUE(lcd.log.empty()) << "pulled up, then driven high: never selected";
    const struct {
        const char* what;
        std::function<void(SpiBusWires&)> act;
        std::vector<std::string> log;
        int frames;
    } steps[] = {
        {"driven low", [](SpiBusWires& t) { set_output(t.port_d, 15, false); }, {"select"}, 0},
        {"low again", [](SpiBusWires& t) { set_output(t.port_d, 15, false); }, {"select"}, 0},
        {"driven high: the frame ends", [](SpiBusWires& t) { set_output(t.port_d, 15, true); },
         {"select", "deselect"}, 1},
        {"an input, held high by the pull-up",
         [](SpiBusWires& t) { set_mode(t.port_d, 15, GpioPort::kModeInput); }, {"select", "deselect"}, 1},
        {"pulled low from outside", [](SpiBusWires& t) { t.port_d.drive(15, false); },
         {"select", "deselect", "select"}, 1},
        {"let go", [](SpiBusWires& t) { t.port_d.release(15); }, {"select", "deselect", "select", "deselect"}, 2},
    };
    for (const auto& step : steps) {
        step.act(*this);
        EXPECT_EQ(lcd.log, step.log) << step.what;
        EXPECT_EQ(lcd_frames, step.frames) << step.what;
    }
    EXPECT_TRUE(accelerometer.log.empty()) << "its chip select never moved";
}

TEST_F(SpiBusWires, EachByteGoesToTheOneDeviceSelected)
{
    set_output(port_b, 14, false);
    EXPECT_EQ(bus.exchange(0x5A, 0), 0x22u);
    set_output(port_b, 14, true);
    set_output(port_d, 15, false);
    EXPECT_EQ(bus.exchange(0x3C, 0), 0x11u);
    EXPECT_EQ(accelerometer.log, (std::vector<std::string>{"select", "byte 90", "deselect"}));
    EXPECT_EQ(lcd.log, (std::vector<std::string>{"select", "byte 60"}));

    set_output(port_b, 14, false);
    EXPECT_EQ(error_of([&] { bus.exchange(0x01, 0); }),
              "SPI2: byte 0x01 sent with more than one chip select low (lcd on PD15 low, accelerometer on PB14 low)");
    set_output(port_b, 14, true);
    set_output(port_d, 15, true);
    EXPECT_EQ(error_of([&] { bus.exchange(0x02, 0); }),
              "SPI2: byte 0x02 sent with no chip select low (lcd on PD15 high, accelerometer on PB14 high)");
}

TEST_F(SpiBusWires, AByteWhileABusPinIsNotOnTheBusIsLoud)
{
    set_output(port_d, 15, false);
    const struct {
        std::function<void(SpiBusWires&)> misconfigure;
        std::string error;
    } cases[] = {
        {[](SpiBusWires& t) { set_mode(t.port_b, 10, GpioPort::kModeOutput); },
         "SPI2: byte 0x7E sent while its SCK pin PB10 is not in alternate function 5 (mode 1, AF 5)"},
        {[](SpiBusWires& t) { set_af(t.port_c, 3, 6); },
         "SPI2: byte 0x7E sent while its MOSI pin PC3 is not in alternate function 5 (mode 2, AF 6)"},
        {[](SpiBusWires& t) { set_mode(t.port_c, 2, GpioPort::kModeInput); },
         "SPI2: byte 0x7E sent while its MISO pin PC2 is not in alternate function 5 (mode 0, AF 5)"},
    };
    for (const auto& c : cases) {
        c.misconfigure(*this);
        EXPECT_EQ(error_of([&] { bus.exchange(0x7E, 0); }), c.error);
        set_af(port_b, 10, 5);
        set_af(port_c, 3, 5);
        set_af(port_c, 2, 5);
    }
    EXPECT_EQ(lcd.log, (std::vector<std::string>{"select"})) << "no byte reached the device";
}

TEST_F(SpiBusWires, AChipSelectDrivenWhileAByteIsOnTheWiresIsLoud)
{
    // A reset lets the pin go, whatever the wires are doing.
    set_output(port_b, 14, false);
    bus.exchange(0x20, 5120);
    set_mode(port_b, 14, GpioPort::kModeInput);
    EXPECT_EQ(accelerometer.log, (std::vector<std::string>{"select", "byte 32", "deselect"}));

    clock.advance(5120);
    set_output(port_d, 15, false);
    bus.exchange(0x10, 10240);
    clock.advance(5119);
    EXPECT_TRUE(bus.byte_on_wire());
    EXPECT_EQ(error_of([&] { set_output(port_d, 15, true); }),
              "SPI2: chip select PD15 of lcd went high while a byte was still on the wires");
    clock.advance(1);
    EXPECT_FALSE(bus.byte_on_wire());
}

TEST_F(SpiBusWires, PowerOnRestartsEveryDeviceWithItsChipSelectAsItStands)
{
    set_output(port_b, 14, false);
    accelerometer.log.clear();
    lcd.log.clear();
    bus.exchange(0x00, 1000);
    bus.power_on();
    EXPECT_FALSE(bus.byte_on_wire());
    EXPECT_EQ(lcd.log, (std::vector<std::string>{"power on"}));
    EXPECT_EQ(accelerometer.log, (std::vector<std::string>{"byte 0", "power on", "select"}));
}

}  // namespace
