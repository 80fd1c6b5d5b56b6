// Universal synchronous/asynchronous receiver-transmitters: line set-up with
// the baud-rate divider, enable, and polled data and status access.
#ifndef TILTMON_STM32F2XX_USART_H
#define TILTMON_STM32F2XX_USART_H

#include <cstdint>

#include "stm32f2xx.h"

struct USART_InitTypeDef {
    std::uint32_t USART_BaudRate;  // bit/s
    std::uint16_t USART_WordLength;
    std::uint16_t USART_StopBits;
    std::uint16_t USART_Parity;
    std::uint16_t USART_Mode;
    std::uint16_t USART_HardwareFlowControl;
};

#define IS_USART_ALL_PERIPH(PERIPH)                                                                     \
    (((PERIPH) == USART1) || ((PERIPH) == USART2) || ((PERIPH) == USART3) || ((PERIPH) == UART4) ||     \
     ((PERIPH) == UART5) || ((PERIPH) == USART6))
// The ports with hardware flow control and the clear-to-send flag.
#define IS_USART_1236_PERIPH(PERIPH) \
    (((PERIPH) == USART1) || ((PERIPH) == USART2) || ((PERIPH) == USART3) || ((PERIPH) == USART6))

#define IS_USART_BAUDRATE(BAUDRATE) (((BAUDRATE) > 0) && ((BAUDRATE) < 7500001))

#define USART_WordLength_8b ((std::uint16_t)0x0000)
#define USART_WordLength_9b ((std::uint16_t)0x1000)
#define IS_USART_WORD_LENGTH(LENGTH) (((LENGTH) == USART_WordLength_8b) || ((LENGTH) == USART_WordLength_9b))

#define USART_StopBits_1 ((std::uint16_t)0x0000)
#define USART_StopBits_0_5 ((std::uint16_t)0x1000)
#define USART_StopBits_2 ((std::uint16_t)0x2000)
#define USART_StopBits_1_5 ((std::uint16_t)0x3000)
#define IS_USART_STOPBITS(STOPBITS)                                                  \
    (((STOPBITS) == USART_StopBits_1) || ((STOPBITS) == USART_StopBits_0_5) ||       \
     ((STOPBITS) == USART_StopBits_2) || ((STOPBITS) == USART_StopBits_1_5))

#define USART_Parity_No ((std::uint16_t)0x0000)
#define USART_Parity_Even ((std::uint16_t)0x0400)
#define USART_Parity_Odd ((std::uint16_t)0x0600)
#define IS_USART_PARITY(PARITY) \
    (((PARITY) == USART_Parity_No) || ((PARITY) == USART_Parity_Even) || ((PARITY) == USART_Parity_Odd))

#define USART_Mode_Rx ((std::uint16_t)0x0004)
#define USART_Mode_Tx ((std::uint16_t)0x0008)
#define IS_USART_MODE(MODE) ((((MODE) & 0xFFF3u) == 0x00) && ((MODE) != 0x00))

#define USART_HardwareFlowControl_None ((std::uint16_t)0x0000)
#define USART_HardwareFlowControl_RTS ((std::uint16_t)0x0100)
#define USART_HardwareFlowControl_CTS ((std::uint16_t)0x0200)
#define USART_HardwareFlowControl_RTS_CTS ((std::uint16_t)0x0300)
#define IS_USART_HARDWARE_FLOW_CONTROL(CONTROL)                                                    \
    (((CONTROL) == USART_HardwareFlowControl_None) || ((CONTROL) == USART_HardwareFlowControl_RTS) || \
     ((CONTROL) == USART_HardwareFlowControl_CTS) || ((CONTROL) == USART_HardwareFlowControl_RTS_CTS))

// Status flags (SR bits).
#define USART_FLAG_PE ((std::uint16_t)0x0001)
#define USART_FLAG_FE ((std::uint16_t)0x0002)
#define USART_FLAG_NE ((std::uint16_t)0x0004)
#define USART_FLAG_ORE ((std::uint16_t)0x0008)
#define USART_FLAG_IDLE ((std::uint16_t)0x0010)
#define USART_FLAG_RXNE ((std::uint16_t)0x0020)
#define USART_FLAG_TC ((std::uint16_t)0x0040)
#define USART_FLAG_TXE ((std::uint16_t)0x0080)
#define USART_FLAG_LBD ((std::uint16_t)0x0100)
#define USART_FLAG_CTS ((std::uint16_t)0x0200)
#define IS_USART_FLAG(FLAG)                                                                              \
    (((FLAG) == USART_FLAG_PE) || ((FLAG) == USART_FLAG_FE) || ((FLAG) == USART_FLAG_NE) ||              \
     ((FLAG) == USART_FLAG_ORE) || ((FLAG) == USART_FLAG_IDLE) || ((FLAG) == USART_FLAG_RXNE) ||         \
     ((FLAG) == USART_FLAG_TC) || ((FLAG) == USART_FLAG_TXE) || ((FLAG) == USART_FLAG_LBD) ||            \
     ((FLAG) == USART_FLAG_CTS))

#define IS_USART_DATA(DATA) ((DATA) <= 0x01FF)

void USART_Init(USART_TypeDef* USARTx, USART_InitTypeDef* USART_InitStruct);
void USART_StructInit(USART_InitTypeDef* USART_InitStruct);
void USART_Cmd(USART_TypeDef* USARTx, FunctionalState NewState);
void USART_SendData(USART_TypeDef* USARTx, std::uint16_t Data);
std::uint16_t USART_ReceiveData(USART_TypeDef* USARTx);
FlagStatus USART_GetFlagStatus(USART_TypeDef* USARTx, std::uint16_t USART_FLAG);

#endif
