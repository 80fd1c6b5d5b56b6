// Every argument check of the peripheral access layer, one row each: the
// values just outside what the check accepts are reported at the check's line
// (and the function goes on), the values at the edges of what it accepts are
// not. Registers the board does not model are scratch storage.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver_test.h"
#include "irqlines.h"
#include "misc.h"
#include "stm32f2xx_flash.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_spi.h"
#include "stm32f2xx_tim.h"
#include "stm32f2xx_usart.h"
#include "syscfgdrv.h"

namespace {

using Values = std::vector<std::uint32_t>;
using Call = std::function<void(std::uint32_t)>;

struct CheckRow {
    std::string report;  // of a failed check
    Call call;           // the function with the value in the argument under test
    Values bad, good;
};

template <class T>
T* at(std::uint32_t address)
{
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(address));
}

// The call with one field of a valid parameter record replaced by the value.
template <class Struct, class Field, class Apply>
Call with(const Struct& valid, Field Struct::*field, Apply apply)
{
    return [=](std::uint32_t v) {
        Struct s = valid;
        s.*field = static_cast<Field>(v);
        apply(&s);
    };
}

// Each set bit of a mask that a check refuses, and the values given.
Values bits(std::uint32_t mask, Values more)
{
    for (std::uint32_t bit = 1; bit != 0; bit <<= 1)
        if ((mask & bit) != 0) more.push_back(bit);
    return more;
}

// The call with a valid parameter record on the port at the value.
template <class Port, class Struct>
Call on_port(const Struct& valid, void (*init)(Port*, Struct*))
{
    return [=](std::uint32_t v) {
        Struct s = valid;
        init(at<Port>(v), &s);
    };
}

std::string in(const char* module, const char* function, const char* check) { return report(module, function, check); }
std::string flash_line(int line)
{
    return "STM_ASSERT:  at ../../../../Libraries/F2xx_Periph_Driver/src/stm32f2xx_flash.cpp:" + std::to_string(line) +
           "\r\n";
}
FunctionalState state(std::uint32_t v) { return static_cast<FunctionalState>(v); }
std::uint16_t u16(std::uint32_t v) { return static_cast<std::uint16_t>(v); }
std::uint8_t u8(std::uint32_t v) { return static_cast<std::uint8_t>(v); }

const Values kGpioPorts = {0x40020000, 0x40020400, 0x40020800, 0x40020C00, 0x40021000,
                           0x40021400, 0x40021800, 0x40021C00, 0x40022000};
const Values kSpis = {0x40013000, 0x40003800, 0x40003C00};
const Values kUsarts1236 = {0x40011000, 0x40004400, 0x40004800, 0x40011400};
const Values kUarts45 = {0x40004C00, 0x40005000};
const Values kUsarts = {0x40011000, 0x40004400, 0x40004800, 0x40004C00, 0x40005000, 0x40011400};
const Values kForeign = {kForeignBase};

class ArgumentChecksTest : public DriverTest {
protected:
    void set_up_clocks() override { run_start_up_clock_tree(); }
    void SetUp() override
    {
        DriverTest::SetUp();
        RCC_AHB1PeriphClockCmd(0x1FF, ENABLE);       // GPIOA to GPIOI
        RCC_APB1PeriphClockCmd(0x0004C006, ENABLE);  // TIM3, TIM4, SPI2, SPI3, USART3
        RCC_APB2PeriphClockCmd(0x00005030, ENABLE);  // USART1, USART6, SPI1, SYSCFG
        for (std::uint32_t base : {kForeignBase, 0x40004C00u, 0x40005000u, 0x40010000u, 0x1FFF7800u}) map_scratch(base);
        FLASH_Unlock();
    }
};

