// A model behind a range of bus addresses.
#ifndef SIM_CORE_PERIPHERAL_H
#define SIM_CORE_PERIPHERAL_H

#include <cstddef>
#include <cstdint>

#include "time.h"

namespace sim {

class InterruptLine;

class Peripheral {
public:
    virtual ~Peripheral() = default;

    // offset is relative to the model's base and aligned to width (1, 2 or 4).
    virtual std::uint32_t read(std::uint32_t offset, unsigned width) = 0;
    virtual void write(std::uint32_t offset, unsigned width, std::uint32_t value) = 0;

    // Back to the state after power-on (or after the peripheral's reset bit).
    virtual void reset() = 0;

    // Code that keeps reading the register at offset sees the same value
    // until this time at least, unless an event of the board or another bus
    // access changes it: how far a busy-wait on it may skip ahead.
    virtual Nanoseconds quiet_until(std::uint32_t /*offset*/) const { return kNever; }

    // The clock the model counts with (the clock domain of its wiring) changed.
    virtual void set_bus_clock(std::uint32_t /*hz*/) {}
    // The model's n-th interrupt line, in the order of its wiring, if it has one.
    virtual InterruptLine* interrupt_line(std::size_t /*n*/) { return nullptr; }
};

// A model whose registers are 32-bit words (16-bit registers sit in the low
// half of their word). Narrower accesses reach the word with a lane mask, so
// a model implements one read and one write per register.
class WordPeripheral : public Peripheral {
public:
    std::uint32_t read(std::uint32_t offset, unsigned width) final;
    void write(std::uint32_t offset, unsigned width, std::uint32_t value) final;

    // Every write to its registers from now on also counts in tally, which
    // several models may share: while it stands still, nothing the firmware
    // sets in them has changed.
    void count_writes_in(std::uint64_t& tally) { tally_ = &tally; }

protected:
    // offset is aligned to 4.
    virtual std::uint32_t read_word(std::uint32_t offset) = 0;
    // Only the bits in lanes were written; value holds them in place, the rest is 0.
    virtual void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) = 0;

    // For plain storage registers: old value with the written lanes replaced.
    static std::uint32_t merge(std::uint32_t old, std::uint32_t value, std::uint32_t lanes)
    {
        return (old & ~lanes) | (value & lanes);
    }

private:
    std::uint64_t own_tally_ = 0;
    std::uint64_t* tally_ = &own_tally_;
};

}  // namespace sim

#endif
