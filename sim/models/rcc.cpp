#include "rcc.h"

#include <string>

#include "core/sim_error.h"

namespace sim {

namespace {

// CR
constexpr std::uint32_t kHsiOn = 1u << 0;
constexpr std::uint32_t kHsiReady = 1u << 1;
constexpr std::uint32_t kHseOn = 1u << 16;
constexpr std::uint32_t kHseReady = 1u << 17;
constexpr std::uint32_t kHseBypass = 1u << 18;
constexpr std::uint32_t kPllOn = 1u << 24;
constexpr std::uint32_t kPllReady = 1u << 25;
constexpr std::uint32_t kPllI2sOn = 1u << 26;
constexpr std::uint32_t kPllI2sReady = 1u << 27;
// HSION, HSITRIM, HSEON, HSEBYP, CSSON, PLLON, PLLI2SON; the ready flags and
// the factory calibration are the hardware's.
constexpr std::uint32_t kCrWritable = 0x050D00F9u;

// PLLCFGR
constexpr std::uint32_t kPllSourceHse = 1u << 22;

// CFGR
constexpr std::uint32_t kSwitch = 0x3u;
constexpr std::uint32_t kSwitchStatus = 0xCu;
constexpr std::uint32_t kCfgrWritable = 0xFFFFFCF3u;

// CIR: ready-interrupt enables (bits 8..13) and flag clears (16..23).
constexpr std::uint32_t kCirEnables = 0x00003F00u;
constexpr std::uint32_t kCirClears = 0x00BF0000u;

constexpr std::uint32_t kSourceHsi = 0, kSourceHse = 1, kSourcePll = 2;

struct ResetValue {
    std::uint32_t offset;
    std::uint32_t value;
};
constexpr ResetValue kResetValues[] = {
    {Rcc::CR, 0x00000083u},         {Rcc::PLLCFGR, 0x24003010u},    {Rcc::AHB1LPENR, 0x7E6791FFu},
    {Rcc::AHB2LPENR, 0x000000F1u},  {Rcc::AHB3LPENR, 0x00000001u},  {Rcc::APB1LPENR, 0x36FEC9FFu},
    {Rcc::APB2LPENR, 0x00075F33u},  {Rcc::CSR, 0x0E000000u},        {Rcc::PLLI2SCFGR, 0x20003000u},
};

}  // namespace

Rcc::Rcc(VirtualClock& clock) : clock_(clock) { Rcc::reset(); }

void Rcc::reset()
{
    clock_.cancel(hse_event_);
    clock_.cancel(pll_event_);
    clock_.cancel(plli2s_event_);
    regs_.fill(0);
    for (const ResetValue& r : kResetValues) reg(r.offset) = r.value;
    recompute_clocks();
}

void Rcc::set_crystal_present(bool present)
{
    crystal_present_ = present;
    if (!present) clock_.cancel(hse_event_);
    settle();
}

std::uint32_t Rcc::enable_offset(PeripheralBus bus)
{
    switch (bus) {
    case PeripheralBus::Ahb1: return AHB1ENR;
    case PeripheralBus::Ahb2: return AHB2ENR;
    case PeripheralBus::Ahb3: return AHB3ENR;
    case PeripheralBus::Apb1: return APB1ENR;
    case PeripheralBus::Apb2: return APB2ENR;
    }
    throw SimError("RCC: no such peripheral bus");
}

std::uint32_t Rcc::reset_offset(PeripheralBus bus)
{
    switch (bus) {
    case PeripheralBus::Ahb1: return AHB1RSTR;
    case PeripheralBus::Ahb2: return AHB2RSTR;
    case PeripheralBus::Ahb3: return AHB3RSTR;
    case PeripheralBus::Apb1: return APB1RSTR;
    case PeripheralBus::Apb2: return APB2RSTR;
    }
    throw SimError("RCC: no such peripheral bus");
}

const std::uint32_t* Rcc::enable_register(PeripheralBus bus) const { return &regs_[enable_offset(bus) / 4]; }

std::uint32_t Rcc::read_word(std::uint32_t offset) { return reg(offset); }

void Rcc::write_reset(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t old = reg(offset);
    reg(offset) = merge(old, value, lanes);
    const std::uint32_t rising = reg(offset) & ~old;
    if (rising == 0 || !reset_listener_) return;
    PeripheralBus bus = PeripheralBus::Ahb1;
    for (PeripheralBus b : {PeripheralBus::Ahb1, PeripheralBus::Ahb2, PeripheralBus::Ahb3, PeripheralBus::Apb1,
                            PeripheralBus::Apb2})
        if (reset_offset(b) == offset) bus = b;
    for (unsigned bit = 0; bit < 32; ++bit)
        if (rising & (1u << bit)) reset_listener_(bus, bit);
}

void Rcc::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case CR: write_cr(value, lanes); break;
    case PLLCFGR: write_pllcfgr(value, lanes); break;
    case CFGR: write_cfgr(value, lanes); break;
    case CIR: write_cir(value, lanes); break;
    case AHB1RSTR:
    case AHB2RSTR:
    case AHB3RSTR:
    case APB1RSTR:
    case APB2RSTR: write_reset(offset, value, lanes); break;
    default: reg(offset) = merge(reg(offset), value, lanes); break;
    }
}

