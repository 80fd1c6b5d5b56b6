// The models behind the board, for the virtual board's own unit tests that
// look closer than the board's API: registers, internal state and faults of
// each model, the core and its clock. Only tests link the library that
// defines models(); a tool or benchmark that reaches for it does not build.
#ifndef SIM_BOARD_BOARD_MODELS_H
#define SIM_BOARD_BOARD_MODELS_H

#include <string_view>

#include "board/board.h"
#include "board/chip_models.h"
#include "board/wiring.h"
#include "core/sim_error.h"

namespace sim {

class Accelerometer;
class RotaryEncoder;
class SerialLine;
class SpiBus;
class St7565pController;

class BoardModels {
public:
    // The model of a row of the wiring, by name, as its own type.
    template <class Model>
    Model& get(std::string_view name) const
    {
        return chip().get<Model>(name);
    }
    Peripheral& peripheral(std::string_view name) const { return chip().peripheral(name); }

    VirtualClock& clock() const { return board_.clock_; }
    Bus& bus() const { return board_.bus_; }
    Cpu& cpu() const { return board_.cpu_; }
    ExceptionState& exceptions() const { return board_.exceptions_; }

    Rcc& rcc() const { return chip().rcc(); }
    GpioPort& gpio(char port) const { return chip().gpio(port); }  // 'A' .. 'I'
    Usart& usart(int number) const { return chip().usart(number); }  // 1, 2, 3 or 6
    Spi& spi(int number) const { return chip().spi(number); }  // 1, 2 or 3
    GeneralTimer& timer(int number) const { return chip().timer(number); }  // 3 or 4
    FlashMemory& flash() const { return chip().flash(); }
    FlashInterface& flash_interface() const { return chip().flash_interface(); }
    SysTickTimer& systick() const { return chip().systick(); }
    SystemControlBlock& scb() const { return chip().scb(); }
    DebugControl& debug() const { return chip().debug(); }
    SerialLine& console() const;
    RotaryEncoder& encoder() const;  // quarter-detent steps for tests that look closer
    // The devices on SPI2 and the bus's wires between them and the chip.
    SpiBus& spi2_bus() const;
    St7565pController& lcd() const;
    Accelerometer& accelerometer() const;

private:
    friend BoardModels models(Board& board);
    explicit BoardModels(Board& board) : board_(board) {}
    ChipModels& chip() const { return *board_.chip_; }

    Board& board_;
};

// The closer look at a board's models.
BoardModels models(Board& board);

}  // namespace sim

#endif
