#include "nvic.h"

#include "core/sim_error.h"

namespace sim {

namespace {
constexpr std::uint32_t ISER = 0x000, ICER = 0x080, ISPR = 0x100, ICPR = 0x180, IABR = 0x200;
constexpr std::uint32_t IP = 0x300, IP_END = 0x300 + 240, STIR = 0xE00;
constexpr std::uint32_t BANK_WORDS = 8;

bool in_bank(std::uint32_t offset, std::uint32_t base) { return offset >= base && offset < base + 4 * BANK_WORDS; }
}  // namespace

std::uint32_t Nvic::collect(std::uint32_t word, BitGetter get) const
{
    std::uint32_t bits = 0;
    for (int bit = 0; bit < 32; ++bit) {
        const int n = static_cast<int>(word * 32) + bit;
        if (n < ExceptionState::kDeviceInterrupts && (exceptions_.*get)(ExceptionState::irq(n))) bits |= 1u << bit;
    }
    return bits;
}

std::uint32_t Nvic::read_word(std::uint32_t offset)
{
    if (in_bank(offset, ISER)) return collect((offset - ISER) / 4, &ExceptionState::enabled);
    if (in_bank(offset, ICER)) return collect((offset - ICER) / 4, &ExceptionState::enabled);
    if (in_bank(offset, ISPR)) return collect((offset - ISPR) / 4, &ExceptionState::pending);
    if (in_bank(offset, ICPR)) return collect((offset - ICPR) / 4, &ExceptionState::pending);
    if (in_bank(offset, IABR)) return collect((offset - IABR) / 4, &ExceptionState::active);
    if (offset >= IP && offset < IP_END) {
        std::uint32_t word = 0;
        for (std::uint32_t i = 0; i < 4; ++i) {
            const int n = static_cast<int>(offset - IP + i);
            if (n < ExceptionState::kDeviceInterrupts)
                word |= static_cast<std::uint32_t>(exceptions_.priority_byte(ExceptionState::irq(n))) << (8 * i);
        }
        return word;
    }
    if (offset == STIR) return 0;
    throw SimError("NVIC: read of reserved offset " + hex32(offset));
}

void Nvic::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    auto apply = [&](std::uint32_t base, auto action) {
        const std::uint32_t word = (offset - base) / 4;
        for (int bit = 0; bit < 32; ++bit) {
            const int n = static_cast<int>(word * 32) + bit;
            if ((value & lanes & (1u << bit)) != 0 && n < ExceptionState::kDeviceInterrupts)
                action(ExceptionState::irq(n));
        }
    };
    if (in_bank(offset, ISER)) return apply(ISER, [&](int e) { exceptions_.set_enabled(e, true); });
    if (in_bank(offset, ICER)) return apply(ICER, [&](int e) { exceptions_.set_enabled(e, false); });
    if (in_bank(offset, ISPR)) return apply(ISPR, [&](int e) { exceptions_.set_pending(e, true); });
    if (in_bank(offset, ICPR)) return apply(ICPR, [&](int e) { exceptions_.set_pending(e, false); });
    if (in_bank(offset, IABR)) return;  // read-only
    if (offset >= IP && offset < IP_END) {
        for (std::uint32_t i = 0; i < 4; ++i) {
            if ((lanes >> (8 * i) & 0xFFu) == 0) continue;
            const int n = static_cast<int>(offset - IP + i);
            if (n < ExceptionState::kDeviceInterrupts)
                exceptions_.set_priority_byte(ExceptionState::irq(n), static_cast<std::uint8_t>(value >> (8 * i)));
        }
        return;
    }
    if (offset == STIR) {
        const int n = static_cast<int>(value & 0x1FFu);
        if (n >= ExceptionState::kDeviceInterrupts) throw SimError("NVIC: software trigger of interrupt " + std::to_string(n));
        exceptions_.set_pending(ExceptionState::irq(n), true);
        return;
    }
    throw SimError("NVIC: write of reserved offset " + hex32(offset));
}

}  // namespace sim
