// Exception and interrupt handlers of the application: the tick, the
// buttons' state machine with the remote report, the storage of the record's
// header, end marker and limits, and the fault handlers.
#include "irqlines.h"
#include "lcd_st7565p.h"
#include "main.h"
#include "morva_debug.h"
#include "morva_eval.h"
#include "platform_stdio.h"
#include "record_layout.h"
#include "stm32f2xx_flash.h"

namespace {

constexpr Button_TypeDef BACK_BUTTON = BUTTON_SW1;
constexpr Button_TypeDef OK_BUTTON = BUTTON_SW2;
constexpr int NOTICE_DELAY = 7000;

void program_signed(std::uint32_t address, int value)
{
    FLASH_ProgramByte(address, static_cast<std::uint8_t>(value));
}

// The header's four bytes at base, in their order (see record_layout.h).
void write_header(std::uint32_t base, const Record& record)
{
    program_signed(base + 0, record.X_Max);
    program_signed(base + 1, record.X_Min);
    program_signed(base + 2, record.Y_Max);
    program_signed(base + 3, record.Y_Min);
}

void read_header(std::uint32_t base, Record& record)
{
    record.X_Max = read_signed(base + 0);
    record.X_Min = read_signed(base + 1);
    record.Y_Max = read_signed(base + 2);
    record.Y_Min = read_signed(base + 3);
}

int magnitude(int value) { return value < 0 ? -value : value; }

// Back: the backlight in a record, the limits saved on leaving the editor,
// and from every other screen but the menu the way back to it.
void back_action(void)
{
    switch (app_state) {
    case 1:
        if (lcd_status == 1) {
            LCD_SetBacklight(0);
            lcd_status = 0;
        } else {
            LCD_SetBacklight(100);
            lcd_status = 1;
        }
        break;
    case 2:
    case 3:
    case 6:
    case 7:
        Set_Init_State();
        break;
    case 4:
    case 5:
        Set_Init_State();
        FLASH_write_record_limits();
        break;
    default:
        break;
    }
}

void start_record(void)
{
    app_state = 1;
    app_rec = 1;
    app_record_number += 1;
    ShowRecordingScreen();
    STM_EVAL_LEDOn(LED2);
    app_record = Record{0, 0, 0, 0};
    app_data_index = 0;
    FLASH_EraseSector(RESULT_SECTOR, VOLTAGE_RANGE_BYTES);
}

// The end marker follows the last whole pair: the foreground loop stores a
// pair in one masked section, so it cannot be half-way through one here.
void stop_record(void)
{
    Set_Init_State();
    STM_EVAL_LEDOff(LED2);
    Alarm_Blick_Off();
    LCD_SetBacklight(100);
    lcd_status = 1;
    FLASH_write_result_record();
    program_signed(SAMPLE_AREA + static_cast<std::uint32_t>(app_data_index), END_MARKER);
    program_signed(SAMPLE_AREA + 1 + static_cast<std::uint32_t>(app_data_index), END_MARKER);
}

void open_limit_editor(void)
{
    FLASH_read_record_limits();
    app_menu = 0;
    app_state = 4;
    LCD_Clear();
    ShowLimitNotice();
    delay(NOTICE_DELAY);
    ShowLimitEditor();
}

// The record as text on the console: the banner, the extremes in memory and
// every stored sample, the end marker's line last. A record without a marker
// ends after its last programmed pair, within the result sector.
void send_remote_report(void)
{
    iprintf("\r\nZEB Tiltbox system v1.0\r\n\n");
    iprintf("[X] LEFT:      %3d degree\n", app_record.X_Max);
    iprintf("[X] RIGHT:     %3d degree\n", magnitude(app_record.X_Min));
    iprintf("[Y] BACK:      %3d degree\n", app_record.Y_Max);
    iprintf("[Y] FRONT:     %3d degree\n", magnitude(app_record.Y_Min));
    const int count = stored_sample_count();
    const int last = stored_record_has_marker(count) ? count : count - 1;
    for (int pair = 0; pair <= last; ++pair) {
        const int x = sample_pair_x(pair), y = sample_pair_y(pair);
        iprintf("[X]:  %3d    [Y]:  %3d  degree\n", x, y);
    }
    LCD_Clear();
    ShowReportSentNotice();
    delay(NOTICE_DELAY);
    Set_Init_State();
}

void ok_action(void)
{
    switch (app_state) {
    case 0:
        switch (app_menu) {
        case 0:
            start_record();
            break;
        case 1:
            app_state = 2;
            ShowRecordScreen();
            break;
        case 2:
            app_state = 3;
            ShowRemoteScreen();
            break;
        case 3:
            open_limit_editor();
            break;
        default:
            break;
        }
        break;
    case 1:
        stop_record();
        break;
    case 2:
        app_state = 6;
        graph_scale = 0;
        draw_X_Graph(graph_scale);
        break;
    case 3:
        send_remote_report();
        break;
    case 4:
        app_state = 5;
        break;
    case 5:
        app_state = 4;
        break;
    case 6:
        app_state = 7;
        graph_scale = 0;
        draw_Y_Graph(graph_scale);
        break;
    case 7:
        app_state = 2;
        ShowRecordScreen();
        break;
    default:
        break;
    }
}

}  // namespace

void NMI_Handler(void) {}

// The system never enables these three; they serve only if a later change does.
void MemManage_Handler(void)
{
    print_assert(const_cast<char*>("Fault"), const_cast<char*>("MemManage"), nullptr, 0);
    halt();
}

void BusFault_Handler(void)
{
    print_assert(const_cast<char*>("Fault"), const_cast<char*>("BusFault"), nullptr, 0);
    halt();
}

void UsageFault_Handler(void)
{
    print_assert(const_cast<char*>("Fault"), const_cast<char*>("UsageFault"), nullptr, 0);
    halt();
}

void SVC_Handler(void) {}
void DebugMon_Handler(void) {}
void PendSV_Handler(void) {}

void SysTick_Handler(void) { Time_Update(); }

// The push buttons. Each pending bit is cleared only after its action, so a
// press of the same button while its action runs is absorbed by that clear;
// the OK action sees the state that the back action left. A press before
// start-up has finished is dropped, not kept for later: the operator has not
// seen the menu it would act on (OK would erase the stored record from the
// NEW RECORD that start-up selects), and the edges of a button held or
// bouncing through power-on are nobody's press.
void EXTI15_10_IRQHandler(void)
{
    const bool ready = app_ready == 1;
    if (EXTI_GetITStatus(BUTTON_EXTI_LINE[BACK_BUTTON]) != RESET) {
        if (ready) back_action();
        EXTI_ClearITPendingBit(BUTTON_EXTI_LINE[BACK_BUTTON]);
    }
    if (EXTI_GetITStatus(BUTTON_EXTI_LINE[OK_BUTTON]) != RESET) {
        if (ready) ok_action();
        EXTI_ClearITPendingBit(BUTTON_EXTI_LINE[OK_BUTTON]);
    }
}

void FLASH_write_result_record(void) { write_header(RESULT_BASE, app_record); }

void FLASH_read_result_record(void) { read_header(RESULT_BASE, app_record); }

void FLASH_write_record_limits(void)
{
    FLASH_EraseSector(LIMITS_SECTOR, VOLTAGE_RANGE_BYTES);
    write_header(LIMITS_BASE, app_limits);
}

void FLASH_read_record_limits(void) { read_header(LIMITS_BASE, app_limits); }
