// The timer driver against the board's TIM3 and TIM4 models and scratch
// registers for the timers the board lacks: what each function writes, in
// which order and width, which bits it keeps, and every argument check it
// reports.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "driver_test.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_tim.h"

namespace {

const std::string kModule = "stm32f2xx_tim.cpp";

constexpr std::uint32_t CR1 = 0x00, CR2 = 0x04, SMCR = 0x08, EGR = 0x14, CCMR1 = 0x18, CCER = 0x20, CNT = 0x24;
constexpr std::uint32_t PSC = 0x28, ARR = 0x2C, RCR = 0x30, CCR2 = 0x38;

TIM_TypeDef* const kForeign = reinterpret_cast<TIM_TypeDef*>(kForeignBase);

std::string check(const char* function, const char* what) { return report(kModule, function, what); }

std::uint32_t base_of(TIM_TypeDef* timer) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(timer)); }

// TIM3 and TIM4 are the board's models (followed through the access trace);
// TIM1, TIM2, TIM6, TIM8, TIM9 and a foreign block are scratch registers.
class TimDriverTest : public DriverTest {
protected:
    void set_up_clocks() override { run_start_up_clock_tree(); }
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3 | RCC_APB1Periph_TIM4, ENABLE);
        for (TIM_TypeDef* t : {TIM1, TIM2, TIM6, TIM8, TIM9, kForeign}) scratch_of[base_of(t)] = &map_scratch(base_of(t));
        board.trace().start();
        forget_writes();
    }

    void preset(TIM_TypeDef* timer, std::uint32_t offset, std::uint32_t value)
    {
        if (auto found = scratch_of.find(base_of(timer)); found != scratch_of.end())
            found->second->preset(offset, value);
        else
            board.models().bus().write(base_of(timer) + offset, offset == CNT || offset == ARR ? 4 : 2, value);
    }
    void forget_writes()
    {
        board.trace().clear();
        for (auto& [base, file] : scratch_of) file->clear_writes();
        board.clear_serial_output();
    }
    std::vector<RegisterWrite> writes_to(TIM_TypeDef* timer)
    {
        if (auto found = scratch_of.find(base_of(timer)); found != scratch_of.end()) return found->second->writes();
        std::vector<RegisterWrite> writes;
        for (const sim::BusAccess& a : accesses_to(board.trace().accesses(), base_of(timer), 0x400))
            if (a.write) writes.push_back({a.address - base_of(timer), a.width, a.value});
        return writes;
    }

    std::map<std::uint32_t, RegisterFile*> scratch_of;
};

struct TimeBaseCase {
    const char* name;
    TIM_TypeDef* timer;
    std::uint32_t cr1_before;
    TIM_TimeBaseInitTypeDef init;
    std::vector<RegisterWrite> writes;
    std::string reports;
};

TEST_F(TimDriverTest, TimeBaseInitWritesCr1ArrPscAndAnUpdateByTheTimersGroup)
{
    const auto tb = [](const char* what) { return check("TIM_TimeBaseInit", what); };
    TIM_TimeBaseInitTypeDef defaults;
    TIM_TimeBaseStructInit(&defaults);
    const TimeBaseCase cases[] = {
        {"TIM4 up, period 0xFFFF: direction and clock division cleared, no RCR", TIM4, 0x0190,
         {0, TIM_CounterMode_Up, 0xFFFF, TIM_CKD_DIV1, 9},
         {{CR1, 2, 0x0080}, {ARR, 4, 0xFFFF}, {PSC, 2, 0}, {EGR, 2, 1}}, ""},
        {"TIM4 centre-aligned bits replaced", TIM4, 0x0260, {3, TIM_CounterMode_CenterAligned1, 22, TIM_CKD_DIV2, 0},
         {{CR1, 2, 0x0120}, {ARR, 4, 22}, {PSC, 2, 3}, {EGR, 2, 1}}, ""},
        {"TIM6 keeps its mode and division bits", TIM6, 0x0375, {9, TIM_CounterMode_Down, 500, TIM_CKD_DIV4, 5},
         {{CR1, 2, 0x0375}, {ARR, 4, 500}, {PSC, 2, 9}, {EGR, 2, 1}}, ""},
        {"TIM1 loads its repetition counter too", TIM1, 0x0375, {1, TIM_CounterMode_Down, 1000, TIM_CKD_DIV4, 7},
         {{CR1, 2, 0x0215}, {ARR, 4, 1000}, {PSC, 2, 1}, {RCR, 2, 7}, {EGR, 2, 1}}, ""},
        {"TIM9 keeps its mode bits, takes the division", TIM9, 0x0375,
         {2, TIM_CounterMode_CenterAligned2, 77, TIM_CKD_DIV2, 0},
         {{CR1, 2, 0x0175}, {ARR, 4, 77}, {PSC, 2, 2}, {EGR, 2, 1}}, ""},
        {"the structure's defaults on TIM2", TIM2, 0x0375, defaults,
         {{CR1, 2, 0x0005}, {ARR, 4, 0xFFFFFFFF}, {PSC, 2, 0}, {EGR, 2, 1}}, ""},
        {"bad mode and division reported, set all the same", TIM2, 0, {0, 0x0030, 5, 0x0300, 0},
         {{CR1, 2, 0x0330}, {ARR, 4, 5}, {PSC, 2, 0}, {EGR, 2, 1}},
         tb("IS_TIM_COUNTER_MODE") + tb("IS_TIM_CKD_DIV")},
        {"a block that is no timer", kForeign, 0x0375, {4, TIM_CounterMode_Up, 8, TIM_CKD_DIV1, 3},
         {{CR1, 2, 0x0075}, {ARR, 4, 8}, {PSC, 2, 4}, {EGR, 2, 1}}, tb("IS_TIM_ALL_PERIPH")},
    };
    for (const TimeBaseCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, CR1, c.cr1_before);
        forget_writes();
        TIM_TimeBaseInitTypeDef init = c.init;
        TIM_TimeBaseInit(c.timer, &init);
        EXPECT_EQ(writes_to(c.timer), c.writes);
        EXPECT_EQ(console(), c.reports);
    }
    // The update event loaded TIM4's prescaler and auto-reload at once.
    EXPECT_EQ(TIM4->CR1, 0x0120);
    EXPECT_EQ(TIM4->PSC, 3);
    EXPECT_EQ(TIM4->ARR, 22u);
    EXPECT_EQ(TIM4->CNT, 0u);
}

