#include "timer_counting.h"

#include <algorithm>

namespace sim::timer_counting {

namespace {

// Ticks a counter above arr needs to come back into 0..arr, and where it lands.
struct LeadIn {
    std::uint64_t ticks;
    Count lands;
};

LeadIn lead_in(Count from, std::uint32_t arr)
{
    if (from.value <= arr) return {0, from};
    if (from.down) return {from.value - arr, {arr, true}};
    return {static_cast<std::uint64_t>(kCounterTop) + 1 - from.value, {0, false}};
}

// Position within the period: edge-aligned 0..arr from the start of the
// period; centre-aligned 0..arr-1 on the way up, arr..2arr-1 on the way down.
std::uint64_t position(Count c, std::uint32_t arr, Alignment alignment)
{
    if (alignment == Alignment::Edge) return c.down ? arr - c.value : c.value;
    const std::uint64_t period = 2ull * arr;
    return c.down ? (period - c.value) % period : c.value;
}

Count at_position(std::uint64_t p, std::uint32_t arr, Alignment alignment, bool down)
{
    if (alignment == Alignment::Edge)
        return {static_cast<std::uint32_t>(down ? arr - p : p), down};
    if (p < arr) return {static_cast<std::uint32_t>(p), false};
    return {static_cast<std::uint32_t>(2ull * arr - p), true};
}

}  // namespace

std::uint64_t period_ticks(std::uint32_t arr, Alignment alignment)
{
    return alignment == Alignment::Edge ? static_cast<std::uint64_t>(arr) + 1 : 2ull * arr;
}

Moved advance(Count from, std::uint64_t ticks, std::uint32_t arr, Alignment alignment)
{
    if (arr == 0 || ticks == 0) return {from, 0};
    const LeadIn lead = lead_in(from, arr);
    if (ticks < lead.ticks) {
        const std::uint32_t t = static_cast<std::uint32_t>(ticks);
        return {{from.down ? from.value - t : from.value + t, from.down}, 0};
    }
    ticks -= lead.ticks;
    const std::uint64_t p = position(lead.lands, arr, alignment);
    const std::uint64_t total = p + ticks;
    const std::uint64_t period = period_ticks(arr, alignment);
    // Edge-aligned counters update once a period, centre-aligned ones at both ends.
    const std::uint64_t updates = alignment == Alignment::Edge ? total / period : total / arr - p / arr;
    return {at_position(total % period, arr, alignment, lead.lands.down), updates};
}

std::uint64_t ticks_to_update(Count from, std::uint32_t arr, Alignment alignment)
{
    if (arr == 0) return kNoUpdate;
    const LeadIn lead = lead_in(from, arr);
    const std::uint64_t p = position(lead.lands, arr, alignment);
    if (alignment == Alignment::Edge) return lead.ticks + period_ticks(arr, alignment) - p;
    return lead.ticks + arr - p % arr;
}

bool pwm1_active(Count at, std::uint32_t ccr) { return at.down ? at.value <= ccr : at.value < ccr; }

std::uint64_t pwm1_active_ticks(std::uint32_t arr, std::uint32_t ccr, Alignment alignment, bool down)
{
    const std::uint64_t below = std::min(ccr, arr);
    if (alignment == Alignment::Centre) return 2 * below;
    if (down) return below + 1;
    return std::min<std::uint64_t>(ccr, static_cast<std::uint64_t>(arr) + 1);
}

}  // namespace sim::timer_counting
