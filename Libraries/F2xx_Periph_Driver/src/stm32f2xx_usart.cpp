// Universal synchronous/asynchronous receiver-transmitters.
#include "stm32f2xx_usart.h"

#include "periph_assert.h"
#include "stm32f2xx_rcc.h"

namespace {

constexpr std::uint16_t cr1_enable = 0x2000;
constexpr std::uint16_t cr1_oversampling_by_8 = 0x8000;
constexpr std::uint16_t cr1_line_fields = 0x160C;  // word length, parity control and selection, Tx and Rx
constexpr std::uint16_t cr2_stop_bits = 0x3000;
constexpr std::uint16_t cr3_flow_control = 0x0300;
constexpr std::uint16_t data_mask = 0x01FF;

// The chip's unsigned divide yields 0 for a zero divisor (a baud rate of 0
// after its failed check); keep that result on the host too.
std::uint32_t divide_or_zero(std::uint32_t dividend, std::uint32_t divisor)
{
    return divisor != 0 ? dividend / divisor : 0;
}

// BRR for a port clock and a baud rate, in 32-bit unsigned arithmetic with
// the divider kept in hundredths. The rounded fraction is masked to its
// field: a fraction that rounds up to a whole is dropped, not carried.
std::uint16_t baud_rate_register(std::uint32_t port_clock, std::uint32_t baud_rate, bool oversampling_by_8)
{
    const std::uint32_t hundredths =
        divide_or_zero(25u * port_clock, (oversampling_by_8 ? 2u : 4u) * baud_rate);
    const std::uint32_t mantissa = hundredths / 100;
    const std::uint32_t remainder = hundredths - 100 * mantissa;

    std::uint32_t value = mantissa << 4;
    if (oversampling_by_8)
        value += ((remainder * 8 + 50) / 100) & 0x07;
    else
        value += ((remainder * 16 + 50) / 100) & 0x0F;
    return static_cast<std::uint16_t>(value);
}

}  // namespace

void USART_Init(USART_TypeDef* USARTx, USART_InitTypeDef* USART_InitStruct)
{
    assert_param(IS_USART_ALL_PERIPH(USARTx));
    assert_param(IS_USART_BAUDRATE(USART_InitStruct->USART_BaudRate));
    assert_param(IS_USART_WORD_LENGTH(USART_InitStruct->USART_WordLength));
    assert_param(IS_USART_STOPBITS(USART_InitStruct->USART_StopBits));
    assert_param(IS_USART_PARITY(USART_InitStruct->USART_Parity));
    assert_param(IS_USART_MODE(USART_InitStruct->USART_Mode));
    assert_param(IS_USART_HARDWARE_FLOW_CONTROL(USART_InitStruct->USART_HardwareFlowControl));
    if (USART_InitStruct->USART_HardwareFlowControl != USART_HardwareFlowControl_None) {
        assert_param(IS_USART_1236_PERIPH(USARTx));
    }

    // Bad values stay inside their own fields: every other bit of the
    // control registers keeps its state.
    USARTx->CR2 = static_cast<std::uint16_t>((USARTx->CR2 & ~cr2_stop_bits) |
                                             (USART_InitStruct->USART_StopBits & cr2_stop_bits));

    USARTx->CR1 = static_cast<std::uint16_t>((USARTx->CR1 & ~cr1_line_fields) |
                                             ((USART_InitStruct->USART_WordLength | USART_InitStruct->USART_Parity |
                                               USART_InitStruct->USART_Mode) &
                                              cr1_line_fields));

    USARTx->CR3 = static_cast<std::uint16_t>((USARTx->CR3 & ~cr3_flow_control) |
                                             (USART_InitStruct->USART_HardwareFlowControl & cr3_flow_control));

    RCC_ClocksTypeDef clocks;
    RCC_GetClocksFreq(&clocks);
    const std::uint32_t port_clock =
        (USARTx == USART1 || USARTx == USART6) ? clocks.PCLK2_Frequency : clocks.PCLK1_Frequency;

    const bool oversampling_by_8 = (USARTx->CR1 & cr1_oversampling_by_8) != 0;
    USARTx->BRR = baud_rate_register(port_clock, USART_InitStruct->USART_BaudRate, oversampling_by_8);
}

void USART_StructInit(USART_InitTypeDef* USART_InitStruct)
{
    USART_InitStruct->USART_BaudRate = 9600;
    USART_InitStruct->USART_WordLength = USART_WordLength_8b;
    USART_InitStruct->USART_StopBits = USART_StopBits_1;
    USART_InitStruct->USART_Parity = USART_Parity_No;
    USART_InitStruct->USART_Mode = USART_Mode_Rx | USART_Mode_Tx;
    USART_InitStruct->USART_HardwareFlowControl = USART_HardwareFlowControl_None;
}

void USART_Cmd(USART_TypeDef* USARTx, FunctionalState NewState)
{
    assert_param(IS_USART_ALL_PERIPH(USARTx));
    assert_param(IS_FUNCTIONAL_STATE(NewState));

    if (NewState != DISABLE)
        USARTx->CR1 |= cr1_enable;
    else
        USARTx->CR1 &= static_cast<std::uint16_t>(~cr1_enable);
}

void USART_SendData(USART_TypeDef* USARTx, std::uint16_t Data)
{
    assert_param(IS_USART_ALL_PERIPH(USARTx));
    assert_param(IS_USART_DATA(Data));

    USARTx->DR = static_cast<std::uint16_t>(Data & data_mask);
}

std::uint16_t USART_ReceiveData(USART_TypeDef* USARTx)
{
    assert_param(IS_USART_ALL_PERIPH(USARTx));

    return static_cast<std::uint16_t>(USARTx->DR & data_mask);
}

FlagStatus USART_GetFlagStatus(USART_TypeDef* USARTx, std::uint16_t USART_FLAG)
{
    assert_param(IS_USART_ALL_PERIPH(USARTx));
    assert_param(IS_USART_FLAG(USART_FLAG));
    if (USART_FLAG == USART_FLAG_CTS) {
        assert_param(IS_USART_1236_PERIPH(USARTx));
    }

    return (USARTx->SR & USART_FLAG) != 0 ? SET : RESET;
}
