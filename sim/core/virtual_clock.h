// Deterministic virtual time with its event queue. Models own their events
// (an Event is a member that names the model's method to run), so scheduling
// allocates nothing; the queue is a binary heap fired in time order, ties in
// the order they were scheduled. The time of the next event is kept at hand,
// so the common case of a bus access costs one comparison.
#ifndef SIM_CORE_VIRTUAL_CLOCK_H
#define SIM_CORE_VIRTUAL_CLOCK_H

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "time.h"

namespace sim {

class VirtualClock;

class Event {
public:
    using Action = void (*)(void* owner);

    Event() = default;
    Event(Action action, void* owner) : action_(action), owner_(owner) {}
    // An event that calls owner->*Method when it fires.
    template <auto Method, class Owner>
    static Event of(Owner* owner)
    {
        return Event([](void* o) { (static_cast<Owner*>(o)->*Method)(); }, owner);
    }
    // An event belongs to its owner where it stands: it is neither copied nor moved.
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    ~Event();

    bool scheduled() const { return slot_ >= 0; }
    Nanoseconds due() const { return due_; }

private:
    friend class VirtualClock;
    Action action_ = nullptr;
    void* owner_ = nullptr;
    VirtualClock* clock_ = nullptr;
    Nanoseconds due_ = kNever;
    std::uint64_t order_ = 0;
    int slot_ = -1;
};

class VirtualClock {
public:
    VirtualClock() = default;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;
    ~VirtualClock();

    Nanoseconds now() const { return now_; }
    Nanoseconds next_due() const { return next_due_; }

    // Time moves on by dt, firing whatever falls due on the way.
    void advance(Nanoseconds dt)
    {
        if (now_ + dt < next_due_)
            now_ += dt;
        else
            advance_to(now_ + dt);
    }
    // Fires every event due up to and including t, then stands at t.
    void advance_to(Nanoseconds t);

    // (Re)schedules the event at t; a time already past means now.
    void schedule(Event& event, Nanoseconds t);
    void schedule_in(Event& event, Nanoseconds dt) { schedule(event, now_ + dt); }
    void cancel(Event& event);

    // One-shot actions of tests and tools (these allocate; models use Event).
    void at(Nanoseconds t, std::function<void()> action);

    // Power-on: time goes on (it is the test's), pending events are dropped.
    void drop_events();

    std::size_t pending_events() const { return heap_.size(); }

private:
    struct OneShot {
        OneShot(VirtualClock* owner, std::function<void()> what)
            : action(std::move(what)), event(&OneShot::fire, this), clock(owner)
        {
        }
        std::function<void()> action;
        Event event;
        VirtualClock* clock;
        static void fire(void* self);
    };
    void release(OneShot* shot);
    bool earlier(const Event* a, const Event* b) const
    {
        return a->due_ != b->due_ ? a->due_ < b->due_ : a->order_ < b->order_;
    }
    void place(Event* event, std::size_t slot);
    void sift_up(std::size_t slot);
    void sift_down(std::size_t slot);
    void remove_at(std::size_t slot);
    void refresh_next() { next_due_ = heap_.empty() ? kNever : heap_.front()->due_; }

    Nanoseconds now_ = 0;
    Nanoseconds next_due_ = kNever;
    std::uint64_t next_order_ = 0;
    std::vector<Event*> heap_;

    std::vector<std::unique_ptr<OneShot>> one_shots_;
};

}  // namespace sim

#endif