void Rcc::write_cr(std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t old = reg(CR);
    std::uint32_t next = (old & ~kCrWritable) | (merge(old, value, lanes) & kCrWritable);

    // The hardware refuses to stop whatever clocks the system, directly or
    // through the PLL.
    const std::uint32_t source = system_source();
    const bool pll_hse = (reg(PLLCFGR) & kPllSourceHse) != 0;
    if (source == kSourceHsi || (source == kSourcePll && !pll_hse)) next |= kHsiOn;
    if (source == kSourceHse || (source == kSourcePll && pll_hse)) next |= kHseOn;
    if (source == kSourcePll) next |= kPllOn;
    // The bypass can only change while the oscillator is off.
    if (old & kHseOn) next = (next & ~kHseBypass) | (old & kHseBypass);

    if ((next & kPllOn) && !(old & kPllOn)) check_pll_configuration();
    reg(CR) = next;
    settle();
}

void Rcc::write_pllcfgr(std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t next = merge(reg(PLLCFGR), value, lanes);
    if ((reg(CR) & kPllOn) && next != reg(PLLCFGR))
        throw SimError("RCC: PLLCFGR written (" + hex32(next) + ") while the main PLL is on");
    reg(PLLCFGR) = next;
}

void Rcc::write_cfgr(std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t old = reg(CFGR);
    const std::uint32_t next = merge(old, value, lanes);
    if ((next & kSwitch) == 3)
        throw SimError("RCC: CFGR.SW = 3 selects no clock source (written " + hex32(next) + ")");
    reg(CFGR) = (old & ~kCfgrWritable) | (next & kCfgrWritable);
    settle();
    recompute_clocks();
}

void Rcc::write_cir(std::uint32_t value, std::uint32_t lanes)
{
    if (value & lanes & kCirEnables)
        throw SimError("RCC: clock-ready interrupts (CIR " + hex32(value & lanes) + ") are not modelled");
    // Flags (bits 7:0) are cleared by a 1 in the clear bit 16 above them.
    const std::uint32_t clears = (value & lanes & kCirClears) >> 16;
    reg(CIR) &= ~clears;
}

bool Rcc::pll_source_ready() const
{
    const std::uint32_t cr = reg(CR);
    return (reg(PLLCFGR) & kPllSourceHse) ? (cr & kHseReady) != 0 : (cr & kHsiReady) != 0;
}

void Rcc::settle()
{
    std::uint32_t& cr = reg(CR);

    if (cr & kHsiOn)
        cr |= kHsiReady;
    else
        cr &= ~kHsiReady;

    if (!(cr & kHseOn)) {
        cr &= ~kHseReady;
        clock_.cancel(hse_event_);
    } else if (!(cr & kHseReady) && !hse_event_.scheduled() && crystal_present_) {
        clock_.schedule_in(hse_event_, kHseStartup);
    }

    // Both PLLs lock a fixed time after they are on with a running input;
    // losing the input loses the lock.
    struct PllLine {
        std::uint32_t on;
        std::uint32_t ready;
        Event* event;
    };
    for (const PllLine pll : {PllLine{kPllOn, kPllReady, &pll_event_}, PllLine{kPllI2sOn, kPllI2sReady, &plli2s_event_}}) {
        if ((cr & pll.on) && pll_source_ready()) {
            if (!(cr & pll.ready) && !pll.event->scheduled()) clock_.schedule_in(*pll.event, kPllLock);
        } else {
            cr &= ~pll.ready;
            clock_.cancel(*pll.event);
        }
    }

    // The switch happens once the selected source is ready.
    const std::uint32_t wanted = reg(CFGR) & kSwitch;
    const std::uint32_t ready_bit = wanted == kSourceHsi ? kHsiReady : wanted == kSourceHse ? kHseReady : kPllReady;
    if (cr & ready_bit) reg(CFGR) = (reg(CFGR) & ~kSwitchStatus) | (wanted << 2);
    recompute_clocks();
}

