// ST7565P LCD driver.
#include "lcd_st7565p.h"

#include "font5x8.h"
#include "morva_eval.h"
#include "platform_ops.h"
#include "spi_exchange.h"
#include "stm32f2xx_gpio.h"
#include "stm32f2xx_tim.h"

const std::uint8_t pagemap[8] = {0, 1, 2, 3, 4, 5, 6, 7};

namespace {

// Controller commands.
constexpr std::uint8_t CMD_BIAS_1_7 = 0xA3;
constexpr std::uint8_t CMD_ADC_NORMAL = 0xA0;
constexpr std::uint8_t CMD_COMMON_SCAN_NORMAL = 0xC0;
constexpr std::uint8_t CMD_START_LINE_0 = 0x40;
constexpr std::uint8_t CMD_POWER_BOOSTER = 0x2C;
constexpr std::uint8_t CMD_POWER_BOOSTER_REGULATOR = 0x2E;
constexpr std::uint8_t CMD_POWER_BOOSTER_REGULATOR_FOLLOWER = 0x2F;
constexpr std::uint8_t CMD_REGULATOR_RATIO_6 = 0x26;
constexpr std::uint8_t CMD_SHOW_DISPLAY_MEMORY = 0xA4;
constexpr std::uint8_t CMD_DISPLAY_ON = 0xAF;
constexpr std::uint8_t CMD_ELECTRONIC_VOLUME = 0x81;
constexpr std::uint8_t CMD_PAGE_ADDRESS = 0xB0;
constexpr std::uint8_t CMD_COLUMN_LOW = 0x00;
constexpr std::uint8_t CMD_COLUMN_HIGH = 0x10;
constexpr std::uint8_t CMD_READ_MODIFY_WRITE = 0xE0;  // the column advances on writes only

constexpr std::uint8_t VOLUME_MASK = 0x3F;
constexpr std::uint8_t INITIAL_BRIGHTNESS = 16;
constexpr int COLUMNS = 128;
constexpr int PAGES = 8;
constexpr std::uint8_t BACKLIGHT_STEPS = 101;  // duty 0 to 100 percent
constexpr std::uint16_t TEXT_CELL_WIDTH = 6;
constexpr std::uint16_t LAST_TEXT_CELL_START = 122;  // a cell starting later would not fit
constexpr std::uint16_t LAST_GLYPH_COLUMN = 123;     // screen column whose glyph ends at 127

// A busy-wait of nCount units of 100000 counts, without a timer. The count is
// taken by value; the counter that the wait spins on is the volatile index.
void delay(std::uint32_t nCount)
{
    volatile std::uint32_t index = nCount * 100000;
    platform::count_down(index);
}

void select_display(void) { GPIO_ResetBits(LCD_NCS_GPIO_PORT, LCD_NCS_PIN); }
void deselect_display(void) { GPIO_SetBits(LCD_NCS_GPIO_PORT, LCD_NCS_PIN); }

// The controller sends nothing back: the byte that comes in is dropped.
void LCD_SendByte(std::uint8_t byte) { spi_exchange_byte(LCD_SPI, byte); }

void LCD_Command(std::uint8_t cmd)
{
    GPIO_ResetBits(LCD_A0_GPIO_PORT, LCD_A0_PIN);
    LCD_SendByte(cmd);
}

void LCD_Data(std::uint8_t data)
{
    GPIO_SetBits(LCD_A0_GPIO_PORT, LCD_A0_PIN);
    LCD_SendByte(data);
}

// A line outside 0 to 7 wraps around rather than reading past the table.
std::uint8_t page_of(int line) { return pagemap[line & (PAGES - 1)]; }

// Page, column and read-modify-write: where the data bytes that follow go.
void set_address(int line, std::uint32_t controller_column)
{
    LCD_Command(static_cast<std::uint8_t>(CMD_PAGE_ADDRESS | page_of(line)));
    LCD_Command(static_cast<std::uint8_t>(CMD_COLUMN_LOW | (controller_column & 0x0F)));
    LCD_Command(static_cast<std::uint8_t>(CMD_COLUMN_HIGH | ((controller_column >> 4) & 0x0F)));
    LCD_Command(CMD_READ_MODIFY_WRITE);
}

std::uint8_t inversion_mask(std::uint8_t flags) { return (flags & 0x01) != 0 ? 0xFF : 0x00; }

void LCD_PowerOn(void)
{
    select_display();
    LCD_Command(CMD_POWER_BOOSTER);
    delay(5);
    LCD_Command(CMD_POWER_BOOSTER_REGULATOR);
    delay(5);
    LCD_Command(CMD_POWER_BOOSTER_REGULATOR_FOLLOWER);
    delay(1);
    LCD_Command(CMD_REGULATOR_RATIO_6);
    deselect_display();
}

void LCD_Setup(void)
{
    LCD_LowLevel_Init();
    delay(5);

    select_display();
    GPIO_ResetBits(LCD_RST_GPIO_PORT, LCD_RST_PIN);
    delay(50);
    GPIO_SetBits(LCD_RST_GPIO_PORT, LCD_RST_PIN);
    delay(1);

    LCD_Command(CMD_BIAS_1_7);
    LCD_Command(CMD_ADC_NORMAL);
    LCD_Command(CMD_COMMON_SCAN_NORMAL);
    LCD_Command(CMD_START_LINE_0);
    deselect_display();

    LCD_PowerOn();

    select_display();
    LCD_Command(CMD_SHOW_DISPLAY_MEMORY);
    deselect_display();
}

}  // namespace

