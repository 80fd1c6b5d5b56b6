#include "system_control_block.h"

#include "core/sim_error.h"

namespace sim {

namespace {
constexpr std::uint32_t CPUID = 0x00, ICSR = 0x04, VTOR = 0x08, AIRCR = 0x0C, SCR = 0x10, CCR = 0x14;
constexpr std::uint32_t SHPR1 = 0x18, SHPR3 = 0x20, SHCSR = 0x24, CFSR = 0x28, HFSR = 0x2C, DFSR = 0x30;
constexpr std::uint32_t MMFAR = 0x34, BFAR = 0x38, AFSR = 0x3C;

constexpr std::uint32_t CPUID_CORTEX_M3_R2P0 = 0x412FC230u;
constexpr std::uint32_t CCR_RESET = 0x00000200u;  // 8-byte stack alignment on exception entry
constexpr std::uint32_t VECTKEY = 0x05FAu, VECTKEYSTAT = 0xFA05u;
constexpr std::uint32_t SYSRESETREQ = 1u << 2;
constexpr std::uint32_t NMIPENDSET = 1u << 31, PENDSVSET = 1u << 28, PENDSVCLR = 1u << 27;
constexpr std::uint32_t PENDSTSET = 1u << 26, PENDSTCLR = 1u << 25;
constexpr std::uint32_t SHCSR_ENABLES = 0x00070000u;  // MEMFAULTENA, BUSFAULTENA, USGFAULTENA
}  // namespace

SystemControlBlock::SystemControlBlock(ExceptionState& exceptions, std::function<void()> reset_request)
    : exceptions_(exceptions), reset_request_(std::move(reset_request))
{
}

void SystemControlBlock::reset()
{
    vtor_ = 0;
    scr_ = 0;
    ccr_ = CCR_RESET;
    shcsr_enables_ = 0;
    faults_ = {};
}

std::uint32_t SystemControlBlock::icsr() const
{
    std::uint32_t value = static_cast<std::uint32_t>(exceptions_.current()) & 0x1FFu;
    int waiting = 0;
    bool device_pending = false;
    for (int e = 2; e < ExceptionState::kCount; ++e) {
        if (!exceptions_.pending(e)) continue;
        if (e >= 16) device_pending = true;
        if (waiting == 0 || exceptions_.priority(e) < exceptions_.priority(waiting)) waiting = e;
    }
    value |= static_cast<std::uint32_t>(waiting) << 12;
    if (device_pending) value |= 1u << 22;
    if (exceptions_.nesting().size() <= 1) value |= 1u << 11;  // RETTOBASE
    if (exceptions_.pending(ExceptionState::kPendSv)) value |= PENDSVSET;
    if (exceptions_.pending(ExceptionState::kSysTick)) value |= PENDSTSET;
    if (exceptions_.pending(ExceptionState::kNmi)) value |= NMIPENDSET;
    return value;
}

std::uint32_t SystemControlBlock::shcsr() const
{
    std::uint32_t value = shcsr_enables_;
    const struct {
        int exception;
        std::uint32_t active_bit;
    } bits[] = {{ExceptionState::kMemManage, 1u << 0}, {ExceptionState::kBusFault, 1u << 1},
                {ExceptionState::kUsageFault, 1u << 3}, {ExceptionState::kSvCall, 1u << 7},
                {ExceptionState::kDebugMonitor, 1u << 8}, {ExceptionState::kPendSv, 1u << 10},
                {ExceptionState::kSysTick, 1u << 11}};
    for (const auto& b : bits)
        if (exceptions_.active(b.exception)) value |= b.active_bit;
    return value;
}

std::uint32_t SystemControlBlock::read_word(std::uint32_t offset)
{
    switch (offset) {
    case CPUID:
        return CPUID_CORTEX_M3_R2P0;
    case ICSR:
        return icsr();
    case VTOR:
        return vtor_;
    case AIRCR:
        return VECTKEYSTAT << 16 | exceptions_.prigroup() << 8;
    case SCR:
        return scr_;
    case CCR:
        return ccr_;
    case SHCSR:
        return shcsr();
    case CFSR:
        return faults_.cfsr;
    case HFSR:
        return faults_.hfsr;
    case DFSR:
        return faults_.dfsr;
    case MMFAR:
        return faults_.mmfar;
    case BFAR:
        return faults_.bfar;
    case AFSR:
        return faults_.afsr;
    default:
        break;
    }
    if (offset >= SHPR1 && offset <= SHPR3) {
        std::uint32_t word = 0;
        for (std::uint32_t i = 0; i < 4; ++i) {
            const int exception = static_cast<int>(4 + (offset - SHPR1) + i);
            word |= static_cast<std::uint32_t>(exceptions_.priority_byte(exception)) << (8 * i);
        }
        return word;
    }
    throw SimError("SCB: read of unmodelled offset " + hex32(offset));
}

void SystemControlBlock::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case CPUID:
        return;
    case ICSR:
        if (value & NMIPENDSET) exceptions_.set_pending(ExceptionState::kNmi, true);
        if (value & PENDSVSET) exceptions_.set_pending(ExceptionState::kPendSv, true);
        if (value & PENDSVCLR) exceptions_.set_pending(ExceptionState::kPendSv, false);
        if (value & PENDSTSET) exceptions_.set_pending(ExceptionState::kSysTick, true);
        if (value & PENDSTCLR) exceptions_.set_pending(ExceptionState::kSysTick, false);
        return;
    case VTOR:
        vtor_ = merge(vtor_, value, lanes) & 0x3FFFFF80u;
        return;
    case AIRCR:
        if (lanes != 0xFFFFFFFFu || (value >> 16) != VECTKEY) return;  // ignored without the key
        exceptions_.set_prigroup((value >> 8) & 7u);
        if (value & SYSRESETREQ) reset_request_();
        return;
    case SCR:
        scr_ = merge(scr_, value, lanes) & 0x16u;
        return;
    case CCR:
        ccr_ = merge(ccr_, value, lanes) & 0x31Bu;
        return;
    case SHCSR: {
        shcsr_enables_ = merge(shcsr_enables_, value, lanes) & SHCSR_ENABLES;
        exceptions_.set_enabled(ExceptionState::kMemManage, (shcsr_enables_ & (1u << 16)) != 0);
        exceptions_.set_enabled(ExceptionState::kBusFault, (shcsr_enables_ & (1u << 17)) != 0);
        exceptions_.set_enabled(ExceptionState::kUsageFault, (shcsr_enables_ & (1u << 18)) != 0);
        return;
    }
    // Status bits clear where a 1 is written.
    case CFSR:
        faults_.cfsr &= ~(value & lanes);
        return;
    case HFSR:
        faults_.hfsr &= ~(value & lanes);
        return;
    case DFSR:
        faults_.dfsr &= ~(value & lanes);
        return;
    case MMFAR:
        faults_.mmfar = merge(faults_.mmfar, value, lanes);
        return;
    case BFAR:
        faults_.bfar = merge(faults_.bfar, value, lanes);
        return;
    case AFSR:
        faults_.afsr &= ~(value & lanes);
        return;
    default:
        break;
    }
    if (offset >= SHPR1 && offset <= SHPR3) {
        for (std::uint32_t i = 0; i < 4; ++i) {
            if (((lanes >> (8 * i)) & 0xFFu) == 0) continue;
            const int exception = static_cast<int>(4 + (offset - SHPR1) + i);
            exceptions_.set_priority_byte(exception, static_cast<std::uint8_t>(value >> (8 * i)));
        }
        return;
    }
    throw SimError("SCB: write of unmodelled offset " + hex32(offset));
}

}  // namespace sim
