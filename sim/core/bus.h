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
    // Runs when the same register has read the same value several times in a
    // row with nothing else on the bus: a busy-wait, which can see a change
    // only after the next event of the board.
    void set_poll_hook(AccessHook hook) { poll_hook_ = std::move(hook); }
    static constexpr unsigned kPollReads = 4;

    // "32-bit read at 0x40004400 (USART2)" while the code busy-waits on that
    // register, else "".
    std::string busy_wait() const;

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

    void note_read(std::uint32_t address, unsigned width, std::uint32_t value);

    std::vector<Region> regions_;
    AccessHook hook_;
    AccessHook poll_hook_;
    struct {
        std::uint32_t address = 0;
        unsigned width = 0;
        std::uint32_t value = 0;
        unsigned repeats = 0;
        bool polling = false;
    } last_read_;
};

// The bus that the register cells of the firmware reach on this thread.
void set_active_bus(Bus* bus);
Bus* active_bus();

}  // namespace sim

#endif
