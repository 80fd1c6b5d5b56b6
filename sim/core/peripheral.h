// A model behind a range of bus addresses.
#ifndef SIM_CORE_PERIPHERAL_H
#define SIM_CORE_PERIPHERAL_H

#include <cstdint>
#include <string>

namespace sim {

class Peripheral {
public:
    virtual ~Peripheral() = default;

    // offset is relative to the model's base and aligned to width (1, 2 or 4).
    virtual std::uint32_t read(std::uint32_t offset, unsigned width) = 0;
    virtual void write(std::uint32_t offset, unsigned width, std::uint32_t value) = 0;

    // Back to the state after power-on.
    virtual void reset() = 0;
};

// A model whose registers are 32-bit words (16-bit registers sit in the low
// half of their word). Narrower accesses reach the word with a lane mask, so
// a model implements one read and one write per register.
class WordPeripheral : public Peripheral {
public:
    std::uint32_t read(std::uint32_t offset, unsigned width) final;
    void write(std::uint32_t offset, unsigned width, std::uint32_t value) final;

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
};

}  // namespace sim

#endif
