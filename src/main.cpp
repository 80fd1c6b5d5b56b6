// The application: its start-up and foreground loop, the encoder and the
// menus, the screens, the tilt measurement, the sample storage and the
// graphs. The interrupt handlers and the button's state machine are in
// stm32f2xx_it.
#include "main.h"

#include <cmath>
#include <cstdio>

#include "accelspi.h"
#include "lcd_st7565p.h"
#include "misc.h"
#include "morva_eval.h"
#include "platform_ops.h"
#include "platform_stdio.h"
#include "record_layout.h"
#include "sercom.h"
#include "stm32f2xx_flash.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_rcc.h"
#include "stm32f2xx_tim.h"

int app_state;
int app_menu;
Record app_record;
Record app_limits;
int app_alarm;
int app_rec;
int app_data_index;
int app_record_number;
int graph_scale;
int lcd_status;
volatile int app_ready;
volatile std::uint32_t LocalTime;
int tmp;
char str[4];
int dummy;
std::uint8_t LCD_Bitmap[1024];

constexpr std::uint32_t SAMPLE_PERIOD_MS = 500;

namespace {
// The record the last sample was taken in: a stop and a new record can both
// come between a sample and its storage.
int sampled_record;
}  // namespace

constexpr std::uint32_t TICKS_PER_SECOND = 100;  // a 10 ms tick
constexpr std::uint8_t SYSTICK_PRIORITY = 0xF0;  // the lowest: the button interrupt pre-empts the tick
constexpr unsigned SYSTICK_SHP_INDEX = 11;       // exception 15 among the system handlers from 4 on

// The encoder counter rests at 8 within 0..22; one detent moves it by 4
// (both edges of both channels are counted).
constexpr std::uint32_t ENCODER_PERIOD = 22;
constexpr std::uint32_t ENCODER_REST = 8;

constexpr std::uint8_t ACCEL_CTRL_REG = 0x20;
constexpr std::uint8_t ACCEL_CTRL_MEASURE_XY = 0xC3;  // measure continuously on the X and Y channels

// A 10 ms SysTick from the core clock. A period that does not fit the 24-bit
// counter leaves SysTick off, without a report.
void SysTick_Init(void)
{
    SysTick_CLKSourceConfig(SysTick_CLKSource_HCLK);

    RCC_ClocksTypeDef RCC_Clocks;
    RCC_GetClocksFreq(&RCC_Clocks);
    const std::uint32_t ticks = RCC_Clocks.HCLK_Frequency / TICKS_PER_SECOND;
    if (ticks > SysTick_LOAD_RELOAD_Msk) return;

    SysTick->LOAD = (ticks - 1) & SysTick_LOAD_RELOAD_Msk;
    SCB->SHP[SYSTICK_SHP_INDEX] = SYSTICK_PRIORITY;
    SysTick->VAL = 0;
    SysTick->CTRL = SysTick_CTRL_CLKSOURCE | SysTick_CTRL_TICKINT | SysTick_CTRL_ENABLE;
}

// Back (SW1, EXTI line 14) and OK (SW2, line 15), each a falling-edge interrupt.
void Button_Init(void)
{
    STM_EVAL_PBInit(BUTTON_SW1, BUTTON_MODE_EXTI);
    STM_EVAL_PBInit(BUTTON_SW2, BUTTON_MODE_EXTI);
}

void UART_Init(void)
{
    ComPort_Init(COM1);
    ComPort_ConfigStdio(COM1, COM1, COM1);
}

