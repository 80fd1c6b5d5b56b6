// The bus: dispatch by address, and loud failure on every access it cannot serve.
#include <gtest/gtest.h>

#include <string>

#include "board/board.h"
#include "core/bus.h"
#include "core/sim_error.h"
#include "core/virtual_clock.h"
#include "models/rcc.h"
#include "reg_access.h"
#include "stm32f2xx.h"

namespace {

// A block of plain 32-bit storage.
class Scratch : public sim::WordPeripheral {
public:
    void reset() override { words_[0] = words_[1] = 0; }
    std::uint32_t words_[2] = {};

protected:
    std::uint32_t read_word(std::uint32_t offset) override { return words_[offset / 4]; }
    void write_word(std::uint32_t offset, std::uint32_t value, std::uint32_t lanes) override
    {
        words_[offset / 4] = merge(words_[offset / 4], value, lanes);
    }
};

std::string error_of(const std::function<void()>& access)
{
    try {
        access();
    } catch (const sim::SimError& e) {
        return e.what();
    }
    return "";
}

TEST(Bus, NarrowAccessesReachTheirByteLanes)
{
    sim::Bus bus;
    Scratch scratch;
    bus.map(0x40000000, 8, scratch, "scratch");
    bus.write(0x40000000, 4, 0x11223344u);
    bus.write(0x40000002, 2, 0xAABBu);
    bus.write(0x40000001, 1, 0xCCu);
    EXPECT_EQ(scratch.words_[0], 0xAABBCC44u);
    EXPECT_EQ(bus.read(0x40000002, 2), 0xAABBu);
    EXPECT_EQ(bus.read(0x40000003, 1), 0xAAu);
    EXPECT_EQ(scratch.words_[1], 0u) << "the neighbouring word untouched";
}

TEST(Bus, AccessesItCannotServeNameTheAddressAndWidth)
{
    sim::Bus bus;
    Scratch scratch;
    bus.map(0x40000000, 8, scratch, "scratch");
    const struct {
        std::function<void()> access;
        const char* message;
    } cases[] = {
        {[&] { bus.read(0x50000000, 4); }, "bus: unmapped 32-bit read at 0x50000000"},
        {[&] { bus.write(0x40000008, 2, 1); }, "bus: unmapped 16-bit write at 0x40000008"},
        {[&] { bus.read(0x40000002, 4); }, "bus: misaligned 32-bit read at 0x40000002"},
        {[&] { bus.write(0x40000001, 2, 0); }, "bus: misaligned 16-bit write at 0x40000001"},
    };
    for (const auto& c : cases) EXPECT_EQ(error_of(c.access), c.message);
}

TEST(Bus, OverlappingModelsAreRefused)
{
    sim::Bus bus;
    Scratch a, b;
    bus.map(0x40000000, 8, a, "a");
    EXPECT_EQ(error_of([&] { bus.map(0x40000004, 8, b, "b"); }), "bus: b at 0x40000004 overlaps a");
}

TEST(Bus, FirmwareAccessToAnUnmappedRegisterFailsWithItsAddress)
{
    sim::Board board;
    board.power_on();
    // UART4 is not on the virtual board.
    EXPECT_EQ(error_of([] { UART4->CR1 = 0; }), "bus: unmapped 16-bit write at 0x40004C0C");
}

TEST(Bus, PeripheralWithItsClockOffIsAnError)
{
    sim::Board board;
    board.power_on();
    EXPECT_EQ(error_of([] { GPIOE->BSRRL = 0x0100; }),
              "bus: 16-bit write at 0x40021018 (GPIOE) while its peripheral clock is off");
    RCC->AHB1ENR |= 0x10u;
    GPIOE->BSRRL = 0x0100;
    EXPECT_EQ(GPIOE->ODR & 0x0100u, 0x0100u);
}

TEST(Bus, AMisuseInsideARunEndsTheRunAndReachesTheTest)
{
    sim::Board board;
    board.power_on();
    EXPECT_THROW(board.run_code([] { GPIOA->MODER = 0; }), sim::SimError);
    EXPECT_TRUE(board.stopped());
    EXPECT_NE(board.stop_reason().find("GPIOA"), std::string::npos) << board.stop_reason();
}

TEST(Bus, RepeatedIdenticalReadsAreSeenAsABusyWait)
{
    sim::Bus bus;
    Scratch scratch;
    bus.map(0x40000000, 8, scratch, "scratch");
    int polls = 0;
    bus.set_poll_hook([&] { ++polls; });

    for (int i = 0; i < 3; ++i) bus.read(0x40000000, 4);
    EXPECT_EQ(polls, 0);
    bus.read(0x40000000, 4);
    EXPECT_EQ(polls, 1) << "the fourth identical read";

    bus.read(0x40000000, 4);
    bus.write(0x40000004, 4, 1);  // anything else on the bus breaks the run
    bus.read(0x40000000, 4);
    bus.read(0x40000004, 4);
    bus.read(0x40000000, 4);
    EXPECT_EQ(polls, 1);

    scratch.words_[0] = 7;  // a changed value is no busy-wait either
    for (int i = 0; i < 3; ++i) bus.read(0x40000000, 4);
    EXPECT_EQ(polls, 1);
}

TEST(Bus, ABusyWaitOnTheConsoleSkipsToTheEndOfTheCharacter)
{
    sim::Board board;
    board.power_on();
    RCC->APB1ENR |= 1u << 17;
    USART2->BRR = 0x008B;  // 115200 bit/s at 16 MHz
    USART2->CR1 = 0x200C;
    USART2->DR = 'x';
    int reads = 0;
    while ((USART2->SR & 0x40u) == 0) ++reads;
    EXPECT_LT(reads, 10) << "not some 700 reads of 2 cycles each";
    EXPECT_GE(board.clock().now(), 10u * 1000000000u / 115200u);
}

TEST(Bus, AWaitThatNothingWillEndSaysWhereItWaits)
{
    sim::Board board;
    board.rcc().set_crystal_present(false);
    board.power_on();
    const std::string error = error_of([&] {
        board.run_code(
            [] {
                // A PLL fed from a crystal that never starts never locks.
                RCC->CR |= RCC_CR_HSEON;
                RCC->PLLCFGR = 0x05411004u;
                RCC->CR |= RCC_CR_PLLON;
                while ((RCC->CR & RCC_CR_PLLRDY) == 0) {
                }
            },
            10000000);
    });
    EXPECT_EQ(error,
              "firmware code still running at the end of its time limit, busy-waiting on a 32-bit read at "
              "0x40023800 (RCC) that nothing will change");
}

TEST(VirtualClock, EventsFireInTimeOrderThenInTheOrderScheduled)
{
    sim::VirtualClock clock;
    std::string fired;
    clock.schedule_at(30, [&] { fired += 'c'; });
    clock.schedule_at(10, [&] { fired += 'a'; });
    clock.schedule_at(10, [&] { fired += 'b'; });
    const auto cancelled = clock.schedule_at(20, [&] { fired += 'x'; });
    clock.cancel(cancelled);
    clock.advance_to(25);
    EXPECT_EQ(fired, "ab");
    EXPECT_EQ(clock.now(), 25u);
    EXPECT_EQ(clock.next_event_time(), 30u);
    clock.advance(5);
    EXPECT_EQ(fired, "abc");
    EXPECT_FALSE(clock.next_event_time().has_value());
}

TEST(VirtualClock, AnEventCanScheduleAnotherWithinTheSameAdvance)
{
    sim::VirtualClock clock;
    int count = 0;
    std::function<void()> again = [&] {
        if (++count < 5) clock.schedule_in(10, again);
    };
    clock.schedule_at(10, again);
    clock.advance_to(45);
    EXPECT_EQ(count, 4) << "at 10, 20, 30 and 40";
}

}  // namespace
