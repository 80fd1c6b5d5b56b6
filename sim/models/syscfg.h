// The system configuration controller (SYSCFG): memory remap, the Ethernet
// media interface select, the I/O compensation cell, and the sixteen port
// multiplexers that give EXTI lines 0 to 15 their inputs: line n is pin n of
// the port its EXTICR field names.
//
// A multiplexer is plain logic: its output is the selected pin's level at
// every moment. So a change of routing between pins at different levels is
// an edge at the line's input, as any other; the firmware routes a line
// before it selects the line's triggers, and such an edge then finds none.
// A reset routes every line back to port A, with the same consequence.
//
// The compensation cell is ready kCellStartup after it is enabled (the chip
// gives no figure; its ready flag is what software waits for) and drops
// ready at once when it is disabled.
#ifndef SIM_MODELS_SYSCFG_H
#define SIM_MODELS_SYSCFG_H

#include <array>
#include <cstdint>
#include <functional>

#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class Syscfg : public WordPeripheral {
public:
    // Register offsets; EXTICR1..4 hold the fields of lines 0-3, 4-7, 8-11, 12-15.
    static constexpr std::uint32_t MEMRMP = 0x00, PMC = 0x04, EXTICR1 = 0x08, CMPCR = 0x20;
    static constexpr std::uint32_t EXTICR(int n) { return EXTICR1 + 4u * static_cast<std::uint32_t>(n); }

    static constexpr int kPorts = 9;  // A .. I, the EXTICR codes 0 .. 8
    static constexpr int kRoutedLines = 16;

    static constexpr std::uint32_t kCellEnable = 1u << 0, kCellReady = 1u << 8;
    static constexpr Nanoseconds kCellStartup = 10000u;

    // The level of pin `pin` of port `port` (0 = A), and the input of an EXTI line.
    using PinLevel = std::function<bool(int port, int pin)>;
    using LineInput = std::function<void(int line, bool high)>;

    explicit Syscfg(VirtualClock& clock);

    void reset() override;

    // The chip's wiring: where the pin levels come from and where each
    // line's level goes. Presents every line's level at once.
    void connect_lines(PinLevel pin_level, LineInput line_input);
    // A pin changed level: passed on if its line is routed to that port.
    void pin_changed(int port, int pin, bool high);
    int routed_port(int line) const;

    std::uint32_t peek(std::uint32_t offset) const;
    // Until the compensation cell is ready, CMPCR changes only then.
    Nanoseconds quiet_until(std::uint32_t offset) const override;

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    void write_exticr(int index, std::uint32_t value, std::uint32_t lanes);
    void present(int line);
    void write_cmpcr(std::uint32_t value, std::uint32_t lanes);
    void cell_ready();

    VirtualClock& clock_;
    PinLevel pin_level_;
    LineInput line_input_;
    std::uint32_t memrmp_ = 0, pmc_ = 0, cmpcr_ = 0;
    std::array<std::uint32_t, 4> exticr_{};
    Event ready_event_ = Event::of<&Syscfg::cell_ready>(this);
};

}  // namespace sim

#endif
