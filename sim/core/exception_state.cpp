#include "exception_state.h"

#include <algorithm>
#include <bit>
#include <string>

#include "sim_error.h"

namespace sim {

void ExceptionState::no_such_exception(int exception)
{
    throw SimError("no exception number " + std::to_string(exception));
}

void ExceptionState::reset()
{
    enabled_.fill(false);
    pending_.fill(false);
    active_.fill(false);
    level_.fill(false);
    priority_.fill(0);
    candidates_.fill(0);
    nesting_.clear();
    prigroup_ = 0;
    primask_ = false;
    // Always enabled: NMI, hard fault, SVCall, debug monitor, PendSV, SysTick
    // (SysTick pends only when its timer asks for an interrupt).
    for (int e : {kNmi, kHardFault, kSvCall, kDebugMonitor, kPendSv, kSysTick}) enabled_[index(e)] = true;
    changed_ = true;
}

void ExceptionState::update_candidate(int exception)
{
    const std::size_t i = index(exception);
    const std::uint32_t bit = 1u << (i % 32);
    // Only a new candidate can give the core something to take.
    if (pending_[i] && enabled_[i] && !active_[i]) {
        if ((candidates_[i / 32] & bit) == 0) changed_ = true;
        candidates_[i / 32] |= bit;
    } else {
        candidates_[i / 32] &= ~bit;
    }
}

void ExceptionState::set_enabled(int exception, bool on)
{
    enabled_[index(exception)] = on;
    update_candidate(exception);
}

void ExceptionState::set_pending(int exception, bool on)
{
    pending_[index(exception)] = on;
    update_candidate(exception);
}

void ExceptionState::set_line_level(int exception, bool asserted)
{
    const bool rising = asserted && !level_[index(exception)];
    level_[index(exception)] = asserted;
    // While its handler runs, a line that stays asserted pends again only
    // when the handler returns.
    if (asserted && (rising || !active_[index(exception)])) set_pending(exception, true);
}

void ExceptionState::set_priority_byte(int exception, std::uint8_t value)
{
    if (exception <= kHardFault) return;  // fixed priorities
    priority_[index(exception)] = static_cast<std::uint8_t>(value & 0xF0u);
    changed_ = true;
}

void ExceptionState::set_prigroup(unsigned value)
{
    prigroup_ = value & 7u;
    changed_ = true;
}

void ExceptionState::set_primask(bool on)
{
    // Masking takes nothing new; unmasking may let a waiting one in.
    if (primask_ && !on) changed_ = true;
    primask_ = on;
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
        return priority_[index(exception)];
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
    static_assert(std::tuple_size_v<decltype(candidates_)> == 4);
    if ((candidates_[0] | candidates_[1] | candidates_[2] | candidates_[3]) == 0) return 0;
    int best = 0;
    for (std::size_t word = 0; word < candidates_.size(); ++word) {
        for (std::uint32_t bits = candidates_[word]; bits != 0; bits &= bits - 1) {
            const int e = static_cast<int>(word * 32 + static_cast<std::size_t>(std::countr_zero(bits)));
            // Among waiting exceptions the lower priority value wins, then the lower number.
            if (best == 0 || priority(e) < priority(best)) best = e;
        }
    }
    if (best != 0 && group_priority(best) < execution_priority()) return best;
    return 0;
}

void ExceptionState::enter(int exception)
{
    pending_[index(exception)] = false;
    active_[index(exception)] = true;
    nesting_.push_back(exception);
    update_candidate(exception);
}

void ExceptionState::leave(int exception)
{
    if (nesting_.empty() || nesting_.back() != exception)
        throw SimError("exception " + std::to_string(exception) + " returned out of order");
    nesting_.pop_back();
    active_[index(exception)] = false;
    if (level_[index(exception)]) pending_[index(exception)] = true;
    update_candidate(exception);
    changed_ = true;  // the execution priority falls: what waited may go now
}

}  // namespace sim
