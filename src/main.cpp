// Start-up of the application and its foreground loop.
#include "main.h"

#include "accelspi.h"
#include "lcd_st7565p.h"
#include "misc.h"
#include "morva_eval.h"
#include "platform_ops.h"
#include "sercom.h"
#include "stm32f2xx_flash.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_tim.h"

int app_state;
int app_menu;
Record app_record;
Record app_limits;
int app_alarm;
int app_rec;
int app_data_index;
int graph_scale;
int lcd_status;
volatile std::uint32_t LocalTime;
int tmp;
char str[4];
int dummy;

constexpr std::uint32_t SAMPLE_PERIOD_MS = 500;

constexpr std::uint32_t TICKS_PER_SECOND = 100;  // a 10 ms tick
constexpr std::uint8_t SYSTICK_PRIORITY = 0xF0;  // the lowest: the button interrupt pre-empts the tick
constexpr unsigned SYSTICK_SHP_INDEX = 11;       // exception 15 among the system handlers from 4 on

// The encoder counter rests at 8 within 0..22; one detent moves it by 4
// (both edges of both channels are counted).
constexpr std::uint32_t ENCODER_PERIOD = 22;
constexpr std::uint32_t ENCODER_REST = 8;

constexpr std::uint8_t ACCEL_CTRL_REG = 0x20;
constexpr std::uint8_t ACCEL_CTRL_MEASURE_XY = 0xC3;  // measure continuously on the X and Y channels

// A 10 ms SysTick from the core clock. A period that does not fit the 24-bit
// counter leaves SysTick off, without a report.
void SysTick_Init(void)
{
    SysTick_CLKSourceConfig(SysTick_CLKSource_HCLK);

    RCC_ClocksTypeDef RCC_Clocks;
    RCC_GetClocksFreq(&RCC_Clocks);
    const std::uint32_t ticks = RCC_Clocks.HCLK_Frequency / TICKS_PER_SECOND;
    if (ticks > SysTick_LOAD_RELOAD_Msk) return;

    SysTick->LOAD = (ticks - 1) & SysTick_LOAD_RELOAD_Msk;
    SCB->SHP[SYSTICK_SHP_INDEX] = SYSTICK_PRIORITY;
    SysTick->VAL = 0;
    SysTick->CTRL = SysTick_CTRL_CLKSOURCE | SysTick_CTRL_TICKINT | SysTick_CTRL_ENABLE;
}

// Back (SW1, EXTI line 14) and OK (SW2, line 15), each a falling-edge interrupt.
void Button_Init(void)
{
    STM_EVAL_PBInit(BUTTON_SW1, BUTTON_MODE_EXTI);
    STM_EVAL_PBInit(BUTTON_SW2, BUTTON_MODE_EXTI);
}

void UART_Init(void)
{
    ComPort_Init(COM1);
    ComPort_ConfigStdio(COM1, COM1, COM1);
}

// The encoder's two channels on PD12 and PD13 drive TIM4 in encoder mode,
// counting both edges of both inputs, centre-aligned within 0..22.
void IncrementalEncoder_Init(void)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD, ENABLE);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);

    GPIO_InitTypeDef GPIO_InitStructure;
    GPIO_InitStructure.GPIO_Pin = GPIO_Pin_12 | GPIO_Pin_13;
    GPIO_InitStructure.GPIO_Mode = GPIO_Mode_AF;
    GPIO_InitStructure.GPIO_OType = GPIO_OType_PP;
    GPIO_InitStructure.GPIO_Speed = GPIO_Speed_2MHz;
    GPIO_InitStructure.GPIO_PuPd = GPIO_PuPd_UP;
    GPIO_Init(GPIOD, &GPIO_InitStructure);
    GPIO_PinAFConfig(GPIOD, GPIO_PinSource12, GPIO_AF_TIM4);
    GPIO_PinAFConfig(GPIOD, GPIO_PinSource13, GPIO_AF_TIM4);

    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM4, ENABLE);
    TIM_EncoderInterfaceConfig(TIM4, TIM_EncoderMode_TI12, TIM_ICPolarity_Falling, TIM_ICPolarity_Falling);

    // TIM4 has no repetition counter; the field stays at its zero.
    TIM_TimeBaseInitTypeDef TIM_TimeBaseStructure{};
    TIM_TimeBaseStructure.TIM_Prescaler = 0;
    TIM_TimeBaseStructure.TIM_CounterMode = TIM_CounterMode_CenterAligned1;
    TIM_TimeBaseStructure.TIM_Period = ENCODER_PERIOD;
    TIM_TimeBaseStructure.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(TIM4, &TIM_TimeBaseStructure);

    TIM_Cmd(TIM4, ENABLE);
    TIM_SetCounter(TIM4, ENCODER_REST);
}

void LED_Init(void)
{
    for (int led = LED1; led <= LED8; led++) {
        STM_EVAL_LEDInit(static_cast<Led_TypeDef>(led));
        STM_EVAL_LEDOff(static_cast<Led_TypeDef>(led));
    }
}

void LCD_Disp_Init(void)
{
    LCD_Init();
    LCD_SetBacklight(100);
}

// What the device answers to the control register's write is of no use.
void sACCEL_Init_StartUp(void)
{
    sACCEL_Init();
    sACCEL_WriteReg(ACCEL_CTRL_REG, ACCEL_CTRL_MEASURE_XY);
}

void Periph_init(void)
{
    SysTick_Init();
    Button_Init();
    UART_Init();
    IncrementalEncoder_Init();
    LED_Init();
    LCD_Disp_Init();
    sACCEL_Init_StartUp();
}

// One pass of the foreground loop. While recording, a sample is due every
// 500 ms of LocalTime; the unsigned difference keeps the spacing across the
// wrap of LocalTime.
void Application_Periodic_Handle(std::uint32_t localtime)
{
    static std::uint32_t APPTimer;

    if (localtime - APPTimer >= SAMPLE_PERIOD_MS && app_rec == 1) {
        tmp += 1;
        APPTimer = localtime;
    }
    if (tmp == 2) tmp = 0;
}

void Time_Update(void) { LocalTime = LocalTime + 10; }

int main(void)
{
    lcd_status = 1;
    app_record = Record{0, 0, 0, 0};
    app_data_index = 0;
    app_menu = 0;
    app_state = 0;
    app_alarm = 0;
    app_rec = 0;

    Periph_init();

    STM_EVAL_LEDOn(LED1);
    // Nothing locks the flash again: every later erase and program relies on this.
    FLASH_Unlock();

    for (;;) {
        Application_Periodic_Handle(LocalTime);
        platform::idle();
    }
}
