// The vector table at the start of flash: what the core loads at reset and
// where each exception and interrupt leads.
#include <elf.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "target_image_fixture.h"
#include "thumb_branch.h"

namespace {

constexpr std::uint32_t kFlashStart = 0x08000000;
constexpr std::uint32_t kTopOfRam = 0x20020000;
constexpr int kWordCount = 97;
constexpr int kFirstDeviceWord = 16;
constexpr int kButtonInterrupt = 40;  // EXTI lines 10 to 15

constexpr std::array<int, 5> kReservedWords = {7, 8, 9, 10, 13};

struct CoreSlot {
    int word;
    const char* handler;
};

// Every core handler is the system's own.
constexpr std::array<CoreSlot, 9> kCoreSlots = {{
    {2, "NMI_Handler"},
    {3, "HardFault_Handler"},
    {4, "MemManage_Handler"},
    {5, "BusFault_Handler"},
    {6, "UsageFault_Handler"},
    {11, "SVC_Handler"},
    {12, "DebugMon_Handler"},
    {14, "PendSV_Handler"},
    {15, "SysTick_Handler"},
}};

// Device interrupt n is served from word 16 + n.
constexpr std::array<const char*, 81> kDeviceHandlers = {
    "WWDG_IRQHandler", "PVD_IRQHandler", "TAMP_STAMP_IRQHandler", "RTC_WKUP_IRQHandler",
    "FLASH_IRQHandler", "RCC_IRQHandler", "EXTI0_IRQHandler", "EXTI1_IRQHandler",
    "EXTI2_IRQHandler", "EXTI3_IRQHandler", "EXTI4_IRQHandler", "DMA1_Stream0_IRQHandler",
    "DMA1_Stream1_IRQHandler", "DMA1_Stream2_IRQHandler", "DMA1_Stream3_IRQHandler", "DMA1_Stream4_IRQHandler",
    "DMA1_Stream5_IRQHandler", "DMA1_Stream6_IRQHandler", "ADC_IRQHandler", "CAN1_TX_IRQHandler",
    "CAN1_RX0_IRQHandler", "CAN1_RX1_IRQHandler", "CAN1_SCE_IRQHandler", "EXTI9_5_IRQHandler",
    "TIM1_BRK_TIM9_IRQHandler", "TIM1_UP_TIM10_IRQHandler", "TIM1_TRG_COM_TIM11_IRQHandler", "TIM1_CC_IRQHandler",
    "TIM2_IRQHandler", "TIM3_IRQHandler", "TIM4_IRQHandler", "I2C1_EV_IRQHandler",
    "I2C1_ER_IRQHandler", "I2C2_EV_IRQHandler", "I2C2_ER_IRQHandler", "SPI1_IRQHandler",
    "SPI2_IRQHandler", "USART1_IRQHandler", "USART2_IRQHandler", "USART3_IRQHandler",
    "EXTI15_10_IRQHandler", "RTC_Alarm_IRQHandler", "OTG_FS_WKUP_IRQHandler", "TIM8_BRK_TIM12_IRQHandler",
    "TIM8_UP_TIM13_IRQHandler", "TIM8_TRG_COM_TIM14_IRQHandler", "TIM8_CC_IRQHandler", "DMA1_Stream7_IRQHandler",
    "FSMC_IRQHandler", "SDIO_IRQHandler", "TIM5_IRQHandler", "SPI3_IRQHandler",
    "UART4_IRQHandler", "UART5_IRQHandler", "TIM6_DAC_IRQHandler", "TIM7_IRQHandler",
    "DMA2_Stream0_IRQHandler", "DMA2_Stream1_IRQHandler", "DMA2_Stream2_IRQHandler", "DMA2_Stream3_IRQHandler",
    "DMA2_Stream4_IRQHandler", "ETH_IRQHandler", "ETH_WKUP_IRQHandler", "CAN2_TX_IRQHandler",
    "CAN2_RX0_IRQHandler", "CAN2_RX1_IRQHandler", "CAN2_SCE_IRQHandler", "OTG_FS_IRQHandler",
    "DMA2_Stream5_IRQHandler", "DMA2_Stream6_IRQHandler", "DMA2_Stream7_IRQHandler", "USART6_IRQHandler",
    "I2C3_EV_IRQHandler", "I2C3_ER_IRQHandler", "OTG_HS_EP1_OUT_IRQHandler", "OTG_HS_EP1_IN_IRQHandler",
    "OTG_HS_WKUP_IRQHandler", "OTG_HS_IRQHandler", "DCMI_IRQHandler", "CRYP_IRQHandler",
    "HASH_RNG_IRQHandler",
};
static_assert(kFirstDeviceWord + kDeviceHandlers.size() == kWordCount);

std::uint32_t vector_word(int index) { return kFlashStart + 4 * static_cast<std::uint32_t>(index); }

// Thumb code: a vector holds the function's address with bit 0 set. (ELF
// symbols of Thumb functions carry that bit already.)
std::uint32_t thumb_vector(std::uint32_t function_address) { return function_address | 1U; }

class VectorTable : public TargetImage {
protected:
    std::uint32_t default_handler() { return thumb_vector(address_of("Default_Handler")); }
};

TEST_F(VectorTable, OpensTheFlashAndHoldsNinetySevenWords)
{
    const ElfSymbol* table = elf().symbol("g_pfnVectors");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->value, kFlashStart);
    EXPECT_EQ(table->size, 4U * kWordCount);
}

