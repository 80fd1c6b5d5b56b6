#include <ostream>
#include <string>
#include <vector>

#include "board/wiring.h"
#include "driver_test.h"
#include "irqlines.h"
#include "models/exti.h"

namespace {

using sim::Exti;

const std::string kModule = "irqlines.cpp";
constexpr std::uint32_t kAll = EXTI_ALL_LINES;

struct Masks {
    std::uint32_t imr, emr, rtsr, ftsr;
    bool operator==(const Masks&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Masks& m)
    {
        return os << std::hex << "{IMR 0x" << m.imr << ", EMR 0x" << m.emr << ", RTSR 0x" << m.rtsr << ", FTSR 0x"
                  << m.ftsr << "}" << std::dec;
    }
};

class IrqLinesTest : public DriverTest {
protected:
    Exti& exti() { return models(board).get<Exti>("EXTI"); }
    Masks masks() { return {exti().peek(Exti::IMR), exti().peek(Exti::EMR), exti().peek(Exti::RTSR), exti().peek(Exti::FTSR)}; }
    void preset(const Masks& m)
    {
        EXTI->IMR = m.imr;
        EXTI->EMR = m.emr;
        EXTI->RTSR = m.rtsr;
        EXTI->FTSR = m.ftsr;
    }
};

struct InitCase {
    const char* name;
    EXTI_InitTypeDef init;
    Masks before, after;
    std::string reports;
};

std::string init_report(const char* check) { return report(kModule, "EXTI_Init", check); }

TEST_F(IrqLinesTest, InitSetsTheModeAndTriggerOfItsLinesOnly)
{
    const auto INT = EXTI_Mode_Interrupt, EVT = EXTI_Mode_Event;
    const auto RISE = EXTI_Trigger_Rising, FALL = EXTI_Trigger_Falling, BOTH = EXTI_Trigger_Rising_Falling;
    const Masks none{0, 0, 0, 0}, all{kAll, kAll, kAll, kAll};
    const InitCase cases[] = {
        {"the buttons: interrupt on the falling edge", {0xC000, INT, FALL, ENABLE}, {0x1, kAll, kAll, 0x2},
         {0xC001, 0x7F3FFF, 0x7F3FFF, 0xC002}, ""},
        {"event mode on both edges", {0x0011, EVT, BOTH, ENABLE}, {kAll, 0, 0, 0}, {0x7FFFEE, 0x11, 0x11, 0x11}, ""},
        {"rising takes the line off falling", {0x0200, INT, RISE, ENABLE}, {0, 0, 0, 0x0200}, {0x0200, 0, 0x0200, 0}, ""},
        {"DISABLE of an event line clears EMR only", {0x0010, EVT, RISE, DISABLE}, all, {kAll, 0x7FFFEF, kAll, kAll}, ""},
        {"DISABLE of an interrupt line clears IMR only", {0x0010, INT, FALL, DISABLE}, all,
         {0x7FFFEF, kAll, kAll, kAll}, ""},
        {"bad mode reported: neither mask set", {0x0004, EXTIMode_TypeDef(2), FALL, ENABLE}, all,
         {0x7FFFFB, 0x7FFFFB, 0x7FFFFB, kAll}, init_report("IS_EXTI_MODE")},
        {"bad trigger reported: no trigger set", {0x0004, INT, EXTITrigger_TypeDef(0x0E), ENABLE}, none, {4, 0, 0, 0},
         init_report("IS_EXTI_TRIGGER")},
        {"line 23 reported: no register holds it", {0x800000, INT, FALL, ENABLE}, none, none, init_report("IS_EXTI_LINE")},
        {"bad command reported, taken as ENABLE", {0x0001, INT, FALL, FunctionalState(2)}, none, {1, 0, 0, 1},
         init_report("IS_FUNCTIONAL_STATE")},
        {"all four bad, reported in order", {0, EXTIMode_TypeDef(2), EXTITrigger_TypeDef(0x0E), FunctionalState(3)},
         all, all,
         init_report("IS_EXTI_MODE") + init_report("IS_EXTI_TRIGGER") + init_report("IS_EXTI_LINE") +
             init_report("IS_FUNCTIONAL_STATE")},
    };
    for (const InitCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.before);
        board.clear_serial_output();
        EXTI_InitTypeDef init = c.init;
        EXTI_Init(&init);
        EXPECT_EQ(masks(), c.after);
        EXPECT_EQ(console(), c.reports);
    }
}

