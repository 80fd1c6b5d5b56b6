#include "exti.h"

#include <bit>
#include <string>

#include "core/sim_error.h"

namespace sim {

namespace {
std::string at(std::uint32_t offset) { return "EXTI at offset " + hex32(offset); }
}  // namespace

Exti::Exti()
    : interrupts_{InterruptLine{"EXTI0"},   InterruptLine{"EXTI1"},     InterruptLine{"EXTI2"},
                  InterruptLine{"EXTI3"},   InterruptLine{"EXTI4"},     InterruptLine{"EXTI9_5"},
                  InterruptLine{"EXTI15_10"}}
{
}

void Exti::reset()
{
    imr_ = emr_ = rtsr_ = ftsr_ = swier_ = pr_ = 0;
    events_ = 0;
    for (InterruptLine& line : interrupts_) {
        line.clear();
        line.reset();
    }
}

std::uint32_t Exti::line_bit(int line, const char* what)
{
    if (line < 0 || line >= kLines)
        throw SimError(std::string("EXTI: ") + what + " of line " + std::to_string(line) + " (0..22)");
    return 1u << line;
}

void Exti::set_input(int line, bool high)
{
    const std::uint32_t bit = line_bit(line, "input");
    if (((inputs_ & bit) != 0) == high) return;  // no edge
    inputs_ ^= bit;
    if ((high ? rtsr_ : ftsr_) & bit) request(bit);
}

bool Exti::input(int line) const { return (inputs_ & line_bit(line, "input")) != 0; }

InterruptLine& Exti::interrupt(std::size_t n)
{
    if (n >= kInterruptLines) throw SimError("EXTI: no interrupt line " + std::to_string(n) + " (0..6)");
    return interrupts_[n];
}

void Exti::request(std::uint32_t lines)
{
    pr_ |= lines & imr_;
    events_ += static_cast<std::uint64_t>(std::popcount(lines & emr_));
    update_interrupts();
}

void Exti::update_interrupts()
{
    const std::uint32_t requests = pr_ & imr_;
    for (std::size_t n = 0; n < kInterruptLines; ++n) interrupts_[n].set((requests & kInterruptGroups[n]) != 0);
}

std::uint32_t Exti::peek(std::uint32_t offset) const
{
    switch (offset) {
    case IMR: return imr_;
    case EMR: return emr_;
    case RTSR: return rtsr_;
    case FTSR: return ftsr_;
    case SWIER: return swier_;
    case PR: return pr_;
    default: throw SimError(at(offset) + ": no register there");
    }
}

std::uint32_t Exti::read_word(std::uint32_t offset) { return peek(offset); }

void Exti::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    // Bits above line 22 are reserved: they read 0 whatever is written.
    const std::uint32_t written = value & lanes & kLineMask;
    switch (offset) {
    case IMR:
        imr_ = merge(imr_, value, lanes) & kLineMask;
        update_interrupts();
        break;
    case EMR: emr_ = merge(emr_, value, lanes) & kLineMask; break;
    case RTSR: rtsr_ = merge(rtsr_, value, lanes) & kLineMask; break;
    case FTSR: ftsr_ = merge(ftsr_, value, lanes) & kLineMask; break;
    case SWIER: {
        // Only a bit going from 0 to 1 requests; it stays set until its PR
        // bit is cleared, so writing it again requests nothing more.
        const std::uint32_t rising = written & ~swier_;
        swier_ |= rising;
        request(rising);
        break;
    }
    case PR:
        pr_ &= ~written;
        swier_ &= ~written;
        update_interrupts();
        break;
    default: throw SimError(at(offset) + ": no register there (written " + hex32(value) + ")");
    }
}

}  // namespace sim
