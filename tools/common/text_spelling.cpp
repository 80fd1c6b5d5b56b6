#include "text_spelling.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace tools {

namespace {

struct Decoded {
    char32_t code;
    std::size_t length;
};

// One character of strict UTF-8: no overlong forms, no surrogates, nothing
// past U+10FFFF.
std::optional<Decoded> decode(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return Decoded{lead, 1};
    std::size_t length = 0;
    char32_t code = 0, least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1Fu, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0Fu, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07u, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (byte(at + i) & 0x3Fu);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    return Decoded{code, length};
}

// Characters that show as nothing, or as a plain space, and so could pass
// for something else; controls too.
bool invisible(char32_t c)
{
    static constexpr char32_t kRanges[][2] = {
        {0x0000, 0x001F}, {0x007F, 0x00A0}, {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},
        {0x115F, 0x1160}, {0x17B4, 0x17B5}, {0x180B, 0x180F}, {0x1680, 0x1680}, {0x2000, 0x200F},
        {0x2028, 0x202F}, {0x205F, 0x206F}, {0x3000, 0x3000}, {0x3164, 0x3164}, {0xFE00, 0xFE0F},
        {0xFEFF, 0xFEFF}, {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFFC}, {0xFFFE, 0xFFFF}, {0x1D173, 0x1D17A},
        {0xE0000, 0xE0FFF},
    };
    for (const auto& range : kRanges)
        if (c >= range[0] && c <= range[1]) return true;
    return false;
}

std::string byte_escape(unsigned char byte)
{
    switch (byte) {
    case '\0': return "\\0";
    case '\t': return "\\t";
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\\': return "\\\\";
    default: {
        char text[8];
        std::snprintf(text, sizeof text, "\\x%02X", byte);
        return text;
    }
    }
}

std::string code_escape(char32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "\\u{%04X}", static_cast<unsigned>(code));
    return text;
}

// The font's codes that are not printable ASCII, as the characters they
// look like: 0x00 to 0x1F, then 0x7F to 0xFF.
constexpr std::string_view kLowLookAlikes = " ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼";
constexpr std::string_view kHighLookAlikes =
    "⌂ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
    "αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■ ";

const std::array<std::string, 256>& look_alikes()
{
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> codes;
        const auto fill = [&](std::string_view characters, std::size_t first) {
            for (std::size_t at = 0, code = first; at < characters.size(); ++code) {
                const std::size_t length = decode(characters, at)->length;
                codes[code] = std::string(characters.substr(at, length));
                at += length;
            }
        };
        fill(kLowLookAlikes, 0x00);
        for (std::size_t code = 0x20; code < 0x7F; ++code) codes[code] = std::string(1, static_cast<char>(code));
        fill(kHighLookAlikes, 0x7F);
        return codes;
    }();
    return table;
}

std::string spelled(std::string_view text, std::size_t most, bool& cut)
{
    std::string out;
    std::size_t characters = 0;
    cut = false;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        if (characters == most) {
            cut = true;
            return out + "\u2026";
        }
        const std::optional<Decoded> c = decode(text, at);
        if (!c) {
            out += byte_escape(static_cast<unsigned char>(text[at++]));
            continue;
        }
        if (c->code == '\\' || (c->code < 0x80 && invisible(c->code)))
            out += byte_escape(static_cast<unsigned char>(c->code));
        else if (invisible(c->code))
            out += code_escape(c->code);
        else
            out += text.substr(at, c->length);
        at += c->length;
    }
    return out;
}

}  // namespace

std::string spelled_text(std::string_view text, std::size_t most)
{
    bool cut = false;
    return spelled(text, most, cut);
}

std::string spelled_bytes(std::string_view bytes)
{
    std::string out;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\')
            out += c;
        else
            out += byte_escape(byte);
    }
    return out;
}

std::string quoted(std::string_view text, char quote, std::size_t most)
{
    bool cut = false;
    std::string out(1, quote);
    for (char c : spelled(text, most, cut)) {
        if (c == quote) out += '\\';
        out += c;
    }
    out += quote;
    if (cut) out += " (" + std::to_string(text.size()) + " bytes)";
    return out;
}

std::size_t first_not_text(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::optional<Decoded> c = decode(text, at);
        if (!c || (c->code != '\t' && (c->code < 0x20 || (c->code >= 0x7F && c->code < 0xA0)))) return at;
        at += c->length;
    }
    return std::string_view::npos;
}

std::size_t characters_before(std::string_view text, std::size_t offset)
{
    std::size_t characters = 0;
    for (std::size_t at = 0; at < offset && at < text.size(); ++characters) {
        const std::optional<Decoded> c = decode(text, at);
        at += c ? c->length : 1;
    }
    return characters;
}

std::string glass_cell(const sim::TextLine& line, std::size_t cell)
{
    if (cell >= line.text.size()) return " ";
    if (cell < line.unrecognised.size() && line.unrecognised[cell]) return kNoCharacter;
    return look_alikes()[static_cast<unsigned char>(line.text[cell])];
}

std::string glass_text(const sim::TextLine& line)
{
    std::string out;
    for (std::size_t cell = 0; cell < line.text.size(); ++cell) out += glass_cell(line, cell);
    return out;
}

}  // namespace tools