// One read-modify-write of a register: the value read and the value written.
struct Rmw {
    std::uint32_t offset, read, written;
    bool operator==(const Rmw&) const = default;
    friend std::ostream& operator<<(std::ostream& os, const Rmw& r)
    {
        return os << std::hex << "{+0x" << r.offset << ": 0x" << r.read << " -> 0x" << r.written << "}" << std::dec;
    }
};

struct OrderCase {
    const char* name;
    EXTI_InitTypeDef init;
    Masks before;
    std::vector<Rmw> steps;
};

TEST_F(IrqLinesTest, InitClearsBothMasksSetsTheModeClearsBothTriggersThenSetsTheTrigger)
{
    const std::uint32_t IMR = Exti::IMR, EMR = Exti::EMR, RTSR = Exti::RTSR, FTSR = Exti::FTSR;
    const OrderCase cases[] = {
        {"the buttons", {0xC000, EXTI_Mode_Interrupt, EXTI_Trigger_Falling, ENABLE}, {0x1, kAll, kAll, 0x2},
         {{IMR, 0x1, 0x1}, {EMR, kAll, 0x7F3FFF}, {IMR, 0x1, 0xC001}, {RTSR, kAll, 0x7F3FFF}, {FTSR, 0x2, 0x2},
          {FTSR, 0x2, 0xC002}}},
        {"an event on both edges: rising first", {0x0011, EXTI_Mode_Event, EXTI_Trigger_Rising_Falling, ENABLE},
         {kAll, 0, 0, 0x10},
         {{IMR, kAll, 0x7FFFEE}, {EMR, 0, 0}, {EMR, 0, 0x11}, {RTSR, 0, 0}, {FTSR, 0x10, 0}, {RTSR, 0, 0x11},
          {FTSR, 0, 0x11}}},
        {"rising", {0x0200, EXTI_Mode_Interrupt, EXTI_Trigger_Rising, ENABLE}, {0, 0x200, 0x200, 0x200},
         {{IMR, 0, 0}, {EMR, 0x200, 0}, {IMR, 0, 0x200}, {RTSR, 0x200, 0}, {FTSR, 0x200, 0}, {RTSR, 0, 0x200}}},
        {"DISABLE: the mode's mask alone", {0x0010, EXTI_Mode_Event, EXTI_Trigger_Rising, DISABLE},
         {kAll, kAll, kAll, kAll}, {{EMR, kAll, 0x7FFFEF}}},
    };
    const std::uint32_t base = sim::base_of("EXTI");
    for (const OrderCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.before);
        board.trace().clear();
        board.trace().start();
        EXTI_InitTypeDef init = c.init;
        EXTI_Init(&init);
        board.trace().stop();
        std::vector<Rmw> steps;
        const std::vector<sim::BusAccess> accesses = accesses_to(board.trace().accesses(), base, 0x400);
        for (std::size_t i = 0; i + 1 < accesses.size(); i += 2) {
            const sim::BusAccess &read = accesses[i], &write = accesses[i + 1];
            EXPECT_TRUE(!read.write && write.write && read.address == write.address) << "access " << i;
            steps.push_back({read.address - base, read.value, write.value});
        }
        EXPECT_EQ(accesses.size(), 2 * steps.size()) << "a read without its write";
        EXPECT_EQ(steps, c.steps);
    }
}

TEST_F(IrqLinesTest, DeInitClearsMasksAndTriggersThenEveryPendingBit)
{
    preset({kAll, kAll, kAll, kAll});
    EXTI->SWIER = 0x8001u;
    board.trace().start();
    EXTI_DeInit();
    const std::vector<RegisterWrite> expected = {{0x00, 4, 0}, {0x04, 4, 0}, {0x08, 4, 0}, {0x0C, 4, 0}, {0x14, 4, kAll}};
    EXPECT_EQ(writes_to(board.trace().accesses(), sim::base_of("EXTI"), 0x400), expected);
    EXPECT_EQ(exti().peek(Exti::PR), 0u);
    EXPECT_EQ(exti().peek(Exti::SWIER), 0u);
}