TEST_F(ArgumentChecksTest, EachCheckReportsTheValuesPastItsEdgesAtItsLineAndOnlyThose)
{
    const auto nvic = [](std::uint32_t preemption, std::uint32_t sub, std::uint32_t cmd) {
        NVIC_InitTypeDef init{0, u8(preemption), u8(sub), state(cmd)};  // channel 0: nothing raises it here
        NVIC_Init(&init);
    };
    const EXTI_InitTypeDef exti{0x0001, EXTI_Mode_Event, EXTI_Trigger_Falling, ENABLE};
    const auto exti_init = [](EXTI_InitTypeDef* s) { EXTI_Init(s); };
    const GPIO_InitTypeDef output{0x0002, GPIO_Mode_OUT, GPIO_Speed_2MHz, GPIO_OType_PP, GPIO_PuPd_NOPULL};
    const auto gpiof_init = [](GPIO_InitTypeDef* s) { GPIO_Init(GPIOF, s); };
    const SPI_InitTypeDef spi{0x0000, 0x0104, 0x0000, 0x0002, 0x0001, 0x0200, 0x0018, 0x0000, 7};
    const auto spi3_init = [](SPI_InitTypeDef* s) {
        SPI_Init(SPI3, s);
        SPI3->CR1 = 0;  // off again: bad bits switch it on or set the CRC bits, which a set-up keeps
    };
    const USART_InitTypeDef settings{115200, 0x0000, 0x0000, 0x0000, 0x000C, 0x0000};
    const auto usart3_init = [](USART_InitTypeDef* s) { USART_Init(USART3, s); };
    const TIM_TimeBaseInitTypeDef base{0, TIM_CounterMode_Up, 99, TIM_CKD_DIV1, 0};
    const auto tim1_base = [](TIM_TimeBaseInitTypeDef* s) { TIM_TimeBaseInit(TIM1, s); };
    const TIM_OCInitTypeDef oc{TIM_OCMode_PWM1, 1, 0, 0, 0, 0, 0, 0};
    const auto tim1_oc2 = [](TIM_OCInitTypeDef* s) { TIM_OC2Init(TIM1, s); };
    const char *gpio = "stm32f2xx_gpio.cpp", *rcc = "stm32f2xx_rcc.cpp", *spis = "stm32f2xx_spi.cpp";
    const char *usart = "stm32f2xx_usart.cpp", *tim = "stm32f2xx_tim.cpp", *exti_module = "irqlines.cpp";
    const char *misc = "misc.cpp", *syscfg = "syscfgdrv.cpp";

    const CheckRow rows[] = {
        {in(misc, "NVIC_Init", "IS_FUNCTIONAL_STATE"), [&](auto v) { nvic(0, 0, v); }, {2}, {0, 1}},
        {in(misc, "NVIC_Init", "IS_NVIC_PREEMPTION_PRIORITY"), [&](auto v) { nvic(v, 0, 1); }, {16, 255}, {15}},
        {in(misc, "NVIC_Init", "IS_NVIC_SUB_PRIORITY"), [&](auto v) { nvic(0, v, 1); }, {16, 255}, {15}},
        {in(misc, "SysTick_CLKSourceConfig", "IS_SYSTICK_CLK_SOURCE"), SysTick_CLKSourceConfig,
         {0, 5, 0xFFFFFFFA}, {0x00000004, 0xFFFFFFFB}},

        {in(exti_module, "EXTI_Init", "IS_EXTI_MODE"), with(exti, &EXTI_InitTypeDef::EXTI_Mode, exti_init),
         {0x01, 0x08}, {0x00, 0x04}},
        {in(exti_module, "EXTI_Init", "IS_EXTI_MODE"), [&](auto v) {  // a line switched off in no mode's register
             EXTI_InitTypeDef s = exti;
             s.EXTI_Mode = static_cast<EXTIMode_TypeDef>(v);
             s.EXTI_LineCmd = DISABLE;
             EXTI_Init(&s);
         },
         {0x01, 0x08}, {0x00, 0x04}},
        {in(exti_module, "EXTI_Init", "IS_EXTI_TRIGGER"), with(exti, &EXTI_InitTypeDef::EXTI_Trigger, exti_init),
         {0x00, 0x09, 0x14}, {0x08, 0x0C, 0x10}},
        {in(exti_module, "EXTI_Init", "IS_EXTI_LINE"), with(exti, &EXTI_InitTypeDef::EXTI_Line, exti_init),
         bits(0xFF800000, {0}), {0x00000001, 0x00400000}},
        {in(exti_module, "EXTI_Init", "IS_FUNCTIONAL_STATE"), with(exti, &EXTI_InitTypeDef::EXTI_LineCmd, exti_init),
         {2}, {0, 1}},
        {in(exti_module, "EXTI_GenerateSWInterrupt", "IS_EXTI_LINE"), EXTI_GenerateSWInterrupt, bits(0xFF800000, {0}),
         {0x00400000}},
        {in(exti_module, "EXTI_GetFlagStatus", "IS_GET_EXTI_LINE"), EXTI_GetFlagStatus, bits(0xFF800000, {0, 0x3}),
         {0x1, 0x00400000}},
        {in(exti_module, "EXTI_ClearFlag", "IS_EXTI_LINE"), EXTI_ClearFlag, bits(0xFF800000, {0}), {0x007FFFFF}},
        {in(exti_module, "EXTI_GetITStatus", "IS_GET_EXTI_LINE"), EXTI_GetITStatus, bits(0xFF800000, {0, 0x3}),
         {0x1, 0x00400000}},
        {in(exti_module, "EXTI_ClearITPendingBit", "IS_EXTI_LINE"), EXTI_ClearITPendingBit, bits(0xFF800000, {0}),
         {0x007FFFFF}},

        {in(syscfg, "SYSCFG_MemoryRemapConfig", "IS_SYSCFG_MEMORY_REMAP"),
         [](auto v) { SYSCFG_MemoryRemapConfig(u8(v)); }, {4}, {3, 0}},
        // Past port I the code is reserved: after the report the chip's model refuses it.
        {in(syscfg, "SYSCFG_EXTILineConfig", "IS_EXTI_PORT_SOURCE"),
         [](auto v) {
             if (v <= 8)
                 SYSCFG_EXTILineConfig(u8(v), 6);
             else
                 EXPECT_THROW(SYSCFG_EXTILineConfig(u8(v), 6), sim::SimError);
         },
         {9}, {8}},
        {in(syscfg, "SYSCFG_EXTILineConfig", "IS_EXTI_PIN_SOURCE"), [](auto v) { SYSCFG_EXTILineConfig(2, u8(v)); },
         {16, 255}, {15}},
        {in(syscfg, "SYSCFG_ETH_MediaInterfaceConfig", "IS_SYSCFG_ETH_MEDIA_INTERFACE"),
         SYSCFG_ETH_MediaInterfaceConfig, {2}, {0, 1}},
        {in(syscfg, "SYSCFG_CompensationCellCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { SYSCFG_CompensationCellCmd(state(v)); }, {2}, {0, 1}},

        {in(gpio, "GPIO_Init", "IS_GPIO_ALL_PERIPH"), on_port(output, GPIO_Init), kForeign, kGpioPorts},
        {in(gpio, "GPIO_Init", "IS_GPIO_PIN"), with(output, &GPIO_InitTypeDef::GPIO_Pin, gpiof_init), {0}, {0x8000}},
        {in(gpio, "GPIO_Init", "IS_GPIO_MODE"), with(output, &GPIO_InitTypeDef::GPIO_Mode, gpiof_init), {4}, {3}},
        {in(gpio, "GPIO_Init", "IS_GPIO_PUPD"), with(output, &GPIO_InitTypeDef::GPIO_PuPd, gpiof_init), {3}, {2}},
        {in(gpio, "GPIO_Init", "IS_GPIO_SPEED"), with(output, &GPIO_InitTypeDef::GPIO_Speed, gpiof_init), {4}, {3}},
        {in(gpio, "GPIO_Init", "IS_GPIO_OTYPE"), with(output, &GPIO_InitTypeDef::GPIO_OType, gpiof_init), {2}, {1}},
        {in(gpio, "GPIO_SetBits", "IS_GPIO_ALL_PERIPH"), [](auto v) { GPIO_SetBits(at<GPIO_TypeDef>(v), 0x0002); },
         kForeign, kGpioPorts},
        {in(gpio, "GPIO_SetBits", "IS_GPIO_PIN"), [](auto v) { GPIO_SetBits(GPIOF, u16(v)); }, {0}, {0x8000}},
        {in(gpio, "GPIO_ResetBits", "IS_GPIO_ALL_PERIPH"), [](auto v) { GPIO_ResetBits(at<GPIO_TypeDef>(v), 0x0002); },
         kForeign, kGpioPorts},
        {in(gpio, "GPIO_ResetBits", "IS_GPIO_PIN"), [](auto v) { GPIO_ResetBits(GPIOF, u16(v)); }, {0}, {0x8000}},
        {in(gpio, "GPIO_PinAFConfig", "IS_GPIO_ALL_PERIPH"),
         [](auto v) { GPIO_PinAFConfig(at<GPIO_TypeDef>(v), 1, 0); }, kForeign, kGpioPorts},
        {in(gpio, "GPIO_PinAFConfig", "IS_GPIO_PIN_SOURCE"), [](auto v) { GPIO_PinAFConfig(GPIOF, u16(v), 0); },
         {16}, {15}},
        {in(gpio, "GPIO_PinAFConfig", "IS_GPIO_AF"), [](auto v) { GPIO_PinAFConfig(GPIOF, 1, u8(v)); }, {14, 16},
         {13, 15}},

        {in(rcc, "RCC_AHB1PeriphClockCmd", "IS_RCC_AHB1_CLOCK_PERIPH"),
         [](auto v) { RCC_AHB1PeriphClockCmd(v, ENABLE); }, bits(0x819BEE00, {0}), {0x7E6411FF}},
        {in(rcc, "RCC_AHB1PeriphClockCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { RCC_AHB1PeriphClockCmd(0x1000, state(v)); }, {2}, {0, 1}},
        {in(rcc, "RCC_APB1PeriphClockCmd", "IS_RCC_APB1_PERIPH"), [](auto v) { RCC_APB1PeriphClockCmd(v, ENABLE); },
         bits(0xC9013600, {0}), {0x36FEC9FF}},
        {in(rcc, "RCC_APB1PeriphClockCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { RCC_APB1PeriphClockCmd(0x0008, state(v)); }, {2}, {0, 1}},
        {in(rcc, "RCC_APB2PeriphClockCmd", "IS_RCC_APB2_PERIPH"), [](auto v) { RCC_APB2PeriphClockCmd(v, ENABLE); },
         bits(0xFFF8A0CC, {0}), {0x00075F33}},
        {in(rcc, "RCC_APB2PeriphClockCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { RCC_APB2PeriphClockCmd(0x00010000, state(v)); }, {2}, {0, 1}},
        {in(rcc, "RCC_APB2PeriphResetCmd", "IS_RCC_APB2_PERIPH"), [](auto v) { RCC_APB2PeriphResetCmd(v, DISABLE); },
         bits(0xFFF8A0CC, {0}), {0x00075F33}},
        {in(rcc, "RCC_APB2PeriphResetCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { RCC_APB2PeriphResetCmd(0x00010000, state(v)); }, {2}, {1, 0}},

        {in(spis, "SPI_Init", "IS_SPI_ALL_PERIPH"), on_port(spi, SPI_Init), kForeign, kSpis},
        {in(spis, "SPI_Init", "IS_SPI_DIRECTION_MODE"), with(spi, &SPI_InitTypeDef::SPI_Direction, spi3_init),
         {0x4000}, {0x0000, 0x0400, 0x8000, 0xC000}},
        {in(spis, "SPI_Init", "IS_SPI_MODE"), with(spi, &SPI_InitTypeDef::SPI_Mode, spi3_init), {0x0100, 0x0004},
         {0x0000, 0x0104}},
        {in(spis, "SPI_Init", "IS_SPI_DATASIZE"), with(spi, &SPI_InitTypeDef::SPI_DataSize, spi3_init), {0x0400},
         {0x0800, 0x0000}},
        {in(spis, "SPI_Init", "IS_SPI_CPOL"), with(spi, &SPI_InitTypeDef::SPI_CPOL, spi3_init), {0x0001},
         {0x0000, 0x0002}},
        {in(spis, "SPI_Init", "IS_SPI_CPHA"), with(spi, &SPI_InitTypeDef::SPI_CPHA, spi3_init), {0x0002},
         {0x0000, 0x0001}},
        {in(spis, "SPI_Init", "IS_SPI_NSS"), with(spi, &SPI_InitTypeDef::SPI_NSS, spi3_init), {0x0100},
         {0x0000, 0x0200}},
        {in(spis, "SPI_Init", "IS_SPI_BAUDRATE_PRESCALER"),
         with(spi, &SPI_InitTypeDef::SPI_BaudRatePrescaler, spi3_init), bits(0xFFC7, {}), {0x0000, 0x0038}},
        {in(spis, "SPI_Init", "IS_SPI_FIRST_BIT"), with(spi, &SPI_InitTypeDef::SPI_FirstBit, spi3_init), {0x0100},
         {0x0000, 0x0080}},
        {in(spis, "SPI_Init", "IS_SPI_CRC_POLYNOMIAL"), with(spi, &SPI_InitTypeDef::SPI_CRCPolynomial, spi3_init), {0},
         {1}},
        {in(spis, "SPI_Cmd", "IS_SPI_ALL_PERIPH"), [](auto v) { SPI_Cmd(at<SPI_TypeDef>(v), DISABLE); }, kForeign,
         kSpis},
        {in(spis, "SPI_Cmd", "IS_FUNCTIONAL_STATE"),
         [&](auto v) {
             SPI_InitTypeDef s = spi;
             SPI_Init(SPI3, &s);
             SPI_Cmd(SPI3, state(v));
             SPI_Cmd(SPI3, DISABLE);
         },
         {2}, {0, 1}},
        {in(spis, "SPI_I2S_SendData", "IS_SPI_ALL_PERIPH"), [](auto v) { SPI_I2S_SendData(at<SPI_TypeDef>(v), 0); },
         kForeign, {}},
        {in(spis, "SPI_I2S_ReceiveData", "IS_SPI_ALL_PERIPH"), [](auto v) { SPI_I2S_ReceiveData(at<SPI_TypeDef>(v)); },
         kForeign, {0x40003C00}},
        {in(spis, "SPI_I2S_GetFlagStatus", "IS_SPI_ALL_PERIPH"),
         [](auto v) { SPI_I2S_GetFlagStatus(at<SPI_TypeDef>(v), 0x0002); }, kForeign, kSpis},
        {in(spis, "SPI_I2S_GetFlagStatus", "IS_SPI_I2S_GET_FLAG"),
         [](auto v) { SPI_I2S_GetFlagStatus(SPI3, u16(v)); }, bits(0xFE00, {0, 0x0003}), {0x0001, 0x0100}},

        {in(usart, "USART_Init", "IS_USART_ALL_PERIPH"), on_port(settings, USART_Init), kForeign, kUsarts},
        {in(usart, "USART_Init", "IS_USART_BAUDRATE"), with(settings, &USART_InitTypeDef::USART_BaudRate, usart3_init),
         {0, 7500001}, {1, 7500000}},
        {in(usart, "USART_Init", "IS_USART_WORD_LENGTH"),
         with(settings, &USART_InitTypeDef::USART_WordLength, usart3_init), {0x0800}, {0x1000, 0x0000}},
        {in(usart, "USART_Init", "IS_USART_STOPBITS"), with(settings, &USART_InitTypeDef::USART_StopBits, usart3_init),
         {0x0800, 0x4000}, {0x1000, 0x2000, 0x3000, 0x0000}},
        {in(usart, "USART_Init", "IS_USART_PARITY"), with(settings, &USART_InitTypeDef::USART_Parity, usart3_init),
         {0x0200}, {0x0400, 0x0600, 0x0000}},
        {in(usart, "USART_Init", "IS_USART_MODE"), with(settings, &USART_InitTypeDef::USART_Mode, usart3_init),
         bits(0xFFF3, {0}), {0x0004, 0x0008, 0x000C}},
        {in(usart, "USART_Init", "IS_USART_HARDWARE_FLOW_CONTROL"),
         with(settings, &USART_InitTypeDef::USART_HardwareFlowControl, usart3_init), {0x0080, 0x0400},
         {0x0100, 0x0200, 0x0300, 0x0000}},
        {in(usart, "USART_Init", "IS_USART_1236_PERIPH"),
         [&](auto v) {
             USART_InitTypeDef s = settings;
             s.USART_HardwareFlowControl = 0x0100;
             USART_Init(at<USART_TypeDef>(v), &s);
             s.USART_HardwareFlowControl = 0x0000;  // back to none: no port is checked for it
             USART_Init(at<USART_TypeDef>(v), &s);
         },
         kUarts45, kUsarts1236},
        {in(usart, "USART_Cmd", "IS_USART_ALL_PERIPH"), [](auto v) { USART_Cmd(at<USART_TypeDef>(v), ENABLE); },
         kForeign, kUsarts},
        {in(usart, "USART_Cmd", "IS_FUNCTIONAL_STATE"), [](auto v) { USART_Cmd(UART4, state(v)); }, {2}, {0, 1}},
        {in(usart, "USART_SendData", "IS_USART_ALL_PERIPH"), [](auto v) { USART_SendData(at<USART_TypeDef>(v), 0x41); },
         kForeign, {0x40004C00}},
        {in(usart, "USART_SendData", "IS_USART_DATA"), [](auto v) { USART_SendData(UART4, u16(v)); }, {0x0200, 0xFFFF},
         {0x01FF}},
        {in(usart, "USART_ReceiveData", "IS_USART_ALL_PERIPH"),
         [](auto v) { USART_ReceiveData(at<USART_TypeDef>(v)); }, kForeign, {0x40004C00}},
        {in(usart, "USART_GetFlagStatus", "IS_USART_ALL_PERIPH"),
         [](auto v) { USART_GetFlagStatus(at<USART_TypeDef>(v), 0x0040); }, kForeign, kUsarts},
        {in(usart, "USART_GetFlagStatus", "IS_USART_FLAG"), [](auto v) { USART_GetFlagStatus(USART3, u16(v)); },
         {0, 0x0003, 0x0400}, {0x0001, 0x0200}},
        // Two arguments out of range at once: the checks report in the order of the arguments.
        {in(gpio, "GPIO_Init", "IS_GPIO_PIN") + in(gpio, "GPIO_Init", "IS_GPIO_MODE"),
         [&](auto v) {
             GPIO_InitTypeDef s = output;
             s.GPIO_Mode = static_cast<GPIOMode_TypeDef>(v);
             s.GPIO_Pin = 0;
             gpiof_init(&s);
         },
         {4}, {}},
        {in(rcc, "RCC_APB2PeriphClockCmd", "IS_RCC_APB2_PERIPH") + in(rcc, "RCC_APB2PeriphClockCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { RCC_APB2PeriphClockCmd(v, state(2)); }, {0}, {}},
        {in(rcc, "RCC_APB2PeriphResetCmd", "IS_RCC_APB2_PERIPH") + in(rcc, "RCC_APB2PeriphResetCmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { RCC_APB2PeriphResetCmd(v, state(2)); }, {0}, {}},
        {in(usart, "USART_GetFlagStatus", "IS_USART_ALL_PERIPH") + in(usart, "USART_GetFlagStatus", "IS_USART_FLAG"),
         [](auto v) { USART_GetFlagStatus(at<USART_TypeDef>(v), 0x0400); }, kForeign, {}},
        {in(usart, "USART_Cmd", "IS_USART_ALL_PERIPH") + in(usart, "USART_Cmd", "IS_FUNCTIONAL_STATE"),
         [](auto v) { USART_Cmd(at<USART_TypeDef>(v), state(2)); }, kForeign, {}},
        {in(usart, "USART_SendData", "IS_USART_ALL_PERIPH") + in(usart, "USART_SendData", "IS_USART_DATA"),
         [](auto v) { USART_SendData(at<USART_TypeDef>(v), 0x0200); }, kForeign, {}},
        {in(misc, "NVIC_Init", "IS_FUNCTIONAL_STATE") + in(misc, "NVIC_Init", "IS_NVIC_PREEMPTION_PRIORITY"),
         [](auto v) {
             NVIC_InitTypeDef init{0, u8(v), 0, state(2)};
             NVIC_Init(&init);
         },
         {16}, {}},
        {in(usart, "USART_GetFlagStatus", "IS_USART_1236_PERIPH"),
         [](auto v) { USART_GetFlagStatus(at<USART_TypeDef>(v), 0x0200); }, kUarts45, kUsarts1236},

        {in(tim, "TIM_TimeBaseInit", "IS_TIM_COUNTER_MODE"),
         with(base, &TIM_TimeBaseInitTypeDef::TIM_CounterMode, tim1_base),
         {0x0030, 0x0080}, {0x0000, 0x0010, 0x0020, 0x0040, 0x0060}},
        {in(tim, "TIM_TimeBaseInit", "IS_TIM_CKD_DIV"),
         with(base, &TIM_TimeBaseInitTypeDef::TIM_ClockDivision, tim1_base),
         {0x0300, 0x0080}, {0x0000, 0x0100, 0x0200}},
        {in(tim, "TIM_ARRPreloadConfig", "IS_FUNCTIONAL_STATE"), [](auto v) { TIM_ARRPreloadConfig(TIM1, state(v)); },
         {2}, {0, 1}},
        {in(tim, "TIM_Cmd", "IS_FUNCTIONAL_STATE"), [](auto v) { TIM_Cmd(TIM1, state(v)); }, {2}, {0, 1}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OC_MODE"), with(oc, &TIM_OCInitTypeDef::TIM_OCMode, tim1_oc2),
         {0x0040, 0x0050, 0x0080}, {0x0000, 0x0010, 0x0020, 0x0030, 0x0060, 0x0070}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OUTPUT_STATE"), with(oc, &TIM_OCInitTypeDef::TIM_OutputState, tim1_oc2), {2},
         {0, 1}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OC_POLARITY"), with(oc, &TIM_OCInitTypeDef::TIM_OCPolarity, tim1_oc2), {0x0004},
         {0x0000, 0x0002}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OUTPUTN_STATE"), with(oc, &TIM_OCInitTypeDef::TIM_OutputNState, tim1_oc2), {1},
         {0, 4}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OCN_POLARITY"), with(oc, &TIM_OCInitTypeDef::TIM_OCNPolarity, tim1_oc2),
         {0x0002}, {0x0000, 0x0008}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OCIDLE_STATE"), with(oc, &TIM_OCInitTypeDef::TIM_OCIdleState, tim1_oc2),
         {0x0200}, {0x0000, 0x0100}},
        {in(tim, "TIM_OC2Init", "IS_TIM_OCNIDLE_STATE"), with(oc, &TIM_OCInitTypeDef::TIM_OCNIdleState, tim1_oc2),
         {0x0100}, {0x0000, 0x0200}},
        {in(tim, "TIM_OC2PreloadConfig", "IS_TIM_OCPRELOAD_STATE"),
         [](auto v) { TIM_OC2PreloadConfig(TIM1, u16(v)); }, {0x0004}, {0x0000, 0x0008}},
        {in(tim, "TIM_EncoderInterfaceConfig", "IS_TIM_ENCODER_MODE"),
         [](auto v) { TIM_EncoderInterfaceConfig(TIM1, u16(v), 0, 0); }, {0, 4}, {1, 2, 3}},
        {in(tim, "TIM_EncoderInterfaceConfig", "IS_TIM_IC_POLARITY(TIM_IC1Polarity)"),
         [](auto v) { TIM_EncoderInterfaceConfig(TIM1, 3, u16(v), 0); }, {0x0008}, {0x0000, 0x0002, 0x000A}},
        {in(tim, "TIM_EncoderInterfaceConfig", "IS_TIM_IC_POLARITY(TIM_IC2Polarity)"),
         [](auto v) { TIM_EncoderInterfaceConfig(TIM1, 3, 0, u16(v)); }, {0x0008}, {0x0000, 0x0002, 0x000A}},

        // The flash driver reports its checks at fixed lines.
        {flash_line(582), [](auto v) { FLASH_ProgramByte(v, 0xFF); }, {0x07FFFFFF, 0x08100000, 0x1FFF77FF, 0x1FFF7A10},
         {0x08000000, 0x080FFFFF, 0x1FFF7800, 0x1FFF7A0F}},
        {flash_line(351), [](auto v) { FLASH_EraseSector(v, 0); }, {0x04, 0x2C},
         {0x00, 0x08, 0x10, 0x18, 0x20, 0x28, 0x30, 0x38, 0x40, 0x48, 0x50, 0x58}},
        {flash_line(352), [](auto v) { FLASH_EraseSector(0x28, u8(v)); }, {4, 255}, {3}},
    };
    for (const CheckRow& row : rows) {
        SCOPED_TRACE(row.report);
        for (const bool refused : {true, false})
            for (std::uint32_t v : refused ? row.bad : row.good) {
                board.clear_serial_output();
                row.call(v);
                EXPECT_EQ(console(), refused ? row.report : "") << std::hex << "value 0x" << v;
            }
    }
}

}  // namespace
