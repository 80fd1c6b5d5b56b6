// The external interrupt/event controller (EXTI): 23 lines, each with an
// edge detector on its input, rising and falling trigger selection, a
// software trigger, an interrupt mask with its pending bit and an event
// mask. Lines 0 to 15 take their input from SYSCFG's port multiplexers.
//
// A request (a selected edge, or a software trigger) takes the two paths of
// the chip's block diagram: through the interrupt mask into PR, and through
// the event mask to the core's event input. So an edge on a line masked in
// IMR leaves no pending bit, and unmasking the line later raises nothing for
// that edge; an event-mode line (EMR only) sends an event pulse and pends
// nothing. A pending bit stays until software writes 1 to it, masked or not.
//
// The interrupt lines to the NVIC are levels: each is asserted while any of
// its EXTI lines is pending and unmasked, so a handler that returns without
// clearing PR is entered again.
#ifndef SIM_MODELS_EXTI_H
#define SIM_MODELS_EXTI_H

#include <array>
#include <cstdint>

#include "core/interrupt_line.h"
#include "core/peripheral.h"

namespace sim {

class Exti : public WordPeripheral {
public:
    // Register offsets.
    static constexpr std::uint32_t IMR = 0x00, EMR = 0x04, RTSR = 0x08, FTSR = 0x0C, SWIER = 0x10, PR = 0x14;

    static constexpr int kLines = 23;
    static constexpr std::uint32_t kLineMask = 0x007FFFFFu;

    // EXTI0..EXTI4, EXTI9_5, EXTI15_10, in the order of the wiring's interrupt
    // slots. Lines 16 to 22 (PVD, RTC, USB and Ethernet wake-up) have their
    // pending bits but no interrupt line here: their sources are not modelled.
    static constexpr std::size_t kInterruptLines = 7;
    static constexpr std::array<std::uint32_t, kInterruptLines> kInterruptGroups = {
        0x0001u, 0x0002u, 0x0004u, 0x0008u, 0x0010u, 0x03E0u, 0xFC00u};

    Exti();

    // Registers cleared and interrupt lines released. The inputs keep their
    // levels: they are what the pins and SYSCFG present, not EXTI state.
    void reset() override;

    // The level at a line's input changed (or was presented again).
    void set_input(int line, bool high);
    bool input(int line) const;

    // Event pulses sent to the core since the last reset.
    std::uint64_t events() const { return events_; }

    InterruptLine& interrupt(std::size_t n);
    InterruptLine* interrupt_line(std::size_t n) override { return n < kInterruptLines ? &interrupts_[n] : nullptr; }

    std::uint32_t peek(std::uint32_t offset) const;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    static std::uint32_t line_bit(int line, const char* what);
    void request(std::uint32_t lines);
    void update_interrupts();

    std::uint32_t imr_ = 0, emr_ = 0, rtsr_ = 0, ftsr_ = 0, swier_ = 0, pr_ = 0;
    std::uint32_t inputs_ = 0;
    std::uint64_t events_ = 0;
    std::array<InterruptLine, kInterruptLines> interrupts_;
};

}  // namespace sim

#endif
