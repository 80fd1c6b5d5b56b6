// Reset and clock control: oscillators with their start-up times, the main
// PLL, the system clock switch, the bus prescalers and the peripheral clock
// enables that gate the other models on the bus.
#ifndef SIM_MODELS_RCC_H
#define SIM_MODELS_RCC_H

#include <array>
#include <cstdint>
#include <functional>

#include "core/peripheral.h"
#include "core/virtual_clock.h"

namespace sim {

class Rcc : public WordPeripheral {
public:
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

    // The limits of the chip's main PLL: what the oscillator can run at.
    static constexpr std::uint64_t kVcoMinHz = 64000000u, kVcoMaxHz = 432000000u;
    static constexpr std::uint64_t kSysclkMaxHz = 120000000u;

    // The buses whose enable and reset registers gate the peripherals.
    enum class PeripheralBus { Ahb1, Ahb2, Ahb3, Apb1, Apb2 };
    using ClockListener = std::function<void()>;
    using ResetListener = std::function<void(PeripheralBus bus, unsigned bit)>;

    explicit Rcc(VirtualClock& clock);

    void reset() override;

    // The crystal is part of the board, not of the chip: kept over resets.
    // Withholding it stops a start-up in progress; a running oscillator only
    // notices at its next start.
    void set_crystal_present(bool present);
    bool crystal_present() const { return crystal_present_; }

    // Frequencies of the clock tree as it actually runs now (worked out
    // whenever the tree changes, not at each look).
    std::uint32_t sysclk_hz() const { return sysclk_hz_; }
    std::uint32_t hclk_hz() const { return hclk_hz_; }
    std::uint32_t pclk1_hz() const { return pclk1_hz_; }
    std::uint32_t pclk2_hz() const { return pclk2_hz_; }
    // Hears every change of those frequencies.
    void set_clock_listener(ClockListener listener) { clock_listener_ = std::move(listener); }

    // The enable register of a bus, for the gates of the bus's peripherals.
    const std::uint32_t* enable_register(PeripheralBus bus) const;
    static std::uint32_t enable_offset(PeripheralBus bus);
    static std::uint32_t reset_offset(PeripheralBus bus);
    // Hears each bit of a reset register written from 0 to 1: that
    // peripheral is reset.
    void set_reset_listener(ResetListener listener) { reset_listener_ = std::move(listener); }

    std::uint32_t peek(std::uint32_t offset) const;

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
    void write_reset(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes);

    // Brings the ready flags, PLL lock and clock switch in line with the
    // enables, after any change of either.
    void settle();
    bool pll_source_ready() const;
    std::uint64_t pll_output_hz() const;
    void check_pll_configuration() const;
    std::uint32_t system_source() const;  // SWS as 0 (HSI), 1 (HSE), 2 (PLL)
    void recompute_clocks();
    void hse_started();
    void pll_locked();
    void plli2s_locked();

    VirtualClock& clock_;
    std::array<std::uint32_t, kSize / 4> regs_{};
    bool crystal_present_ = true;
    Event hse_event_ = Event::of<&Rcc::hse_started>(this);
    Event pll_event_ = Event::of<&Rcc::pll_locked>(this);
    Event plli2s_event_ = Event::of<&Rcc::plli2s_locked>(this);
    std::uint32_t sysclk_hz_ = kHsiHz, hclk_hz_ = kHsiHz, pclk1_hz_ = kHsiHz, pclk2_hz_ = kHsiHz;
    ClockListener clock_listener_;
    ResetListener reset_listener_;
};

}  // namespace sim

#endif
