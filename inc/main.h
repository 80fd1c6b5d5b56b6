// The application's shared types and the globals that the foreground loop
// and the interrupt handlers share. Each global is one aligned 32-bit word.
#ifndef TILTMON_MAIN_H
#define TILTMON_MAIN_H

#include <cstdint>

// Extremes of a record or the alarm limits, in whole degrees. Positive X is a
// tilt to the left, positive Y a tilt to the back.
struct Record {
    int X_Max;
    int Y_Max;
    int X_Min;
    int Y_Min;
};

// One tilt sample in whole degrees, -90 to 90.
struct Deflection {
    int X;
    int Y;
};

extern int app_state;  // 0 menu, 1 recording, 2 record, 3 remote, 4/5 limit editor, 6/7 graphs
extern int app_menu;
extern Record app_record;
extern Record app_limits;
extern int app_alarm;
extern int app_rec;
extern int app_data_index;
extern int graph_scale;
extern int lcd_status;
extern volatile std::uint32_t LocalTime;
extern int tmp;
extern char str[4];
extern int dummy;

void Periph_init(void);
void SysTick_Init(void);
void Button_Init(void);
void UART_Init(void);
void IncrementalEncoder_Init(void);
void LED_Init(void);
void LCD_Disp_Init(void);
void sACCEL_Init_StartUp(void);
extern "C" void Application_Periodic_Handle(std::uint32_t localtime);
void Time_Update(void);

extern "C" {
void SysTick_Handler(void);
void EXTI15_10_IRQHandler(void);
}

#endif
