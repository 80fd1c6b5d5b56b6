// The chip's wiring, one row a peripheral: where it sits on the bus, which
// clock enable and reset bit of the RCC it hangs on, the clock it runs from,
// its interrupt lines, and how its model is made. The board mounts every row
// and nothing else; tests take addresses from here rather than writing them.
#ifndef SIM_BOARD_WIRING_H
#define SIM_BOARD_WIRING_H

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "core/peripheral.h"
#include "models/rcc.h"

namespace sim {

class ChipModels;

// The clock a peripheral's model counts with.
enum class ClockDomain {
    None,   // counts nothing (registers only) or has its own clock
    Core,   // HCLK: the core and what sits on its buses
    Apb1,   // PCLK1
    Apb2,   // PCLK2
    Apb1Timers,  // PCLK1, doubled when the APB1 prescaler divides
    Apb2Timers,  // PCLK2, doubled when the APB2 prescaler divides
};

struct RccBit {
    bool present = false;
    Rcc::PeripheralBus bus = Rcc::PeripheralBus::Ahb1;
    unsigned bit = 0;
};

constexpr RccBit ahb1(unsigned bit) { return {true, Rcc::PeripheralBus::Ahb1, bit}; }
constexpr RccBit apb1(unsigned bit) { return {true, Rcc::PeripheralBus::Apb1, bit}; }
constexpr RccBit apb2(unsigned bit) { return {true, Rcc::PeripheralBus::Apb2, bit}; }
constexpr RccBit kNoRccBit{};

constexpr int kNoInterrupt = -1;

struct WiringRow {
    // Makes the model; the models of earlier rows are there to find.
    using Factory = std::unique_ptr<Peripheral> (*)(ChipModels& chip, const WiringRow& row);

    std::string_view name;
    std::uint32_t base;
    std::uint32_t size;
    RccBit clock_enable;
    RccBit reset;
    ClockDomain domain;
    // Exception numbers of the model's interrupt lines, in the model's order.
    std::array<int, 7> interrupts;
    Factory make;
};

std::span<const WiringRow> wiring();
const WiringRow& wiring_row(std::string_view name);
// Shorthand for tests and tools: the bus address of a peripheral.
inline std::uint32_t base_of(std::string_view name) { return wiring_row(name).base; }

// The bit-band alias of the peripheral region.
constexpr std::uint32_t kPeripheralBitBandAlias = 0x42000000u;
constexpr std::uint32_t kPeripheralBitBandSize = 0x02000000u;
constexpr std::uint32_t kPeripheralBitBandTarget = 0x40000000u;

}  // namespace sim

#endif
