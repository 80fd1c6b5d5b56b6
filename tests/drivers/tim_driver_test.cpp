// The timer driver against the board's TIM3 and TIM4 models and scratch
// registers for the timers the board lacks (TIM1, TIM2, TIM6, TIM8 and a
// block that is no timer): what each function writes, in which order and
// width, which bits it keeps, and every argument check it reports.
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "driver_test.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_tim.h"

namespace {

constexpr std::uint32_t CR1 = 0x00, CR2 = 0x04, SMCR = 0x08, EGR = 0x14, CCMR1 = 0x18, CCER = 0x20, CNT = 0x24;
constexpr std::uint32_t PSC = 0x28, ARR = 0x2C, RCR = 0x30, CCR2 = 0x38;

TIM_TypeDef* const kForeign = reinterpret_cast<TIM_TypeDef*>(kForeignBase);

std::string check(const char* function, const char* what) { return report("stm32f2xx_tim.cpp", function, what); }
std::uint32_t base_of(TIM_TypeDef* t) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(t)); }
unsigned width_of(std::uint32_t offset) { return offset == CNT || offset == ARR || offset == CCR2 ? 4 : 2; }

class TimDriverTest : public DriverTest {
protected:
    void set_up_clocks() override { run_start_up_clock_tree(); }
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3 | RCC_APB1Periph_TIM4, ENABLE);
        for (TIM_TypeDef* t : {TIM1, TIM2, TIM6, TIM8, kForeign}) map_scratch(base_of(t));
        board.trace().start();
    }
    // Registers as given; then the trace and the console start empty.
    void preset(TIM_TypeDef* t, std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> values)
    {
        for (auto [offset, value] : values) models(board).bus().write(base_of(t) + offset, width_of(offset), value);
        board.trace().clear();
        board.clear_serial_output();
    }
    std::vector<RegisterWrite> writes_to(TIM_TypeDef* t)
    {
        std::vector<RegisterWrite> writes;
        for (const sim::BusAccess& a : accesses_to(board.trace().accesses(), base_of(t), 0x400))
            if (a.write) writes.push_back({a.address - base_of(t), a.width, a.value});
        return writes;
    }
};

TEST_F(TimDriverTest, TimeBaseInitWritesCr1ArrPscAndAnUpdateByTheTimersGroup)
{
    TIM_TimeBaseInitTypeDef defaults;
    TIM_TimeBaseStructInit(&defaults);
    EXPECT_EQ(defaults.TIM_RepetitionCounter, 0u) << "the defaults repeat nothing";
    EXPECT_EQ(defaults.TIM_Period, 0xFFFFFFFFu);
    const struct {
        const char* name;
        TIM_TypeDef* timer;
        std::uint32_t cr1_before;
        TIM_TimeBaseInitTypeDef init;
        std::vector<RegisterWrite> writes;
        std::string reports;
    } cases[] = {
        {"TIM4 up, period 0xFFFF: direction and clock division cleared, no RCR", TIM4, 0x0190,
         {0, TIM_CounterMode_Up, 0xFFFF, TIM_CKD_DIV1, 9},
         {{CR1, 2, 0x0080}, {ARR, 4, 0xFFFF}, {PSC, 2, 0}, {EGR, 2, 1}}, ""},
        {"TIM6 keeps its mode and division bits", TIM6, 0x0375, {9, TIM_CounterMode_Down, 500, TIM_CKD_DIV4, 5},
         {{CR1, 2, 0x0375}, {ARR, 4, 500}, {PSC, 2, 9}, {EGR, 2, 1}}, ""},
        {"TIM1 loads its repetition counter too", TIM1, 0x0375, {1, TIM_CounterMode_Down, 1000, TIM_CKD_DIV4, 7},
         {{CR1, 2, 0x0215}, {ARR, 4, 1000}, {PSC, 2, 1}, {RCR, 2, 7}, {EGR, 2, 1}}, ""},
        {"the structure's defaults on TIM2", TIM2, 0x0375, defaults,
         {{CR1, 2, 0x0005}, {ARR, 4, 0xFFFFFFFF}, {PSC, 2, 0}, {EGR, 2, 1}}, ""},
        {"bad mode and division reported, set all the same", TIM2, 0, {0, 0x0030, 5, 0x0300, 0},
         {{CR1, 2, 0x0330}, {ARR, 4, 5}, {PSC, 2, 0}, {EGR, 2, 1}},
         check("TIM_TimeBaseInit", "IS_TIM_COUNTER_MODE") + check("TIM_TimeBaseInit", "IS_TIM_CKD_DIV")},
        {"a block that is no timer: division only", kForeign, 0x0375, {4, TIM_CounterMode_Down, 8, TIM_CKD_DIV1, 3},
         {{CR1, 2, 0x0075}, {ARR, 4, 8}, {PSC, 2, 4}, {EGR, 2, 1}}, check("TIM_TimeBaseInit", "IS_TIM_ALL_PERIPH")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, {{CR1, c.cr1_before}});
        TIM_TimeBaseInitTypeDef init = c.init;
        TIM_TimeBaseInit(c.timer, &init);
        EXPECT_EQ(writes_to(c.timer), c.writes);
        EXPECT_EQ(console(), c.reports);
    }
    EXPECT_EQ(TIM4->ARR, 0xFFFFu) << "TIM4 keeps what it was given";
}

