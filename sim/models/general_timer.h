// A 16-bit general-purpose timer (TIM3, TIM4): the time base (prescaler,
// auto-reload, update events, up, down and centre-aligned counting, the
// preloads), channel 2 as a PWM output, the encoder interface on the inputs
// of channels 1 and 2, and the update interrupt.
//
// The counter is worked out from the timer clock ticks since it was last
// settled, in whole-span arithmetic (timer_counting.h), at each register
// access and each query; an event is scheduled only when an update is to
// raise the interrupt. Capture, the other compare channels and their flags,
// DMA, one-pulse mode and the trigger and slave modes besides the encoder are
// not modelled: enabling any of them is an error.
#ifndef SIM_MODELS_GENERAL_TIMER_H
#define SIM_MODELS_GENERAL_TIMER_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/interrupt_line.h"
#include "core/peripheral.h"
#include "core/virtual_clock.h"
#include "timer_counting.h"

namespace sim {

class GeneralTimer : public WordPeripheral {
public:
    static constexpr std::uint32_t kSize = 0x400u;

    // Register offsets.
    static constexpr std::uint32_t CR1 = 0x00, CR2 = 0x04, SMCR = 0x08, DIER = 0x0C, SR = 0x10, EGR = 0x14;
    static constexpr std::uint32_t CCMR1 = 0x18, CCMR2 = 0x1C, CCER = 0x20, CNT = 0x24, PSC = 0x28, ARR = 0x2C;
    static constexpr std::uint32_t RCR = 0x30, CCR1 = 0x34, CCR2 = 0x38, CCR3 = 0x3C, CCR4 = 0x40, BDTR = 0x44;
    static constexpr std::uint32_t DCR = 0x48, DMAR = 0x4C, OR = 0x50;

    // The level a channel input (1 or 2) sees now: what the board wires to it.
    using InputSource = std::function<bool(int channel)>;

    // The channel 2 output over one period as it stands: `high` of `period`
    // counter ticks at a high level. A counter that does not run holds its
    // level: period 1, high 0 or 1.
    struct Duty {
        std::uint64_t high;
        std::uint64_t period;
        bool operator==(const Duty&) const = default;
    };

    GeneralTimer(std::string name, VirtualClock& clock);

    void reset() override;
    const std::string& name() const { return name_; }

    // The timer clock (twice PCLK1 when the APB1 prescaler divides).
    void set_bus_clock(std::uint32_t hz) override;
    InterruptLine* interrupt_line(std::size_t n) override { return n == 0 ? &interrupt_ : nullptr; }
    InterruptLine& interrupt() { return interrupt_; }
    Nanoseconds quiet_until(std::uint32_t offset) const override;

    // Unwired inputs stay low.
    void set_input_source(InputSource source);
    // The level at a channel's input may have changed; in encoder mode an
    // edge counts.
    void input_changed(int channel);

    Duty channel2_output() const;
    // A register's value without the side effects of a read.
    std::uint32_t peek(std::uint32_t offset) const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    // What moves with time: the counter, the prescaler's own count, the
    // shadow registers in use and the update flag.
    struct Counting {
        timer_counting::Count count;
        std::uint32_t prescale = 0;
        std::uint32_t psc = 0;
        std::uint32_t arr = 0;
        std::uint32_t ccr2 = 0;
        bool update_flag = false;
    };

    std::uint64_t tick_now() const;
    Nanoseconds time_of_tick(std::uint64_t tick) const;
    bool time_base_running() const;
    Counting current() const;
    std::uint32_t register_value(const Counting& s, std::uint32_t offset) const;
    bool encoder_mode() const;
    timer_counting::Alignment alignment() const;
    bool preload_pending(const Counting& s) const;
    void load_shadows(Counting& s) const;
    // Timer clock ticks from s to its next update event (kNoUpdate if none).
    std::uint64_t clock_ticks_to_update(const Counting& s) const;
    Counting run(Counting s, std::uint64_t clock_ticks) const;
    Counting counting_at(std::uint64_t tick) const;
    // Brings the state up to now and anchors it there.
    void settle();
    void update_interrupt();
    void on_update();
    void generate_update();
    void count_edge(int channel, bool level);
    bool channel2_reference() const;
    bool output_mode_reference(const Counting& s, std::uint32_t mode) const;

    void write_cr1(std::uint32_t value);
    void write_ccmr1(std::uint32_t value);
    void check_channels() const;
    void resync_inputs();
    std::string where(std::uint32_t offset) const;
    [[noreturn]] void unmodelled(std::uint32_t offset, std::uint32_t bits, const char* what) const;

    std::string name_;
    VirtualClock& clock_;
    InterruptLine interrupt_;
    Event update_event_ = Event::of<&GeneralTimer::on_update>(this);
    InputSource input_source_;

    std::uint32_t clock_hz_ = 16000000u;
    Nanoseconds epoch_ = 0;         // time of timer clock tick 0 at the current rate
    std::uint64_t anchor_tick_ = 0;  // the tick at which state_ holds
    Counting state_;

    std::uint32_t cr1_ = 0, cr2_ = 0, smcr_ = 0, dier_ = 0, ccmr1_ = 0, ccmr2_ = 0, ccer_ = 0;
    std::uint32_t psc_ = 0, arr_ = 0, dcr_ = 0;
    std::array<std::uint32_t, 4> ccr_{};
    bool frozen_reference_ = false;  // channel 2's reference while its mode freezes it
    std::array<bool, 2> inputs_{};   // the channel inputs as last seen
};

}  // namespace sim

#endif
