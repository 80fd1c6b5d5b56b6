// The bus: dispatch by address, the bit-band alias, the access trace, busy-wait
// detection, and loud failure on every access it cannot serve; and the
// virtual clock's event queue.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/board_models.h"
#include "board/wiring.h"
#include "core/bus.h"
#include "core/sim_error.h"
#include "core/virtual_clock.h"
#include "models/rcc.h"
#include "reg_access.h"
#include "stm32f2xx.h"
#include "trace_expect.h"

namespace {

using sim::base_of;

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
    sim::VirtualClock clock;
    sim::Bus bus{clock};
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
    sim::VirtualClock clock;
    sim::Bus bus{clock};
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
    sim::VirtualClock clock;
    sim::Bus bus{clock};
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

TEST(Bus, TheBitBandAliasReachesOneBitOfAWord)
{
    sim::VirtualClock clock;
    sim::Bus bus{clock};
    Scratch scratch;
    bus.map(0x40013800, 8, scratch, "scratch");
    bus.map_bit_band(sim::kPeripheralBitBandAlias, sim::kPeripheralBitBandSize, sim::kPeripheralBitBandTarget);
    scratch.words_[1] = 0x00000F00u;
    // Bit 23 of the word at 0x40013804 and bit 0 of the word at 0x40013800.
    bus.write(0x422700DC, 4, 1);
    bus.write(0x42270000, 4, 0xFFFFFFFEu);  // only bit 0 of the value counts
    EXPECT_EQ(scratch.words_[1], 0x00800F00u);
    EXPECT_EQ(scratch.words_[0], 0u);
    EXPECT_EQ(bus.read(0x422700DC, 4), 1u);
    EXPECT_EQ(bus.read(0x422700A0, 4), 1u) << "bit 8 of the second word";
    EXPECT_EQ(bus.read(0x4227009C, 4), 0u) << "bit 7";
    bus.write(0x422700DC, 4, 0);
    EXPECT_EQ(scratch.words_[1], 0x00000F00u);
    EXPECT_EQ(error_of([&] { bus.write(0x422700DC, 1, 1); }),
              "bus: 8-bit write at 0x422700DC in the bit-band alias region: the firmware's alias accesses are words");
    EXPECT_EQ(error_of([&] { bus.read(0x420F8000, 4); }), "bus: unmapped 32-bit read at 0x40007C00");
}

TEST(Bus, TheTraceRecordsAccessesInOrderWithTheirTimeAndWidth)
{
    sim::Board board;
    board.power_on();
    board.trace().start();
    RCC->AHB1ENR = 0x10u;
    GPIOE->BSRRL = 0x0100;
    const std::uint32_t odr = GPIOE->ODR;
    board.trace().stop();
    GPIOE->BSRRH = 0x0100;  // not recorded

    const auto& trace = board.trace().accesses();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_TRUE(appear_in_order(trace,
                                {write_of(base_of("RCC") + 0x30, 0x10u, 4), write_of(base_of("GPIOE") + 0x18, 0x100u, 2),
                                 read_of(base_of("GPIOE") + 0x14, odr)}));
    EXPECT_LT(trace[0].time, trace[2].time);
    EXPECT_EQ(board.describe(trace[1]).rfind("16-bit write 0x00000100 at 0x40021018 (GPIOE) at ", 0), 0u);
    EXPECT_FALSE(appear_in_order(trace,
                                 {read_of(base_of("GPIOE") + 0x14), write_of(base_of("RCC") + 0x30)}))
        << "the order counts";
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

class CountingMaster : public sim::BusMaster {
public:
    void before_access() override { ++accesses; }
    void busy_waiting(sim::Nanoseconds quiet) override
    {
        ++polls;
        quiet_until = quiet;
    }
    int accesses = 0, polls = 0;
    sim::Nanoseconds quiet_until = 0;
};

TEST(Bus, RepeatedIdenticalReadsAreSeenAsABusyWait)
{
    sim::VirtualClock clock;
    sim::Bus bus{clock};
    Scratch scratch;
    bus.map(0x40000000, 8, scratch, "scratch");
    CountingMaster master;
    bus.set_master(&master);
    int& polls = master.polls;

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
    EXPECT_EQ(master.quiet_until, sim::kNever) << "the scratch model never changes by itself";
    EXPECT_EQ(master.accesses, 12);
}

TEST(Bus, ABusyWaitOnTheConsoleSkipsToTheEndOfTheCharacter)
{
    sim::Board board;
    board.power_on();
    RCC->APB1ENR |= 1u << 17;
    USART2->BRR = 0x008B;  // 115200 bit/s at 16 MHz
    USART2->CR1 = 0x200C;
    const std::uint16_t status = USART2->SR;  // shows TC: the data write clears it
    EXPECT_NE(status & 0x40u, 0u);
    USART2->DR = 'x';
    int reads = 0;
    while ((USART2->SR & 0x40u) == 0) ++reads;
    EXPECT_LT(reads, 10) << "not some 700 reads of 2 cycles each";
    EXPECT_GE(models(board).clock().now(), 10u * 1000000000u / 115200u);
}

TEST(Bus, AWaitThatNothingWillEndSaysWhereItWaits)
{
    sim::Board board;
    board.fit_crystal(false);
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
    clock.at(30, [&] { fired += 'c'; });
    clock.at(10, [&] { fired += 'a'; });
    clock.at(10, [&] { fired += 'b'; });
    struct Owner {
        std::string* fired;
        void fire() { *fired += 'x'; }
    } owner{&fired};
    sim::Event cancelled = sim::Event::of<&Owner::fire>(&owner);
    clock.schedule(cancelled, 20);
    clock.cancel(cancelled);
    clock.advance_to(25);
    EXPECT_EQ(fired, "ab");
    EXPECT_EQ(clock.now(), 25u);
    EXPECT_EQ(clock.next_due(), 30u);
    clock.advance(5);
    EXPECT_EQ(fired, "abc");
    EXPECT_EQ(clock.next_due(), sim::kNever);
    EXPECT_EQ(clock.pending_events(), 0u);
}

TEST(VirtualClock, ManyEventsComeOutSortedAndReschedulingMovesOne)
{
    sim::VirtualClock clock;
    struct Tick {
        std::vector<int>* order = nullptr;
        int id = 0;
        sim::Event event = sim::Event::of<&Tick::fire>(this);
        void fire() { order->push_back(id); }
    };
    std::vector<int> order;
    std::vector<std::unique_ptr<Tick>> ticks;
    // Due times in a scrambled order; equal times keep the order of scheduling.
    for (int i = 0; i < 40; ++i) {
        ticks.push_back(std::make_unique<Tick>());
        ticks.back()->order = &order;
        ticks.back()->id = i;
        clock.schedule(ticks.back()->event, static_cast<sim::Nanoseconds>((i * 7919) % 23));
    }
    clock.schedule(ticks[5]->event, 100);  // moved to the end
    clock.advance_to(1000);
    ASSERT_EQ(order.size(), 40u);
    EXPECT_EQ(order.back(), 5);
    for (std::size_t k = 1; k + 1 < order.size(); ++k) {
        const auto due = [](int i) { return (i * 7919) % 23; };
        EXPECT_TRUE(due(order[k - 1]) < due(order[k]) || (due(order[k - 1]) == due(order[k]) && order[k - 1] < order[k]))
            << "at " << k;
    }
}

TEST(VirtualClock, AnEventCanScheduleAnotherWithinTheSameAdvance)
{
    sim::VirtualClock clock;
    int count = 0;
    std::function<void()> again = [&] {
        if (++count < 5) clock.at(clock.now() + 10, again);
    };
    clock.at(10, again);
    clock.advance_to(45);
    EXPECT_EQ(count, 4) << "at 10, 20, 30 and 40";
    EXPECT_EQ(clock.now(), 45u);
}

TEST(VirtualClock, TicksAndTimeConvertExactlyOverYears)
{
    using sim::ticks_in;
    using sim::time_of_ticks;
    constexpr sim::Nanoseconds kYear = 365ull * 24 * 3600 * 1000000000ull;
    // 100 MHz for a year: 3.15e15 ticks, far past where a 64-bit product of
    // nanoseconds and hertz overflows.
    EXPECT_EQ(ticks_in(kYear, 100000000u), 365ull * 24 * 3600 * 100000000ull);
    EXPECT_EQ(time_of_ticks(365ull * 24 * 3600 * 100000000ull, 100000000u), kYear);
    // A clock that does not divide a second: the time of a tick rounds up and
    // counts the tick.
    for (std::uint64_t n : {1ull, 3ull, 1000000007ull, 9000000000000001ull}) {
        const sim::Nanoseconds t = time_of_ticks(n, 3000000u);
        EXPECT_EQ(ticks_in(t, 3000000u), n);
        EXPECT_EQ(ticks_in(t - 1, 3000000u), n - 1);
    }
}

}  // namespace
