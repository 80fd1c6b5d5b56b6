// The board around the chip, one row a part: the LEDs, the backlight, the
// buttons, the encoder's contacts, the SPI bus with its devices behind their
// chip selects and the devices' control lines, and the console line, each
// with the pin or peripheral it meets the chip at. The board's devices are
// built from these rows and nothing else; a new device on an existing bus is
// a class of its own and one row here.
#ifndef SIM_BOARD_BOARD_PARTS_H
#define SIM_BOARD_BOARD_PARTS_H

#include <memory>
#include <span>
#include <string_view>

#include "board.h"
#include "devices/spi_device.h"

namespace sim {

class DeviceWiring;

enum class PartRole {
    Led,             // number: LED1..LED8, lit while its pin drives high as an output
    Backlight,       // lit by channel `number` of the timer `serves`, through alternate function `function`
    Button,          // number: the Button; a contact to ground with the board's pull-up
    EncoderContact,  // number: the channel of the timer `serves` it drives (1: contact A, 2: B), through `function`
    BusSignal,       // name: SCK, MOSI or MISO of the SPI bus `serves`, on alternate function `function`
    BusDevice,       // a device on the SPI bus `serves`, selected while its pin is low (pulled up on the board);
                     // number: kShowsFrames when the end of its frame may change what a person sees
    DeviceLine,      // a control line of the device named by `serves`
    Console,         // the RS-232 line of COM1, on the USART `serves`
};

// A bus device whose frames a run's condition is tested after (the LCD's).
constexpr int kShowsFrames = 1;

struct PortPin {
    char port = 0;  // 'A' .. 'I'
    int number = -1;
};

struct BoardPart {
    // Makes a bus device and wires what it needs beyond its chip select.
    using DeviceFactory = std::unique_ptr<SpiDevice> (*)(DeviceWiring& wiring, const BoardPart& part);

    std::string_view name;
    PartRole role;
    PortPin pin;
    std::string_view serves = {};
    int function = 0;
    int number = 0;
    DeviceFactory make = nullptr;
};

std::span<const BoardPart> board_parts();
const BoardPart& board_part(std::string_view name);

}  // namespace sim

#endif