// The encoder's two channels on PD12 and PD13 drive TIM4 in encoder mode,
// counting both edges of both inputs, centre-aligned within 0..22.
void IncrementalEncoder_Init(void)
{
    RCC_AHB1PeriphClockCmd(RCC_AHB1Periph_GPIOD, ENABLE);
    RCC_APB2PeriphClockCmd(RCC_APB2Periph_SYSCFG, ENABLE);

    GPIO_InitTypeDef GPIO_InitStructure;
    GPIO_InitStructure.GPIO_Pin = GPIO_Pin_12 | GPIO_Pin_13;
    GPIO_InitStructure.GPIO_Mode = GPIO_Mode_AF;
    GPIO_InitStructure.GPIO_OType = GPIO_OType_PP;
    GPIO_InitStructure.GPIO_Speed = GPIO_Speed_2MHz;
    GPIO_InitStructure.GPIO_PuPd = GPIO_PuPd_UP;
    GPIO_Init(GPIOD, &GPIO_InitStructure);
    GPIO_PinAFConfig(GPIOD, GPIO_PinSource12, GPIO_AF_TIM4);
    GPIO_PinAFConfig(GPIOD, GPIO_PinSource13, GPIO_AF_TIM4);

    RCC_APB1PeriphClockCmd(RCC_APB1Periph_TIM4, ENABLE);
    TIM_EncoderInterfaceConfig(TIM4, TIM_EncoderMode_TI12, TIM_ICPolarity_Falling, TIM_ICPolarity_Falling);

    // TIM4 has no repetition counter; the field stays at its zero.
    TIM_TimeBaseInitTypeDef TIM_TimeBaseStructure{};
    TIM_TimeBaseStructure.TIM_Prescaler = 0;
    TIM_TimeBaseStructure.TIM_CounterMode = TIM_CounterMode_CenterAligned1;
    TIM_TimeBaseStructure.TIM_Period = ENCODER_PERIOD;
    TIM_TimeBaseStructure.TIM_ClockDivision = TIM_CKD_DIV1;
    TIM_TimeBaseInit(TIM4, &TIM_TimeBaseStructure);

    TIM_Cmd(TIM4, ENABLE);
    TIM_SetCounter(TIM4, ENCODER_REST);
}

void LED_Init(void)
{
    for (int led = LED1; led <= LED8; led++) {
        STM_EVAL_LEDInit(static_cast<Led_TypeDef>(led));
        STM_EVAL_LEDOff(static_cast<Led_TypeDef>(led));
    }
}

void LCD_Disp_Init(void)
{
    LCD_Init();
    LCD_SetBacklight(100);
}

// The cells of a number field hold "%3d" of values from -99 to 999; a value
// beyond (only a foreign flash image holds one) is shown at the nearer end
// rather than written past str.
void format_field(int value)
{
    const int shown = value < -99 ? -99 : (value > 999 ? 999 : value);
    sniprintf(str, sizeof str, "%3d", shown);
}

void Periph_init(void)
{
    SysTick_Init();
    Button_Init();
    UART_Init();
    IncrementalEncoder_Init();
    LED_Init();
    LCD_Disp_Init();
    sACCEL_Init_StartUp();
}

// One pass of the foreground loop. While recording, a sample is due every
// 500 ms of LocalTime; the unsigned difference keeps the spacing across the
// wrap of LocalTime.
//
// A measurement pass is one section with interrupts masked: the stop of the
// record (the button interrupt) then falls before or after it, never inside,
// so a pass under way cannot latch the alarm or move an extreme of a record
// that has ended, and its accelerometer transfer and drawing cannot be cut
// into by the button's drawing on the same bus. The sample's storage checks
// once more that the record it was taken in still runs (see FLASH_write_data).
void Application_Periodic_Handle(std::uint32_t localtime)
{
    static std::uint32_t APPTimer;
    static Deflection sample;

    // Most passes have nothing due and need no masked section; a pass that
    // finds a sample due checks again under the mask.
    if (localtime - APPTimer < SAMPLE_PERIOD_MS || app_rec != 1) return;
    platform::irq_disable();
    if (localtime - APPTimer >= SAMPLE_PERIOD_MS && app_rec == 1) {
        tmp += 1;
        APPTimer = localtime;
        sampled_record = app_record_number;
        sample = sACCEL_Read_Deflection();
        Update_Deflaction_Values(sample);
        if (app_alarm == 1) Alarm_Blick();
    }
    platform::irq_enable();
    if (tmp == 2) {
        tmp = 0;
        FLASH_write_data(sample);
    }
}

void Time_Update(void)
{
    LocalTime = LocalTime + 10;
    if (app_ready != 1) return;
    // An encoder action draws whole screens: the button interrupt waits
    // until it is done rather than draw over it half-way.
    platform::irq_disable();
    ScanIncrementalEncoder();
    platform::irq_enable();
}

void Set_Init_State(void)
{
    app_state = 0;
    app_alarm = 0;
    app_rec = 0;
    app_menu = 0;
    ShowSystemMenu();
}

