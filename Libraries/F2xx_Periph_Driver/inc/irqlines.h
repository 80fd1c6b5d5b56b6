// External interrupt/event controller: which lines raise an interrupt or an
// event on which edge, and their pending bits.
#ifndef TILTMON_IRQLINES_H
#define TILTMON_IRQLINES_H

#include <cstdint>

#include "stm32f2xx.h"

// A mode or trigger value is the byte offset of the EXTI register it selects.
enum EXTIMode_TypeDef : std::uint8_t {
    EXTI_Mode_Interrupt = 0x00,  // IMR
    EXTI_Mode_Event = 0x04,      // EMR
};
#define IS_EXTI_MODE(MODE) (((MODE) == EXTI_Mode_Interrupt) || ((MODE) == EXTI_Mode_Event))

enum EXTITrigger_TypeDef : std::uint8_t {
    EXTI_Trigger_Rising = 0x08,   // RTSR
    EXTI_Trigger_Falling = 0x0C,  // FTSR
    EXTI_Trigger_Rising_Falling = 0x10,
};
#define IS_EXTI_TRIGGER(TRIGGER)                                                 \
    (((TRIGGER) == EXTI_Trigger_Rising) || ((TRIGGER) == EXTI_Trigger_Falling) || \
     ((TRIGGER) == EXTI_Trigger_Rising_Falling))

static_assert(sizeof(EXTIMode_TypeDef) == 1 && sizeof(EXTITrigger_TypeDef) == 1);

struct EXTI_InitTypeDef {
    std::uint32_t EXTI_Line;  // bit n selects line n
    EXTIMode_TypeDef EXTI_Mode;
    EXTITrigger_TypeDef EXTI_Trigger;
    FunctionalState EXTI_LineCmd;
};

// Line masks. Lines 0 to 15 follow the GPIO pins of the same number (the port
// is chosen in SYSCFG); 16 to 22 are PVD, RTC alarm, USB OTG FS wake-up,
// Ethernet wake-up, USB OTG HS wake-up, RTC tamper and time stamp, RTC wake-up.
#define EXTI_Line0 ((std::uint32_t)0x00000001)
#define EXTI_Line1 ((std::uint32_t)0x00000002)
#define EXTI_Line2 ((std::uint32_t)0x00000004)
#define EXTI_Line3 ((std::uint32_t)0x00000008)
#define EXTI_Line4 ((std::uint32_t)0x00000010)
#define EXTI_Line5 ((std::uint32_t)0x00000020)
#define EXTI_Line6 ((std::uint32_t)0x00000040)
#define EXTI_Line7 ((std::uint32_t)0x00000080)
#define EXTI_Line8 ((std::uint32_t)0x00000100)
#define EXTI_Line9 ((std::uint32_t)0x00000200)
#define EXTI_Line10 ((std::uint32_t)0x00000400)
#define EXTI_Line11 ((std::uint32_t)0x00000800)
#define EXTI_Line12 ((std::uint32_t)0x00001000)
#define EXTI_Line13 ((std::uint32_t)0x00002000)
#define EXTI_Line14 ((std::uint32_t)0x00004000)
#define EXTI_Line15 ((std::uint32_t)0x00008000)
#define EXTI_Line16 ((std::uint32_t)0x00010000)
#define EXTI_Line17 ((std::uint32_t)0x00020000)
#define EXTI_Line18 ((std::uint32_t)0x00040000)
#define EXTI_Line19 ((std::uint32_t)0x00080000)
#define EXTI_Line20 ((std::uint32_t)0x00100000)
#define EXTI_Line21 ((std::uint32_t)0x00200000)
#define EXTI_Line22 ((std::uint32_t)0x00400000)
#define EXTI_LINE_NONE ((std::uint32_t)0x00000000)
#define EXTI_ALL_LINES ((std::uint32_t)0x007FFFFF)

// A mask of one or more lines.
#define IS_EXTI_LINE(LINE) ((((LINE) & ~EXTI_ALL_LINES) == 0x00) && ((LINE) != 0x00))
// Exactly one line.
#define IS_GET_EXTI_LINE(LINE) \
    ((((LINE) & ~EXTI_ALL_LINES) == 0x00) && ((LINE) != 0x00) && (((LINE) & ((LINE) - 1)) == 0x00))

void EXTI_DeInit(void);
void EXTI_Init(EXTI_InitTypeDef* EXTI_InitStruct);
void EXTI_StructInit(EXTI_InitTypeDef* EXTI_InitStruct);
void EXTI_GenerateSWInterrupt(std::uint32_t EXTI_Line);
FlagStatus EXTI_GetFlagStatus(std::uint32_t EXTI_Line);
void EXTI_ClearFlag(std::uint32_t EXTI_Line);
ITStatus EXTI_GetITStatus(std::uint32_t EXTI_Line);
void EXTI_ClearITPendingBit(std::uint32_t EXTI_Line);

#endif
