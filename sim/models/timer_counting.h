// The arithmetic of a 16-bit timer counter: where the counter stands after a
// number of counter clock ticks, how many update events (overflows and
// underflows) it passed on the way, and how many ticks of a period a PWM
// reference is active. Whole spans are worked out in one step, so a model
// never has to count tick by tick.
#ifndef SIM_MODELS_TIMER_COUNTING_H
#define SIM_MODELS_TIMER_COUNTING_H

#include <cstdint>
#include <limits>

namespace sim::timer_counting {

constexpr std::uint32_t kCounterTop = 0xFFFFu;
constexpr std::uint64_t kNoUpdate = std::numeric_limits<std::uint64_t>::max();

enum class Alignment {
    Edge,    // up from 0 to ARR, or down from ARR to 0
    Centre,  // up from 0 to ARR, then down to 0
};

struct Count {
    std::uint32_t value = 0;
    bool down = false;
    bool operator==(const Count&) const = default;
};

struct Moved {
    Count count;
    std::uint64_t updates;
};

// A counter above arr first runs on to the end of its range (counting up)
// or back to arr (counting down) without an update; an arr of 0 blocks it.
Moved advance(Count from, std::uint64_t ticks, std::uint32_t arr, Alignment alignment);

// Counter ticks until the next update event, kNoUpdate when blocked.
std::uint64_t ticks_to_update(Count from, std::uint32_t arr, Alignment alignment);

// Counter ticks in one period: arr + 1 edge-aligned, 2 arr centre-aligned.
std::uint64_t period_ticks(std::uint32_t arr, Alignment alignment);

// PWM mode 1: active while the counter is below ccr counting up, and while it
// is at or below ccr counting down.
bool pwm1_active(Count at, std::uint32_t ccr);
// Ticks of one period in which PWM mode 1 is active.
std::uint64_t pwm1_active_ticks(std::uint32_t arr, std::uint32_t ccr, Alignment alignment, bool down);

}  // namespace sim::timer_counting

#endif
