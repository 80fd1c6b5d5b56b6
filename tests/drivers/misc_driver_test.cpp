#include <string>
#include <vector>

#include "core/exception_state.h"
#include "driver_test.h"
#include "misc.h"

namespace {

using sim::ExceptionState;

const std::string kModule = "misc.cpp";
constexpr std::uint32_t kCorePeripherals = 0xE000E000u;  // offsets below read as the chip's addresses

using MiscTest = DriverTest;

struct NvicCase {
    const char* name;
    unsigned prigroup;
    NVIC_InitTypeDef init;
    std::uint8_t priority;  // the byte after the call; 0x80 before it
    bool enabled;           // after the call; the opposite before it
    std::vector<RegisterWrite> writes;
    std::string reports;
};

std::string nvic_report(const char* check) { return report(kModule, "NVIC_Init", check); }

TEST_F(MiscTest, NvicInitPriorityByteFollowsTheGroupingAndDisableWritesOnlyIcer)
{
    const NvicCase cases[] = {
        {"channel 40, 15/15, PRIGROUP 0: the highest priority", 0, {40, 15, 15, ENABLE}, 0x00, true,
         {{0x428, 1, 0x00}, {0x104, 4, 0x100}}, ""},
        {"channel 40, 15/15, PRIGROUP 3", 3, {40, 15, 15, ENABLE}, 0xF0, true, {{0x428, 1, 0xF0}, {0x104, 4, 0x100}}, ""},
        {"PRIGROUP 3 leaves the sub-priority no bit", 3, {6, 5, 9, ENABLE}, 0x50, true,
         {{0x406, 1, 0x50}, {0x100, 4, 0x40}}, ""},
        {"PRIGROUP 5: two bits each", 5, {23, 3, 2, ENABLE}, 0xE0, true, {{0x417, 1, 0xE0}, {0x100, 4, 0x800000}}, ""},
        {"PRIGROUP 7: every bit is sub-priority", 7, {71, 1, 9, ENABLE}, 0x90, true,
         {{0x447, 1, 0x90}, {0x108, 4, 0x80}}, ""},
        {"DISABLE writes ICER and leaves the priority", 3, {40, 15, 15, DISABLE}, 0x80, false, {{0x184, 4, 0x100}}, ""},
        {"bad command reported, then enabled", 0, {40, 0, 0, FunctionalState(2)}, 0x00, true,
         {{0x428, 1, 0x00}, {0x104, 4, 0x100}}, nvic_report("IS_FUNCTIONAL_STATE")},
        {"priorities of 16 reported; the preemption overflows its field", 3, {40, 16, 16, ENABLE}, 0x00, true,
         {{0x428, 1, 0x00}, {0x104, 4, 0x100}},
         nvic_report("IS_NVIC_PREEMPTION_PRIORITY") + nvic_report("IS_NVIC_SUB_PRIORITY")},
    };
    ExceptionState& core = models(board).exceptions();
    board.trace().start();
    for (const NvicCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int e = ExceptionState::irq(c.init.NVIC_IRQChannel);
        SCB->AIRCR = 0x05FA0000u | c.prigroup << 8;
        core.set_priority_byte(e, 0x80);
        core.set_enabled(e, !c.enabled);
        board.clear_serial_output();
        board.trace().clear();
        NVIC_InitTypeDef init = c.init;
        NVIC_Init(&init);
        EXPECT_EQ(writes_to(board.trace().accesses(), kCorePeripherals, 0x1000), c.writes);
        EXPECT_EQ(core.priority_byte(e), c.priority);
        EXPECT_EQ(core.enabled(e), c.enabled);
        EXPECT_EQ(console(), c.reports);
    }
    // Channel 240 lies past the last priority byte: only its enable bit is written.
    board.trace().clear();
    NVIC_InitTypeDef past{240, 15, 15, ENABLE};
    NVIC_Init(&past);
    EXPECT_EQ(writes_to(board.trace().accesses(), kCorePeripherals, 0x1000), (std::vector<RegisterWrite>{{0x11C, 4, 0x10000}}));
}

TEST_F(MiscTest, SysTickClockSourceSetsBitTwoOnlyForTheCoreClock)
{
    struct Case {
        std::uint32_t source, before, after;
        bool reported;
    };
    for (const Case c : {Case{0x4, 0x0, 0x4, false}, Case{0x4, 0x4, 0x4, false}, Case{0xFFFFFFFB, 0x4, 0x0, false},
                         Case{0x0, 0x4, 0x0, true}, Case{0x5, 0x4, 0x0, true}}) {
        SCOPED_TRACE(sim::hex32(c.source));
        SysTick->CTRL = c.before;
        board.clear_serial_output();
        SysTick_CLKSourceConfig(c.source);
        EXPECT_EQ(SysTick->CTRL, c.after);
        EXPECT_EQ(console(), c.reported ? report(kModule, "SysTick_CLKSourceConfig", "IS_SYSTICK_CLK_SOURCE") : "");
    }
}

}  // namespace
