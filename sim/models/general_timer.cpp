#include "general_timer.h"

#include "core/sim_error.h"

namespace sim {

using timer_counting::Alignment;
using timer_counting::Count;
using timer_counting::kNoUpdate;

namespace {

constexpr std::uint32_t k16 = 0xFFFFu;

// CR1
constexpr std::uint32_t kEnable = 1u << 0, kUpdateDisable = 1u << 1, kUpdateOnlyOnCount = 1u << 2;
constexpr std::uint32_t kOnePulse = 1u << 3, kDown = 1u << 4, kCentreModes = 3u << 5, kArrPreload = 1u << 7;
constexpr std::uint32_t kClockDivision = 3u << 8;
constexpr std::uint32_t kCr1Writable = 0x03FFu;
// CR2: DMA select, master mode, TI1 as the XOR of three inputs.
constexpr std::uint32_t kCr2Writable = 0x00F8u;
// SMCR
constexpr std::uint32_t kSlaveMode = 7u, kMasterSlave = 1u << 7, kExternalClock2 = 1u << 14;
constexpr std::uint32_t kSmcrWritable = 0xFFF7u;
// DIER / SR / EGR
constexpr std::uint32_t kUpdate = 1u << 0;
constexpr std::uint32_t kDierWritable = 0x5F5Fu;
constexpr std::uint32_t kEgrWritable = 0x005Fu;
// CCMR1: channel 1 in the low byte, channel 2 in the high byte.
constexpr std::uint32_t kCc1Select = 3u << 0, kCc2Select = 3u << 8;
constexpr std::uint32_t kOc2Preload = 1u << 11, kOc2ClearOnExternal = 1u << 15;
constexpr unsigned kOc2ModeShift = 12;
// CCER: TIM2 to TIM5 have no complementary outputs (bits 2, 6, 10, 14).
constexpr std::uint32_t kCcerWritable = 0xBBBBu;
constexpr std::uint32_t kCc1Enable = 1u << 0, kCc2Enable = 1u << 4, kCc2Polarity = 1u << 5;
constexpr std::uint32_t kCc3Enable = 1u << 8, kCc4Enable = 1u << 12;

constexpr std::uint32_t kModeFrozen = 0, kModeForcedInactive = 4, kModeForcedActive = 5, kModePwm1 = 6,
                        kModePwm2 = 7;

const char* register_name(std::uint32_t offset)
{
    static const char* const names[] = {"CR1",  "CR2",  "SMCR", "DIER", "SR",   "EGR",  "CCMR1",
                                        "CCMR2", "CCER", "CNT",  "PSC",  "ARR",  "RCR",  "CCR1",
                                        "CCR2", "CCR3", "CCR4", "BDTR", "DCR",  "DMAR", "OR"};
    return offset <= GeneralTimer::OR && offset % 4 == 0 ? names[offset / 4] : "no register";
}

}  // namespace

GeneralTimer::GeneralTimer(std::string name, VirtualClock& clock)
    : name_(std::move(name)), clock_(clock), interrupt_(name_)
{
    GeneralTimer::reset();
}

void GeneralTimer::reset()
{
    clock_.cancel(update_event_);
    if (interrupt_.connected()) interrupt_.clear();
    interrupt_.reset();
    cr1_ = cr2_ = smcr_ = dier_ = ccmr1_ = ccmr2_ = ccer_ = psc_ = dcr_ = 0;
    arr_ = k16;
    ccr_ = {};
    state_ = {};
    state_.arr = arr_;
    epoch_ = clock_.now();
    anchor_tick_ = 0;
    frozen_reference_ = false;
    resync_inputs();
}

std::string GeneralTimer::where(std::uint32_t offset) const
{
    return name_ + " " + register_name(offset) + " (offset " + hex32(offset) + ")";
}

void GeneralTimer::unmodelled(std::uint32_t offset, std::uint32_t bits, const char* what) const
{
    throw SimError(where(offset) + ": bits " + hex32(bits) + " select " + what +
                   ", which the virtual board does not model");
}

// --- time -------------------------------------------------------------------

std::uint64_t GeneralTimer::tick_now() const
{
    return clock_hz_ == 0 ? anchor_tick_ : ticks_in(clock_.now() - epoch_, clock_hz_);
}

Nanoseconds GeneralTimer::time_of_tick(std::uint64_t tick) const
{
    const Nanoseconds offset = time_of_ticks(tick, clock_hz_);
    return offset == kNever ? kNever : epoch_ + offset;
}

void GeneralTimer::set_bus_clock(std::uint32_t hz)
{
    if (hz == clock_hz_) return;
    settle();
    // The count goes on from where it stands at the new rate.
    clock_hz_ = hz;
    epoch_ = clock_.now();
    anchor_tick_ = 0;
    update_interrupt();
}

bool GeneralTimer::encoder_mode() const
{
    const std::uint32_t sms = smcr_ & kSlaveMode;
    return sms >= 1 && sms <= 3;
}

bool GeneralTimer::time_base_running() const
{
    return (cr1_ & kEnable) != 0 && !encoder_mode() && state_.arr != 0 && clock_hz_ != 0;
}

Alignment GeneralTimer::alignment() const { return (cr1_ & kCentreModes) != 0 ? Alignment::Centre : Alignment::Edge; }

bool GeneralTimer::preload_pending(const Counting& s) const
{
    // Unbuffered registers reach their shadow at once, so only a preload can differ.
    return s.psc != psc_ || s.arr != arr_ || s.ccr2 != ccr_[1];
}

void GeneralTimer::load_shadows(Counting& s) const
{
    s.psc = psc_;
    s.arr = arr_;
    s.ccr2 = ccr_[1];
}

std::uint64_t GeneralTimer::clock_ticks_to_update(const Counting& s) const
{
    const std::uint64_t counts = timer_counting::ticks_to_update(s.count, s.arr, alignment());
    if (counts == kNoUpdate) return kNoUpdate;
    return counts * (static_cast<std::uint64_t>(s.psc) + 1) - s.prescale;
}

GeneralTimer::Counting GeneralTimer::run(Counting s, std::uint64_t clock_ticks) const
{
    const std::uint64_t divisor = static_cast<std::uint64_t>(s.psc) + 1;
    const std::uint64_t total = s.prescale + clock_ticks;
    s.prescale = static_cast<std::uint32_t>(total % divisor);
    const timer_counting::Moved moved = timer_counting::advance(s.count, total / divisor, s.arr, alignment());
    s.count = moved.count;
    if (moved.updates > 0 && (cr1_ & kUpdateDisable) == 0) s.update_flag = true;
    return s;
}

GeneralTimer::Counting GeneralTimer::counting_at(std::uint64_t tick) const
{
    Counting s = state_;
    if (!time_base_running()) return s;
    std::uint64_t elapsed = tick - anchor_tick_;
    // A preloaded value takes over at the first update; the rest of the span
    // runs with it.
    if (preload_pending(s) && (cr1_ & kUpdateDisable) == 0) {
        const std::uint64_t first = clock_ticks_to_update(s);
        if (elapsed < first) return run(s, elapsed);
        s = run(s, first);
        load_shadows(s);
        elapsed -= first;
        if (s.arr == 0) return s;  // an auto-reload of 0 blocks the counter
    }
    return run(s, elapsed);
}

void GeneralTimer::settle()
{
    const std::uint64_t tick = tick_now();
    state_ = counting_at(tick);
    anchor_tick_ = tick;
}

// The state is settled to now when this runs.
void GeneralTimer::update_interrupt()
{
    if (!interrupt_.connected()) return;
    const bool enabled = (dier_ & kUpdate) != 0;
    interrupt_.set(enabled && state_.update_flag);
    clock_.cancel(update_event_);
    if (!enabled || state_.update_flag || !time_base_running() || (cr1_ & kUpdateDisable) != 0) return;
    const std::uint64_t first = clock_ticks_to_update(state_);
    if (first != kNoUpdate) clock_.schedule(update_event_, time_of_tick(anchor_tick_ + first));
}

void GeneralTimer::on_update()
{
    settle();
    update_interrupt();
}

Nanoseconds GeneralTimer::quiet_until(std::uint32_t offset) const
{
    if (!time_base_running()) return kNever;
    const std::uint64_t tick = tick_now();
    const Counting s = counting_at(tick);
    if (offset == CNT) return time_of_tick(tick + s.psc + 1 - s.prescale);
    if (offset == SR && !s.update_flag && (cr1_ & kUpdateDisable) == 0) {
        const std::uint64_t first = clock_ticks_to_update(s);
        return first == kNoUpdate ? kNever : time_of_tick(tick + first);
    }
    return kNever;
}

// EGR.UG: the counter and the prescaler start again, and, unless updates are
// disabled, the shadows are loaded and the flag set (unless only counting
// may set it).
void GeneralTimer::generate_update()
{
    Counting& s = state_;
    s.prescale = 0;
    if (alignment() == Alignment::Edge && s.count.down) {
        s.count.value = arr_;
    } else {
        s.count.value = 0;
        if (!encoder_mode()) s.count.down = false;
    }
    if ((cr1_ & kUpdateDisable) != 0) return;
    load_shadows(s);
    if ((cr1_ & kUpdateOnlyOnCount) == 0) s.update_flag = true;
}

// --- channels -----------------------------------------------------------------

bool GeneralTimer::output_mode_reference(const Counting& s, std::uint32_t mode) const
{
    switch (mode) {
    case kModeForcedInactive: return false;
    case kModeForcedActive: return true;
    case kModePwm1: return timer_counting::pwm1_active(s.count, s.ccr2);
    case kModePwm2: return !timer_counting::pwm1_active(s.count, s.ccr2);
    default: return frozen_reference_;  // frozen; the match-driven modes are refused when enabled
    }
}

bool GeneralTimer::channel2_reference() const
{
    return output_mode_reference(state_, (ccmr1_ >> kOc2ModeShift) & 7u);
}

GeneralTimer::Duty GeneralTimer::channel2_output() const
{
    if ((ccer_ & kCc2Enable) == 0 || (ccmr1_ & kCc2Select) != 0) return {0, 1};  // no output
    const Counting s = current();
    const bool inverted = (ccer_ & kCc2Polarity) != 0;
    const std::uint32_t mode = (ccmr1_ >> kOc2ModeShift) & 7u;
    if ((mode == kModePwm1 || mode == kModePwm2) && time_base_running() && s.arr != 0) {
        const std::uint64_t period = timer_counting::period_ticks(s.arr, alignment());
        std::uint64_t active = timer_counting::pwm1_active_ticks(s.arr, s.ccr2, alignment(), s.count.down);
        if (mode == kModePwm2) active = period - active;
        return {inverted ? period - active : active, period};
    }
    return {output_mode_reference(s, mode) != inverted ? 1u : 0u, 1};
}

void GeneralTimer::check_channels() const
{
    if (ccer_ & (kCc1Enable | kCc3Enable | kCc4Enable))
        unmodelled(CCER, ccer_ & (kCc1Enable | kCc3Enable | kCc4Enable), "capture or compare on channels 1, 3 or 4");
    if ((ccer_ & kCc2Enable) == 0) return;
    if ((ccmr1_ & kCc2Select) != 0) unmodelled(CCER, kCc2Enable, "input capture on channel 2");
    if (ccmr1_ & kOc2ClearOnExternal) unmodelled(CCMR1, kOc2ClearOnExternal, "clearing channel 2 on the trigger input");
    const std::uint32_t mode = (ccmr1_ >> kOc2ModeShift) & 7u;
    if (mode >= 1 && mode <= 3)
        unmodelled(CCMR1, mode << kOc2ModeShift, "a match-driven output mode (active, inactive, toggle) on channel 2");
}

// --- inputs -----------------------------------------------------------------

void GeneralTimer::set_input_source(InputSource source)
{
    input_source_ = std::move(source);
    resync_inputs();
}

// Takes the inputs' levels as they are, counting nothing: a pin routed to
// the timer while the timer did not look is no edge.
void GeneralTimer::resync_inputs()
{
    for (int channel = 1; channel <= 2; ++channel)
        inputs_[static_cast<std::size_t>(channel - 1)] = input_source_ ? input_source_(channel) : false;
}

void GeneralTimer::input_changed(int channel)
{
    if (channel != 1 && channel != 2) throw SimError(name_ + ": no channel input " + std::to_string(channel));
    const bool level = input_source_ ? input_source_(channel) : false;
    bool& seen = inputs_[static_cast<std::size_t>(channel - 1)];
    if (level == seen) return;
    seen = level;
    if (encoder_mode() && (cr1_ & kEnable) != 0) count_edge(channel, level);
}

// The direction table of the encoder interface: an edge of one input counts
// up or down by its sense and the level of the other input.
void GeneralTimer::count_edge(int channel, bool level)
{
    const std::uint32_t sms = smcr_ & kSlaveMode;
    if (sms != 3 && static_cast<int>(sms) != channel) return;
    if ((ccmr1_ & (kCc1Select | kCc2Select)) != 0x0101u)
        throw SimError(where(CCMR1) + ": encoder mode needs channels 1 and 2 on their own inputs (CC1S = CC2S = 01), "
                       "CCMR1 is " + hex32(ccmr1_));
    // CCxNP and CCxP: 00 as it is, 01 inverted, 11 (both edges) as it is in
    // encoder mode, 10 reserved.
    bool inverted[2];
    for (int ch = 0; ch < 2; ++ch) {
        const std::uint32_t polarity = (ccer_ >> (4 * ch)) & 0xAu;
        if (polarity == 0x8u)
            throw SimError(where(CCER) + ": input " + std::to_string(ch + 1) + " polarity " + hex32(polarity) +
                           " (CCxNP without CCxP) is reserved");
        inverted[ch] = polarity == 0x2u;
    }
    settle();
    if (state_.psc != 0) throw SimError(where(PSC) + ": a prescaler in encoder mode is not modelled");
    const bool ti1 = inputs_[0] != inverted[0], ti2 = inputs_[1] != inverted[1];
    const bool rising = level != inverted[channel - 1];
    const bool up = channel == 1 ? rising != ti2 : rising == ti1;
    const timer_counting::Moved moved =
        timer_counting::advance({state_.count.value, !up}, 1, state_.arr, Alignment::Edge);
    state_.count = moved.count;
    if (moved.updates > 0 && (cr1_ & kUpdateDisable) == 0) {
        load_shadows(state_);
        state_.update_flag = true;
    }
    update_interrupt();
}

// --- registers --------------------------------------------------------------

std::uint32_t GeneralTimer::peek(std::uint32_t offset) const { return register_value(current(), offset); }

// A counter that does not run with time (stopped, or following the encoder)
// stands where its last event left it: no time to work out.
GeneralTimer::Counting GeneralTimer::current() const
{
    return time_base_running() ? counting_at(tick_now()) : state_;
}

std::uint32_t GeneralTimer::register_value(const Counting& s, std::uint32_t offset) const
{
    switch (offset) {
    case CR1: return (cr1_ & ~kDown) | (s.count.down ? kDown : 0u);
    case CR2: return cr2_;
    case SMCR: return smcr_;
    case DIER: return dier_;
    case SR: return s.update_flag ? kUpdate : 0u;
    case EGR: return 0;  // write-only
    case CCMR1: return ccmr1_;
    case CCMR2: return ccmr2_;
    case CCER: return ccer_;
    case CNT: return s.count.value;
    case PSC: return psc_;
    case ARR: return arr_;
    case CCR1: case CCR2: case CCR3: case CCR4: return ccr_[(offset - CCR1) / 4];
    case DCR: return dcr_;
    case RCR: case BDTR: case OR: return 0;  // not on this timer
    case DMAR: throw SimError(where(offset) + ": DMA bursts are not modelled");
    default: throw SimError(name_ + " at offset " + hex32(offset) + ": no register there");
    }
}

std::uint32_t GeneralTimer::read_word(std::uint32_t offset)
{
    if (time_base_running()) settle();
    return register_value(state_, offset);
}

void GeneralTimer::write_cr1(std::uint32_t value)
{
    if (value & kOnePulse) unmodelled(CR1, kOnePulse, "one-pulse mode");
    if ((value & kClockDivision) == kClockDivision)
        throw SimError(where(CR1) + ": clock division 11 is reserved (written " + hex32(value) + ")");
    if ((cr1_ & kEnable) && (value & kEnable) && ((cr1_ & kCentreModes) == 0) != ((value & kCentreModes) == 0))
        throw SimError(where(CR1) + ": switched between edge- and centre-aligned counting while the counter runs (" +
                       hex32(cr1_) + " to " + hex32(value) + ")");
    // DIR is the counter's to set in the centre-aligned and encoder modes.
    if ((value & kCentreModes) == 0 && !encoder_mode()) state_.count.down = (value & kDown) != 0;
    cr1_ = value;
    if ((cr1_ & kArrPreload) == 0) state_.arr = arr_;
}

void GeneralTimer::write_ccmr1(std::uint32_t value)
{
    const std::uint32_t old_mode = (ccmr1_ >> kOc2ModeShift) & 7u;
    const bool reference = channel2_reference();
    ccmr1_ = value;
    if (((ccmr1_ >> kOc2ModeShift) & 7u) == kModeFrozen && old_mode != kModeFrozen) frozen_reference_ = reference;
    if ((ccmr1_ & kOc2Preload) == 0) state_.ccr2 = ccr_[1];
    check_channels();
}

void GeneralTimer::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    settle();
    switch (offset) {
    case CR1: write_cr1(merge(peek(CR1), value, lanes) & kCr1Writable); break;
    case CR2: {
        const std::uint32_t next = merge(cr2_, value, lanes) & kCr2Writable;
        if (next != 0) unmodelled(CR2, next, "master mode, TI1 selection or DMA selection");
        cr2_ = next;
        break;
    }
    case SMCR: {
        const std::uint32_t next = merge(smcr_, value, lanes) & kSmcrWritable;
        if ((next & kSlaveMode) >= 4) unmodelled(SMCR, next & kSlaveMode, "a slave mode other than the encoder");
        if (next & (kMasterSlave | kExternalClock2))
            unmodelled(SMCR, next & (kMasterSlave | kExternalClock2), "master/slave or external clock mode 2");
        smcr_ = next;
        resync_inputs();
        break;
    }
    case DIER: {
        const std::uint32_t next = merge(dier_, value, lanes) & kDierWritable;
        if (next & ~kUpdate) unmodelled(DIER, next & ~kUpdate, "capture/compare or trigger interrupts, or DMA");
        dier_ = next;
        break;
    }
    case SR:
        // Flags clear where a 0 is written; only the update flag is modelled.
        if ((lanes & kUpdate) != 0 && (value & kUpdate) == 0) state_.update_flag = false;
        break;
    case EGR: {
        const std::uint32_t bits = value & lanes & kEgrWritable;
        if (bits & ~kUpdate) unmodelled(EGR, bits & ~kUpdate, "capture/compare or trigger generation");
        if (bits & kUpdate) generate_update();
        break;
    }
    case CCMR1: write_ccmr1(merge(ccmr1_, value, lanes) & k16); resync_inputs(); break;
    case CCMR2:
        ccmr2_ = merge(ccmr2_, value, lanes) & k16;
        check_channels();
        break;
    case CCER:
        ccer_ = merge(ccer_, value, lanes) & kCcerWritable;
        check_channels();
        resync_inputs();
        break;
    case CNT: state_.count.value = merge(state_.count.value, value, lanes) & k16; break;
    case PSC: psc_ = merge(psc_, value, lanes) & k16; break;  // always preloaded
    case ARR:
        arr_ = merge(arr_, value, lanes) & k16;
        if ((cr1_ & kArrPreload) == 0) state_.arr = arr_;
        break;
    case CCR1: case CCR3: case CCR4: {
        std::uint32_t& ccr = ccr_[(offset - CCR1) / 4];
        ccr = merge(ccr, value, lanes) & k16;
        break;
    }
    case CCR2:
        ccr_[1] = merge(ccr_[1], value, lanes) & k16;
        if ((ccmr1_ & kOc2Preload) == 0) state_.ccr2 = ccr_[1];
        break;
    case DCR: dcr_ = merge(dcr_, value, lanes) & 0x1F1Fu; break;
    case RCR: case BDTR: case OR:
        throw SimError(where(offset) + ": " + name_ + " has no such register (written " + hex32(value) + ")");
    case DMAR: throw SimError(where(offset) + ": DMA bursts are not modelled (written " + hex32(value) + ")");
    default: throw SimError(name_ + " at offset " + hex32(offset) + ": no register there (written " + hex32(value) + ")");
    }
    update_interrupt();
}

}  // namespace sim
