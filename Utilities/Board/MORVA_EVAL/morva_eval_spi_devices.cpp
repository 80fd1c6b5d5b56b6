// Set-up of the board's two devices on SPI2: the LCD with its backlight
// timer, and the accelerometer. Both configure the shared bus alike.
#include "morva_eval.h"

#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_spi.h"
#include "stm32f2xx_tim.h"
#include "system_stm32f2xx.h"

namespace {

// SPI2's clock, data-out and data-in pins, in the order they are set up.
struct BusPin {
    GPIO_TypeDef* port;
    std::uint16_t pin;
    std::uint8_t source;
};
const BusPin spi2_pins[] = {
    {GPIOB, GPIO_Pin_10, GPIO_PinSource10},  // SCK
    {GPIOC, GPIO_Pin_3, GPIO_PinSource3},    // MOSI
    {GPIOC, GPIO_Pin_2, GPIO_PinSource2},    // MISO
};

// The backlight timer counts at 100 kHz, 100 steps a period: a 1 ms period,
// and the compare value is the duty in percent.
constexpr std::uint32_t backlight_count_hz = 100000;
constexpr std::uint32_t backlight_period = 99;

void pin_init(GPIO_TypeDef* port, std::uint32_t pins, GPIOMode_TypeDef mode, GPIOSpeed_TypeDef speed,
              GPIOPuPd_TypeDef pull)
{
    GPIO_InitTypeDef GPIO_InitStructure;
    GPIO_InitStructure.GPIO_Pin = pins;
    GPIO_InitStructure.GPIO_Mode = mode;
    GPIO_InitStructure.GPIO_Speed = speed;
    GPIO_InitStructure.GPIO_OType = GPIO_OType_PP;
    GPIO_InitStructure.GPIO_PuPd = pull;
    GPIO_Init(port, &GPIO_InitStructure);
}

void spi2_pins_init(GPIOSpeed_TypeDef speed)
{
    for (const BusPin& p : spi2_pins) pin_init(p.port, p.pin, GPIO_Mode_AF, speed, GPIO_PuPd_NOPULL);
    for (const BusPin& p : spi2_pins) GPIO_PinAFConfig(p.port, p.source, GPIO_AF_SPI2);
}

// Master, mode 3 (clock idles high, data captured on the second edge), 8-bit
// frames, most significant bit first, chip selects by software, APB1 / 16.
void spi2_bus_init(void)
{
    SPI_InitTypeDef SPI_InitStructure;
    SPI_InitStructure.SPI_Direction = SPI_Direction_2Lines_FullDuplex;
    SPI_InitStructure.SPI_Mode = SPI_Mode_Master;
    SPI_InitStructure.SPI_DataSize = SPI_DataSize_8b;
    SPI_InitStructure.SPI_CPOL = SPI_CPOL_High;
    SPI_InitStructure.SPI_CPHA = SPI_CPHA_2Edge;
    SPI_InitStructure.SPI_NSS = SPI_NSS_Soft;
    SPI_InitStructure.SPI_BaudRatePrescaler = SPI_BaudRatePrescaler_16;
    SPI_InitStructure.SPI_FirstBit = SPI_FirstBit_MSB;
    SPI_InitStructure.SPI_CRCPolynomial = 7;
    SPI_Init(SPI2, &SPI_InitStructure);
    SPI_Cmd(SPI2, ENABLE);
}

void LCD_SPIinit(void)
{
    GPIO_SetBits(LCD_NCS_GPIO_PORT, LCD_NCS_PIN);
    spi2_bus_init();
}

void sACCEL_SPIConfig(void)
{
    GPIO_SetBits(sACCEL_CS_GPIO_PORT, sACCEL_CS_PIN);
    spi2_bus_init();
}

}  // namespace