struct EncoderCase {
    const char* name;
    TIM_TypeDef* timer;
    std::uint32_t smcr, ccmr1, ccer;  // before
    std::uint16_t mode, ic1, ic2;
    std::uint32_t smcr_after, ccmr1_after, ccer_after;
    std::string reports;
};

TEST_F(TimDriverTest, EncoderInterfaceConfigSetsModeInputsAndPolarities)
{
    const auto enc = [](const char* what) { return check("TIM_EncoderInterfaceConfig", what); };
    const EncoderCase cases[] = {
        {"TIM4 mode 3, rising edges: polarity bits 1 and 5 cleared", TIM4, 0x0070, 0xF2F2, 0x00AA,
         TIM_EncoderMode_TI12, TIM_ICPolarity_Rising, TIM_ICPolarity_Rising, 0x0073, 0xF1F1, 0x0088, ""},
        {"TIM4 as the firmware sets it up", TIM4, 0, 0, 0, TIM_EncoderMode_TI12, TIM_ICPolarity_Falling,
         TIM_ICPolarity_Falling, 0x0003, 0x0101, 0x0022, ""},
        {"both edges add their second bit", TIM2, 0xFFF7, 0, 0, TIM_EncoderMode_TI1, TIM_ICPolarity_BothEdge,
         TIM_ICPolarity_BothEdge, 0xFFF1, 0x0101, 0x00AA, ""},
        {"the complementary polarity bits are never cleared", TIM2, 0x0005, 0xFFFF, 0x88FF, TIM_EncoderMode_TI2,
         TIM_ICPolarity_Rising, TIM_ICPolarity_Falling, 0x0002, 0xFDFD, 0x88FD, ""},
        {"bad mode and polarities reported, written all the same", TIM2, 0, 0, 0, 5, 0x0004, 0x0001, 0x0005, 0x0101,
         0x0014,
         enc("IS_TIM_ENCODER_MODE") + enc("IS_TIM_IC_POLARITY(TIM_IC1Polarity)") +
             enc("IS_TIM_IC_POLARITY(TIM_IC2Polarity)")},
        {"a timer without channel 2", TIM6, 0, 0, 0, TIM_EncoderMode_TI12, 0, 0, 0x0003, 0x0101, 0x0000,
         enc("IS_TIM_CHANNEL2_PERIPH")},
    };
    for (const EncoderCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, SMCR, c.smcr);
        preset(c.timer, CCMR1, c.ccmr1);
        preset(c.timer, CCER, c.ccer);
        forget_writes();
        TIM_EncoderInterfaceConfig(c.timer, c.mode, c.ic1, c.ic2);
        const std::vector<RegisterWrite> expected = {
            {SMCR, 2, c.smcr_after}, {CCMR1, 2, c.ccmr1_after}, {CCER, 2, c.ccer_after}};
        EXPECT_EQ(writes_to(c.timer), expected);
        EXPECT_EQ(console(), c.reports);
    }
}