int main(void)
{
    lcd_status = 1;
    app_record = Record{0, 0, 0, 0};
    app_data_index = 0;
    app_menu = 0;
    app_state = 0;
    app_alarm = 0;
    app_rec = 0;

    Periph_init();

    ShowSystemMenu();
    STM_EVAL_LEDOn(LED1);
    // Nothing locks the flash again: every later erase and program relies on this.
    FLASH_Unlock();
    FLASH_read_record_limits();
    // The operator's inputs act from here on. Until now the tick has left
    // the encoder alone and the buttons' presses were dropped: an action
    // would have drawn over the menu being drawn, on the bus the LCD's
    // set-up uses, or erased and programmed a flash still locked. A turn
    // made meanwhile is dropped too.
    TIM_SetCounter(TIM4, ENCODER_REST);
    app_ready = 1;

    for (;;) {
        Application_Periodic_Handle(LocalTime);
        platform::idle();
    }
}

// --- operator input --------------------------------------------------------

namespace {

constexpr std::uint32_t ENCODER_STEP_DOWN = 4;   // one detent below the rest value
constexpr std::uint32_t ENCODER_STEP_UP = 12;    // one detent above it
constexpr int GRAPH_STEP = 54;                   // 27 samples of two bytes
constexpr int MENU_ITEMS = 4;

constexpr int STEP_UP = 1, STEP_DOWN = 2;

const char* const LIMIT_LABELS[MENU_ITEMS] = {"[X] LEFT:", "[X] RIGHT:", "[Y] BACK:", "[Y] FRONT:"};

void show_line(int line, const char* text, std::uint8_t flags)
{
    LCD_DisplayStringLineEx(static_cast<std::uint8_t>(line), const_cast<char*>(text), flags);
}

// Scrolls the graph on show by one detent (see the graphs below).
void graph_step(int step);

// A number field of a line: "%3d" in the three columns given.
void show_field(int line, int value, const std::uint16_t (&columns)[3])
{
    format_field(value);
    for (int i = 0; i < 3; ++i)
        LCD_DisplayCharEx(static_cast<std::uint8_t>(line), columns[i], static_cast<std::uint8_t>(str[i]), 0);
}

constexpr std::uint16_t LIMIT_FIELD_COLUMNS[3] = {64, 73, 80};   // the limit editor
constexpr std::uint16_t RECORD_FIELD_COLUMNS[3] = {73, 80, 88};  // the record and the recording screen

void show_limit_field(int line, int value) { show_field(line, value, LIMIT_FIELD_COLUMNS); }

// The side of 0 a limit lies on: a maximum at 0..90, a minimum at -90..0.
constexpr int MAXIMUM = 1, MINIMUM = -1;

// A limit one degree further from 0 (up) or nearer to 0 (down), within 0..90
// in magnitude; a value from flash outside the range only moves toward it.
void step_limit(int& limit, int side, int dir)
{
    const int magnitude = side * limit;
    if (dir == STEP_UP) {
        if (magnitude <= 89) limit += side;
    } else if (magnitude > 0) {
        limit -= side;
    }
}

}  // namespace

void ScanIncrementalEncoder(void)
{
    const std::uint32_t c = TIM_GetCounter(TIM4);
    if (c == ENCODER_STEP_DOWN) {
        TIM_SetCounter(TIM4, ENCODER_REST);
        if (app_state == 6 || app_state == 7)
            graph_step(-GRAPH_STEP);
        else
            changeMenuItem(STEP_DOWN);
    } else if (c == ENCODER_STEP_UP) {
        TIM_SetCounter(TIM4, ENCODER_REST);
        if (app_state == 6 || app_state == 7)
            graph_step(GRAPH_STEP);
        else
            changeMenuItem(STEP_UP);
    }
    // A turn that carried the counter past one detent between two polls is dropped.
    if (c < ENCODER_STEP_DOWN || c > ENCODER_STEP_UP) TIM_SetCounter(TIM4, ENCODER_REST);
}

void changeMenuItem(int dir)
{
    const int prev = app_menu;
    if (app_state == 0 || app_state == 4) {
        if (dir == STEP_UP) {
            if (prev <= 2)
                app_menu = prev + 1;
            else if (prev == 3)
                app_menu = 0;
        } else if (dir == STEP_DOWN) {
            if (prev > 0)
                app_menu = prev - 1;
            else if (prev == 0)
                app_menu = 3;
        }
        if (app_state == 0)
            RefreshMenuPointer(prev);
        else
            RefreshMenuInvertPointer(prev);
        return;
    }
    if (app_state != 5) return;
    switch (app_menu) {
    case 0:
        step_limit(app_limits.X_Max, MAXIMUM, dir);
        show_limit_field(getMenuItemIndex(0), app_limits.X_Max);
        break;
    case 1:
        step_limit(app_limits.X_Min, MINIMUM, dir);
        show_limit_field(getMenuItemIndex(1), -app_limits.X_Min);
        break;
    case 2:
        step_limit(app_limits.Y_Max, MAXIMUM, dir);
        show_limit_field(getMenuItemIndex(2), app_limits.Y_Max);
        break;
    case 3:
        step_limit(app_limits.Y_Min, MINIMUM, dir);
        show_limit_field(getMenuItemIndex(3), -app_limits.Y_Min);
        break;
    default:
        break;
    }
}