// PWM on TIM3 channel 2 (PC7) with a 1 ms period; starts dark (duty 0).
void LCD_BacklightInit(void)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOC, ENABLE);
    pin_init(GPIOC, GPIO_Pin_7, GPIO_Mode_AF, GPIO_Speed_100MHz, GPIO_PuPd_NOPULL);
    GPIO_PinAFConfig(GPIOC, GPIO_PinSource7, GPIO_AF_TIM3);

    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM3, ENABLE);
    SystemCoreClockUpdate();

    TIM_TimeBaseInitTypeDef TIM_TimeBaseStructure;
    TIM_TimeBaseStructInit(&TIM_TimeBaseStructure);
    // The timer clock is half the core clock (APB1 at a quarter, timers at twice APB1).
    TIM_TimeBaseStructure.TIM_Prescaler = static_cast<std::uint16_t>(SystemCoreClock / (2 * backlight_count_hz) - 1);
    TIM_TimeBaseStructure.TIM_CounterMode = TIM_CounterMode_Up;
    TIM_TimeBaseStructure.TIM_Period = backlight_period;
    TIM_TimeBaseStructure.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(LCD_BACKLIGHT_TIM, &TIM_TimeBaseStructure);

    TIM_OCInitTypeDef TIM_OCInitStructure;
    TIM_OCStructInit(&TIM_OCInitStructure);
    TIM_OCInitStructure.TIM_OCMode = TIM_OCMode_PWM1;
    TIM_OCInitStructure.TIM_OutputState = TIM_OutputState_Enable;
    TIM_OCInitStructure.TIM_Pulse = 0;
    TIM_OCInitStructure.TIM_OCPolarity = TIM_OCPolarity_High;
    TIM_OC2Init(LCD_BACKLIGHT_TIM, &TIM_OCInitStructure);

    // With both preloads a new duty takes effect at the next overflow, never mid-period.
    TIM_OC2PreloadConfig(LCD_BACKLIGHT_TIM, TIM_OCPreload_Enable);
    TIM_ARRPreloadConfig(LCD_BACKLIGHT_TIM, ENABLE);
    TIM_Cmd(LCD_BACKLIGHT_TIM, ENABLE);
}

void LCD_LowLevel_Init(void)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOB | RCC_AHB1Periph_GPIOC | RCC_AHB1Periph_GPIOD, ENABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_SPI2, ENABLE);

    spi2_pins_init(GPIO_Speed_100MHz);

    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD, ENABLE);
    pin_init(LCD_NCS_GPIO_PORT, LCD_NCS_PIN, GPIO_Mode_OUT, GPIO_Speed_100MHz, GPIO_PuPd_NOPULL);
    pin_init(LCD_A0_GPIO_PORT, LCD_A0_PIN, GPIO_Mode_OUT, GPIO_Speed_100MHz, GPIO_PuPd_NOPULL);
    pin_init(LCD_RST_GPIO_PORT, LCD_RST_PIN, GPIO_Mode_OUT, GPIO_Speed_100MHz, GPIO_PuPd_NOPULL);

    GPIO_SetBits(LCD_NCS_GPIO_PORT, LCD_NCS_PIN);
    GPIO_ResetBits(LCD_A0_GPIO_PORT, LCD_A0_PIN);
    GPIO_ResetBits(LCD_RST_GPIO_PORT, LCD_RST_PIN);

    LCD_BacklightInit();
    LCD_SPIinit();
}

void sACCEL_LowLevel_Init(void)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOB | RCC_AHB1Periph_GPIOC, ENABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_SPI2, ENABLE);

    spi2_pins_init(GPIO_Speed_50MHz);

    pin_init(sACCEL_CS_GPIO_PORT, sACCEL_CS_PIN, GPIO_Mode_OUT, GPIO_Speed_50MHz, GPIO_PuPd_NOPULL);
    // PB15 is wired to the device but nothing reads it.
    pin_init(GPIOB, GPIO_Pin_15, GPIO_Mode_IN, GPIO_Speed_50MHz, GPIO_PuPd_NOPULL);

    sACCEL_SPIConfig();
}

// Releases the bus, and so takes it from the LCD as well: the SPI pins go
// back to floating inputs, as after reset; the chip select becomes an input
// with its pull-up, so that the device stays deselected while nothing drives
// the line.
void sACCEL_LowLevel_DeInit(void)
{
    SPI_Cmd(SPI2, DISABLE);
    RCC_APB1PeriphClockCmd(RCC_APB1Periph_SPI2, DISABLE);

    for (const BusPin& p : spi2_pins) pin_init(p.port, p.pin, GPIO_Mode_IN, GPIO_Speed_50MHz, GPIO_PuPd_NOPULL);
    pin_init(sACCEL_CS_GPIO_PORT, sACCEL_CS_PIN, GPIO_Mode_IN, GPIO_Speed_50MHz, GPIO_PuPd_UP);
}
