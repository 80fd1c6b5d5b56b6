#include "systick.h"

namespace sim {

namespace {
constexpr std::uint32_t CTRL = 0x0, LOAD = 0x4, VAL = 0x8, CALIB = 0xC;
constexpr std::uint32_t ENABLE = 1u << 0, TICKINT = 1u << 1, CLKSOURCE = 1u << 2, COUNTFLAG = 1u << 16;
constexpr std::uint32_t MASK24 = 0x00FFFFFFu;
// No reference clock; the 10 ms calibration value is not given (SKEW set).
constexpr std::uint32_t CALIB_VALUE = 0xC0000000u;
}  // namespace

SysTickTimer::SysTickTimer(VirtualClock& clock) : clock_(clock) {}

void SysTickTimer::reset()
{
    clock_.cancel(wrap_event_);
    interrupt_.reset();
    ctrl_ = 0;
    load_ = 0;
    stopped_value_ = 0;
    countflag_ = false;
    start_value_ = 0;
    wraps_seen_ = 0;
    wraps_before_ = 0;
}

std::uint32_t SysTickTimer::tick_hz() const { return (ctrl_ & CLKSOURCE) != 0 ? core_hz_ : core_hz_ / 8; }

void SysTickTimer::set_core_clock(std::uint32_t hz)
{
    if (hz == core_hz_) return;
    const std::uint32_t value_now = current_value();
    core_hz_ = hz;
    if (running()) restart(value_now);
}

std::uint64_t SysTickTimer::ticks_now() const
{
    if (!running() || start_hz_ == 0) return 0;
    return ticks_in(clock_.now() - start_time_, start_hz_);
}

// The counter counts down to 0, then reloads from LOAD on the next tick, so
// a period is LOAD + 1 ticks; with LOAD at 0 it stops at 0.
std::uint64_t SysTickTimer::wraps_within(std::uint64_t ticks) const
{
    if (start_value_ > 0) {
        if (ticks < start_value_) return 0;
        if (load_ == 0) return 1;
        return 1 + (ticks - start_value_) / (static_cast<std::uint64_t>(load_) + 1);
    }
    if (load_ == 0) return 0;
    return ticks / (static_cast<std::uint64_t>(load_) + 1);
}

std::uint32_t SysTickTimer::current_value() const
{
    if (!running() || start_hz_ == 0) return stopped_value_;
    const std::uint64_t t = ticks_now();
    if (t <= start_value_) return static_cast<std::uint32_t>(start_value_ - t);
    if (load_ == 0) return 0;
    const std::uint64_t past = start_value_ > 0 ? t - start_value_ - 1 : t - 1;
    return static_cast<std::uint32_t>(load_ - past % (static_cast<std::uint64_t>(load_) + 1));
}

std::uint64_t SysTickTimer::wraps() const { return wraps_before_ + wraps_within(ticks_now()); }

void SysTickTimer::restart(std::uint32_t start_value)
{
    const std::uint64_t wraps_now = wraps_within(ticks_now());
    if (wraps_now > wraps_seen_) countflag_ = true;
    wraps_before_ += wraps_now;
    wraps_seen_ = 0;
    start_time_ = clock_.now();
    start_value_ = start_value;
    start_hz_ = tick_hz();
    schedule_next_wrap();
}

void SysTickTimer::schedule_next_wrap()
{
    clock_.cancel(wrap_event_);
    if (!running() || start_hz_ == 0 || (ctrl_ & TICKINT) == 0) return;
    const std::uint64_t next = wraps_within(ticks_now()) + 1;
    // The tick at which the counter reaches 0 for the next-th time.
    std::uint64_t tick = 0;
    if (start_value_ > 0) {
        if (next > 1 && load_ == 0) return;
        tick = start_value_ + (next - 1) * (static_cast<std::uint64_t>(load_) + 1);
    } else {
        if (load_ == 0) return;
        tick = next * (static_cast<std::uint64_t>(load_) + 1);
    }
    clock_.schedule(wrap_event_, start_time_ + time_of_ticks(tick, start_hz_));
}

Nanoseconds SysTickTimer::whole_period_ns()
{
    const std::uint64_t ticks = static_cast<std::uint64_t>(load_) + 1;
    if (ticks != period_for_ticks_ || start_hz_ != period_for_hz_) {
        period_for_ticks_ = ticks;
        period_for_hz_ = start_hz_;
        const unsigned __int128 scaled = static_cast<unsigned __int128>(ticks) * kNanosecondsPerSecond;
        period_ns_ = scaled % start_hz_ == 0 ? static_cast<Nanoseconds>(scaled / start_hz_) : 0;
    }
    return period_ns_;
}

void SysTickTimer::on_wrap()
{
    interrupt_.pulse();
    // The wrap after a wrap is one period later; an exact period saves
    // working the time out from the tick count.
    const Nanoseconds period = load_ > 0 ? whole_period_ns() : 0;
    if (period != 0)
        clock_.schedule(wrap_event_, wrap_event_.due() + period);
    else
        schedule_next_wrap();
}

std::uint32_t SysTickTimer::read_word(std::uint32_t offset)
{
    switch (offset) {
    case CTRL: {
        const std::uint64_t wraps_now = wraps_within(ticks_now());
        const bool flag = countflag_ || wraps_now > wraps_seen_;
        countflag_ = false;  // cleared by reading
        wraps_seen_ = wraps_now;
        return ctrl_ | (flag ? COUNTFLAG : 0u);
    }
    case LOAD:
        return load_;
    case VAL:
        return current_value();
    case CALIB:
        return CALIB_VALUE;
    default:
        return 0;
    }
}

void SysTickTimer::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case CTRL: {
        const bool was_running = running();
        const std::uint32_t value_now = current_value();
        if (was_running) {
            // Settle what ran so far under the old control bits.
            const std::uint64_t wraps_now = wraps_within(ticks_now());
            if (wraps_now > wraps_seen_) countflag_ = true;
            wraps_before_ += wraps_now;
            wraps_seen_ = 0;
        }
        ctrl_ = merge(ctrl_, value, lanes) & (ENABLE | TICKINT | CLKSOURCE);
        if (running()) {
            start_time_ = clock_.now();
            start_value_ = value_now;
            start_hz_ = tick_hz();
            schedule_next_wrap();
        } else {
            stopped_value_ = value_now;
            clock_.cancel(wrap_event_);
        }
        break;
    }
    case LOAD:
        // The new reload is taken at the next wrap: count on from here with it.
        if (running()) {
            const std::uint32_t value_now = current_value();
            load_ = merge(load_, value, lanes) & MASK24;
            restart(value_now);
        } else {
            load_ = merge(load_, value, lanes) & MASK24;
        }
        break;
    case VAL:
        // Any write clears the counter and the count flag.
        stopped_value_ = 0;
        if (running()) restart(0);
        countflag_ = false;
        break;
    default:
        break;
    }
}

}  // namespace sim
