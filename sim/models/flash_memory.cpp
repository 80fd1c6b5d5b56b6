#include "flash_memory.h"

#include <algorithm>

#include "core/sim_error.h"
#include "flash_interface.h"

namespace sim {

FlashMemory::FlashMemory() : cells_(kSize, kErased) {}

std::uint32_t FlashMemory::index_of(std::uint32_t address, std::uint32_t length, const char* what)
{
    if (address < kBase || address - kBase > kSize || length > kSize - (address - kBase))
        throw SimError(std::string("flash: ") + what + " at " + hex32(address) + " (" + std::to_string(length) +
                       " bytes) lies outside the main flash 0x08000000..0x080FFFFF");
    return address - kBase;
}

std::uint32_t FlashMemory::read(std::uint32_t offset, unsigned width)
{
    // The chip stalls a read until a program or erase in progress is over.
    if (controller_ != nullptr) controller_->wait_while_busy(kBase + offset, "read");
    std::uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i) value |= static_cast<std::uint32_t>(cells_[offset + i]) << (8 * i);
    return value;
}

void FlashMemory::write(std::uint32_t offset, unsigned width, std::uint32_t value)
{
    if (controller_ == nullptr)
        throw SimError("flash: " + access_text(width, true) + " at " + hex32(kBase + offset) +
                       " with no flash interface attached to the array");
    controller_->program_request(kBase + offset, width, value);
}

int FlashMemory::sector_of(std::uint32_t address)
{
    const std::uint32_t offset = index_of(address, 1, "sector of");
    if (offset < 0x10000u) return static_cast<int>(offset / 0x4000u);
    if (offset < 0x20000u) return 4;
    return 5 + static_cast<int>((offset - 0x20000u) / 0x20000u);
}

std::uint32_t FlashMemory::sector_base(int sector)
{
    if (sector < 0 || sector >= kSectors) throw SimError("flash: no sector " + std::to_string(sector) + " (0..11)");
    if (sector < 4) return kBase + 0x4000u * static_cast<std::uint32_t>(sector);
    if (sector == 4) return kBase + 0x10000u;
    return kBase + 0x20000u * static_cast<std::uint32_t>(sector - 4);
}

std::uint32_t FlashMemory::sector_size(int sector)
{
    if (sector < 0 || sector >= kSectors) throw SimError("flash: no sector " + std::to_string(sector) + " (0..11)");
    return sector < 4 ? 0x4000u : sector == 4 ? 0x10000u : 0x20000u;
}

std::uint8_t FlashMemory::peek(std::uint32_t address) const { return cells_[index_of(address, 1, "peek")]; }

void FlashMemory::load(std::uint32_t address, const std::vector<std::uint8_t>& bytes)
{
    const std::uint32_t start = index_of(address, static_cast<std::uint32_t>(bytes.size()), "load");
    std::copy(bytes.begin(), bytes.end(), cells_.begin() + start);
}

void FlashMemory::erase_all() { std::fill(cells_.begin(), cells_.end(), kErased); }

void FlashMemory::program_byte(std::uint32_t address, std::uint8_t value)
{
    cells_[index_of(address, 1, "program")] &= value;
}

void FlashMemory::erase_sector(int sector)
{
    const std::uint32_t start = sector_base(sector) - kBase;
    std::fill_n(cells_.begin() + start, sector_size(sector), kErased);
}

}  // namespace sim
