// The core's SysTick timer (0xE000E010): a 24-bit down-counter clocked by
// HCLK or HCLK / 8 that pends the SysTick exception at every wrap.
#ifndef SIM_MODELS_SYSTICK_H
#define SIM_MODELS_SYSTICK_H

#include <functional>

#include "core/peripheral.h"
#include "core/virtual_clock.h"
#include "exceptions.h"

namespace sim {

class SysTickTimer : public WordPeripheral {
public:
    SysTickTimer(VirtualClock& clock, ExceptionState& exceptions, std::function<std::uint32_t()> hclk_hz);
    void reset() override;

    bool running() const { return (ctrl_ & 1u) != 0; }
    std::uint64_t wraps() const { return wraps_; }

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    std::uint32_t tick_hz() const;
    std::uint32_t current_value() const;
    void restart(std::uint32_t start_value);
    void schedule_next_wrap();
    void on_wrap();

    VirtualClock& clock_;
    ExceptionState& exceptions_;
    std::function<std::uint32_t()> hclk_hz_;
    std::uint32_t ctrl_ = 0;
    std::uint32_t load_ = 0;
    std::uint32_t stopped_value_ = 0;
    bool countflag_ = false;
    // While running: the counter held start_value_ at start_time_, ticking at start_hz_.
    Nanoseconds start_time_ = 0;
    std::uint32_t start_value_ = 0;
    std::uint32_t start_hz_ = 0;
    std::uint64_t ticks_done_ = 0;  // ticks from start_time_ up to the scheduled wrap's reload
    VirtualClock::EventId event_ = 0;
    std::uint64_t wraps_ = 0;
};

}  // namespace sim

#endif
