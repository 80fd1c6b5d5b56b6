#include "virtual_clock.h"

namespace sim {

void VirtualClock::advance_to(Nanoseconds t)
{
    while (!events_.empty() && events_.begin()->first.first <= t) {
        auto node = events_.extract(events_.begin());
        if (node.key().first > now_) now_ = node.key().first;
        node.mapped()();
    }
    if (t > now_) now_ = t;
}

VirtualClock::EventId VirtualClock::schedule_at(Nanoseconds t, std::function<void()> action)
{
    const EventId id = next_id_++;
    events_.emplace(std::make_pair(t < now_ ? now_ : t, id), std::move(action));
    return id;
}

void VirtualClock::cancel(EventId id)
{
    for (auto it = events_.begin(); it != events_.end(); ++it) {
        if (it->first.second == id) {
            events_.erase(it);
            return;
        }
    }
}

std::optional<Nanoseconds> VirtualClock::next_event_time() const
{
    if (events_.empty()) return std::nullopt;
    return events_.begin()->first.first;
}

}  // namespace sim
