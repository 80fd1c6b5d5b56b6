// The 1 MB main flash array and its sector geometry. Reads come straight
// from the cells; writes are program requests that the flash interface judges.
// The contents survive power cycles.
#ifndef SIM_MODELS_FLASH_MEMORY_H
#define SIM_MODELS_FLASH_MEMORY_H

#include <cstdint>
#include <vector>

#include "core/peripheral.h"

namespace sim {

class FlashInterface;

class FlashMemory : public Peripheral {
public:
    static constexpr std::uint32_t kBase = 0x08000000u;
    static constexpr std::uint32_t kSize = 0x00100000u;
    static constexpr int kSectors = 12;
    static constexpr std::uint8_t kErased = 0xFF;

    FlashMemory();

    std::uint32_t read(std::uint32_t offset, unsigned width) override;
    void write(std::uint32_t offset, unsigned width, std::uint32_t value) override;
    void reset() override {}  // flash keeps its contents

    // The controller that programs and erases this array.
    void attach(FlashInterface& controller) { controller_ = &controller; }

    // Sector geometry, by bus address.
    static int sector_of(std::uint32_t address);
    static std::uint32_t sector_base(int sector);
    static std::uint32_t sector_size(int sector);

    // For tests and tools: the cells without any controller in between.
    std::uint8_t peek(std::uint32_t address) const;
    void load(std::uint32_t address, const std::vector<std::uint8_t>& bytes);
    void erase_all();

    // For the controller: what a finished operation does to the cells.
    void program_byte(std::uint32_t address, std::uint8_t value);  // can only clear bits
    void erase_sector(int sector);

private:
    static std::uint32_t index_of(std::uint32_t address, std::uint32_t length, const char* what);

    std::vector<std::uint8_t> cells_;
    FlashInterface* controller_ = nullptr;
};

}  // namespace sim

#endif
