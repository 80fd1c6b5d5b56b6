// Deterministic virtual time in nanoseconds, with one-shot events fired in
// time order (ties in the order they were scheduled).
#ifndef SIM_CORE_VIRTUAL_CLOCK_H
#define SIM_CORE_VIRTUAL_CLOCK_H

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace sim {

using Nanoseconds = std::uint64_t;

class VirtualClock {
public:
    using EventId = std::uint64_t;

    Nanoseconds now() const { return now_; }

    // Fires every event due up to and including t, then stands at t.
    void advance_to(Nanoseconds t);
    void advance(Nanoseconds dt) { advance_to(now_ + dt); }

    EventId schedule_at(Nanoseconds t, std::function<void()> action);
    EventId schedule_in(Nanoseconds dt, std::function<void()> action) { return schedule_at(now_ + dt, std::move(action)); }
    void cancel(EventId id);
    std::optional<Nanoseconds> next_event_time() const;

    // Power-on: time goes on (it is the test's), pending events are dropped.
    void drop_events() { events_.clear(); }

private:
    Nanoseconds now_ = 0;
    EventId next_id_ = 1;
    std::map<std::pair<Nanoseconds, EventId>, std::function<void()>> events_;
};

}  // namespace sim

#endif
