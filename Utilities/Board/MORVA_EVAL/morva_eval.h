// The board: its simple devices (eight LEDs on port E, two push buttons on
// port C and two serial ports, each looked up in constant tables by its
// enumeration) and the pins and bus of the two devices on SPI2, the LCD and
// the accelerometer.
#ifndef TILTMON_MORVA_EVAL_H
#define TILTMON_MORVA_EVAL_H

#include <cstdint>

#include "stm32f2xx.h"
#include "stm32f2xx_usart.h"

enum Led_TypeDef : std::uint8_t { LED1 = 0, LED2 = 1, LED3 = 2, LED4 = 3, LED5 = 4, LED6 = 5, LED7 = 6, LED8 = 7 };
enum Button_TypeDef : std::uint8_t { BUTTON_SW1 = 0, BUTTON_SW2 = 1 };
enum ButtonMode_TypeDef : std::uint8_t { BUTTON_MODE_GPIO = 0, BUTTON_MODE_EXTI = 1 };
enum COM_TypeDef : std::uint8_t { COM1 = 11, COM2 = 12 };

constexpr int LEDn = 8;
constexpr int BUTTONn = 2;
constexpr int COMn = 2;

extern GPIO_TypeDef* GPIO_PORT[LEDn];
extern const std::uint16_t GPIO_PIN[LEDn];
extern const std::uint32_t GPIO_CLK[LEDn];

extern GPIO_TypeDef* BUTTON_PORT[BUTTONn];
extern const std::uint16_t BUTTON_PIN[BUTTONn];
extern const std::uint32_t BUTTON_CLK[BUTTONn];
extern const std::uint16_t BUTTON_EXTI_LINE[BUTTONn];
extern const std::uint8_t BUTTON_PORT_SOURCE[BUTTONn];
extern const std::uint8_t BUTTON_PIN_SOURCE[BUTTONn];
extern const std::uint8_t BUTTON_IRQn[BUTTONn];

extern USART_TypeDef* COM_USART[COMn];
extern GPIO_TypeDef* COM_TX_PORT[COMn];
extern GPIO_TypeDef* COM_RX_PORT[COMn];
extern const std::uint32_t COM_USART_CLK[COMn];
extern const std::uint32_t COM_TX_PORT_CLK[COMn];
extern const std::uint32_t COM_RX_PORT_CLK[COMn];
extern const std::uint16_t COM_TX_PIN[COMn];
extern const std::uint16_t COM_RX_PIN[COMn];
extern const std::uint8_t COM_TX_PIN_SOURCE[COMn];
extern const std::uint8_t COM_RX_PIN_SOURCE[COMn];
extern const std::uint8_t COM_TX_AF[COMn];
extern const std::uint8_t COM_RX_AF[COMn];

void STM_EVAL_LEDInit(Led_TypeDef Led);
void STM_EVAL_LEDOn(Led_TypeDef Led);
void STM_EVAL_LEDOff(Led_TypeDef Led);
void STM_EVAL_LEDToggle(Led_TypeDef Led);
void STM_EVAL_PBInit(Button_TypeDef Button, ButtonMode_TypeDef Button_Mode);
void STM_EVAL_COMInit(COM_TypeDef COM, USART_InitTypeDef* USART_InitStruct);

// The LCD (ST7565P controller) on SPI2.
#define LCD_SPI SPI2
#define LCD_NCS_GPIO_PORT GPIOD
constexpr std::uint16_t LCD_NCS_PIN = 0x8000;  // PD15, low = display selected
#define LCD_A0_GPIO_PORT GPIOD
constexpr std::uint16_t LCD_A0_PIN = 0x4000;  // PD14, low = command byte, high = display data
#define LCD_RST_GPIO_PORT GPIOD
constexpr std::uint16_t LCD_RST_PIN = 0x0800;  // PD11, low = controller held in reset
#define LCD_BACKLIGHT_TIM TIM3                   // channel 2 on PC7, PWM, high = lit

// The accelerometer on SPI2.
#define sACCEL_SPI SPI2
#define sACCEL_CS_GPIO_PORT GPIOB
constexpr std::uint16_t sACCEL_CS_PIN = 0x4000;  // PB14, low = device selected

// Clocks, pins, backlight timer and SPI bus of the LCD; leaves the
// controller held in reset, deselected, with A0 low and the backlight dark.
void LCD_LowLevel_Init(void);
// The backlight's PWM on TIM3 channel 2 (PC7): part of LCD_LowLevel_Init.
void LCD_BacklightInit(void);
// Pins and SPI bus of the accelerometer, which shares the bus with the LCD.
void sACCEL_LowLevel_Init(void);
void sACCEL_LowLevel_DeInit(void);

#endif
