// The core's exception state: enable, pending and active bits, priorities,
// the priority grouping and PRIMASK, the level of each interrupt line, and
// the choice of what to take next. Exception numbers are the core's: 1 reset,
// 2 NMI, 3 hard fault, ... 15 SysTick, 16 + n device interrupt n.
//
// Every change that could let an exception be taken marks the state; the
// core looks for one only then, so an access with nothing new to take costs
// one test.
#ifndef SIM_CORE_EXCEPTION_STATE_H
#define SIM_CORE_EXCEPTION_STATE_H

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

class ExceptionState {
public:
    static constexpr int kDeviceInterrupts = 81;
    static constexpr int kCount = 16 + kDeviceInterrupts;
    static constexpr int kNmi = 2, kHardFault = 3, kMemManage = 4, kBusFault = 5, kUsageFault = 6;
    static constexpr int kSvCall = 11, kDebugMonitor = 12, kPendSv = 14, kSysTick = 15;
    static constexpr int kThreadPriority = 256;  // below every configurable priority

    static constexpr int irq(int n) { return 16 + n; }

    void reset();

    bool enabled(int exception) const { return enabled_[index(exception)]; }
    void set_enabled(int exception, bool on);
    bool pending(int exception) const { return pending_[index(exception)]; }
    void set_pending(int exception, bool on);
    bool active(int exception) const { return active_[index(exception)]; }

    // An interrupt line held asserted pends its interrupt, and pends it again
    // when its handler returns with the line still asserted.
    void set_line_level(int exception, bool asserted);
    bool line_level(int exception) const { return level_[index(exception)]; }

    // Configurable priority byte (only the upper four bits are implemented).
    std::uint8_t priority_byte(int exception) const { return priority_[index(exception)]; }
    void set_priority_byte(int exception, std::uint8_t value);
    // Effective priority: -3 reset, -2 NMI, -1 hard fault, else the byte.
    int priority(int exception) const;

    unsigned prigroup() const { return prigroup_; }
    void set_prigroup(unsigned value);
    bool primask() const { return primask_; }
    void set_primask(bool on);

    // The priority the core runs at now: the most urgent active exception's
    // group priority, raised to 0 by PRIMASK.
    int execution_priority() const;
    // The exception that would pre-empt now, or 0 when none would.
    int next_to_take() const;
    // The active exception entered last (0 in thread mode).
    int current() const { return nesting_.empty() ? 0 : nesting_.back(); }
    const std::vector<int>& nesting() const { return nesting_; }

    void enter(int exception);
    void leave(int exception);

    // Something changed since the core last found nothing to take.
    bool changed() const { return changed_; }
    void mark_seen() { changed_ = false; }

private:
    static std::size_t index(int exception)
    {
        if (exception < 1 || exception >= kCount) [[unlikely]]
            no_such_exception(exception);
        return static_cast<std::size_t>(exception);
    }
    [[noreturn]] static void no_such_exception(int exception);
    int group_priority(int exception) const;
    void update_candidate(int exception);

    std::array<bool, kCount> enabled_{};
    std::array<bool, kCount> pending_{};
    std::array<bool, kCount> active_{};
    std::array<bool, kCount> level_{};
    std::array<std::uint8_t, kCount> priority_{};
    // Pending, enabled and not active: the only ones worth a look.
    std::array<std::uint32_t, (kCount + 31) / 32> candidates_{};
    std::vector<int> nesting_;
    unsigned prigroup_ = 0;
    bool primask_ = false;
    bool changed_ = true;
};

}  // namespace sim

#endif