int getMenuItemIndex(int menu)
{
    switch (menu) {
    case 1: return 3;
    case 2: return 5;
    case 3: return 7;
    default: return 1;
    }
}

void RefreshMenuPointer(int prev)
{
    show_line(getMenuItemIndex(prev), "   ", 0);
    show_line(getMenuItemIndex(app_menu), " ->", 0);
}

void RefreshMenuInvertPointer(int prev)
{
    if (prev >= 0 && prev < MENU_ITEMS) show_line(getMenuItemIndex(prev), LIMIT_LABELS[prev], 0);
    if (app_menu >= 0 && app_menu < MENU_ITEMS) show_line(getMenuItemIndex(app_menu), LIMIT_LABELS[app_menu], 1);
}

// A busy wait without a timer: value rounds of value rounds. Its length
// follows from the core clock (delay(7000) is 49,000,000 rounds); the
// counters are volatile, so the loop stays as written.
void delay(int value)
{
    if (value <= 0) return;
    volatile int outer = 0;
    while (outer < value) {
        volatile std::uint32_t inner = static_cast<std::uint32_t>(value);
        platform::count_down(inner);
        outer = outer + 1;
    }
    // The sum wraps as the chip's adder does; in unsigned arithmetic that
    // is defined, and a few dozen notices overflow an int.
    dummy = static_cast<int>(static_cast<unsigned>(dummy) +
                             static_cast<unsigned>(value) * static_cast<unsigned>(value));
}

// --- screens ---------------------------------------------------------------

void ShowSystemMenu(void)
{
    LCD_Clear();
    show_line(1, " ->  NEW RECORD", 2);
    show_line(3, "     SHOW RECORD", 2);
    show_line(5, "     REMOTE MODE", 2);
    show_line(7, "     OPTION", 2);
}

void ShowRecordingScreen(void)
{
    LCD_Clear();
    show_line(0, "RECORDING...", 2);
    show_line(3, "AXIS [X]:       deg", 2);
    show_line(5, "AXIS [Y]:       deg", 2);
}

namespace {

constexpr std::uint16_t LIMIT_MARK_COLUMN = 116;

void show_limit_mark(int line) { LCD_DisplayCharEx(static_cast<std::uint8_t>(line), LIMIT_MARK_COLUMN, '!', 0); }

}  // namespace

void ShowRecordScreen(void)
{
    LCD_Clear();
    show_line(1, "[X] LEFT:       deg", 2);
    show_line(3, "[X] RIGHT:      deg", 2);
    show_line(5, "[Y] BACK:       deg", 2);
    show_line(7, "[Y] FRONT:      deg", 2);

    FLASH_read_result_record();

    Display_int(1, app_record.X_Max);
    if (app_record.X_Max > app_limits.X_Max) show_limit_mark(1);
    Display_int(3, -app_record.X_Min);
    if (app_record.X_Min < app_limits.X_Min) show_limit_mark(3);
    Display_int(5, app_record.Y_Max);
    if (app_record.Y_Max > app_limits.Y_Max) show_limit_mark(5);
    Display_int(7, -app_record.Y_Min);
    if (app_record.Y_Min < app_limits.Y_Min) show_limit_mark(7);
}

void ShowRemoteScreen(void)
{
    LCD_Clear();
    show_line(0, "REMOTE MODE", 2);
    show_line(3, "Connect RS-232 cable", 2);
    show_line(4, "and press OK to send", 2);
    show_line(5, "data.", 2);
}

void ShowLimitNotice(void)
{
    show_line(3, "Setting max limits in", 2);
    show_line(4, "all directions.", 2);
}

void ShowLimitEditor(void)
{
    LCD_Clear();
    show_line(1, "[X] LEFT:      degree", 2);
    show_line(3, "[X] RIGHT:     degree", 2);
    show_line(5, "[Y] BACK:      degree", 2);
    show_line(7, "[Y] FRONT:     degree", 2);
    show_line(1, LIMIT_LABELS[0], 1);
    show_limit_field(1, app_limits.X_Max);
    show_limit_field(3, -app_limits.X_Min);
    show_limit_field(5, app_limits.Y_Max);
    show_limit_field(7, -app_limits.Y_Min);
}

