// The core's SysTick timer (0xE000E010): a 24-bit down-counter clocked by
// HCLK or HCLK / 8 that pends the SysTick exception at every wrap. The
// counter is worked out from the time since it was last anchored, in exact
// 128-bit arithmetic, so a year of ticks keeps its period to the tick.
#ifndef SIM_MODELS_SYSTICK_H
#define SIM_MODELS_SYSTICK_H

#include "core/interrupt_line.h"
#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class SysTickTimer : public WordPeripheral {
public:
    explicit SysTickTimer(VirtualClock& clock);
    void reset() override;

    InterruptLine& interrupt() { return interrupt_; }
    // The core clock changed: the count goes on from where it stands at the new rate.
    void set_core_clock(std::uint32_t hz);

    bool running() const { return (ctrl_ & 1u) != 0; }

    void set_bus_clock(std::uint32_t hz) override { set_core_clock(hz); }
    InterruptLine* interrupt_line(std::size_t n) override { return n == 0 ? &interrupt_ : nullptr; }
    // Times the counter has reached 0 since power-on.
    std::uint64_t wraps() const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    std::uint32_t tick_hz() const;
    std::uint64_t ticks_now() const;
    // Times the counter reached 0 in the first `ticks` ticks since the anchor.
    std::uint64_t wraps_within(std::uint64_t ticks) const;
    std::uint32_t current_value() const;
    // Counting goes on from start_value at the current rate and reload;
    // what the count flag and the wrap count saw so far is kept.
    void restart(std::uint32_t start_value);
    void schedule_next_wrap();
    void on_wrap();
    // The period in whole nanoseconds, or 0 when it is not a whole number.
    Nanoseconds whole_period_ns();

    VirtualClock& clock_;
    InterruptLine interrupt_{"SysTick"};
    Event wrap_event_ = Event::of<&SysTickTimer::on_wrap>(this);
    std::uint32_t core_hz_ = 16000000u;
    std::uint32_t ctrl_ = 0;
    std::uint32_t load_ = 0;
    std::uint32_t stopped_value_ = 0;
    bool countflag_ = false;  // set by wraps before the anchor, until CTRL is read
    // While running: the counter held start_value_ at start_time_, ticking at
    // start_hz_; wraps since then are worked out, not counted one by one, and
    // an event is scheduled only when a wrap is to pend the exception.
    Nanoseconds start_time_ = 0;
    std::uint32_t start_value_ = 0;
    std::uint32_t start_hz_ = 0;
    std::uint64_t wraps_seen_ = 0;    // wraps since the anchor that a CTRL read has shown
    std::uint64_t wraps_before_ = 0;  // wraps before the anchor
    // A period that is a whole number of nanoseconds at the tick rate lets
    // the next wrap follow the last by plain addition.
    std::uint64_t period_for_ticks_ = 0, period_for_hz_ = 0;
    Nanoseconds period_ns_ = 0;
};

}  // namespace sim

#endif
