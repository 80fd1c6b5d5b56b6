// Inside the chip every GPIO pin reaches SYSCFG's port multiplexers, and the
// output of multiplexer n is the input of EXTI line n.
#ifndef SIM_BOARD_EXTI_ROUTING_H
#define SIM_BOARD_EXTI_ROUTING_H

#include <array>

#include "models/syscfg.h"

namespace sim {

class ChipModels;
class Exti;
class GpioPort;

// ports[0] is port A, ports[8] port I.
void wire_exti_inputs(const std::array<GpioPort*, Syscfg::kPorts>& ports, Syscfg& syscfg, Exti& exti);
// The same for the board's own models.
void wire_exti_inputs(ChipModels& chip);

}  // namespace sim

#endif
