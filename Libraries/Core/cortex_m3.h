// Register blocks of the Cortex-M3 core that the system uses: SysTick, the
// nested vectored interrupt controller, the system control block and the
// debug halting control register.
#ifndef TILTMON_CORTEX_M3_H
#define TILTMON_CORTEX_M3_H

#include <cstddef>
#include <cstdint>

#include "reg_access.h"

struct SysTick_Type {
    Reg<std::uint32_t> CTRL;   // 0x00 control and status
    Reg<std::uint32_t> LOAD;   // 0x04 reload value
    Reg<std::uint32_t> VAL;    // 0x08 current value
    Reg<std::uint32_t> CALIB;  // 0x0C calibration
};

struct NVIC_Type {
    Reg<std::uint32_t> ISER[8];  // 0x000 set-enable
    std::uint32_t RESERVED0[24];
    Reg<std::uint32_t> ICER[8];  // 0x080 clear-enable
    std::uint32_t RESERVED1[24];
    Reg<std::uint32_t> ISPR[8];  // 0x100 set-pending
    std::uint32_t RESERVED2[24];
    Reg<std::uint32_t> ICPR[8];  // 0x180 clear-pending
    std::uint32_t RESERVED3[24];
    Reg<std::uint32_t> IABR[8];  // 0x200 active
    std::uint32_t RESERVED4[56];
    Reg<std::uint8_t> IP[240];  // 0x300 one priority byte per interrupt
    std::uint32_t RESERVED5[644];
    Reg<std::uint32_t> STIR;  // 0xE00 software trigger
};

struct SCB_Type {
    Reg<std::uint32_t> CPUID;    // 0x00
    Reg<std::uint32_t> ICSR;     // 0x04 interrupt control and state
    Reg<std::uint32_t> VTOR;     // 0x08 vector table offset
    Reg<std::uint32_t> AIRCR;    // 0x0C application interrupt and reset control
    Reg<std::uint32_t> SCR;      // 0x10
    Reg<std::uint32_t> CCR;      // 0x14
    Reg<std::uint8_t> SHP[12];   // 0x18 system handler priorities, exceptions 4 to 15
    Reg<std::uint32_t> SHCSR;    // 0x24 system handler control and state
    Reg<std::uint32_t> CFSR;     // 0x28 configurable fault status
    Reg<std::uint32_t> HFSR;     // 0x2C hard fault status
    Reg<std::uint32_t> DFSR;     // 0x30 debug fault status
    Reg<std::uint32_t> MMFAR;    // 0x34 memory-management fault address
    Reg<std::uint32_t> BFAR;     // 0x38 bus fault address
    Reg<std::uint32_t> AFSR;     // 0x3C auxiliary fault status
};

struct CoreDebug_Type {
    Reg<std::uint32_t> DHCSR;  // 0x00 debug halting control and status
    Reg<std::uint32_t> DCRSR;  // 0x04
    Reg<std::uint32_t> DCRDR;  // 0x08
    Reg<std::uint32_t> DEMCR;  // 0x0C
};

static_assert(offsetof(NVIC_Type, ICER) == 0x80);
static_assert(offsetof(NVIC_Type, IP) == 0x300);
static_assert(offsetof(NVIC_Type, STIR) == 0xE00);
static_assert(offsetof(SCB_Type, SHP) == 0x18);
static_assert(offsetof(SCB_Type, AFSR) == 0x3C);

#define SCS_BASE 0xE000E000UL
#define SysTick_BASE (SCS_BASE + 0x0010UL)
#define NVIC_BASE (SCS_BASE + 0x0100UL)
#define SCB_BASE (SCS_BASE + 0x0D00UL)
#define CoreDebug_BASE 0xE000EDF0UL

#define SysTick ((SysTick_Type*)SysTick_BASE)
#define NVIC ((NVIC_Type*)NVIC_BASE)
#define SCB ((SCB_Type*)SCB_BASE)
#define CoreDebug ((CoreDebug_Type*)CoreDebug_BASE)

#define SysTick_CTRL_ENABLE 0x00000001U
#define SysTick_CTRL_TICKINT 0x00000002U
#define SysTick_CTRL_CLKSOURCE 0x00000004U
#define SysTick_CTRL_COUNTFLAG 0x00010000U
#define SysTick_LOAD_RELOAD_Msk 0x00FFFFFFU

#define SCB_AIRCR_PRIGROUP_Pos 8U
#define CoreDebug_DHCSR_C_DEBUGEN 0x00000001U

#endif
