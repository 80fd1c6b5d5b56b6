// Text from outside the tools (a scenario's words, a path, an option, the
// console line, the glass) made safe to show on a terminal and in a file:
// always valid UTF-8, nothing that moves the cursor or changes colours, and
// nothing invisible that could pass for something else. What could mislead
// is spelled out: \0 \t \n \r \\ and \xNN for a byte, \u{XXXX} for an
// invisible character (a byte-order mark, a non-breaking space, a zero-width
// or direction mark).
#ifndef TOOLS_COMMON_TEXT_SPELLING_H
#define TOOLS_COMMON_TEXT_SPELLING_H

#include <cstddef>
#include <string>
#include <string_view>

#include "devices/lcd_text_view.h"

namespace tools {

// No cut.
constexpr std::size_t kWhole = std::string_view::npos;
// A quoted token in a message: enough to recognise it, short enough to read.
constexpr std::size_t kMostQuoted = 40;

// Text meant as UTF-8: printable characters stay. After `most` characters
// the rest is cut and "…" stands for it.
std::string spelled_text(std::string_view text, std::size_t most = kWhole);

// Bytes of the console line: printable ASCII stays, every other byte is
// spelled out.
std::string spelled_bytes(std::string_view bytes);

// spelled_text between quote marks (a quote mark inside is \' or \"), cut
// after `most` characters; a cut one says how long it was:
// 'xxxx…' (4000000 bytes).
std::string quoted(std::string_view text, char quote = '\'', std::size_t most = kMostQuoted);

// Where text read from a file stops being text: the first byte that is not
// UTF-8 or is a control character other than the tab; npos when there is none.
std::size_t first_not_text(std::string_view text);
// Characters (not bytes) in text before a byte offset, for a column number.
std::size_t characters_before(std::string_view text, std::size_t offset);

// Where a cell holds something no character of the font explains (a graph,
// a bar).
constexpr const char* kNoCharacter = "\u2592";

// A text line of the glass as a terminal shows it: each of the font's codes
// as the character it looks like, cells no character explains as
// kNoCharacter.
std::string glass_text(const sim::TextLine& line);
// One cell of it; a blank past the line's text.
std::string glass_cell(const sim::TextLine& line, std::size_t cell);

}  // namespace tools

#endif