struct OcCase {
    const char* name;
    TIM_TypeDef* timer;
    std::uint32_t cr2, ccmr1, ccer;  // before
    TIM_OCInitTypeDef init;
    std::uint32_t ccer_off, cr2_after, ccmr1_after, ccr2_after, ccer_after;
    std::string reports;
};

TEST_F(TimDriverTest, Oc2InitSetsChannel2InOrderCr2Ccmr1Ccr2Ccer)
{
    const auto oc = [](const char* what) { return check("TIM_OC2Init", what); };
    TIM_OCInitTypeDef defaults;
    TIM_OCStructInit(&defaults);
    TIM_OCInitTypeDef pwm2_on_defaults = defaults;
    pwm2_on_defaults.TIM_OCMode = TIM_OCMode_PWM2;
    pwm2_on_defaults.TIM_Pulse = 0x12345;
    // Values no check accepts in the fields that only TIM1 and TIM8 have.
    const TIM_OCInitTypeDef backlight = {TIM_OCMode_PWM1, TIM_OutputState_Enable, 0x1234, 0, TIM_OCPolarity_High,
                                         0x5678, 0x0F0F, 0xF0F0};
    const OcCase cases[] = {
        {"TIM3 as the backlight: the complementary fields never tested", TIM3, 0, 0x0C0F, 0x0090, backlight, 0x0080, 0,
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
        {"bad mode, state and polarity reported", TIM2, 0, 0, 0, {0x0080, 2, 0, 7, 1, 0, 0, 0}, 0, 0, 0x8000, 7, 0x0030,
         oc("IS_TIM_OC_MODE") + oc("IS_TIM_OUTPUT_STATE") + oc("IS_TIM_OC_POLARITY")},
        {"a timer without channel 2", TIM6, 0, 0, 0x0010, defaults, 0, 0, 0, 0, 0, oc("IS_TIM_CHANNEL2_PERIPH")},
    };
    for (const OcCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, CR2, c.cr2);
        preset(c.timer, CCMR1, c.ccmr1);
        preset(c.timer, CCER, c.ccer);
        forget_writes();
        TIM_OCInitTypeDef init = c.init;
        TIM_OC2Init(c.timer, &init);
        const std::vector<RegisterWrite> expected = {{CCER, 2, c.ccer_off},
                                                     {CR2, 2, c.cr2_after},
                                                     {CCMR1, 2, c.ccmr1_after},
                                                     {CCR2, 4, c.ccr2_after},
                                                     {CCER, 2, c.ccer_after}};
        EXPECT_EQ(writes_to(c.timer), expected);
        EXPECT_EQ(console(), c.reports);
    }
}

TEST_F(TimDriverTest, Oc2InitReadsItsWorkingValuesAfterSwitchingTheChannelOff)
{
    const std::uint32_t tim3 = base_of(TIM3);
    TIM3->CCER = 0x0010;
    forget_writes();
    TIM_OCInitTypeDef init;
    TIM_OCStructInit(&init);
    init.TIM_OCMode = TIM_OCMode_PWM1;
    init.TIM_OutputState = TIM_OutputState_Enable;
    TIM_OC2Init(TIM3, &init);
    EXPECT_TRUE(appear_in_order(board.trace().accesses(),
                                {read_of(tim3 + CCER), write_of(tim3 + CCER, 0x0000), read_of(tim3 + CCER, 0x0000),
                                 read_of(tim3 + CR2), read_of(tim3 + CCMR1), write_of(tim3 + CR2),
                                 write_of(tim3 + CCMR1, 0x6000), write_of(tim3 + CCR2, 0, 4),
                                 write_of(tim3 + CCER, 0x0010)}));
}

struct PreloadCase {
    const char* name;
    TIM_TypeDef* timer;
    std::uint32_t ccmr1_before;
    std::uint16_t preload;
    std::uint32_t ccmr1_after;
    std::string reports;
};

TEST_F(TimDriverTest, Oc2PreloadConfigSetsBit11AndShiftsARefusedValueInAllTheSame)
{
    const auto pre = [](const char* what) { return check("TIM_OC2PreloadConfig", what); };
    const PreloadCase cases[] = {
        {"TIM3 PWM 1 gets its compare preload", TIM3, 0x6000, TIM_OCPreload_Enable, 0x6800, ""},
        {"enabled, other bits kept", TIM2, 0x7777, TIM_OCPreload_Enable, 0x7F77, ""},
        {"disabled, other bits kept", TIM2, 0xFFFF, TIM_OCPreload_Disable, 0xF7FF, ""},
        {"0x0004 refused, bit 10 set all the same", TIM2, 0x0000, 0x0004, 0x0400, pre("IS_TIM_OCPRELOAD_STATE")},
        {"a timer without channel 2", TIM6, 0x0000, TIM_OCPreload_Enable, 0x0800, pre("IS_TIM_CHANNEL2_PERIPH")},
    };
    for (const PreloadCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, CCMR1, c.ccmr1_before);
        forget_writes();
        TIM_OC2PreloadConfig(c.timer, c.preload);
        EXPECT_EQ(writes_to(c.timer), (std::vector<RegisterWrite>{{CCMR1, 2, c.ccmr1_after}}));
        EXPECT_EQ(console(), c.reports);
    }
}

