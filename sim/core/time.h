// Virtual time: nanoseconds since the board was made, in 64 bits (enough for
// five centuries). Conversions between time and clock ticks go through
// 128-bit products, so they stay exact however long a run has lasted.
#ifndef SIM_CORE_TIME_H
#define SIM_CORE_TIME_H

#include <cstdint>
#include <limits>

namespace sim {

using Nanoseconds = std::uint64_t;

constexpr Nanoseconds kNever = std::numeric_limits<Nanoseconds>::max();
constexpr std::uint64_t kNanosecondsPerSecond = 1000000000ull;

constexpr Nanoseconds operator""_ns(unsigned long long v) { return v; }
constexpr Nanoseconds operator""_us(unsigned long long v) { return v * 1000ull; }
constexpr Nanoseconds operator""_ms(unsigned long long v) { return v * 1000000ull; }
constexpr Nanoseconds operator""_s(unsigned long long v) { return v * kNanosecondsPerSecond; }

// Whole ticks of a clock at hz that have passed in span.
constexpr std::uint64_t ticks_in(Nanoseconds span, std::uint64_t hz)
{
    return static_cast<std::uint64_t>(static_cast<unsigned __int128>(span) * hz / kNanosecondsPerSecond);
}

// The time at which the n-th tick of a clock at hz has passed, rounded up to
// the nanosecond (so that ticks_in of it counts the tick).
constexpr Nanoseconds time_of_ticks(std::uint64_t ticks, std::uint64_t hz)
{
    const unsigned __int128 scaled = static_cast<unsigned __int128>(ticks) * kNanosecondsPerSecond;
    const unsigned __int128 t = (scaled + hz - 1) / hz;
    return t > kNever ? kNever : static_cast<Nanoseconds>(t);
}

}  // namespace sim

#endif
