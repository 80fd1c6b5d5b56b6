// Register cells on the virtual board. A register block pointer holds the
// chip's own address; a cell is never dereferenced: its address is handed to
// the virtual board's bus together with the access width, so driver code reads
// and writes exactly the registers it would on the chip.
#ifndef TILTMON_REG_ACCESS_H
#define TILTMON_REG_ACCESS_H

#include <cstdint>

namespace seam {
std::uint32_t bus_read(std::uint32_t address, unsigned width);
void bus_write(std::uint32_t address, unsigned width, std::uint32_t value);
}  // namespace seam

template <typename T>
class Reg {
public:
    Reg(const Reg&) = delete;
    Reg& operator=(const Reg& other) { return *this = static_cast<T>(other); }

    operator T() const { return static_cast<T>(seam::bus_read(address(), sizeof(T))); }
    Reg& operator=(T v)
    {
        seam::bus_write(address(), sizeof(T), v);
        return *this;
    }
    Reg& operator|=(T v) { return *this = static_cast<T>(static_cast<T>(*this) | v); }
    Reg& operator&=(T v) { return *this = static_cast<T>(static_cast<T>(*this) & v); }
    Reg& operator^=(T v) { return *this = static_cast<T>(static_cast<T>(*this) ^ v); }

private:
    std::uint32_t address() const
    {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(this));
    }
    T layout_;  // keeps the chip's size and alignment; never read
};

#endif
