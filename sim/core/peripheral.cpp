#include "peripheral.h"

namespace sim {

namespace {
std::uint32_t width_mask(unsigned width)
{
    return width >= 4 ? 0xFFFFFFFFu : ((1u << (8 * width)) - 1u);
}
}  // namespace

std::uint32_t WordPeripheral::read(std::uint32_t offset, unsigned width)
{
    const unsigned shift = 8 * (offset & 3u);
    return (read_word(offset & ~3u) >> shift) & width_mask(width);
}

void WordPeripheral::write(std::uint32_t offset, unsigned width, std::uint32_t value)
{
    const unsigned shift = 8 * (offset & 3u);
    const std::uint32_t lanes = width_mask(width) << shift;
    ++*tally_;
    write_word(offset & ~3u, (value << shift) & lanes, lanes);
}

}  // namespace sim
