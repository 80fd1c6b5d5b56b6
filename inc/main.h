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
extern int app_record_number;  // records started since power-on
extern int graph_scale;
extern int lcd_status;
extern volatile int app_ready;  // 1 once start-up has finished: the buttons and the knob act
extern volatile std::uint32_t LocalTime;
extern int tmp;
extern char str[4];
extern int dummy;
extern std::uint8_t LCD_Bitmap[1024];  // the graph screens' frame buffer

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
void Set_Init_State(void);

// Operator input.
void ScanIncrementalEncoder(void);
void changeMenuItem(int dir);
int getMenuItemIndex(int menu);
void RefreshMenuPointer(int prev);
void RefreshMenuInvertPointer(int prev);
void delay(int value);

// Screens.
void ShowSystemMenu(void);
void ShowRecordingScreen(void);
void ShowRecordScreen(void);
void ShowRemoteScreen(void);
void ShowLimitNotice(void);
void ShowLimitEditor(void);
void ShowReportSentNotice(void);
void Display_int(int line, int value);
void format_field(int value);

// Tilt measurement and the alarm.
std::uint16_t sACCEL_Read_X(void);
std::uint16_t sACCEL_Read_Y(void);
Deflection sACCEL_Read_Deflection(void);
void Update_Deflaction_Values(Deflection def);
void Alarm_Blick(void);
void Alarm_Blick_Off(void);

// The records in flash.
void FLASH_write_data(Deflection def);
void FLASH_write_result_record(void);
void FLASH_read_result_record(void);
void FLASH_write_record_limits(void);
void FLASH_read_record_limits(void);
int stored_sample_count(void);
bool stored_record_has_marker(int count);
int sample_pair_x(int pair);
int sample_pair_y(int pair);

// Graphs.
void LCD_Set_Bitmap_Point(std::uint8_t x, std::uint8_t y);
void LCD_Set_Bitmap_Line(std::uint8_t x, std::uint8_t y, std::uint8_t length);
void clear_Graph(void);
void draw_X_Graph(int index);
void draw_Y_Graph(int index);

extern "C" {
void SysTick_Handler(void);
void EXTI15_10_IRQHandler(void);
}

#endif
