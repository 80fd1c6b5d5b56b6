#include "exceptions.h"

#include <algorithm>
#include <string>

#include "core/sim_error.h"

namespace sim {

std::size_t ExceptionState::index(int exception)
{
    if (exception < 1 || exception >= kCount) throw SimError("no exception number " + std::to_string(exception));
    return static_cast<std::size_t>(exception);
}

void ExceptionState::reset()
{
    enabled_.fill(false);
    pending_.fill(false);
    active_.fill(false);
    priority_.fill(0);
    nesting_.clear();
    prigroup_ = 0;
    primask_ = false;
    // Always enabled: NMI, hard fault, SVCall, debug monitor, PendSV, SysTick
    // (SysTick pends only when its timer asks for an interrupt).
    for (int e : {kNmi, kHardFault, kSvCall, kDebugMonitor, kPendSv, kSysTick}) enabled_[index(e)] = true;
}

bool ExceptionState::enabled(int exception) const { return enabled_.at(index(exception)); }

void ExceptionState::set_enabled(int exception, bool on) { enabled_.at(index(exception)) = on; }

void ExceptionState::set_priority_byte(int exception, std::uint8_t value)
{
    if (exception <= kHardFault) return;  // fixed priorities
    priority_.at(index(exception)) = static_cast<std::uint8_t>(value & 0xF0u);
}

int ExceptionState::priority(int exception) const
{
    switch (exception) {
    case 1:
        return -3;
    case kNmi:
        return -2;
    case kHardFault:
        return -1;
    default:
        return priority_.at(index(exception));
    }
}

int ExceptionState::group_priority(int exception) const
{
    const int p = priority(exception);
    if (p < 0) return p;
    return p & static_cast<int>((0xFFu << (prigroup_ + 1)) & 0xFFu);
}

int ExceptionState::execution_priority() const
{
    int level = kThreadPriority;
    for (int e : nesting_) level = std::min(level, group_priority(e));
    if (primask_) level = std::min(level, 0);
    return level;
}

int ExceptionState::next_to_take() const
{
    const int running_at = execution_priority();
    int best = 0;
    for (int e = 2; e < kCount; ++e) {
        if (!pending_[static_cast<std::size_t>(e)] || !enabled_[static_cast<std::size_t>(e)]) continue;
        if (active_[static_cast<std::size_t>(e)]) continue;
        // Among waiting exceptions the lower priority value wins, then the lower number.
        if (best == 0 || priority(e) < priority(best)) best = e;
    }
    if (best != 0 && group_priority(best) < running_at) return best;
    return 0;
}

void ExceptionState::enter(int exception)
{
    pending_.at(index(exception)) = false;
    active_.at(index(exception)) = true;
    nesting_.push_back(exception);
}

void ExceptionState::leave(int exception)
{
    if (nesting_.empty() || nesting_.back() != exception)
        throw SimError("exception " + std::to_string(exception) + " returned out of order");
    nesting_.pop_back();
    active_.at(index(exception)) = false;
}

}  // namespace sim
