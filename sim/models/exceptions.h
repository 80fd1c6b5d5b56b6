// The core's exception state: enable, pending and active bits, priorities,
// the priority grouping and PRIMASK, and the choice of what to take next.
// Exception numbers are the core's: 1 reset, 2 NMI, 3 hard fault, ... 15
// SysTick, 16 + n device interrupt n.
#ifndef SIM_MODELS_EXCEPTIONS_H
#define SIM_MODELS_EXCEPTIONS_H

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

    bool enabled(int exception) const;
    void set_enabled(int exception, bool on);
    bool pending(int exception) const { return pending_.at(index(exception)); }
    void set_pending(int exception, bool on) { pending_.at(index(exception)) = on; }
    bool active(int exception) const { return active_.at(index(exception)); }

    // Configurable priority byte (only the upper four bits are implemented).
    std::uint8_t priority_byte(int exception) const { return priority_.at(index(exception)); }
    void set_priority_byte(int exception, std::uint8_t value);
    // Effective priority: -3 reset, -2 NMI, -1 hard fault, else the byte.
    int priority(int exception) const;

    unsigned prigroup() const { return prigroup_; }
    void set_prigroup(unsigned value) { prigroup_ = value & 7u; }
    bool primask() const { return primask_; }
    void set_primask(bool on) { primask_ = on; }

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

private:
    static std::size_t index(int exception);
    int group_priority(int exception) const;

    std::array<bool, kCount> enabled_{};
    std::array<bool, kCount> pending_{};
    std::array<bool, kCount> active_{};
    std::array<std::uint8_t, kCount> priority_{};
    std::vector<int> nesting_;
    unsigned prigroup_ = 0;
    bool primask_ = false;
};

}  // namespace sim

#endif
