// The models of the chip's peripherals, one a row of the wiring table, found
// by the row's name, and the core they serve. The board and its devices reach
// the chip through these; tests reach them through board_models.h.
#ifndef SIM_BOARD_CHIP_MODELS_H
#define SIM_BOARD_CHIP_MODELS_H

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bus.h"
#include "core/cpu.h"
#include "core/exception_state.h"
#include "core/peripheral.h"
#include "core/sim_error.h"
#include "core/virtual_clock.h"

namespace sim {

struct WiringRow;
class DebugControl;
class FlashInterface;
class FlashMemory;
class GeneralTimer;
class GpioPort;
class Rcc;
class Spi;
class SysTickTimer;
class SystemControlBlock;
class Usart;

class ChipModels {
public:
    struct Mounted {
        const WiringRow* row;
        std::unique_ptr<Peripheral> model;
    };

    ChipModels(VirtualClock& clock, ExceptionState& exceptions, Cpu& cpu, Bus& bus)
        : clock_(clock), exceptions_(exceptions), cpu_(cpu), bus_(bus)
    {
    }
    ChipModels(const ChipModels&) = delete;
    ChipModels& operator=(const ChipModels&) = delete;

    // Makes the row's model; a later row's model may find it by name.
    Peripheral& mount(const WiringRow& row);
    std::vector<Mounted>& mounted() { return mounted_; }

    // The model of a row of the wiring, by name, as its own type.
    template <class Model>
    Model& get(std::string_view name) const
    {
        auto* model = dynamic_cast<Model*>(&peripheral(name));
        if (model == nullptr) throw SimError("the model of " + std::string(name) + " is not of the type asked for");
        return *model;
    }
    Peripheral& peripheral(std::string_view name) const;

    VirtualClock& clock() const { return clock_; }
    ExceptionState& exceptions() const { return exceptions_; }
    Cpu& cpu() const { return cpu_; }
    Bus& bus() const { return bus_; }

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

private:
    VirtualClock& clock_;
    ExceptionState& exceptions_;
    Cpu& cpu_;
    Bus& bus_;
    std::vector<Mounted> mounted_;
};

}  // namespace sim

#endif