void Rcc::hse_started()
{
    if (crystal_present_ && (reg(CR) & kHseOn)) reg(CR) |= kHseReady;
    settle();
}

void Rcc::pll_locked()
{
    reg(CR) |= kPllReady;
    settle();
}

void Rcc::plli2s_locked()
{
    reg(CR) |= kPllI2sReady;
    settle();
}

std::uint32_t Rcc::system_source() const { return (reg(CFGR) & kSwitchStatus) >> 2; }

// The main PLL's P output, exactly: the oscillator runs at input / M * N
// (a real frequency, not an integer division).
std::uint64_t Rcc::pll_output_hz() const
{
    const std::uint32_t cfg = reg(PLLCFGR);
    const std::uint64_t input = (cfg & kPllSourceHse) ? kHseHz : kHsiHz;
    const std::uint64_t m = cfg & 0x3Fu;
    const std::uint64_t n = (cfg >> 6) & 0x1FFu;
    const std::uint64_t p = (static_cast<std::uint64_t>((cfg >> 16) & 0x3u) + 1u) * 2u;
    if (m == 0) return 0;
    return input * n / (m * p);
}

// Switching the PLL on with a divider or multiplier the chip cannot run
// would give no clock or one the core cannot take: the board refuses it
// rather than invent a frequency.
void Rcc::check_pll_configuration() const
{
    const std::uint32_t cfg = reg(PLLCFGR);
    const std::uint64_t input = (cfg & kPllSourceHse) ? kHseHz : kHsiHz;
    const std::uint64_t m = cfg & 0x3Fu;
    const std::uint64_t n = (cfg >> 6) & 0x1FFu;
    const std::uint64_t vco = m == 0 ? 0 : input * n / m;
    std::string why;
    if (m < 2)
        why = "PLLM = " + std::to_string(m) + " (2..63)";
    else if (vco < kVcoMinHz || vco > kVcoMaxHz)
        why = "a VCO of " + std::to_string(vco) + " Hz (64..432 MHz)";
    else if (pll_output_hz() > kSysclkMaxHz)
        why = "a system clock of " + std::to_string(pll_output_hz()) + " Hz (at most 120 MHz)";
    if (!why.empty())
        throw SimError("RCC: main PLL switched on with PLLCFGR " + hex32(cfg) + ", which gives " + why);
}

void Rcc::recompute_clocks()
{
    std::uint64_t sysclk = kHsiHz;
    switch (system_source()) {
    case kSourceHse: sysclk = kHseHz; break;
    case kSourcePll: sysclk = pll_output_hz(); break;
    default: break;
    }
    static constexpr unsigned kAhbShift[8] = {1, 2, 3, 4, 6, 7, 8, 9};
    const std::uint32_t ahb = (reg(CFGR) >> 4) & 0xFu;
    const std::uint64_t hclk = ahb < 8 ? sysclk : sysclk >> kAhbShift[ahb - 8];
    auto apb = [hclk](std::uint32_t field) { return field < 4 ? hclk : hclk >> (field - 3); };
    const std::uint64_t pclk1 = apb((reg(CFGR) >> 10) & 0x7u);
    const std::uint64_t pclk2 = apb((reg(CFGR) >> 13) & 0x7u);
    const bool changed = sysclk != sysclk_hz_ || hclk != hclk_hz_ || pclk1 != pclk1_hz_ || pclk2 != pclk2_hz_;
    sysclk_hz_ = static_cast<std::uint32_t>(sysclk);
    hclk_hz_ = static_cast<std::uint32_t>(hclk);
    pclk1_hz_ = static_cast<std::uint32_t>(pclk1);
    pclk2_hz_ = static_cast<std::uint32_t>(pclk2);
    if (changed && clock_listener_) clock_listener_();
}

std::uint32_t Rcc::peek(std::uint32_t offset) const
{
    if (offset >= kSize || offset % 4 != 0) throw SimError("RCC: peek at bad offset " + hex32(offset));
    return reg(offset);
}

}  // namespace sim