void LCD_Init(void)
{
    LCD_Setup();
    LCD_DisplayOn();
    LCD_Clear();
    LCD_SetBrightness(INITIAL_BRIGHTNESS);
}

void LCD_DisplayOn(void)
{
    select_display();
    LCD_Command(CMD_DISPLAY_ON);
    deselect_display();
}

void LCD_Clear(void)
{
    select_display();
    for (int page = 0; page < PAGES; page++) {
        set_address(page, 0);
        for (int k = 0; k < COLUMNS; k++) LCD_Data(0x00);
    }
    deselect_display();
}

void LCD_SetBrightness(std::uint8_t val)
{
    select_display();
    LCD_Command(CMD_ELECTRONIC_VOLUME);
    LCD_Command(static_cast<std::uint8_t>(val & VOLUME_MASK));
    deselect_display();
}

void LCD_SetBacklight(std::uint8_t iPercent) { TIM_SetCompare2(LCD_BACKLIGHT_TIM, iPercent % BACKLIGHT_STEPS); }

void LCD_DisplayEx(const std::uint8_t* buffer, std::uint8_t flags)
{
    if (buffer == nullptr) return;

    const std::uint8_t mask = inversion_mask(flags);
    select_display();
    for (int page = 0; page < PAGES; page++) {
        set_address(page, 0);
        for (int k = 0; k < COLUMNS; k++) LCD_Data(static_cast<std::uint8_t>(buffer[page * COLUMNS + k] ^ mask));
    }
    deselect_display();
}

// The glyph's columns go out right to left: the controller column advances
// with each byte while the glass is mirrored, so glyph byte i lands at screen
// column Column + i.
void LCD_DisplayCharEx(std::uint8_t Line, std::uint16_t Column, std::uint8_t Ascii, std::uint8_t flags)
{
    const std::uint8_t mask = inversion_mask(flags);
    const auto start = static_cast<std::uint16_t>(LAST_GLYPH_COLUMN - Column);
    // Code 255 has no glyph: it draws as the blank code 0, inside the table.
    const std::uint8_t code = Ascii < FONT5X8_GLYPHS ? Ascii : 0;
    const std::uint8_t* const glyph = &font5x8[static_cast<std::size_t>(code) * FONT5X8_WIDTH];

    select_display();
    set_address(Line, start);
    for (int i = FONT5X8_WIDTH - 1; i >= 0; i--) LCD_Data(static_cast<std::uint8_t>(glyph[i] ^ mask));
    deselect_display();
}

// x is taken modulo 128 by its low 7 bits, which keeps a negative x on the
// glass too.
void LCD_DrawYLine(int x, int c, int lineFrom, int lineTo)
{
    const std::uint32_t column = static_cast<std::uint32_t>(COLUMNS - 1 - (x & (COLUMNS - 1)));
    const std::uint8_t value = c != 0 ? 0xFF : 0x00;

    select_display();
    for (int line = lineFrom; line <= lineTo; line++) {
        set_address(line, column);
        LCD_Data(value);
    }
    deselect_display();
}

// Character k fills the cell of columns 6k to 6k + 6: background, the glyph
// at 6k + 1 to 6k + 5, background again (shared with the next cell).
void LCD_DisplayStringLineEx(std::uint8_t Line, char* ptr, std::uint8_t flags)
{
    const int inv = flags & 0x01;
    std::uint16_t refcolumn = 0;

    while (*ptr != '\0') {
        LCD_DrawYLine(refcolumn, inv, Line, Line);
        LCD_DisplayCharEx(Line, static_cast<std::uint16_t>(refcolumn + 1), static_cast<std::uint8_t>(*ptr), flags);
        refcolumn = static_cast<std::uint16_t>(refcolumn + TEXT_CELL_WIDTH);
        LCD_DrawYLine(refcolumn, inv, Line, Line);
        ptr++;
        if (refcolumn > LAST_TEXT_CELL_START) break;
    }

    if ((flags & 0x02) != 0) {
        for (int x = refcolumn; x < COLUMNS; x++) LCD_DrawYLine(x, inv, Line, Line);
    }
}
