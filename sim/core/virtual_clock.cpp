#include "virtual_clock.h"

#include <algorithm>

#include "sim_error.h"

namespace sim {

void VirtualClock::OneShot::fire(void* self)
{
    OneShot* shot = static_cast<OneShot*>(self);
    std::function<void()> action = std::move(shot->action);
    shot->clock->release(shot);
    action();
}

Event::~Event()
{
    if (clock_ != nullptr && scheduled()) clock_->cancel(*this);
}

VirtualClock::~VirtualClock()
{
    for (Event* event : heap_) {
        event->slot_ = -1;
        event->clock_ = nullptr;
    }
}

void VirtualClock::place(Event* event, std::size_t slot)
{
    heap_[slot] = event;
    event->slot_ = static_cast<int>(slot);
}

void VirtualClock::sift_up(std::size_t slot)
{
    Event* event = heap_[slot];
    while (slot > 0) {
        const std::size_t parent = (slot - 1) / 2;
        if (!earlier(event, heap_[parent])) break;
        place(heap_[parent], slot);
        slot = parent;
    }
    place(event, slot);
}

void VirtualClock::sift_down(std::size_t slot)
{
    Event* event = heap_[slot];
    const std::size_t n = heap_.size();
    for (;;) {
        std::size_t child = 2 * slot + 1;
        if (child >= n) break;
        if (child + 1 < n && earlier(heap_[child + 1], heap_[child])) ++child;
        if (!earlier(heap_[child], event)) break;
        place(heap_[child], slot);
        slot = child;
    }
    place(event, slot);
}

void VirtualClock::remove_at(std::size_t slot)
{
    Event* removed = heap_[slot];
    removed->slot_ = -1;
    Event* last = heap_.back();
    heap_.pop_back();
    if (last != removed) {
        place(last, slot);
        sift_down(slot);
        sift_up(static_cast<std::size_t>(last->slot_));
    }
}

void VirtualClock::schedule(Event& event, Nanoseconds t)
{
    if (event.action_ == nullptr) throw SimError("virtual clock: an event with no action scheduled");
    if (event.clock_ != nullptr && event.clock_ != this) throw SimError("virtual clock: an event of another clock");
    if (event.scheduled()) remove_at(static_cast<std::size_t>(event.slot_));
    event.clock_ = this;
    event.due_ = std::max(t, now_);
    event.order_ = next_order_++;
    heap_.push_back(&event);
    event.slot_ = static_cast<int>(heap_.size() - 1);
    sift_up(heap_.size() - 1);
    refresh_next();
}

void VirtualClock::cancel(Event& event)
{
    if (!event.scheduled()) return;
    remove_at(static_cast<std::size_t>(event.slot_));
    refresh_next();
}

void VirtualClock::advance_to(Nanoseconds t)
{
    while (!heap_.empty() && heap_.front()->due_ <= t) {
        Event* event = heap_.front();
        if (event->due_ > now_) now_ = event->due_;
        remove_at(0);
        refresh_next();
        event->action_(event->owner_);
    }
    if (t > now_) now_ = t;
    refresh_next();
}

void VirtualClock::at(Nanoseconds t, std::function<void()> action)
{
    auto shot = std::make_unique<OneShot>(this, std::move(action));
    schedule(shot->event, t);
    one_shots_.push_back(std::move(shot));
}

void VirtualClock::release(OneShot* shot)
{
    auto it = std::find_if(one_shots_.begin(), one_shots_.end(), [shot](const auto& s) { return s.get() == shot; });
    if (it != one_shots_.end()) one_shots_.erase(it);
}

void VirtualClock::drop_events()
{
    for (Event* event : heap_) event->slot_ = -1;
    heap_.clear();
    one_shots_.clear();
    refresh_next();
}

}  // namespace sim
