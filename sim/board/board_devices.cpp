#include "board_devices.h"

#include "board_models.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/spi.h"
#include "models/usart.h"

namespace sim {

namespace {

// SPI2's pins and the LCD's control lines.
constexpr int kSpiAlternateFunction = 5;
constexpr int kSckPin = 10, kMisoPin = 2, kMosiPin = 3;  // PB10, PC2, PC3
constexpr int kLcdSelectPin = 15, kLcdA0Pin = 14, kLcdResetPin = 11;  // port D
constexpr int kAccelerometerSelectPin = 14;                           // PB14

}  // namespace

BoardDevices::BoardDevices(BoardModels& models)
    : back(models.gpio('C'), 14),
      ok(models.gpio('C'), 15),
      encoder(models.gpio('D'), 12, 13),
      encoder_inputs(models.gpio('D'), {12, 13}, 2, models.timer(4)),
      spi2("SPI2", models.clock())
{
    wire_spi2(models);

    models.usart(2).set_line_listener([this](std::uint16_t word) { console.receive(word); });
    Cpu& cpu = models.cpu();
    console.set_change_listener([&cpu] { cpu.note_change(); });
    // The LEDs hang on port E.
    models.gpio('E').listen_all([&cpu](int, bool) { cpu.note_change(); });
}

void BoardDevices::wire_spi2(BoardModels& models)
{
    GpioPort& port_b = models.gpio('B');
    GpioPort& port_c = models.gpio('C');
    GpioPort& port_d = models.gpio('D');
    // The board's pull-ups keep both devices deselected until their chip
    // selects are outputs; they are in place before the devices listen.
    port_d.set_board_pull(kLcdSelectPin, true);
    port_b.set_board_pull(kAccelerometerSelectPin, true);

    spi2.require_pin("SCK", port_b, kSckPin, kSpiAlternateFunction);
    spi2.require_pin("MOSI", port_c, kMosiPin, kSpiAlternateFunction);
    spi2.require_pin("MISO", port_c, kMisoPin, kSpiAlternateFunction);
    // The end of an LCD frame is where a condition on the screen may have become true.
    Cpu& cpu = models.cpu();
    spi2.attach(lcd, port_d, kLcdSelectPin, [&cpu] { cpu.note_change(); });
    spi2.attach(accelerometer, port_b, kAccelerometerSelectPin);

    lcd.set_a0(port_d.level(kLcdA0Pin));
    port_d.listen(kLcdA0Pin, [this, &port_d](bool high) {
        if (port_d.mode(kLcdA0Pin) == GpioPort::kModeOutput && spi2.byte_on_wire())
            throw SimError("SPI2: the LCD's A0 line (PD14) moved while a byte was still on the wires");
        lcd.set_a0(high);
    });
    lcd.set_reset(!port_d.level(kLcdResetPin));
    port_d.listen(kLcdResetPin, [this](bool high) { lcd.set_reset(!high); });

    models.get<Spi>("SPI2").connect([this](std::uint8_t mosi, Nanoseconds done) { return spi2.exchange(mosi, done); });
}

// Buttons are held or not whatever the supply does; the SPI devices start afresh.
void BoardDevices::power_on() { spi2.power_on(); }

}  // namespace sim