TEST_F(VectorTable, StartsTheStackAtTheTopOfRamAndResetsIntoResetHandler)
{
    EXPECT_EQ(word_at(vector_word(0)), kTopOfRam);
    EXPECT_EQ(address_of("_estack"), kTopOfRam);
    EXPECT_EQ(word_at(vector_word(1)), thumb_vector(address_of("Reset_Handler")));
    EXPECT_EQ(elf().entry(), thumb_vector(address_of("Reset_Handler")));
}

TEST_F(VectorTable, ReservedWordsAreZero)
{
    for (int word : kReservedWords) EXPECT_EQ(word_at(vector_word(word)), 0U) << "word " << word;
}

TEST_F(VectorTable, CoreHandlersAreTheSystemsOwn)
{
    for (const auto& slot : kCoreSlots) {
        SCOPED_TRACE(std::string("word ") + std::to_string(slot.word) + " " + slot.handler);
        const ElfSymbol* handler = elf().symbol(slot.handler);
        ASSERT_NE(handler, nullptr);
        EXPECT_EQ(handler->binding, static_cast<unsigned>(STB_GLOBAL)) << "still the weak default";
        const std::uint32_t word = word_at(vector_word(slot.word));
        EXPECT_EQ(word & 1U, 1U);
        EXPECT_EQ(word, thumb_vector(handler->value));
        EXPECT_NE(word, default_handler());
    }
}

TEST_F(VectorTable, OnlyTheButtonInterruptCanLeaveTheDefaultHandler)
{
    for (std::size_t n = 0; n < kDeviceHandlers.size(); ++n) {
        const std::string name = kDeviceHandlers[n];
        SCOPED_TRACE("interrupt " + std::to_string(n) + " " + name);
        const ElfSymbol* handler = elf().symbol(name);
        ASSERT_NE(handler, nullptr);
        const std::uint32_t word = word_at(vector_word(kFirstDeviceWord + static_cast<int>(n)));
        EXPECT_EQ(word & 1U, 1U);
        EXPECT_EQ(word, thumb_vector(handler->value));

        // A handler the firmware defines binds strongly and takes the slot.
        const bool served = handler->binding == STB_GLOBAL;
        if (n == kButtonInterrupt && served) {
            EXPECT_NE(word, default_handler());
        } else {
            EXPECT_FALSE(served) << "the system serves no such interrupt";
            EXPECT_EQ(word, default_handler());
        }
    }
}

TEST_F(VectorTable, DefaultHandlerBranchesOntoItself)
{
    const std::uint32_t code = address_of("Default_Handler") & ~1U;
    EXPECT_EQ(address_of("Infinite_Loop"), code);
    EXPECT_EQ(elf().halfword_at(code), std::optional<std::uint16_t>(0xE7FE)) << "expected B to itself";
}

TEST_F(VectorTable, HardFaultEntryJumpsToTheReportWithoutTouchingTheStack)
{
    const ElfSymbol* entry = elf().symbol("HardFault_Handler");
    ASSERT_NE(entry, nullptr);
    ASSERT_GT(entry->size, 0U);
    const std::uint32_t start = entry->value & ~1U;

    for (std::uint32_t at = start; at + 2 <= start + entry->size; at += 2) {
        const auto first = elf().halfword_at(at);
        ASSERT_TRUE(first.has_value());
        EXPECT_NE(*first & 0xFE00, 0xB400) << "PUSH at 0x" << std::hex << at;
        EXPECT_NE(*first, 0xE92D) << "STMDB SP! at 0x" << std::hex << at;
        EXPECT_NE(*first & 0xFF80, 0xB080) << "SUB SP at 0x" << std::hex << at;
        if (is_wide_thumb(*first)) at += 2;
    }

    const auto branches = wide_branches(elf(), start, entry->size);
    ASSERT_EQ(branches.size(), 1U) << "expected one wide branch";
    EXPECT_FALSE(branches[0].links) << "the report must be jumped to, not called";
    EXPECT_EQ(branches[0].target, address_of("print_hardFault") & ~1U);
}

// The RAM image is in place before the clock set-up, which reads initialised
// data; the copy and clear are loops, not library calls.
TEST_F(VectorTable, ResetHandlerCallsClockSetUpRuntimeAndMainInThatOrder)
{
    const ElfSymbol* reset = elf().symbol("Reset_Handler");
    ASSERT_NE(reset, nullptr);
    ASSERT_GT(reset->size, 0U);

    std::vector<std::uint32_t> calls;
    for (const auto& branch : wide_branches(elf(), reset->value & ~1U, reset->size)) {
        if (branch.links) calls.push_back(branch.target);
    }
    const std::vector<std::uint32_t> expected = {address_of("SystemInit") & ~1U,
                                                 address_of("__libc_init_array") & ~1U, address_of("main") & ~1U};
    EXPECT_EQ(calls, expected);
}

}  // namespace
