// Plain storage registers behind a bus range, with a log of every write: for
// peripherals the board does not model and for following the exact order and
// width of a driver's writes.
#ifndef TESTS_SUPPORT_SCRATCH_REGISTERS_H
#define TESTS_SUPPORT_SCRATCH_REGISTERS_H

#include <cstdint>
#include <ostream>
#include <vector>

#include "core/peripheral.h"

struct RegisterWrite {
    std::uint32_t offset;
    unsigned width;
    std::uint32_t value;
    bool operator==(const RegisterWrite&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const RegisterWrite& w)
    {
        return os << "{+0x" << std::hex << w.offset << ", " << std::dec << w.width << " bytes, 0x" << std::hex
                  << w.value << std::dec << "}";
    }
};

class RegisterFile : public sim::Peripheral {
public:
    static constexpr std::uint32_t kSize = 0x400;

    std::uint32_t read(std::uint32_t offset, unsigned width) override
    {
        std::uint32_t v = 0;
        for (unsigned i = width; i-- > 0;) v = (v << 8) | bytes_[offset + i];
        return v;
    }
    void write(std::uint32_t offset, unsigned width, std::uint32_t value) override
    {
        store(offset, width, value);
        writes_.push_back({offset, width, value});
    }
    void reset() override
    {
        bytes_.assign(kSize, 0);
        writes_.clear();
    }

    // Sets a 32-bit word without logging it.
    void preset(std::uint32_t offset, std::uint32_t value) { store(offset, 4, value); }
    std::uint32_t word(std::uint32_t offset) { return read(offset, 4); }
    const std::vector<RegisterWrite>& writes() const { return writes_; }
    void clear_writes() { writes_.clear(); }

private:
    void store(std::uint32_t offset, unsigned width, std::uint32_t value)
    {
        for (unsigned i = 0; i < width; ++i) bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kSize, 0);
    std::vector<RegisterWrite> writes_;
};

#endif