struct SingleWriteCase {
    const char* name;
    TIM_TypeDef* timer;
    std::uint32_t cr1_before;
    std::function<void(TIM_TypeDef*)> call;
    std::vector<RegisterWrite> writes;
    std::string reports;
};

TEST_F(TimDriverTest, CounterCompareEnableAndPreloadAreSingleWrites)
{
    const auto bad_state = static_cast<FunctionalState>(2);
    const SingleWriteCase cases[] = {
        {"counter set", TIM2, 0, [](TIM_TypeDef* t) { TIM_SetCounter(t, 0x12345678); }, {{CNT, 4, 0x12345678}}, ""},
        {"compare 2 set", TIM2, 0, [](TIM_TypeDef* t) { TIM_SetCompare2(t, 53); }, {{CCR2, 4, 53}}, ""},
        {"counter on, the rest kept", TIM2, 0x0370, [](TIM_TypeDef* t) { TIM_Cmd(t, ENABLE); }, {{CR1, 2, 0x0371}}, ""},
        {"counter off", TIM2, 0x03FF, [](TIM_TypeDef* t) { TIM_Cmd(t, DISABLE); }, {{CR1, 2, 0x03FE}}, ""},
        {"auto-reload preload on", TIM2, 0x0001, [](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, ENABLE); },
         {{CR1, 2, 0x0081}}, ""},
        {"auto-reload preload off", TIM2, 0x03FF, [](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, DISABLE); },
         {{CR1, 2, 0x037F}}, ""},
        {"a bad state counts as enable", TIM2, 0, [bad_state](TIM_TypeDef* t) { TIM_Cmd(t, bad_state); },
         {{CR1, 2, 0x0001}}, check("TIM_Cmd", "IS_FUNCTIONAL_STATE")},
        {"a bad preload state counts as enable", TIM2, 0,
         [bad_state](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, bad_state); }, {{CR1, 2, 0x0080}},
         check("TIM_ARRPreloadConfig", "IS_FUNCTIONAL_STATE")},
        {"counter set on no timer", kForeign, 0, [](TIM_TypeDef* t) { TIM_SetCounter(t, 1); }, {{CNT, 4, 1}},
         check("TIM_SetCounter", "IS_TIM_ALL_PERIPH")},
        {"enable on no timer", kForeign, 0, [](TIM_TypeDef* t) { TIM_Cmd(t, ENABLE); }, {{CR1, 2, 1}},
         check("TIM_Cmd", "IS_TIM_ALL_PERIPH")},
        {"preload on no timer", kForeign, 0, [](TIM_TypeDef* t) { TIM_ARRPreloadConfig(t, ENABLE); },
         {{CR1, 2, 0x0080}}, check("TIM_ARRPreloadConfig", "IS_TIM_ALL_PERIPH")},
        {"compare 2 on a timer without it", TIM6, 0, [](TIM_TypeDef* t) { TIM_SetCompare2(t, 7); }, {{CCR2, 4, 7}},
         check("TIM_SetCompare2", "IS_TIM_CHANNEL2_PERIPH")},
    };
    for (const SingleWriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        preset(c.timer, CR1, c.cr1_before);
        forget_writes();
        c.call(c.timer);
        EXPECT_EQ(writes_to(c.timer), c.writes);
        EXPECT_EQ(console(), c.reports);
    }
}

TEST_F(TimDriverTest, GetCounterReadsTheWholeRegister)
{
    preset(TIM2, CNT, 0xFEDC1234);
    EXPECT_EQ(TIM_GetCounter(TIM2), 0xFEDC1234u);
    TIM_SetCounter(TIM4, 0x10008);
    EXPECT_EQ(TIM_GetCounter(TIM4), 8u) << "TIM4's counter has 16 bits";
    EXPECT_EQ(console(), "");
    preset(kForeign, CNT, 5);
    EXPECT_EQ(TIM_GetCounter(kForeign), 5u);
    EXPECT_EQ(console(), check("TIM_GetCounter", "IS_TIM_ALL_PERIPH"));
}

}  // namespace
