// Where the image puts code, data, heap and stack, and the delivered objects
// that come with it.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "target_image_fixture.h"

namespace {

constexpr std::uint32_t kFlashStart = 0x08000000;
constexpr std::uint32_t kRecordSector = 0x08020000;
constexpr std::uint32_t kRamStart = 0x20000000;
constexpr std::uint32_t kTopOfRam = 0x20020000;
constexpr std::uint32_t kHeapAlignment = 4096;
constexpr std::uint32_t kHeapSize = 4096;
constexpr std::uint32_t kStackReserve = 0xE00;  // the call graph's worst case, 2,832 bytes, and a margin

bool in_flash(std::uint32_t address) { return address >= kFlashStart && address < kRecordSector; }

class MemoryImage : public TargetImage {
protected:
    // End of the last byte that the image loads into flash: the initial
    // values of initialised data come last.
    std::uint32_t image_end() { return address_of("_sidata") + (address_of("_edata") - address_of("_sdata")); }

    // The heap is module-private, so its symbol may carry C++ decoration.
    const ElfSymbol* heap()
    {
        for (const auto& symbol : elf().symbols()) {
            if (symbol.type != STT_OBJECT) continue;
            if (symbol.name == "my_heap" || symbol.name.ends_with("7my_heap")) return &symbol;
        }
        return nullptr;
    }
};

TEST_F(MemoryImage, InitialisedDataOpensTheRam)
{
    EXPECT_EQ(address_of("_sdata"), kRamStart);
    const ElfSection* data = elf().section(".data");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->address, kRamStart);
    EXPECT_EQ(address_of("_edata"), data->address + data->size);
}

TEST_F(MemoryImage, InitialValuesFollowEveryOtherFlashContentAndEndBelowTheRecordSector)
{
    const std::uint32_t initial_values = address_of("_sidata");
    EXPECT_TRUE(in_flash(initial_values));
    for (const auto& section : elf().sections()) {
        if ((section.flags & SHF_ALLOC) == 0 || section.type == SHT_NOBITS || !in_flash(section.address)) continue;
        EXPECT_LE(section.address + section.size, initial_values) << section.name << " overlaps the initial values";
    }
    EXPECT_LE(image_end(), kRecordSector);

    // Whatever the loader writes lands in flash below the record sector.
    for (const auto& segment : elf().segments()) {
        if (segment.type != PT_LOAD || segment.file_size == 0) continue;
        EXPECT_TRUE(in_flash(segment.physical_address)) << std::hex << segment.physical_address;
        EXPECT_LE(segment.physical_address + segment.file_size, kRecordSector);
    }
}

TEST_F(MemoryImage, ZeroInitialisedDataStartsOnAHeapBoundaryAfterInitialisedData)
{
    const ElfSection* bss = elf().section(".bss");
    ASSERT_NE(bss, nullptr);
    EXPECT_EQ(bss->address % kHeapAlignment, 0U);
    EXPECT_EQ(address_of("_sbss"), bss->address);
    EXPECT_EQ(address_of("_ebss"), bss->address + bss->size);
    EXPECT_GE(address_of("_sbss"), address_of("_edata"));
}

TEST_F(MemoryImage, HeapIsAlignedAndLiesInZeroInitialisedData)
{
    const ElfSymbol* my_heap = heap();
    ASSERT_NE(my_heap, nullptr) << "the image has no my_heap";
    EXPECT_EQ(my_heap->value % kHeapAlignment, 0U);
    EXPECT_EQ(my_heap->size, kHeapSize);
    EXPECT_GE(my_heap->value, address_of("_sbss"));
    EXPECT_LE(my_heap->value + my_heap->size, address_of("_ebss"));
}

TEST_F(MemoryImage, StackReserveFitsBetweenZeroInitialisedDataAndTheTopOfRam)
{
    EXPECT_EQ(address_of("_Min_Stack_Size"), kStackReserve);
    EXPECT_EQ(address_of("_estack"), kTopOfRam);
    const ElfSection* reserve = elf().section("._user_heap_stack");
    ASSERT_NE(reserve, nullptr);
    EXPECT_GE(reserve->address, address_of("_ebss"));
    EXPECT_GE(reserve->size, kStackReserve);
    EXPECT_LE(reserve->address + reserve->size, kTopOfRam);
}

TEST_F(MemoryImage, FlashableBinaryIsExactlyTheImage)
{
    const std::string path = target_build_file("tiltmon.bin");
    ASSERT_TRUE(std::filesystem::exists(path)) << path;
    EXPECT_EQ(std::filesystem::file_size(path), image_end() - kFlashStart);
}

// The seven modules delivered as objects of their own, each with a function
// that only it defines.
TEST_F(MemoryImage, DeliveredModulesAreArmRelocatableObjects)
{
    struct Delivered {
        const char* name;
        const char* defines;
    };
    for (const Delivered d : {Delivered{"main", "main"}, Delivered{"irqlines", "_Z9EXTI_InitP16EXTI_InitTypeDef"},
                              Delivered{"pllsetup", "SystemInit"}, Delivered{"morva_debug", "print_hardFault"},
                              Delivered{"sercom", "_Z12ComPort_Init11COM_TypeDef"},
                              Delivered{"accelspi", "_Z15sACCEL_ReadWordh"},
                              Delivered{"syscfgdrv", "_Z21SYSCFG_EXTILineConfighh"}}) {
        SCOPED_TRACE(d.name);
        std::string error;
        const auto object = ElfImage::load(target_build_file(std::string(d.name) + ".o"), &error);
        ASSERT_TRUE(object.has_value()) << error;
        EXPECT_EQ(object->file_type(), ET_REL);
        const ElfSymbol* symbol = object->symbol(d.defines);
        ASSERT_NE(symbol, nullptr) << d.defines;
        EXPECT_EQ(symbol->type, STT_FUNC);
        EXPECT_NE(symbol->binding, STB_LOCAL);
    }
}

// The reader itself must refuse a damaged file rather than read past it.
TEST_F(MemoryImage, TruncatedImageIsRefused)
{
    std::ifstream in(target_build_file("tiltmon.elf"), std::ios::binary);
    const std::vector<char> whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 64U);

    const auto path = std::filesystem::temp_directory_path() / ("tiltmon_truncated_" + std::to_string(::getpid()) + ".elf");
    for (std::size_t length : {std::size_t{0}, std::size_t{4}, std::size_t{40}, whole.size() / 2, whole.size() - 1}) {
        SCOPED_TRACE("first " + std::to_string(length) + " bytes");
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out.write(whole.data(), static_cast<std::streamsize>(length));
        }
        std::string error;
        EXPECT_FALSE(ElfImage::load(path.string(), &error).has_value());
        EXPECT_FALSE(error.empty());
    }
    std::filesystem::remove(path);
}

}  // namespace
