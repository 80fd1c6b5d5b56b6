// Driver of the board's 128x64 monochrome LCD (ST7565P controller on SPI2)
// and its backlight. The glass is mounted mirrored: screen column x is
// controller column 127 - x. Each operation is one chip-select frame (the
// text operation one per character and per painted column), returns once its
// last byte has left, and overwrites exactly the display bytes it sends.
#ifndef TILTMON_LCD_ST7565P_H
#define TILTMON_LCD_ST7565P_H

#include <cstdint>

// Controller page address of each text line (page) 0 to 7, top to bottom.
extern const std::uint8_t pagemap[8];

// Pins, backlight timer, bus and controller: blank screen, contrast 16,
// display on, backlight still dark.
void LCD_Init(void);
void LCD_DisplayOn(void);
void LCD_Clear(void);
// Contrast: the controller's electronic volume, val & 0x3F.
void LCD_SetBrightness(std::uint8_t val);
// Backlight duty in percent, iPercent mod 101.
void LCD_SetBacklight(std::uint8_t iPercent);
// A 1024-byte frame buffer, 8 pages of 128 bytes; byte page * 128 + k shows
// at screen column 127 - k. flags bit 0 inverts. A null buffer does nothing.
void LCD_DisplayEx(const std::uint8_t* buffer, std::uint8_t flags);
// One 5x8 glyph on a line (0 to 7) from screen column Column (0 to 123) on;
// flags bit 0 inverts. Codes 0 to 254.
void LCD_DisplayCharEx(std::uint8_t Line, std::uint16_t Column, std::uint8_t Ascii, std::uint8_t flags);
// Sets (c != 0) or clears every row of screen column x (0 to 127) in the
// lines lineFrom to lineTo.
void LCD_DrawYLine(int x, int c, int lineFrom, int lineTo);
// A text from the left edge of a line, 6 columns a character, at most 21
// characters. flags bit 0: inverted; bit 1: also paint the rest of the line.
void LCD_DisplayStringLineEx(std::uint8_t Line, char* ptr, std::uint8_t flags);

#endif