struct StatusCase {
    const char* name;
    std::uint32_t imr_then, generate, imr_now, line;
    FlagStatus flag, it;
    std::string reports;
};

TEST_F(IrqLinesTest, SoftwareInterruptFlagAndInterruptStatusUnderTheMask)
{
    const std::string bad_generate = report(kModule, "EXTI_GenerateSWInterrupt", "IS_EXTI_LINE");
    const std::string bad_status = report(kModule, "EXTI_GetFlagStatus", "IS_GET_EXTI_LINE") +
                                   report(kModule, "EXTI_GetITStatus", "IS_GET_EXTI_LINE");
    const StatusCase cases[] = {
        {"line 14 pending and unmasked", 0x4000, 0x4000, 0x4000, 0x4000, SET, SET, ""},
        {"pending, masked since", 0x4000, 0x4000, 0, 0x4000, SET, RESET, ""},
        {"masked when triggered: not pending", 0, 0x4000, 0x4000, 0x4000, RESET, RESET, ""},
        {"another line pending", 0xC000, 0x8000, 0xC000, 0x4000, RESET, RESET, ""},
        {"two lines asked: reported, the combined test", 0xC000, 0x4000, 0xC000, 0xC000, SET, SET, bad_status},
        {"no line asked", 0xC000, 0x4000, 0xC000, 0, RESET, RESET, bad_status},
        {"bad mask to trigger: reported, its good lines pend", 0x4000, 0x804000, 0x4000, 0x4000, SET, SET,
         bad_generate},
        {"empty mask to trigger", 0x4000, 0, 0x4000, 0x4000, RESET, RESET, bad_generate},
    };
    const std::uint32_t base = sim::base_of("EXTI");
    board.trace().start();
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXTI_DeInit();
        EXTI->IMR = c.imr_then;
        board.clear_serial_output();
        EXTI_GenerateSWInterrupt(c.generate);
        EXTI->IMR = c.imr_now;
        EXPECT_EQ(EXTI_GetFlagStatus(c.line), c.flag);
        board.trace().clear();
        EXPECT_EQ(EXTI_GetITStatus(c.line), c.it);
        const auto reads = accesses_to(board.trace().accesses(), base, 0x400);
        ASSERT_EQ(reads.size(), 2u);
        EXPECT_TRUE(!reads[0].write && reads[0].address == base + Exti::IMR && reads[1].address == base + Exti::PR);
        EXPECT_EQ(console(), c.reports);
    }
}

TEST_F(IrqLinesTest, ClearingWritesTheMaskToPendingOnceAndClearsThoseLinesOnly)
{
    EXTI->IMR = 0xC001u;
    EXTI->SWIER = 0xC001u;
    board.trace().start();
    EXTI_ClearITPendingBit(0x4000);
    EXPECT_EQ(accesses_to(board.trace().accesses(), sim::base_of("EXTI"), 0x400).size(), 1u) << "no read";
    EXPECT_EQ(writes_to(board.trace().accesses(), sim::base_of("EXTI"), 0x400),
              (std::vector<RegisterWrite>{{0x14, 4, 0x4000}}));
    EXPECT_EQ(exti().peek(Exti::PR), 0x8001u);
    EXTI_ClearFlag(0x8000);
    EXPECT_EQ(exti().peek(Exti::PR), 0x0001u);
    EXTI_ClearFlag(0);
    EXTI_ClearITPendingBit(0x01000001);
    EXPECT_EQ(exti().peek(Exti::PR), 0u);
    EXPECT_EQ(console(), report(kModule, "EXTI_ClearFlag", "IS_EXTI_LINE") +
                             report(kModule, "EXTI_ClearITPendingBit", "IS_EXTI_LINE"));
}

}  // namespace
