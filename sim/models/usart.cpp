#include "usart.h"

#include <bit>

#include "core/sim_error.h"

namespace sim {

namespace {

// CR1
constexpr std::uint32_t kReceiverOn = 1u << 2;
constexpr std::uint32_t kTransmitterOn = 1u << 3;
constexpr std::uint32_t kParitySelectOdd = 1u << 9;
constexpr std::uint32_t kParityOn = 1u << 10;
constexpr std::uint32_t kNineBits = 1u << 12;
constexpr std::uint32_t kEnable = 1u << 13;
constexpr std::uint32_t kOversampleBy8 = 1u << 15;

constexpr std::uint32_t kCr1Writable = 0xBFFFu;
constexpr std::uint32_t kCr2Writable = 0x7F6Fu;
constexpr std::uint32_t kCr3Writable = 0x0FFFu;

// Features nobody on this board uses; nothing would happen if they were set,
// so setting them is an error rather than a silent no-op.
// CR1: send break and mute (the interrupt sources of RXNE, TC, TXE, IDLE and
// PE are modelled).
constexpr std::uint32_t kCr1Unmodelled = 0x0003u;
// CR2: LIN break interrupt, synchronous clock, LIN mode.
constexpr std::uint32_t kCr2Unmodelled = 0x4840u;
// CR3: error interrupt, IrDA, half duplex, smartcard, DMA, CTS interrupt.
constexpr std::uint32_t kCr3Unmodelled = 0x04EBu;

// SR bits that software clears by writing 0; a 1 leaves them alone.
constexpr std::uint32_t kSrClearedByZero = 0x0360u;
constexpr std::uint32_t kSrErrors = Usart::kParityError | Usart::kFramingError | Usart::kNoise | Usart::kOverrun |
                                    Usart::kIdle;

constexpr std::uint32_t kResetStatus = Usart::kTxComplete | Usart::kTxEmpty;

}  // namespace

Usart::Usart(std::string name, VirtualClock& clock) : name_(std::move(name)), clock_(clock), interrupt_(name_)
{
    Usart::reset();
}

void Usart::reset()
{
    clock_.cancel(tx_event_);
    clock_.cancel(rx_event_);
    if (interrupt_.connected()) interrupt_.clear();
    interrupt_.reset();
    complete_seen_ = false;
    holding_.reset();
    shifter_.reset();
    rx_queue_.clear();
    receive_dropped_ = 0;
    sr_ = kResetStatus;
    brr_ = cr1_ = cr2_ = cr3_ = gtpr_ = 0;
    rx_data_ = 0;
    errors_seen_ = 0;
}

std::string Usart::where(std::uint32_t offset) const { return name_ + " at offset " + hex32(offset); }

std::uint32_t Usart::divider(std::string* why_not) const
{
    const std::uint32_t kernel_hz = kernel_hz_;
    if (kernel_hz == 0) {
        *why_not = "its kernel clock is 0 Hz";
        return 0;
    }
    if (cr1_ & kOversampleBy8) {
        // The fraction has three bits; bit 3 must stay clear.
        if (brr_ & 0x8u) {
            *why_not = "BRR bit 3 is set (" + hex32(brr_) + ") with 8x oversampling";
            return 0;
        }
        if ((brr_ >> 4) == 0) {
            *why_not = "BRR mantissa is 0 (" + hex32(brr_) + ")";
            return 0;
        }
        return (brr_ >> 4) * 8u + (brr_ & 0x7u);
    }
    if (brr_ < 16) {
        *why_not = "BRR is below 16 (" + hex32(brr_) + "): divider under 1";
        return 0;
    }
    return brr_;
}

double Usart::bit_rate() const
{
    std::string why_not;
    const std::uint32_t cycles = divider(&why_not);
    return cycles == 0 ? 0.0 : static_cast<double>(kernel_hz_) / cycles;
}

Nanoseconds Usart::frame_time(const char* purpose) const
{
    std::string why_not;
    const std::uint32_t cycles = divider(&why_not);
    if (cycles == 0) throw SimError(name_ + ": " + purpose + " while " + why_not);
    // Counted in half bits for the 0.5 and 1.5 stop-bit settings.
    static constexpr std::uint64_t kStopHalfBits[4] = {2, 1, 4, 3};
    const std::uint64_t data_bits = (cr1_ & kNineBits) ? 9 : 8;
    const std::uint64_t half_bits = 2 * (1 + data_bits) + kStopHalfBits[(cr2_ >> 12) & 3u];
    return time_of_ticks(half_bits * cycles, 2ull * kernel_hz_);
}

std::uint16_t Usart::on_line(std::uint16_t data) const
{
    if (!(cr1_ & kParityOn)) return static_cast<std::uint16_t>(data & ((cr1_ & kNineBits) ? 0x1FFu : 0xFFu));
    // The parity bit takes the place of the word's top bit.
    const unsigned top = (cr1_ & kNineBits) ? 8 : 7;
    const std::uint32_t payload = data & ((1u << top) - 1u);
    bool parity = (std::popcount(payload) & 1) != 0;
    if (cr1_ & kParitySelectOdd) parity = !parity;
    return static_cast<std::uint16_t>(payload | (static_cast<std::uint32_t>(parity) << top));
}

void Usart::write_data(std::uint16_t value)
{
    if ((cr1_ & (kEnable | kTransmitterOn)) != (kEnable | kTransmitterOn))
        throw SimError(name_ + ": DR written (" + hex32(value) + ") with the " +
                       ((cr1_ & kEnable) ? "transmitter (CR1.TE)" : "USART (CR1.UE)") + " off");
    if (holding_)
        throw SimError(name_ + ": DR written (" + hex32(value) +
                       ") while TXE is clear: the waiting character would be lost");
    const Frame frame{on_line(value), frame_time("DR written")};
    // TC clears only by the chip's sequence: an SR read that showed it, then this write.
    if (complete_seen_) sr_ &= ~kTxComplete;
    complete_seen_ = false;
    if (!shifter_) {
        start_shifting(frame);
    } else {
        holding_ = frame;
        sr_ &= ~kTxEmpty;
    }
}

void Usart::start_shifting(Frame frame)
{
    shifter_ = frame;
    clock_.schedule_in(tx_event_, frame.duration);
    update_interrupt();
}

void Usart::finish_frame()
{
    const std::uint16_t word = shifter_->line_word;
    shifter_.reset();
    if (holding_ && (cr1_ & (kEnable | kTransmitterOn)) == (kEnable | kTransmitterOn)) {
        const Frame next = *holding_;
        holding_.reset();
        sr_ |= kTxEmpty;
        start_shifting(next);
    } else if (!holding_) {
        sr_ |= kTxComplete;
    }
    update_interrupt();
    if (line_listener_) line_listener_(word);
}

void Usart::update_interrupt()
{
    if (!interrupt_.connected()) return;
    const bool asserted = ((cr1_ & kTxEmptyInterrupt) && (sr_ & kTxEmpty)) ||
                          ((cr1_ & kTxCompleteInterrupt) && (sr_ & kTxComplete)) ||
                          ((cr1_ & kRxInterrupt) && (sr_ & (kRxNotEmpty | kOverrun))) ||
                          ((cr1_ & kIdleInterrupt) && (sr_ & kIdle)) ||
                          ((cr1_ & kParityInterrupt) && (sr_ & kParityError));
    interrupt_.set(asserted);
}

void Usart::receive(const std::vector<std::uint8_t>& bytes)
{
    if (bytes.empty()) return;
    if ((cr1_ & (kEnable | kReceiverOn)) != (kEnable | kReceiverOn))
        throw SimError(name_ + ": bytes sent to it with the " +
                       ((cr1_ & kEnable) ? "receiver (CR1.RE)" : "USART (CR1.UE)") + " off");
    const Nanoseconds duration = frame_time("bytes sent to it");
    for (std::uint8_t b : bytes) rx_queue_.push_back(Frame{b, duration});
    if (!rx_event_.scheduled()) clock_.schedule_in(rx_event_, rx_queue_.front().duration);
}

void Usart::land_received()
{
    const Frame frame = rx_queue_.front();
    rx_queue_.pop_front();
    if ((cr1_ & (kEnable | kReceiverOn)) != (kEnable | kReceiverOn)) {
        ++receive_dropped_;
    } else if (sr_ & kRxNotEmpty) {
        sr_ |= kOverrun;  // the earlier character stays, this one is lost
    } else {
        rx_data_ = frame.line_word;
        sr_ |= kRxNotEmpty;
    }
    update_interrupt();
    if (!rx_queue_.empty()) clock_.schedule_in(rx_event_, rx_queue_.front().duration);
}

std::uint32_t Usart::register_value(std::uint32_t offset) const
{
    switch (offset) {
    case SR: return sr_;
    case DR: return rx_data_ & ((cr1_ & kNineBits) ? 0x1FFu : 0xFFu);
    case BRR: return brr_;
    case CR1: return cr1_;
    case CR2: return cr2_;
    case CR3: return cr3_;
    case GTPR: return gtpr_;
    default: throw SimError(where(offset) + ": no register there");
    }
}

std::uint32_t Usart::peek(std::uint32_t offset) const { return register_value(offset); }

std::uint32_t Usart::read_word(std::uint32_t offset)
{
    const std::uint32_t value = register_value(offset);
    if (offset == SR) {
        errors_seen_ = sr_ & kSrErrors;
        complete_seen_ = (sr_ & kTxComplete) != 0;
    } else if (offset == DR) {
        // Reading the data acknowledges it, and ends the SR-then-DR sequence
        // that clears the error flags.
        sr_ &= ~(kRxNotEmpty | errors_seen_);
        errors_seen_ = 0;
        update_interrupt();
    }
    return value;
}

void Usart::check_controls(std::uint32_t offset, std::uint32_t value) const
{
    const std::uint32_t unmodelled = offset == CR1 ? kCr1Unmodelled : offset == CR2 ? kCr2Unmodelled : kCr3Unmodelled;
    if (value & unmodelled)
        throw SimError(where(offset) + ": bits " + hex32(value & unmodelled) +
                       " select features the virtual board does not model");
}

void Usart::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case SR: {
        const std::uint32_t zeros = ~value & lanes & kSrClearedByZero;
        sr_ &= ~zeros;
        update_interrupt();
        break;
    }
    case DR:
        if (!(lanes & 0xFFu)) throw SimError(where(offset) + ": write misses the data byte");
        write_data(static_cast<std::uint16_t>(value & 0x1FFu));
        break;
    case BRR: brr_ = merge(brr_, value, lanes) & 0xFFFFu; break;
    case CR1: {
        const std::uint32_t next = merge(cr1_, value, lanes) & kCr1Writable;
        check_controls(CR1, next);
        cr1_ = next;
        // A character left waiting while the transmitter was off goes now.
        if (holding_ && !shifter_ && (cr1_ & (kEnable | kTransmitterOn)) == (kEnable | kTransmitterOn)) {
            const Frame waiting = *holding_;
            holding_.reset();
            sr_ |= kTxEmpty;
            start_shifting(waiting);
        }
        update_interrupt();
        break;
    }
    case CR2: {
        const std::uint32_t next = merge(cr2_, value, lanes) & kCr2Writable;
        check_controls(CR2, next);
        cr2_ = next;
        break;
    }
    case CR3: {
        const std::uint32_t next = merge(cr3_, value, lanes) & kCr3Writable;
        check_controls(CR3, next);
        cr3_ = next;
        break;
    }
    case GTPR: gtpr_ = merge(gtpr_, value, lanes) & 0xFFFFu; break;
    default: throw SimError(where(offset) + ": no register there (written " + hex32(value) + ")");
    }
}

}  // namespace sim