void ShowReportSentNotice(void)
{
    show_line(3, "Record has been", 2);
    show_line(4, "sent successfully.", 2);
}

void Display_int(int line, int value) { show_field(line, value, RECORD_FIELD_COLUMNS); }

// --- tilt measurement ------------------------------------------------------

namespace {

constexpr std::uint8_t ACCEL_OUT_X = 0x28;
constexpr std::uint8_t ACCEL_OUT_Y = 0x2A;
constexpr double FULL_SCALE = 1000.0;  // the reading that stands for the sine 1
constexpr double DEGREES_PER_RADIAN = 57.3;

// A raw reading as a whole angle: the reading / 1000 is the sine of the
// tilt, clamped to -1..1 (a shock or a garbled transfer can go beyond).
int to_degrees(std::uint16_t raw)
{
    double t = static_cast<std::int16_t>(raw) / FULL_SCALE;
    if (t <= -1.0)
        t = -1.0;
    else if (t >= 1.0)
        t = 1.0;
    return static_cast<int>(std::asin(t) * DEGREES_PER_RADIAN);
}

// One axis of a sample: the extreme of its direction, its value in the
// record field of its line, and the alarm when it passes its limit.
void update_axis(int value, int line, int& maximum, int& minimum, int limit_max, int limit_min)
{
    if (value < 0) {
        if (value < minimum) minimum = value;
        Display_int(line, value);
        if (value < limit_min) {
            app_alarm = 1;
            show_limit_mark(line);
        }
    } else if (value > 0) {
        if (value > maximum) maximum = value;
        Display_int(line, value);
        if (value > limit_max) {
            app_alarm = 1;
            show_limit_mark(line);
        }
    }
}

}  // namespace

void sACCEL_Init_StartUp(void)
{
    sACCEL_Init();
    sACCEL_WriteReg(ACCEL_CTRL_REG, ACCEL_CTRL_MEASURE_XY);
}

std::uint16_t sACCEL_Read_X(void) { return sACCEL_ReadWord(ACCEL_OUT_X); }
std::uint16_t sACCEL_Read_Y(void) { return sACCEL_ReadWord(ACCEL_OUT_Y); }

Deflection sACCEL_Read_Deflection(void)
{
    const std::uint16_t x = sACCEL_Read_X();
    const std::uint16_t y = sACCEL_Read_Y();
    return Deflection{to_degrees(x), to_degrees(y)};
}

void Update_Deflaction_Values(Deflection def)
{
    update_axis(def.X, 3, app_record.X_Max, app_record.X_Min, app_limits.X_Max, app_limits.X_Min);
    update_axis(def.Y, 5, app_record.Y_Max, app_record.Y_Min, app_limits.Y_Max, app_limits.Y_Min);
}

void Alarm_Blick(void)
{
    STM_EVAL_LEDToggle(LED4);
    STM_EVAL_LEDToggle(LED6);
    STM_EVAL_LEDToggle(LED8);
}

void Alarm_Blick_Off(void)
{
    STM_EVAL_LEDOff(LED4);
    STM_EVAL_LEDOff(LED6);
    STM_EVAL_LEDOff(LED8);
}

// --- sample storage ----------------------------------------------------------

// The sample goes in only while the record it was taken in still runs and
// the sample area has room left beside the last pair, which stays for the
// end marker. The check and the two bytes are one masked section, so the
// stop of the record comes before or after a whole pair, never between its
// bytes.
void FLASH_write_data(Deflection def)
{
    iprintf("\nscan");
    platform::irq_disable();
    if (app_rec == 1 && sampled_record == app_record_number && app_data_index <= 2 * (SAMPLE_CAPACITY - 1)) {
        FLASH_ProgramByte(SAMPLE_AREA + static_cast<std::uint32_t>(app_data_index), static_cast<std::uint8_t>(def.X));
        app_data_index += 1;
        FLASH_ProgramByte(SAMPLE_AREA + static_cast<std::uint32_t>(app_data_index), static_cast<std::uint8_t>(def.Y));
        app_data_index += 1;
    }
    platform::irq_enable();
}

