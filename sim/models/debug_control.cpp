#include "debug_control.h"

#include "core/sim_error.h"

namespace sim {

namespace {
constexpr std::uint32_t DHCSR = 0x0, DCRSR = 0x4, DCRDR = 0x8, DEMCR = 0xC;
constexpr std::uint32_t C_DEBUGEN = 1u << 0;
}  // namespace

std::uint32_t DebugControl::read_word(std::uint32_t offset)
{
    switch (offset) {
    case DHCSR:
        return attached_ ? C_DEBUGEN : 0u;
    case DCRSR:
    case DCRDR:
        return 0;
    case DEMCR:
        return demcr_;
    default:
        throw SimError("debug registers: read of " + hex32(offset));
    }
}

void DebugControl::write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes)
{
    if (offset == DEMCR) {
        demcr_ = merge(demcr_, value, lanes);
        return;
    }
    // Halting and register transfer belong to the debugger, not to the firmware.
    throw SimError("debug registers: the firmware wrote " + hex32(value) + " at offset " + hex32(offset));
}

}  // namespace sim
