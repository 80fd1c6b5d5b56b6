#include "lettering.h"

#include "font5x8.h"

namespace tools {

std::string font_text(std::string_view utf8)
{
    std::string text;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xC0) continue;  // the rest of a character already replaced
        text += (byte >= 0x20 && byte < 0x7F) ? c : '?';
    }
    return text;
}

std::string fit_letters(const std::string& text, std::size_t max_letters)
{
    const std::string ellipsis = "...";
    if (text.size() <= max_letters) return text;
    if (max_letters <= ellipsis.size()) return text.substr(0, max_letters);
    const std::size_t kept = max_letters - ellipsis.size();
    const std::size_t head = (kept + 1) / 2;
    return text.substr(0, head) + ellipsis + text.substr(text.size() - (kept - head));
}

int text_width(std::size_t letters, int scale)
{
    if (letters == 0) return 0;
    return (static_cast<int>(letters) * kLetterAdvance - 1) * scale;
}

void draw_text(RgbImage& picture, int x, int y, std::string_view text, int scale, Rgb colour)
{
    for (const char c : text) {
        // The font stops one short of 255.
        const unsigned code = static_cast<unsigned char>(c) < FONT5X8_GLYPHS ? static_cast<unsigned char>(c) : '?';
        const std::uint8_t* glyph = &font5x8[static_cast<std::size_t>(code) * FONT5X8_WIDTH];
        for (int column = 0; column < FONT5X8_WIDTH; ++column)
            for (int row = 0; row < kLetterHeight; ++row)
                if ((glyph[column] >> row) & 1u)
                    picture.fill(x + column * scale, y + row * scale, scale, scale, colour);
        x += kLetterAdvance * scale;
    }
}

}  // namespace tools
