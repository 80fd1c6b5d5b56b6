// What sits on the board around the chip, wired to the chip's pins and
// peripherals as on the board.
#ifndef SIM_BOARD_BOARD_DEVICES_H
#define SIM_BOARD_BOARD_DEVICES_H

#include "devices/accelerometer.h"
#include "devices/lcd_text_view.h"
#include "devices/push_button.h"
#include "devices/rotary_encoder.h"
#include "devices/serial_line.h"
#include "devices/spi_bus.h"
#include "devices/st7565p_controller.h"
#include "timer_input_pins.h"

namespace sim {

class BoardModels;

class BoardDevices {
public:
    explicit BoardDevices(BoardModels& models);

    // Supply up: the devices' own state after power-on.
    void power_on();

    SerialLine console;  // RS-232 on COM1 (USART2)
    PushButton back;     // SW1, PC14
    PushButton ok;       // SW2, PC15
    RotaryEncoder encoder;  // contacts A on PD12, B on PD13
    TimerInputPins encoder_inputs;  // PD12 and PD13 to TIM4's channels 1 and 2 (AF2)

    St7565pController lcd;        // SPI2, chip select PD15, A0 PD14, reset PD11
    Accelerometer accelerometer;  // SPI2, chip select PB14
    SpiBus spi2;                  // the wires of SPI2 and its chip selects
    LcdTextView lcd_reader;       // the text on the glass

private:
    void wire_spi2(BoardModels& models);
};

}  // namespace sim

#endif