int sample_pair_x(int pair) { return read_signed(SAMPLE_AREA + 2 * static_cast<std::uint32_t>(pair)); }
int sample_pair_y(int pair) { return read_signed(SAMPLE_AREA + 2 * static_cast<std::uint32_t>(pair) + 1); }

// The record in the sample area, read as the firmware wrote it: its pairs end
// at the first pair with a byte above 90 (the end marker). A record a loss of
// power cut off has no marker: it ends after the last pair that holds a
// programmed byte, and the erased tail is not part of it. Nothing past the
// result sector is read.
int stored_sample_count(void)
{
    int last_programmed = -1;
    for (int pair = 0; pair < SAMPLE_PAIRS; ++pair) {
        const int x = sample_pair_x(pair), y = sample_pair_y(pair);
        if (x > MAX_SAMPLE_VALUE || y > MAX_SAMPLE_VALUE) return pair;
        if (x != -1 || y != -1) last_programmed = pair;
    }
    return last_programmed + 1;
}

// count: the record's samples, as stored_sample_count finds them.
bool stored_record_has_marker(int count)
{
    return count < SAMPLE_PAIRS && (sample_pair_x(count) > MAX_SAMPLE_VALUE || sample_pair_y(count) > MAX_SAMPLE_VALUE);
}

// --- graphs ------------------------------------------------------------------

namespace {

constexpr int GRAPH_FIRST_COLUMN = 17;
constexpr int ZERO_ROW = 31;
constexpr int DEGREES_PER_ROW = 3;

// byte: the pair's X (0) or Y (1) byte; end_column: the first column not drawn.
struct GraphAxis {
    int byte;
    int end_column;
    const char* label;
};
constexpr GraphAxis X_AXIS{0, 127, " X"};
constexpr GraphAxis Y_AXIS{1, 128, " Y"};

// count: the record's samples, as stored_sample_count finds them; none of
// them has a byte above 90.
void draw_graph(int index, const GraphAxis& axis, int count)
{
    clear_Graph();
    LCD_Set_Bitmap_Line(15, ZERO_ROW, 113);
    const int first = index / 2;
    for (int c = GRAPH_FIRST_COLUMN; c < axis.end_column; ++c) {
        const int pair = first + (c - GRAPH_FIRST_COLUMN);
        if (pair < 0 || pair >= count) break;
        const int v = axis.byte == 0 ? sample_pair_x(pair) : sample_pair_y(pair);
        LCD_Set_Bitmap_Point(static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(ZERO_ROW - v / DEGREES_PER_ROW));
    }
    LCD_DisplayEx(LCD_Bitmap, 0);
    show_line(0, "90", 0);
    show_line(3, axis.label, 0);
    show_line(7, "90", 0);
    LCD_DrawYLine(14, 1, 0, 7);
}

// The record's samples, counted when a graph opens: nothing writes the
// result sector while a graph is shown, and a count on every step would
// read the whole sector inside the tick.
int graph_samples;

// A graph window starts at a stored sample: no step below the first or past
// the last one.
void graph_step(int step)
{
    const int next = graph_scale + step;
    if (next < 0 || next / 2 >= graph_samples) return;
    graph_scale = next;
    draw_graph(graph_scale, app_state == 6 ? X_AXIS : Y_AXIS, graph_samples);
}

void open_graph(int index, const GraphAxis& axis)
{
    graph_samples = stored_sample_count();
    draw_graph(index, axis, graph_samples);
}

}  // namespace

void LCD_Set_Bitmap_Point(std::uint8_t x, std::uint8_t y)
{
    // Outside the 128 x 64 picture there is no pixel to set.
    if (x > 127 || y > 63) return;
    const unsigned page = y / 8u;
    const auto column = static_cast<std::uint8_t>(127 - x);
    const auto mask = static_cast<std::uint8_t>(std::pow(2.0, static_cast<double>(y % 8u)));
    LCD_Bitmap[page * 128u + column] = static_cast<std::uint8_t>(LCD_Bitmap[page * 128u + column] | mask);
}

void LCD_Set_Bitmap_Line(std::uint8_t x, std::uint8_t y, std::uint8_t length)
{
    for (unsigned i = 0; i < length; ++i) LCD_Set_Bitmap_Point(static_cast<std::uint8_t>(x + i), y);
}

void clear_Graph(void)
{
    for (std::uint8_t& byte : LCD_Bitmap) byte = 0;
}

void draw_X_Graph(int index) { open_graph(index, X_AXIS); }
void draw_Y_Graph(int index) { open_graph(index, Y_AXIS); }
