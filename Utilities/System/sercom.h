// The serial driver behind the standard streams: each character moves by
// polling the USART of the port that a descriptor names.
#ifndef TILTMON_SERCOM_H
#define TILTMON_SERCOM_H

#include "morva_eval.h"

void ComPort_Init(COM_TypeDef com_port);
void ComPort_ConfigStdio(COM_TypeDef in_port, COM_TypeDef out_port, COM_TypeDef err_port);
int getComIdxFromFd(int fd);
int fdputc(int fd, int ch);
int fdgetc(int fd);
int fdpoll(int fd);

#endif