TEST_F(TimDriverTest, EncoderInterfaceConfigSetsModeInputsAndPolarities)
{
    const auto enc = [](const char* what) { return check("TIM_EncoderInterfaceConfig", what); };
    const struct {
        const char* name;
        TIM_TypeDef* timer;
        std::uint32_t smcr, ccmr1, ccer;  // before
        std::uint16_t mode, ic1, ic2;
        std::uint32_t smcr_after, ccmr1_after, ccer_after;
        std::string reports;
    } cases[] = {
        {"TIM4 mode 3, rising edges: polarity bits 1 and 5 cleared", TIM4, 0x0070, 0xF2F2, 0x00AA,
         TIM_EncoderMode_TI12, TIM_ICPolarity_Rising, TIM_ICPolarity_Rising, 0x0073, 0xF1F1, 0x0088, ""},
        {"both edges add their second bit", TIM2, 0xFFF7, 0, 0, TIM_EncoderMode_TI1, TIM_ICPolarity_BothEdge,
         TIM_ICPolarity_BothEdge, 0xFFF1, 0x0101, 0x00AA, ""},
        {"the complementary polarity bits are never cleared", TIM2, 0x0005, 0xFFFF, 0x88FF, TIM_EncoderMode_TI2,
         TIM_ICPolarity_Rising, TIM_ICPolarity_Falling, 0x0002, 0xFDFD, 0x88FD, ""},
        {"no channel 2, bad mode and polarities: reported, written all the same", TIM6, 0, 0, 0, 5, 0x0004, 0x0001,
         0x0005, 0x0101, 0x0014,
         enc("IS_TIM_CHANNEL2_PERIPH") + enc("IS_TIM_ENCODER_MODE") + enc("IS_TIM_IC_POLARITY(TIM_IC1Polarity)") +
             enc("IS_TIM_IC_POLARITY(TIM_IC2Polarity)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, {{SMCR, c.smcr}, {CCMR1, c.ccmr1}, {CCER, c.ccer}});
        TIM_EncoderInterfaceConfig(c.timer, c.mode, c.ic1, c.ic2);
        const std::vector<RegisterWrite> in_order = {
            {SMCR, 2, c.smcr_after}, {CCMR1, 2, c.ccmr1_after}, {CCER, 2, c.ccer_after}};
        EXPECT_EQ(writes_to(c.timer), in_order);
        EXPECT_EQ(console(), c.reports);
    }
}

TEST_F(TimDriverTest, Oc2InitSetsChannel2InOrderCr2Ccmr1Ccr2Ccer)
{
    const auto oc = [](const char* what) { return check("TIM_OC2Init", what); };
    TIM_OCInitTypeDef pwm2_on_defaults;
    TIM_OCStructInit(&pwm2_on_defaults);
    EXPECT_EQ(pwm2_on_defaults.TIM_Pulse, 0u) << "the defaults compare at 0";
    pwm2_on_defaults.TIM_OCMode = TIM_OCMode_PWM2;
    pwm2_on_defaults.TIM_Pulse = 0x12345;
    const struct {
        const char* name;
        TIM_TypeDef* timer;
        std::uint32_t cr2, ccmr1, ccer;  // before
        TIM_OCInitTypeDef init;
        std::uint32_t ccer_off, cr2_after, ccmr1_after, ccr2_after, ccer_after;
        std::string reports;
    } cases[] = {
        // The complementary fields hold values no check accepts: TIM3 never tests them.
        {"TIM3 as the backlight", TIM3, 0, 0x0C0F, 0x0090,
         {TIM_OCMode_PWM1, TIM_OutputState_Enable, 0x1234, 0, TIM_OCPolarity_High, 0x5678, 0x0F0F, 0xF0F0}, 0x0080, 0,
         0x6C0F, 0, 0x0090, ""},
        {"TIM1 from the structure's defaults", TIM1, 0xFFFF, 0xFFFF, 0xFFFF, pwm2_on_defaults, 0xFFEF, 0xF3FF, 0xFCFF,
         0x12345, 0xFF0F, ""},
        {"TIM8 with every complementary field set", TIM8, 0, 0, 0,
         {TIM_OCMode_PWM1, TIM_OutputState_Enable, TIM_OutputNState_Enable, 99, TIM_OCPolarity_Low,
          TIM_OCNPolarity_Low, TIM_OCIdleState_Set, TIM_OCNIdleState_Set},
         0, 0x0C00, 0x6000, 99, 0x00F0, ""},
        {"TIM1 bad complementary fields reported", TIM1, 0, 0, 0,
         {TIM_OCMode_PWM1, TIM_OutputState_Enable, 1, 0, TIM_OCPolarity_High, 2, 1, 0x0400}, 0, 0x1004, 0x6000, 0,
         0x0030,
         oc("IS_TIM_OUTPUTN_STATE") + oc("IS_TIM_OCN_POLARITY") + oc("IS_TIM_OCIDLE_STATE") +
             oc("IS_TIM_OCNIDLE_STATE")},
        {"no channel 2, bad mode, state and polarity reported", TIM6, 0, 0, 0, {0x0080, 2, 0, 7, 1, 0, 0, 0}, 0, 0,
         0x8000, 7, 0x0030,
         oc("IS_TIM_CHANNEL2_PERIPH") + oc("IS_TIM_OC_MODE") + oc("IS_TIM_OUTPUT_STATE") + oc("IS_TIM_OC_POLARITY")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, {{CR2, c.cr2}, {CCMR1, c.ccmr1}, {CCER, c.ccer}});
        TIM_OCInitTypeDef init = c.init;
        TIM_OC2Init(c.timer, &init);
        const std::vector<RegisterWrite> in_order = {{CCER, 2, c.ccer_off}, {CR2, 2, c.cr2_after},
                                                     {CCMR1, 2, c.ccmr1_after}, {CCR2, 4, c.ccr2_after},
                                                     {CCER, 2, c.ccer_after}};
        EXPECT_EQ(writes_to(c.timer), in_order);
        EXPECT_EQ(console(), c.reports);
        const std::uint32_t base = base_of(c.timer);  // working values read after the channel is off
        EXPECT_TRUE(appear_in_order(board.trace().accesses(),
                                    {write_of(base + CCER, c.ccer_off), read_of(base + CCER, c.ccer_off),
                                     read_of(base + CR2), read_of(base + CCMR1), write_of(base + CR2)}));
    }
}

TEST_F(TimDriverTest, CounterCompareEnableAndPreloadsAreSingleWrites)
{
    const auto bad = static_cast<FunctionalState>(2);
    const auto preload = [](std::uint16_t value) { return [value](TIM_TypeDef* t) { TIM_OC2PreloadConfig(t, value); }; };
    const struct {
        const char* name;
        TIM_TypeDef* timer;
        std::uint32_t before_offset, before;
        std::function<void(TIM_TypeDef*)> call;
        RegisterWrite written;
        std::string reports;
    } cases[] = {
        {"counter set", TIM2, CNT, 0, [](TIM_TypeDef* t) { TIM_SetCounter(t, 0x12345678); }, {CNT, 4, 0x12345678}, ""},
        {"compare 2 set", TIM2, CCR2, 0, [](TIM_TypeDef* t) { TIM_SetCompare2(t, 53); }, {CCR2, 4, 53}, ""},
        {"counter on", TIM2, CR1, 0x0370, [](TIM_TypeDef* t) { TIM_Cmd(t, ENABLE); }, {CR1, 2, 0x0371}, ""},
        {"counter off", TIM2, CR1, 0x03FF, [](TIM_TypeDef* t) { TIM_Cmd(t, DISABLE); }, {CR1, 2, 0x03FE}, ""},
        {"auto-reload preload on", TIM2, CR1, 0x0001, [](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, ENABLE); },
         {CR1, 2, 0x0081}, ""},
        {"auto-reload preload off", TIM2, CR1, 0x03FF, [](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, DISABLE); },
         {CR1, 2, 0x037F}, ""},
        {"TIM3's PWM gets its compare preload, bit 11", TIM3, CCMR1, 0x6000, preload(0x0008), {CCMR1, 2, 0x6800}, ""},
        {"compare preload off, other bits kept", TIM2, CCMR1, 0xFFFF, preload(0x0000), {CCMR1, 2, 0xF7FF}, ""},
        {"0x0004 refused on a timer without channel 2, bit 10 set all the same", TIM6, CCMR1, 0, preload(0x0004),
         {CCMR1, 2, 0x0400},
         check("TIM_OC2PreloadConfig", "IS_TIM_CHANNEL2_PERIPH") +
             check("TIM_OC2PreloadConfig", "IS_TIM_OCPRELOAD_STATE")},
        {"compare 2 on a timer without it", TIM6, CCR2, 0, [](TIM_TypeDef* t) { TIM_SetCompare2(t, 7); }, {CCR2, 4, 7},
         check("TIM_SetCompare2", "IS_TIM_CHANNEL2_PERIPH")},
        {"no timer and a bad state: enabled", kForeign, CR1, 0, [bad](TIM_TypeDef* t) { TIM_Cmd(t, bad); },
         {CR1, 2, 0x0001}, check("TIM_Cmd", "IS_TIM_ALL_PERIPH") + check("TIM_Cmd", "IS_FUNCTIONAL_STATE")},
        {"no timer and a bad preload state: enabled", kForeign, CR1, 0,
         [bad](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, bad); }, {CR1, 2, 0x0080},
         check("TIM_ARRPreloadConfig", "IS_TIM_ALL_PERIPH") + check("TIM_ARRPreloadConfig", "IS_FUNCTIONAL_STATE")},
        {"counter set on no timer", kForeign, CNT, 0, [](TIM_TypeDef* t) { TIM_SetCounter(t, 1); }, {CNT, 4, 1},
         check("TIM_SetCounter", "IS_TIM_ALL_PERIPH")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, {{c.before_offset, c.before}});
        c.call(c.timer);
        EXPECT_EQ(writes_to(c.timer), std::vector<RegisterWrite>{c.written});
        EXPECT_EQ(console(), c.reports);
    }

    preset(kForeign, {{CNT, 0xFEDC1234}});
    EXPECT_EQ(TIM_GetCounter(kForeign), 0xFEDC1234u) << "all 32 bits";
    EXPECT_EQ(console(), check("TIM_GetCounter", "IS_TIM_ALL_PERIPH"));
    TIM_SetCounter(TIM4, 0x10008);
    EXPECT_EQ(TIM_GetCounter(TIM4), 8u) << "TIM4's counter has 16 bits";
}

