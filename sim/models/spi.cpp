#include "spi.h"

#include <algorithm>
#include <cstdio>

#include "core/sim_error.h"

namespace sim {

namespace {

// CR1 bits beyond the ones named in the header.
constexpr std::uint32_t kReceiveOnly = 1u << 10;
constexpr std::uint32_t kSixteenBitFrames = 1u << 11;
constexpr std::uint32_t kCrcNext = 1u << 12;
constexpr std::uint32_t kCrcEnable = 1u << 13;
constexpr std::uint32_t kBidirectional = 1u << 15;
constexpr std::uint32_t kCr1UnmodelledWhenEnabled =
    kReceiveOnly | kSixteenBitFrames | kCrcNext | kCrcEnable | kBidirectional;

// CR2: DMA, slave select output, TI frame format and the three interrupt
// enables. None of them would do anything here, so none may be set.
constexpr std::uint32_t kCr2Writable = 0x00F7u;

// I2SCFGR: I2S mode and I2S enable.
constexpr std::uint32_t kI2sUnmodelled = 0x0C00u;
constexpr std::uint32_t kI2sCfgWritable = 0x0FBFu;
constexpr std::uint32_t kI2sPrWritable = 0x03FFu;

constexpr std::uint32_t kResetCrcPolynomial = 0x0007u;
constexpr std::uint32_t kResetI2sPrescaler = 0x0002u;

constexpr std::uint8_t reversed(std::uint8_t byte)
{
    std::uint8_t out = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (byte & (1u << bit)) out = static_cast<std::uint8_t>(out | (0x80u >> bit));
    return out;
}

std::string byte_text(std::uint8_t byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", unsigned{byte});
    return text;
}

}  // namespace

Spi::Spi(std::string name, VirtualClock& clock) : name_(std::move(name)), clock_(clock), interrupt_(name_)
{
    Spi::reset();
}

void Spi::reset()
{
    interrupt_.reset();
    cr1_ = cr2_ = i2scfgr_ = 0;
    crcpr_ = kResetCrcPolynomial;
    i2spr_ = kResetI2sPrescaler;
    mode_fault_ = mode_fault_seen_ = false;
    rx_data_ = 0;
    rx_full_ = overrun_ = overrun_data_read_ = false;
    flying_ = 0;
}

std::string Spi::where(std::uint32_t offset) const { return name_ + " at offset " + hex32(offset); }

Nanoseconds Spi::byte_time() const
{
    if (bus_hz_ == 0) throw SimError(name_ + ": a byte to send while its bus clock is 0 Hz");
    const std::uint64_t divider = 2u << ((cr1_ & kBaudRateMask) >> kBaudRateShift);
    return time_of_ticks(8 * divider, bus_hz_);
}

Spi::Received Spi::received_by(Nanoseconds t) const
{
    Received r{rx_data_, rx_full_, overrun_, 0};
    for (; r.landed < flying_ && in_flight_[r.landed].end <= t; ++r.landed) {
        if (r.full) {
            r.overrun = true;  // the byte already waiting stays; this one is lost
        } else {
            r.data = in_flight_[r.landed].reply;
            r.full = true;
        }
    }
    return r;
}

void Spi::settle()
{
    const Received r = received_by(clock_.now());
    rx_data_ = r.data;
    rx_full_ = r.full;
    overrun_ = r.overrun;
    std::copy(in_flight_.begin() + static_cast<std::ptrdiff_t>(r.landed),
              in_flight_.begin() + static_cast<std::ptrdiff_t>(flying_), in_flight_.begin());
    flying_ -= r.landed;
}

std::uint32_t Spi::status() const
{
    const Nanoseconds now = clock_.now();
    const Received r = received_by(now);
    bool waiting = false, busy = false;
    for (std::size_t i = r.landed; i < flying_; ++i) {
        waiting = waiting || in_flight_[i].start > now;
        busy = true;
    }
    std::uint32_t sr = 0;
    if (r.full) sr |= kRxNotEmpty;
    if (!waiting) sr |= kTxEmpty;
    if (mode_fault_) sr |= kModeFault;
    if (r.overrun) sr |= kOverrun;
    if (busy) sr |= kBusy;
    return sr;
}

Nanoseconds Spi::quiet_until(std::uint32_t offset) const
{
    if (offset != SR && offset != DR) return kNever;
    const Nanoseconds now = clock_.now();
    Nanoseconds next = kNever;
    for (std::size_t i = 0; i < flying_; ++i) {
        const Transfer& t = in_flight_[i];
        if (t.start > now) next = std::min(next, t.start);
        if (t.end > now) next = std::min(next, t.end);
    }
    return next;
}

void Spi::write_data(std::uint8_t byte)
{
    if ((cr1_ & (kEnable | kMaster)) != (kEnable | kMaster))
        throw SimError(name_ + ": DR written (" + byte_text(byte) + ") while " +
                       (mode_fault_ ? "a mode fault holds it disabled" : "it is disabled (CR1.SPE clear)"));
    settle();
    if (flying_ == in_flight_.size())
        throw SimError(name_ + ": DR written (" + byte_text(byte) +
                       ") while TXE is clear: the byte waiting to be sent would be lost");
    if (!wires_) throw SimError(name_ + ": byte " + byte_text(byte) + " sent on a bus the board wires to nothing");
    const Nanoseconds start = flying_ > 0 ? in_flight_[flying_ - 1].end : clock_.now();
    const Nanoseconds end = start + byte_time();
    // The devices shift most significant bit first: sent the other way round,
    // each side sees the other's byte mirrored.
    const bool lsb_first = (cr1_ & kLsbFirst) != 0;
    const std::uint8_t reply = wires_(lsb_first ? reversed(byte) : byte, end);
    in_flight_[flying_++] = Transfer{lsb_first ? reversed(reply) : reply, start, end};
    ++bytes_moved_;
}

void Spi::check_enabled_setup(std::uint32_t cr1) const
{
    const std::string value = " (CR1 " + hex32(cr1) + ")";
    if (!(cr1 & kMaster)) throw SimError(name_ + ": enabled as a slave" + value + ", which is not modelled");
    if (!(cr1 & kSoftwareSlaveSelect))
        throw SimError(name_ + ": enabled with the hardware slave select" + value + ", which is not modelled");
    if (cr1 & kCr1UnmodelledWhenEnabled)
        throw SimError(name_ + ": enabled with bits " + hex32(cr1 & kCr1UnmodelledWhenEnabled) + value +
                       " (16-bit frames, receive-only, bidirectional or CRC), which are not modelled");
}

void Spi::write_control1(std::uint32_t next)
{
    settle();
    if (flying_ > 0 && next != cr1_)
        throw SimError(name_ + ": CR1 changed from " + hex32(cr1_) + " to " + hex32(next) +
                       " while a byte is still on the wires (BSY set)");
    if (mode_fault_ && mode_fault_seen_) mode_fault_ = mode_fault_seen_ = false;
    // While the fault stands, the interface cannot be made a master or enabled.
    if (mode_fault_) next &= ~(kMaster | kEnable);
    if (next & kEnable) {
        const bool slave_select_low = (next & kSoftwareSlaveSelect) && !(next & kInternalSlaveSelect);
        if ((next & kMaster) && slave_select_low) {
            mode_fault_ = true;
            mode_fault_seen_ = false;
            next &= ~(kMaster | kEnable);
        } else {
            check_enabled_setup(next);
        }
    }
    cr1_ = next;
}

std::uint32_t Spi::register_value(std::uint32_t offset) const
{
    switch (offset) {
    case CR1: return cr1_;
    case CR2: return cr2_;
    case SR: return status();
    case DR: return received_by(clock_.now()).data;
    case CRCPR: return crcpr_;
    case RXCRCR:
    case TXCRCR: return 0;  // CRC is never enabled
    case I2SCFGR: return i2scfgr_;
    case I2SPR: return i2spr_;
    default: throw SimError(where(offset) + ": no register there");
    }
}

std::uint32_t Spi::peek(std::uint32_t offset) const { return register_value(offset); }

std::uint32_t Spi::read_word(std::uint32_t offset)
{
    if (offset != SR && offset != DR) return register_value(offset);
    settle();
    const std::uint32_t value = register_value(offset);
    if (offset == DR) {
        rx_full_ = false;
        overrun_data_read_ = overrun_;
    } else {
        // The chip's sequences: DR then SR read clears OVR; an SR access then
        // a CR1 write clears MODF.
        if (overrun_data_read_) overrun_ = false;
        overrun_data_read_ = false;
        mode_fault_seen_ = mode_fault_;
    }
    return value;
}

void Spi::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case CR1: write_control1(merge(cr1_, value, lanes) & 0xFFFFu); break;
    case CR2: {
        const std::uint32_t next = merge(cr2_, value, lanes) & kCr2Writable;
        if (next != 0)
            throw SimError(where(offset) + ": CR2 bits " + hex32(next) +
                           " (DMA, slave select output, TI frames or interrupts) are not modelled");
        cr2_ = next;
        break;
    }
    case SR:
        // Only CRCERR is writable, and CRC is never on; the access still
        // counts in the sequence that clears a mode fault.
        mode_fault_seen_ = mode_fault_;
        break;
    case DR:
        if (!(lanes & 0xFFu)) throw SimError(where(offset) + ": write misses the data byte");
        write_data(static_cast<std::uint8_t>(value & 0xFFu));
        break;
    case CRCPR: crcpr_ = merge(crcpr_, value, lanes) & 0xFFFFu; break;
    case RXCRCR:
    case TXCRCR:
        throw SimError(where(offset) + ": the CRC registers are read-only (written " + hex32(value) + ")");
    case I2SCFGR: {
        const std::uint32_t next = merge(i2scfgr_, value, lanes) & kI2sCfgWritable;
        if (next & kI2sUnmodelled)
            throw SimError(where(offset) + ": I2S mode (I2SCFGR " + hex32(next) + ") is not modelled");
        i2scfgr_ = next;
        break;
    }
    case I2SPR: i2spr_ = merge(i2spr_, value, lanes) & kI2sPrWritable; break;
    default: throw SimError(where(offset) + ": no register there (written " + hex32(value) + ")");
    }
}

}  // namespace sim
