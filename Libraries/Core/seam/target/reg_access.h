// Register cells of the chip: a plain volatile word at its own address.
// Every operator is a single volatile load or store, so driver code that
// uses them compiles to the same instructions as hand-written register code.
#ifndef TILTMON_REG_ACCESS_H
#define TILTMON_REG_ACCESS_H

#include <cstdint>

template <typename T>
class Reg {
public:
    Reg(const Reg&) = delete;
    Reg& operator=(const Reg& other) { return *this = static_cast<T>(other); }

    operator T() const { return value_; }
    Reg& operator=(T v) { value_ = v; return *this; }
    Reg& operator|=(T v) { value_ = static_cast<T>(value_ | v); return *this; }
    Reg& operator&=(T v) { value_ = static_cast<T>(value_ & v); return *this; }
    Reg& operator^=(T v) { value_ = static_cast<T>(value_ ^ v); return *this; }

private:
    volatile T value_;
};

#endif