struct TimerGroups {
    const char* name;
    TIM_TypeDef* timer;
    bool any, channel2, counter_mode, basic, advanced;
};

// Each function asks for its group; TIM_TimeBaseInit sets the counting
// direction only on the counter-mode timers, the clock division on all but
// the basic ones and the repetition counter on the advanced ones, which alone
// have TIM_OC2Init's complementary output and idle states.
TEST_F(TimDriverTest, EachFunctionTakesTheTimersOfItsGroupAndReportsTheOthers)
{
    for (TIM_TypeDef* t : {TIM5, TIM7, TIM9, TIM10, TIM11, TIM12, TIM13, TIM14}) map_scratch(base_of(t));
    const TimerGroups timers[] = {
        {"TIM1", TIM1, true, true, true, false, true},      {"TIM2", TIM2, true, true, true, false, false},
        {"TIM3", TIM3, true, true, true, false, false},     {"TIM4", TIM4, true, true, true, false, false},
        {"TIM5", TIM5, true, true, true, false, false},     {"TIM6", TIM6, true, false, false, true, false},
        {"TIM7", TIM7, true, false, false, true, false},    {"TIM8", TIM8, true, true, true, false, true},
        {"TIM9", TIM9, true, true, false, false, false},    {"TIM10", TIM10, true, false, false, false, false},
        {"TIM11", TIM11, true, false, false, false, false}, {"TIM12", TIM12, true, true, false, false, false},
        {"TIM13", TIM13, true, false, false, false, false}, {"TIM14", TIM14, true, false, false, false, false},
        {"no timer", kForeign, false, false, false, false, false},
    };
    const struct {
        const char* function;
        bool channel2;  // the group it asks for: the channel-2 timers, else all 14
        void (*call)(TIM_TypeDef*);
        const char* advanced_check = nullptr;  // failed only on the advanced timers, which alone test it
    } functions[] = {
        {"TIM_TimeBaseInit", false,
         [](TIM_TypeDef* t) {
             TIM_TimeBaseInitTypeDef init{0, TIM_CounterMode_Up, 99, TIM_CKD_DIV1, 7};
             TIM_TimeBaseInit(t, &init);
         }},
        {"TIM_SetCounter", false, [](TIM_TypeDef* t) { TIM_SetCounter(t, 5); }},
        {"TIM_GetCounter", false, [](TIM_TypeDef* t) { TIM_GetCounter(t); }},
        {"TIM_ARRPreloadConfig", false, [](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, ENABLE); }},
        {"TIM_Cmd", false, [](TIM_TypeDef* t) { TIM_Cmd(t, DISABLE); }},
        {"TIM_EncoderInterfaceConfig", true, [](TIM_TypeDef* t) { TIM_EncoderInterfaceConfig(t, 3, 2, 2); }},
        {"TIM_OC2Init", true,
         [](TIM_TypeDef* t) {
             // Complementary fields set, the last (0x0300) one no check accepts.
             TIM_OCInitTypeDef init{TIM_OCMode_PWM1, 1, 4, 50, 0, 8, 0x0100, 0x0300};
             TIM_OC2Init(t, &init);
         },
         "IS_TIM_OCNIDLE_STATE"},
        {"TIM_SetCompare2", true, [](TIM_TypeDef* t) { TIM_SetCompare2(t, 50); }},
        {"TIM_OC2PreloadConfig", true, [](TIM_TypeDef* t) { TIM_OC2PreloadConfig(t, TIM_OCPreload_Enable); }},
    };
    for (const TimerGroups& g : timers) {
        SCOPED_TRACE(g.name);
        preset(g.timer, {{CR1, 0x0260}, {CR2, 0}});  // clock division 4, centre-aligned mode 3
        std::string reports;
        for (const auto& f : functions) {
            f.call(g.timer);
            if (!(f.channel2 ? g.channel2 : g.any))
                reports += check(f.function, f.channel2 ? "IS_TIM_CHANNEL2_PERIPH" : "IS_TIM_ALL_PERIPH");
            if (f.advanced_check != nullptr && g.advanced) reports += check(f.function, f.advanced_check);
        }
        EXPECT_EQ(console(), reports);
        const std::vector<RegisterWrite> writes = writes_to(g.timer);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes[0], (RegisterWrite{CR1, 2, g.basic ? 0x0260u : g.counter_mode ? 0x0000u : 0x0060u}));
        bool rcr = false;
        std::uint32_t cr2 = 0xFFFF;
        for (const RegisterWrite& w : writes) {
            rcr = rcr || w.offset == RCR;
            if (w.offset == CR2) cr2 = w.value;
        }
        EXPECT_EQ(rcr, g.advanced) << "repetition counter";
        EXPECT_EQ(cr2, g.advanced ? 0x0C00u : 0x0000u) << "idle states";
    }
}

}  // namespace
