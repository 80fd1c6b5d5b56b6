// The board's LEDs, buttons and serial ports, looked up in tables.
#include "morva_eval.h"

#include "irqlines.h"
#include "misc.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "syscfgdrv.h"

GPIO_TypeDef* GPIO_PORT[LEDn] = {GPIOE, GPIOE, GPIOE, GPIOE, GPIOE, GPIOE, GPIOE, GPIOE};
const std::uint16_t GPIO_PIN[LEDn] = {0x0100, 0x0200, 0x0400, 0x0800, 0x1000, 0x2000, 0x4000, 0x8000};
const std::uint32_t GPIO_CLK[LEDn] = {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10};

// SW1 is the back button, SW2 the OK button; both on the vector of EXTI lines 10 to 15.
GPIO_TypeDef* BUTTON_PORT[BUTTONn] = {GPIOC, GPIOC};
const std::uint16_t BUTTON_PIN[BUTTONn] = {0x4000, 0x8000};  // PC14, PC15
const std::uint32_t BUTTON_CLK[BUTTONn] = {0x04, 0x04};
const std::uint16_t BUTTON_EXTI_LINE[BUTTONn] = {EXTI_Line14, EXTI_Line15};
const std::uint8_t BUTTON_PORT_SOURCE[BUTTONn] = {EXTI_PortSourceGPIOC, EXTI_PortSourceGPIOC};
const std::uint8_t BUTTON_PIN_SOURCE[BUTTONn] = {14, 15};
const std::uint8_t BUTTON_IRQn[BUTTONn] = {EXTI15_10_IRQn, EXTI15_10_IRQn};

USART_TypeDef* COM_USART[COMn] = {USART2, USART3};
GPIO_TypeDef* COM_TX_PORT[COMn] = {GPIOD, GPIOD};
GPIO_TypeDef* COM_RX_PORT[COMn] = {GPIOD, GPIOD};
const std::uint32_t COM_USART_CLK[COMn] = {0x00020000, 0x00040000};
const std::uint32_t COM_TX_PORT_CLK[COMn] = {0x08, 0x08};
const std::uint32_t COM_RX_PORT_CLK[COMn] = {0x08, 0x08};
const std::uint16_t COM_TX_PIN[COMn] = {0x0020, 0x0100};  // PD5, PD8
const std::uint16_t COM_RX_PIN[COMn] = {0x0040, 0x0200};  // PD6, PD9
const std::uint8_t COM_TX_PIN_SOURCE[COMn] = {5, 8};
const std::uint8_t COM_RX_PIN_SOURCE[COMn] = {6, 9};
const std::uint8_t COM_TX_AF[COMn] = {7, 7};
const std::uint8_t COM_RX_AF[COMn] = {7, 7};

void STM_EVAL_LEDInit(Led_TypeDef Led)
{
    RCC_AHB1PeriphClockCmd(GPIO_CLK[Led], ENABLE);

    GPIO_InitTypeDef GPIO_InitStructure;
    GPIO_InitStructure.GPIO_Pin = GPIO_PIN[Led];
    GPIO_InitStructure.GPIO_Mode = GPIO_Mode_OUT;
    GPIO_InitStructure.GPIO_OType = GPIO_OType_PP;
    GPIO_InitStructure.GPIO_PuPd = GPIO_PuPd_UP;
    GPIO_InitStructure.GPIO_Speed = GPIO_Speed_50MHz;
    GPIO_Init(GPIO_PORT[Led], &GPIO_InitStructure);
}

void STM_EVAL_LEDOn(Led_TypeDef Led) { GPIO_PORT[Led]->BSRRL = GPIO_PIN[Led]; }

void STM_EVAL_LEDOff(Led_TypeDef Led) { GPIO_PORT[Led]->BSRRH = GPIO_PIN[Led]; }

