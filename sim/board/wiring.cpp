#include "wiring.h"

#include <string>

#include "chip_models.h"
#include "core/sim_error.h"
#include "models/debug_control.h"
#include "models/exti.h"
#include "models/flash_interface.h"
#include "models/flash_memory.h"
#include "models/general_timer.h"
#include "models/gpio_port.h"
#include "models/nvic.h"
#include "models/spi.h"
#include "models/system_control_block.h"
#include "models/syscfg.h"
#include "models/systick.h"
#include "models/usart.h"

namespace sim {

namespace {

constexpr int irq(int n) { return 16 + n; }
constexpr std::array<int, 7> lines(int a = kNoInterrupt, int b = kNoInterrupt)
{
    return {a, b, kNoInterrupt, kNoInterrupt, kNoInterrupt, kNoInterrupt, kNoInterrupt};
}

template <char Letter>
std::unique_ptr<Peripheral> gpio(ChipModels&, const WiringRow&)
{
    return std::make_unique<GpioPort>(Letter);
}

std::unique_ptr<Peripheral> general_timer(ChipModels& chip, const WiringRow& row)
{
    return std::make_unique<GeneralTimer>(std::string(row.name), chip.clock());
}

std::unique_ptr<Peripheral> usart(ChipModels& chip, const WiringRow& row)
{
    return std::make_unique<Usart>(std::string(row.name), chip.clock());
}

std::unique_ptr<Peripheral> spi(ChipModels& chip, const WiringRow& row)
{
    return std::make_unique<Spi>(std::string(row.name), chip.clock());
}

constexpr std::uint32_t kBlock = 0x400;

// Clock set-up first: the gates of the others hang on its registers.
constexpr WiringRow kWiring[] = {
    {"RCC", 0x40023800, kBlock, kNoRccBit, kNoRccBit, ClockDomain::None, lines(),
     [](ChipModels& chip, const WiringRow&) -> std::unique_ptr<Peripheral> { return std::make_unique<Rcc>(chip.clock()); }},
    {"flash memory", 0x08000000, 0x00100000, kNoRccBit, kNoRccBit, ClockDomain::None, lines(),
     [](ChipModels&, const WiringRow&) -> std::unique_ptr<Peripheral> { return std::make_unique<FlashMemory>(); }},
    {"flash interface", 0x40023C00, kBlock, kNoRccBit, kNoRccBit, ClockDomain::Core, lines(irq(4)),
     [](ChipModels& chip, const WiringRow&) -> std::unique_ptr<Peripheral> {
         return std::make_unique<FlashInterface>(chip.clock(), chip.flash());
     }},
    // Reset before the ports and SYSCFG: the level changes of a chip reset
    // then find no trigger selected and pend nothing.
    {"EXTI", 0x40013C00, kBlock, kNoRccBit, kNoRccBit, ClockDomain::None,
     {irq(6), irq(7), irq(8), irq(9), irq(10), irq(23), irq(40)},
     [](ChipModels&, const WiringRow&) -> std::unique_ptr<Peripheral> { return std::make_unique<Exti>(); }},
    {"GPIOA", 0x40020000, kBlock, ahb1(0), ahb1(0), ClockDomain::None, lines(), gpio<'A'>},
    {"GPIOB", 0x40020400, kBlock, ahb1(1), ahb1(1), ClockDomain::None, lines(), gpio<'B'>},
    {"GPIOC", 0x40020800, kBlock, ahb1(2), ahb1(2), ClockDomain::None, lines(), gpio<'C'>},
    {"GPIOD", 0x40020C00, kBlock, ahb1(3), ahb1(3), ClockDomain::None, lines(), gpio<'D'>},
    {"GPIOE", 0x40021000, kBlock, ahb1(4), ahb1(4), ClockDomain::None, lines(), gpio<'E'>},
    {"GPIOF", 0x40021400, kBlock, ahb1(5), ahb1(5), ClockDomain::None, lines(), gpio<'F'>},
    {"GPIOG", 0x40021800, kBlock, ahb1(6), ahb1(6), ClockDomain::None, lines(), gpio<'G'>},
    {"GPIOH", 0x40021C00, kBlock, ahb1(7), ahb1(7), ClockDomain::None, lines(), gpio<'H'>},
    {"GPIOI", 0x40022000, kBlock, ahb1(8), ahb1(8), ClockDomain::None, lines(), gpio<'I'>},
    {"SYSCFG", 0x40013800, kBlock, apb2(14), apb2(14), ClockDomain::None, lines(),
     [](ChipModels& chip, const WiringRow&) -> std::unique_ptr<Peripheral> { return std::make_unique<Syscfg>(chip.clock()); }},
    {"TIM3", 0x40000400, kBlock, apb1(1), apb1(1), ClockDomain::Apb1Timers, lines(irq(29)), general_timer},
    {"TIM4", 0x40000800, kBlock, apb1(2), apb1(2), ClockDomain::Apb1Timers, lines(irq(30)), general_timer},
    {"USART1", 0x40011000, kBlock, apb2(4), apb2(4), ClockDomain::Apb2, lines(irq(37)), usart},
    {"USART2", 0x40004400, kBlock, apb1(17), apb1(17), ClockDomain::Apb1, lines(irq(38)), usart},
    {"USART3", 0x40004800, kBlock, apb1(18), apb1(18), ClockDomain::Apb1, lines(irq(39)), usart},
    {"USART6", 0x40011400, kBlock, apb2(5), apb2(5), ClockDomain::Apb2, lines(irq(71)), usart},
    {"SPI1", 0x40013000, kBlock, apb2(12), apb2(12), ClockDomain::Apb2, lines(irq(35)), spi},
    {"SPI2", 0x40003800, kBlock, apb1(14), apb1(14), ClockDomain::Apb1, lines(irq(36)), spi},
    {"SPI3", 0x40003C00, kBlock, apb1(15), apb1(15), ClockDomain::Apb1, lines(irq(51)), spi},
    {"SysTick", 0xE000E010, 0x10, kNoRccBit, kNoRccBit, ClockDomain::Core, lines(ExceptionState::kSysTick),
     [](ChipModels& chip, const WiringRow&) -> std::unique_ptr<Peripheral> {
         return std::make_unique<SysTickTimer>(chip.clock());
     }},
    // Up to the last priority byte; the software trigger register is not wired.
    {"NVIC", 0xE000E100, 0x3F0, kNoRccBit, kNoRccBit, ClockDomain::None, lines(),
     [](ChipModels& chip, const WiringRow&) -> std::unique_ptr<Peripheral> {
         return std::make_unique<Nvic>(chip.exceptions());
     }},
    {"SCB", 0xE000ED00, 0x40, kNoRccBit, kNoRccBit, ClockDomain::None, lines(),
     [](ChipModels& chip, const WiringRow&) -> std::unique_ptr<Peripheral> {
         return std::make_unique<SystemControlBlock>(chip.exceptions(),
                                                     [&chip] { chip.cpu().system_reset(); });
     }},
    {"debug registers", 0xE000EDF0, 0x10, kNoRccBit, kNoRccBit, ClockDomain::None, lines(),
     [](ChipModels&, const WiringRow&) -> std::unique_ptr<Peripheral> { return std::make_unique<DebugControl>(); }},
};

}  // namespace

std::span<const WiringRow> wiring() { return kWiring; }

const WiringRow& wiring_row(std::string_view name)
{
    for (const WiringRow& row : kWiring)
        if (row.name == name) return row;
    throw SimError("the board wires no peripheral named " + std::string(name));
}

}  // namespace sim
