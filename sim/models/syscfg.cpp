#include "syscfg.h"

#include <string>

#include "core/sim_error.h"

namespace sim {

namespace {

constexpr std::uint32_t kMemModeBits = 0x3u;
constexpr std::uint32_t kMediaInterfaceBit = 1u << 23;
constexpr std::uint32_t kExticrFields = 0xFFFFu;

std::string at(std::uint32_t offset) { return "SYSCFG at offset " + hex32(offset); }

unsigned field_shift(int line) { return 4u * static_cast<unsigned>(line & 3); }

}  // namespace

Syscfg::Syscfg(VirtualClock& clock) : clock_(clock) { Syscfg::reset(); }

void Syscfg::reset()
{
    clock_.cancel(ready_event_);
    memrmp_ = 0;  // BOOT0 low on the board: main flash at address 0
    pmc_ = cmpcr_ = 0;
    exticr_.fill(0);
    for (int line = 0; line < kRoutedLines; ++line) present(line);
}

void Syscfg::connect_lines(PinLevel pin_level, LineInput line_input)
{
    pin_level_ = std::move(pin_level);
    line_input_ = std::move(line_input);
    for (int line = 0; line < kRoutedLines; ++line) present(line);
}

int Syscfg::routed_port(int line) const
{
    if (line < 0 || line >= kRoutedLines)
        throw SimError("SYSCFG: routing of line " + std::to_string(line) + " (lines 0..15 have a port)");
    return static_cast<int>((exticr_[static_cast<std::size_t>(line >> 2)] >> field_shift(line)) & 0xFu);
}

void Syscfg::present(int line)
{
    if (line_input_) line_input_(line, pin_level_(routed_port(line), line));
}

void Syscfg::pin_changed(int port, int pin, bool high)
{
    if (line_input_ && routed_port(pin) == port) line_input_(pin, high);
}

void Syscfg::write_exticr(int index, std::uint32_t value, std::uint32_t lanes)
{
    const std::uint32_t next = merge(exticr_[static_cast<std::size_t>(index)], value, lanes) & kExticrFields;
    for (int field = 0; field < 4; ++field) {
        const std::uint32_t code = (next >> (4 * field)) & 0xFu;
        if (code >= kPorts)
            throw SimError("SYSCFG: EXTICR" + std::to_string(index + 1) + " written with " + hex32(value & lanes) +
                           ": line " + std::to_string(4 * index + field) + " routed to port code " +
                           std::to_string(code) + ", which is reserved (ports A..I are 0..8)");
    }
    const std::uint32_t changed = next ^ exticr_[static_cast<std::size_t>(index)];
    exticr_[static_cast<std::size_t>(index)] = next;
    for (int field = 0; field < 4; ++field)
        if ((changed >> (4 * field)) & 0xFu) present(4 * index + field);
}

void Syscfg::write_cmpcr(std::uint32_t value, std::uint32_t lanes)
{
    const bool was_on = (cmpcr_ & kCellEnable) != 0;
    const bool on = (merge(cmpcr_, value, lanes) & kCellEnable) != 0;
    if (on == was_on) return;
    if (on) {
        cmpcr_ |= kCellEnable;
        clock_.schedule_in(ready_event_, kCellStartup);
    } else {
        cmpcr_ = 0;
        clock_.cancel(ready_event_);
    }
}

void Syscfg::cell_ready() { cmpcr_ |= kCellReady; }

Nanoseconds Syscfg::quiet_until(std::uint32_t offset) const
{
    return offset == CMPCR && ready_event_.scheduled() ? ready_event_.due() : kNever;
}

std::uint32_t Syscfg::peek(std::uint32_t offset) const
{
    switch (offset) {
    case MEMRMP: return memrmp_;
    case PMC: return pmc_;
    case EXTICR(0):
    case EXTICR(1):
    case EXTICR(2):
    case EXTICR(3): return exticr_[(offset - EXTICR1) / 4];
    case CMPCR: return cmpcr_;
    default: throw SimError(at(offset) + ": no register there");
    }
}

std::uint32_t Syscfg::read_word(std::uint32_t offset) { return peek(offset); }

void Syscfg::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    switch (offset) {
    case MEMRMP: memrmp_ = merge(memrmp_, value, lanes) & kMemModeBits; break;
    case PMC: pmc_ = merge(pmc_, value, lanes) & kMediaInterfaceBit; break;
    case EXTICR(0):
    case EXTICR(1):
    case EXTICR(2):
    case EXTICR(3): write_exticr(static_cast<int>((offset - EXTICR1) / 4), value, lanes); break;
    case CMPCR: write_cmpcr(value, lanes); break;
    default: throw SimError(at(offset) + ": no register there (written " + hex32(value) + ")");
    }
}

}  // namespace sim
