// Plays the LCD driver's byte sequences into the controller model as the
// firmware's driver sends them: one chip-select frame per operation (per
// character and per painted column in the text operation), A0 low for
// commands and high for display data, screen columns mirrored.
#ifndef TESTS_DEVICES_LCD_WIRE_H
#define TESTS_DEVICES_LCD_WIRE_H

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "devices/st7565p_controller.h"
#include "font5x8.h"

class LcdWire {
public:
    explicit LcdWire(sim::St7565pController& lcd) : lcd_(lcd) {}

    void command(std::uint8_t byte) { send(false, byte); }
    void data(std::uint8_t byte) { send(true, byte); }
    void commands(std::initializer_list<std::uint8_t> bytes)
    {
        lcd_.select(true);
        for (std::uint8_t byte : bytes) command(byte);
        lcd_.select(false);
    }
    // Page, column low, column high, read-modify-write.
    void preamble(int page, unsigned column)
    {
        for (unsigned byte : {0xB0u | unsigned(page), column & 0x0F, 0x10 | (column >> 4 & 0x0F), 0xE0u})
            command(static_cast<std::uint8_t>(byte));
    }

    // LCD_Init: the reset pulse within the first frame, set-up, power-up,
    // display on, clear (unless told not to), volume 16.
    void init(bool clear_screen = true)
    {
        lcd_.set_a0(false);
        lcd_.set_reset(true);
        lcd_.select(true);
        lcd_.set_reset(false);
        for (unsigned byte : {0xA3u, 0xA0u, 0xC0u, 0x40u}) command(static_cast<std::uint8_t>(byte));
        lcd_.select(false);
        commands({0x2C, 0x2E, 0x2F, 0x26});
        commands({0xA4});
        commands({0xAF});
        if (clear_screen) clear();
        commands({0x81, 16});
    }
    void clear()
    {
        lcd_.select(true);
        for (int page = 0; page < 8; ++page) {
            preamble(page, 0);
            for (int column = 0; column < 128; ++column) data(0x00);
        }
        lcd_.select(false);
    }
    // LCD_DisplayCharEx
    void display_char(int line, int column, std::uint8_t code, bool inverted)
    {
        lcd_.select(true);
        preamble(line, static_cast<std::uint16_t>(123 - column));
        for (int i = 4; i >= 0; --i) data(static_cast<std::uint8_t>(font5x8[code * 5 + i] ^ (inverted ? 0xFF : 0)));
        lcd_.select(false);
    }
    // LCD_DrawYLine
    void draw_y_line(int x, bool dark, int line_from, int line_to)
    {
        lcd_.select(true);
        for (int line = line_from; line <= line_to; ++line) {
            preamble(line, static_cast<unsigned>(127 - x % 128));
            data(dark ? 0xFF : 0x00);
        }
        lcd_.select(false);
    }
    // LCD_DisplayStringLineEx
    void display_string_line(int line, std::string_view text, std::uint8_t flags)
    {
        const bool inverted = (flags & 1) != 0;
        int column = 0;
        for (char c : text) {
            draw_y_line(column, inverted, line, line);
            display_char(line, column + 1, static_cast<std::uint8_t>(c), inverted);
            column += 6;
            draw_y_line(column, inverted, line, line);
            if (column > 122) break;
        }
        if (flags & 2)
            for (; column <= 127; ++column) draw_y_line(column, inverted, line, line);
    }

private:
    void send(bool a0, std::uint8_t byte)
    {
        lcd_.set_a0(a0);
        lcd_.exchange(byte);
    }

    sim::St7565pController& lcd_;
};

#endif
