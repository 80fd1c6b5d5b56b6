// Reset and clock control: oscillators with their start-up times, the main
// PLL, the system clock switch, the bus prescalers and the peripheral clock
// enables that gate the other models on the bus.
#ifndef SIM_MODELS_RCC_H
#define SIM_MODELS_RCC_H

#include <array>
#include <cstdint>

#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class Rcc : public WordPeripheral {
public:
    static constexpr std::uint32_t kBase = 0x40023800u;
    static constexpr std::uint32_t kSize = 0x400u;

    static constexpr std::uint32_t kHsiHz = 16000000u;
    static constexpr std::uint32_t kHseHz = 25000000u;  // the board's crystal
    static constexpr Nanoseconds kHseStartup = 50000u;
    static constexpr Nanoseconds kPllLock = 100000u;

    // Register offsets.
    static constexpr std::uint32_t CR = 0x00, PLLCFGR = 0x04, CFGR = 0x08, CIR = 0x0C;
    static constexpr std::uint32_t AHB1RSTR = 0x10, AHB2RSTR = 0x14, AHB3RSTR = 0x18;
    static constexpr std::uint32_t APB1RSTR = 0x20, APB2RSTR = 0x24;
    static constexpr std::uint32_t AHB1ENR = 0x30, AHB2ENR = 0x34, AHB3ENR = 0x38;
    static constexpr std::uint32_t APB1ENR = 0x40, APB2ENR = 0x44;
    static constexpr std::uint32_t AHB1LPENR = 0x50, AHB2LPENR = 0x54, AHB3LPENR = 0x58;
    static constexpr std::uint32_t APB1LPENR = 0x60, APB2LPENR = 0x64;
    static constexpr std::uint32_t BDCR = 0x70, CSR = 0x74, SSCGR = 0x80, PLLI2SCFGR = 0x84;

    explicit Rcc(VirtualClock& clock);

    void reset() override;

    // The crystal is part of the board, not of the chip: kept over resets.
    // Withholding it stops a start-up in progress; a running oscillator only
    // notices at its next start.
    void set_crystal_present(bool present);
    bool crystal_present() const { return crystal_present_; }

    // Frequencies of the clock tree as it actually runs now.
    std::uint32_t sysclk_hz() const;
    std::uint32_t hclk_hz() const;
    std::uint32_t pclk1_hz() const;
    std::uint32_t pclk2_hz() const;

    // True when every bit of mask is set in the enable register.
    bool ahb1_enabled(std::uint32_t mask) const { return (reg(AHB1ENR) & mask) == mask; }
    bool apb1_enabled(std::uint32_t mask) const { return (reg(APB1ENR) & mask) == mask; }
    bool apb2_enabled(std::uint32_t mask) const { return (reg(APB2ENR) & mask) == mask; }

    std::uint32_t peek(std::uint32_t offset) const;
    std::uint64_t cr_reads() const { return cr_reads_; }

protected:
    std::uint32_t read_word(std::uint32_t offset) override;
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override;

private:
    std::uint32_t reg(std::uint32_t offset) const { return regs_[offset / 4]; }
    std::uint32_t& reg(std::uint32_t offset) { return regs_[offset / 4]; }

    void write_cr(std::uint32_t value, std::uint32_t lanes);
    void write_cfgr(std::uint32_t value, std::uint32_t lanes);
    void write_cir(std::uint32_t value, std::uint32_t lanes);
    void write_pllcfgr(std::uint32_t value, std::uint32_t lanes);

    // Brings the ready flags, PLL lock and clock switch in line with the
    // enables, after any change of either.
    void settle();
    bool pll_source_ready() const;
    std::uint32_t pll_output_hz() const;
    std::uint32_t system_source() const;  // SWS as 0 (HSI), 1 (HSE), 2 (PLL)
    void cancel(VirtualClock::EventId& event);

    VirtualClock& clock_;
    std::array<std::uint32_t, kSize / 4> regs_{};
    bool crystal_present_ = true;
    std::uint64_t cr_reads_ = 0;
    VirtualClock::EventId hse_event_ = 0;
    VirtualClock::EventId pll_event_ = 0;
    VirtualClock::EventId plli2s_event_ = 0;
};

}  // namespace sim

#endif
