#include "exti_routing.h"

#include "chip_models.h"
#include "models/exti.h"
#include "models/gpio_port.h"

namespace sim {

void wire_exti_inputs(const std::array<GpioPort*, Syscfg::kPorts>& ports, Syscfg& syscfg, Exti& exti)
{
    for (int port = 0; port < Syscfg::kPorts; ++port)
        ports[static_cast<std::size_t>(port)]->listen_all(
            [&syscfg, port](int pin, bool high) { syscfg.pin_changed(port, pin, high); });
    syscfg.connect_lines(
        [ports](int port, int pin) { return ports[static_cast<std::size_t>(port)]->level(pin); },
        [&exti](int line, bool high) { exti.set_input(line, high); });
}

void wire_exti_inputs(ChipModels& chip)
{
    std::array<GpioPort*, Syscfg::kPorts> ports{};
    for (int port = 0; port < Syscfg::kPorts; ++port)
        ports[static_cast<std::size_t>(port)] = &chip.gpio(static_cast<char>('A' + port));
    wire_exti_inputs(ports, chip.get<Syscfg>("SYSCFG"), chip.get<Exti>("EXTI"));
}

}  // namespace sim
