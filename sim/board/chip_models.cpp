#include "chip_models.h"

#include "models/debug_control.h"
#include "models/flash_interface.h"
#include "models/flash_memory.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/rcc.h"
#include "models/spi.h"
#include "models/system_control_block.h"
#include "models/systick.h"
#include "models/usart.h"
#include "wiring.h"

namespace sim {

Peripheral& ChipModels::mount(const WiringRow& row)
{
    mounted_.push_back(Mounted{&row, row.make(*this, row)});
    return *mounted_.back().model;
}

Peripheral& ChipModels::peripheral(std::string_view name) const
{
    for (const Mounted& part : mounted_)
        if (part.row->name == name) return *part.model;
    throw SimError("the board has no model named " + std::string(name));
}

Rcc& ChipModels::rcc() const { return get<Rcc>("RCC"); }

GpioPort& ChipModels::gpio(char port) const
{
    if (port < 'A' || port > 'I') throw SimError(std::string("no GPIO port ") + port);
    return get<GpioPort>(std::string("GPIO") + port);
}

Spi& ChipModels::spi(int number) const
{
    if (number < 1 || number > 3) throw SimError("the chip has SPI1 to SPI3, not SPI" + std::to_string(number));
    return get<Spi>("SPI" + std::to_string(number));
}

Usart& ChipModels::usart(int number) const
{
    if (number != 1 && number != 2 && number != 3 && number != 6)
        throw SimError("the virtual board models USART1, 2, 3 and 6, not USART" + std::to_string(number));
    return get<Usart>("USART" + std::to_string(number));
}

GeneralTimer& ChipModels::timer(int number) const
{
    if (number != 3 && number != 4)
        throw SimError("the virtual board models TIM3 and TIM4, not TIM" + std::to_string(number));
    return get<GeneralTimer>("TIM" + std::to_string(number));
}

FlashMemory& ChipModels::flash() const { return get<FlashMemory>("flash memory"); }
FlashInterface& ChipModels::flash_interface() const { return get<FlashInterface>("flash interface"); }
SysTickTimer& ChipModels::systick() const { return get<SysTickTimer>("SysTick"); }
SystemControlBlock& ChipModels::scb() const { return get<SystemControlBlock>("SCB"); }
DebugControl& ChipModels::debug() const { return get<DebugControl>("debug registers"); }

}  // namespace sim
