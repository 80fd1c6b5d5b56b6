// The virtual board's bus: every firmware access is dispatched by address to
// the model mapped there. An access nobody maps, a misaligned one, or one to a
// peripheral whose clock is off is an error, never silently absorbed.
#ifndef SIM_CORE_BUS_H
#define SIM_CORE_BUS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "peripheral.h"

namespace sim {

class Bus {
public:
    using ClockGate = std::function<bool()>;
    using AccessHook = std::function<void()>;

    void map(std::uint32_t base, std::uint32_t size, Peripheral& model, std::string name,
             ClockGate clocked = {});

    std::uint32_t read(std::uint32_t address, unsigned width);
    void write(std::uint32_t address, unsigned width, std::uint32_t value);

    // Runs before every access: where time passes and interrupts are taken.
    void set_access_hook(AccessHook hook) { hook_ = std::move(hook); }

    // Name of the model at an address, or "" when nothing is mapped there.
    std::string name_at(std::uint32_t address) const;

    void reset_all();

private:
    struct Region {
        std::uint32_t base;
        std::uint32_t size;
        Peripheral* model;
        std::string name;
        ClockGate clocked;
    };
    Region& region_for(std::uint32_t address, unsigned width, bool write);

    std::vector<Region> regions_;
    AccessHook hook_;
};

// The bus that the register cells of the firmware reach on this thread.
void set_active_bus(Bus* bus);
Bus* active_bus();

}  // namespace sim

#endif
