// Serial driver behind the standard streams.
#include "sercom.h"

#include <stdio.h>

#include "stm32f2xx_usart.h"

namespace {
// Until the console is configured the standard streams go to COM2.
COM_TypeDef stdin_port = COM2;
COM_TypeDef stdout_port = COM2;
COM_TypeDef stderr_port = COM2;
}  // namespace

void ComPort_Init(COM_TypeDef com_port)
{
    USART_InitTypeDef USART_InitStructure;
    USART_InitStructure.USART_BaudRate = 115200;
    USART_InitStructure.USART_WordLength = USART_WordLength_8b;
    USART_InitStructure.USART_StopBits = USART_StopBits_1;
    USART_InitStructure.USART_Parity = USART_Parity_No;
    USART_InitStructure.USART_HardwareFlowControl = USART_HardwareFlowControl_None;
    USART_InitStructure.USART_Mode = USART_Mode_Rx | USART_Mode_Tx;
    STM_EVAL_COMInit(com_port, &USART_InitStructure);
}

void ComPort_ConfigStdio(COM_TypeDef in_port, COM_TypeDef out_port, COM_TypeDef err_port)
{
    stdin_port = in_port;
    stdout_port = out_port;
    stderr_port = err_port;
    // Unbuffered: every character leaves at once and no buffer comes from the heap.
    setbuf(stdout, nullptr);
    setbuf(stdin, nullptr);
    setbuf(stderr, nullptr);
}

int getComIdxFromFd(int fd)
{
    if (fd != 0 && fd != 1 && fd != 2 && fd != COM1 && fd != COM2) return 0;
    if (fd == 1) fd = stdout_port;
    if (fd == 0) fd = stdin_port;
    if (fd == 2) fd = stderr_port;
    return fd - COM1;
}

int fdputc(int fd, int ch)
{
    USART_TypeDef* const usart = COM_USART[getComIdxFromFd(fd)];
    USART_SendData(usart, static_cast<std::uint8_t>(ch));
    while (USART_GetFlagStatus(usart, USART_FLAG_TC) == RESET) {
    }
    return ch;
}

int fdgetc(int fd)
{
    USART_TypeDef* const usart = COM_USART[getComIdxFromFd(fd)];
    while (USART_GetFlagStatus(usart, USART_FLAG_RXNE) == RESET) {
    }
    return USART_ReceiveData(usart);
}

int fdpoll(int fd)
{
    return USART_GetFlagStatus(COM_USART[getComIdxFromFd(fd)], USART_FLAG_RXNE) == SET ? 1 : 0;
}
