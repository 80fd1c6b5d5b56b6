// The models behind the board, for tests that look closer than the board's
// own API: registers, internal state and faults of each model.
#ifndef SIM_BOARD_BOARD_MODELS_H
#define SIM_BOARD_BOARD_MODELS_H

#include <string_view>

#include "board.h"
#include "core/sim_error.h"
#include "wiring.h"

namespace sim {

class Accelerometer;
class DebugControl;
class FlashInterface;
class FlashMemory;
class GeneralTimer;
class GpioPort;
class RotaryEncoder;
class Nvic;
class Rcc;
class SerialLine;
class Spi;
class SpiBus;
class St7565pController;
class SysTickTimer;
class SystemControlBlock;
class Usart;

class BoardModels {
public:
    explicit BoardModels(Board& board) : board_(board) {}

    // The model of a row of the wiring, by name, as its own type.
    template <class Model>
    Model& get(std::string_view name) const
    {
        auto* model = dynamic_cast<Model*>(&peripheral(name));
        if (model == nullptr) throw SimError("the model of " + std::string(name) + " is not of the type asked for");
        return *model;
    }
    Peripheral& peripheral(std::string_view name) const;

    VirtualClock& clock() const { return board_.clock_; }
    Bus& bus() const { return board_.bus_; }
    Cpu& cpu() const { return board_.cpu_; }
    ExceptionState& exceptions() const { return board_.exceptions_; }

    Rcc& rcc() const;
    GpioPort& gpio(char port) const;  // 'A' .. 'I'
    Usart& usart(int number) const;   // 1, 2, 3 or 6
    Spi& spi(int number) const;       // 1, 2 or 3
    GeneralTimer& timer(int number) const;  // 3 or 4
    FlashMemory& flash() const;
    FlashInterface& flash_interface() const;
    SysTickTimer& systick() const;
    SystemControlBlock& scb() const;
    DebugControl& debug() const;
    SerialLine& console() const;
    RotaryEncoder& encoder() const;  // quarter-detent steps for tests that look closer
    // The devices on SPI2 and the bus's wires between them and the chip.
    SpiBus& spi2_bus() const;
    St7565pController& lcd() const;
    Accelerometer& accelerometer() const;

private:
    Board& board_;
};

}  // namespace sim

#endif
