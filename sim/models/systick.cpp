#include "systick.h"

namespace sim {

namespace {
constexpr std::uint32_t CTRL = 0x0, LOAD = 0x4, VAL = 0x8, CALIB = 0xC;
constexpr std::uint32_t ENABLE = 1u << 0, TICKINT = 1u << 1, CLKSOURCE = 1u << 2, COUNTFLAG = 1u << 16;
constexpr std::uint32_t MASK24 = 0x00FFFFFFu;
// No reference clock; the 10 ms calibration value is not given (SKEW set).
constexpr std::uint32_t CALIB_VALUE = 0xC0000000u;
}  // namespace

SysTickTimer::SysTickTimer(VirtualClock& clock, ExceptionState& exceptions, std::function<std::uint32_t()> hclk_hz)
    : clock_(clock), exceptions_(exceptions), hclk_hz_(std::move(hclk_hz))
{
}

void SysTickTimer::reset()
{
    if (event_ != 0) clock_.cancel(event_);
    event_ = 0;
    ctrl_ = 0;
    load_ = 0;
    stopped_value_ = 0;
    countflag_ = false;
    wraps_ = 0;
}

std::uint32_t SysTickTimer::tick_hz() const
{
    const std::uint32_t hclk = hclk_hz_();
    return (ctrl_ & CLKSOURCE) != 0 ? hclk : hclk / 8;
}

// Counter value after t ticks from start_value_: it counts down to 0, then
// reloads from LOAD on the next tick, so a period is LOAD + 1 ticks.
std::uint32_t SysTickTimer::current_value() const
{
    if (!running() || start_hz_ == 0) return stopped_value_;
    const std::uint64_t t = (clock_.now() - start_time_) * static_cast<std::uint64_t>(start_hz_) / 1000000000ull;
    if (t <= start_value_) return static_cast<std::uint32_t>(start_value_ - t);
    if (load_ == 0) return 0;
    const std::uint64_t k = (t - start_value_ - 1) % (static_cast<std::uint64_t>(load_) + 1);
    return static_cast<std::uint32_t>(load_ - k);
}

void SysTickTimer::restart(std::uint32_t start_value)
{
    if (event_ != 0) clock_.cancel(event_);
    event_ = 0;
    start_time_ = clock_.now();
    start_value_ = start_value;
    start_hz_ = tick_hz();
    ticks_done_ = start_value > 0 ? start_value : static_cast<std::uint64_t>(load_) + 1;
    schedule_next_wrap();
}

void SysTickTimer::schedule_next_wrap()
{
    if (!running() || start_hz_ == 0 || load_ == 0) return;
    const std::uint64_t hz = start_hz_;
    const Nanoseconds at = start_time_ + (ticks_done_ * 1000000000ull + hz - 1) / hz;
    event_ = clock_.schedule_at(at, [this] { on_wrap(); });
}

void SysTickTimer::on_wrap()
{
    event_ = 0;
    ++wraps_;
    countflag_ = true;
    if ((ctrl_ & TICKINT) != 0) exceptions_.set_pending(ExceptionState::kSysTick, true);
    ticks_done_ += static_cast<std::uint64_t>(load_) + 1;
    schedule_next_wrap();
}

std::uint32_t SysTickTimer::read_word(std::uint32_t offset)
{
    switch (offset) {
    case CTRL: {
        const std::uint32_t value = ctrl_ | (countflag_ ? COUNTFLAG : 0u);
        countflag_ = false;  // cleared by reading
        return value;
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
        ctrl_ = merge(ctrl_, value, lanes) & (ENABLE | TICKINT | CLKSOURCE);
        if (running() && !was_running) restart(value_now);
        if (!running() && was_running) {
            stopped_value_ = value_now;
            if (event_ != 0) clock_.cancel(event_);
            event_ = 0;
        }
        break;
    }
    case LOAD:
        load_ = merge(load_, value, lanes) & MASK24;
        break;
    case VAL:
        // Any write clears the counter and the count flag.
        countflag_ = false;
        stopped_value_ = 0;
        if (running()) restart(0);
        break;
    default:
        break;
    }
}

}  // namespace sim