// Inverts the pin through the set/reset register rather than writing the
// whole output register back: an interrupt that switches another LED of the
// port between the read and the write keeps its change.
void STM_EVAL_LEDToggle(Led_TypeDef Led)
{
    GPIO_TypeDef* const port = GPIO_PORT[Led];
    const std::uint16_t pin = GPIO_PIN[Led];
    if ((port->ODR & pin) != 0)
        port->BSRRH = pin;
    else
        port->BSRRL = pin;
}

// In interrupt mode every falling edge of the pin raises the interrupt. The
// priority that 15 and 15 give follows from the grouping in force (none is
// set, so the interrupt gets the highest device priority).
void STM_EVAL_PBInit(Button_TypeDef Button, ButtonMode_TypeDef Button_Mode)
{
    RCC_AHB1PeriphClockCmd(BUTTON_CLK[Button], ENABLE);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);

    GPIO_InitTypeDef GPIO_InitStructure;
    GPIO_InitStructure.GPIO_Pin = BUTTON_PIN[Button];
    GPIO_InitStructure.GPIO_Mode = GPIO_Mode_IN;
    GPIO_InitStructure.GPIO_Speed = GPIO_Speed_100MHz;
    GPIO_InitStructure.GPIO_OType = GPIO_OType_PP;
    GPIO_InitStructure.GPIO_PuPd = GPIO_PuPd_NOPULL;
    GPIO_Init(BUTTON_PORT[Button], &GPIO_InitStructure);

    if (Button_Mode != BUTTON_MODE_EXTI) return;

    SYSCFG_EXTILineConfig(BUTTON_PORT_SOURCE[Button], BUTTON_PIN_SOURCE[Button]);

    EXTI_InitTypeDef EXTI_InitStructure;
    EXTI_InitStructure.EXTI_Line = BUTTON_EXTI_LINE[Button];
    EXTI_InitStructure.EXTI_Mode = EXTI_Mode_Interrupt;
    EXTI_InitStructure.EXTI_Trigger = EXTI_Trigger_Falling;
    EXTI_InitStructure.EXTI_LineCmd = ENABLE;
    EXTI_Init(&EXTI_InitStructure);

    NVIC_InitTypeDef NVIC_InitStructure;
    NVIC_InitStructure.NVIC_IRQChannel = BUTTON_IRQn[Button];
    NVIC_InitStructure.NVIC_IRQChannelPreemptionPriority = 0x0F;
    NVIC_InitStructure.NVIC_IRQChannelSubPriority = 0x0F;
    NVIC_InitStructure.NVIC_IRQChannelCmd = ENABLE;
    NVIC_Init(&NVIC_InitStructure);
}

void STM_EVAL_COMInit(COM_TypeDef COM, USART_InitTypeDef* USART_InitStruct)
{
    const int i = COM - COM1;

    RCC_AHB1PeriphClockCmd(COM_TX_PORT_CLK[i] | COM_RX_PORT_CLK[i], ENABLE);
    RCC_APB1PeriphClockCmd(COM_USART_CLK[i], ENABLE);

    GPIO_PinAFConfig(COM_TX_PORT[i], COM_TX_PIN_SOURCE[i], COM_TX_AF[i]);
    GPIO_PinAFConfig(COM_RX_PORT[i], COM_RX_PIN_SOURCE[i], COM_RX_AF[i]);

    GPIO_InitTypeDef GPIO_InitStructure;
    GPIO_InitStructure.GPIO_OType = GPIO_OType_PP;
    GPIO_InitStructure.GPIO_PuPd = GPIO_PuPd_UP;
    GPIO_InitStructure.GPIO_Mode = GPIO_Mode_AF;
    GPIO_InitStructure.GPIO_Speed = GPIO_Speed_50MHz;
    GPIO_InitStructure.GPIO_Pin = COM_TX_PIN[i];
    GPIO_Init(COM_TX_PORT[i], &GPIO_InitStructure);

    GPIO_InitStructure.GPIO_Pin = COM_RX_PIN[i];
    GPIO_Init(COM_RX_PORT[i], &GPIO_InitStructure);

    USART_Init(COM_USART[i], USART_InitStruct);
    USART_Cmd(COM_USART[i], ENABLE);
}
