// The chip-select frames of one SPI device, read back from the bus access
// trace: the bytes the firmware wrote to the SPI's data register and read
// from it while the device's chip select was low.
#ifndef TESTS_SUPPORT_SPI_FRAMES_H
#define TESTS_SUPPORT_SPI_FRAMES_H

#include <cstdint>
#include <ostream>
#include <vector>

#include "core/access_trace.h"

struct SpiFrame {
    std::vector<std::uint8_t> out;  // written to DR
    std::vector<std::uint8_t> in;   // read from DR
    bool operator==(const SpiFrame&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const SpiFrame& f)
    {
        os << std::hex << "{out";
        for (std::uint8_t b : f.out) os << " " << unsigned{b};
        os << "; in";
        for (std::uint8_t b : f.in) os << " " << unsigned{b};
        return os << "}" << std::dec;
    }
};

// The chip select is pin of the GPIO port at port_base, moved through the
// set and reset halves of BSRR (or the whole register); the SPI's data
// register is at spi_base + 0x0C. Bytes outside any frame are dropped.
inline std::vector<SpiFrame> spi_frames(const std::vector<sim::BusAccess>& trace, std::uint32_t spi_base,
                                        std::uint32_t port_base, int pin)
{
    constexpr std::uint32_t kBsrr = 0x18, kBsrrHigh = 0x1A, kDr = 0x0C;
    const std::uint32_t bit = 1u << pin;
    std::vector<SpiFrame> frames;
    bool open = false;
    for (const sim::BusAccess& a : trace) {
        if (a.write && a.address == port_base + kBsrr) {
            const bool sets = (a.value & bit) != 0;
            const bool resets = a.width == 4 && (a.value >> 16 & bit) != 0 && !sets;
            if (sets) open = false;
            if (resets && !open) {
                frames.emplace_back();
                open = true;
            }
        } else if (a.write && a.address == port_base + kBsrrHigh && (a.value & bit) != 0) {
            if (!open) frames.emplace_back();
            open = true;
        } else if (open && a.address == spi_base + kDr) {
            (a.write ? frames.back().out : frames.back().in).push_back(static_cast<std::uint8_t>(a.value));
        }
    }
    return frames;
}

#endif
