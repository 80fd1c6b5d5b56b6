// Text the tools show: escaped where it could mislead or harm a terminal,
// cut to a readable length, the glass's characters as their look-alikes,
// virtual time as a clock and as a span, the console in lines.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console_lines.h"
#include "progress_line.h"
#include "text_spelling.h"
#include "time_text.h"

namespace tools {
namespace {

using namespace std::literals;
using sim::operator""_s;
using sim::operator""_ms;

TEST(TextSpelling, WhatCouldMisleadIsEscapedAndTheRestStays)
{
    const struct {
        std::string_view text;
        const char* spelled;  // spelled_text
        const char* bytes;    // spelled_bytes
    } rows[] = {
        {"press ok", "press ok", "press ok"},
        {"\x1b[2J", "\\x1B[2J", "\\x1B[2J"},
        {"a\0b"sv, "a\\0b", "a\\0b"},
        {"\t\r\n\\", "\\t\\r\\n\\\\", "\\t\\r\\n\\\\"},
        {"\x7f", "\\x7F", "\\x7F"},
        {"\xef\xbb\xbfpower", "\\u{FEFF}power", "\\xEF\\xBB\\xBFpower"},
        {"1s\xc2\xa0", "1s\\u{00A0}", "1s\\xC2\\xA0"},
        {"a\xe2\x80\x8b" "b", "a\\u{200B}b", "a\\xE2\\x80\\x8Bb"},   // zero-width space
        {"\xe2\x80\xae" "evil", "\\u{202E}evil", "\\xE2\\x80\\xAEevil"},  // right-to-left override
        {"\xc2\x85", "\\u{0085}", "\\xC2\\x85"},                 // a C1 control
        {"r\xc3\xa9glage \xe2\x86\x92", "r\xc3\xa9glage \xe2\x86\x92", "r\\xC3\\xA9glage \\xE2\\x86\\x92"},
        {"\xff\xfe", "\\xFF\\xFE", "\\xFF\\xFE"},
        {"\xc0\x80", "\\xC0\\x80", "\\xC0\\x80"},          // an overlong NUL
        {"\xed\xa0\x80", "\\xED\\xA0\\x80", "\\xED\\xA0\\x80"},  // a surrogate
        {"\xe2\x82", "\\xE2\\x82", "\\xE2\\x82"},          // cut short
    };
    for (const auto& row : rows) {
        EXPECT_EQ(spelled_text(row.text), row.spelled);
        EXPECT_EQ(spelled_bytes(row.text), row.bytes);
    }
}

TEST(TextSpelling, QuotedTokensAreCutWithTheirSizeSaid)
{
    const struct {
        std::string text;
        char quote;
        std::size_t most;
        std::string shown;
    } rows[] = {
        {"ok", '\'', kMostQuoted, "'ok'"},
        {"it's", '\'', kMostQuoted, "'it\\'s'"},
        {"say \"hi\"", '"', kMostQuoted, "\"say \\\"hi\\\"\""},
        {std::string(40, 'x'), '\'', kMostQuoted, "'" + std::string(40, 'x') + "'"},
        {std::string(4000000, 'x'), '\'', kMostQuoted, "'" + std::string(40, 'x') + "\u2026' (4000000 bytes)"},
        {"\xc3\xa9\xc3\xa9\xc3\xa9", '\'', 2, "'\xc3\xa9\xc3\xa9\u2026' (6 bytes)"},
    };
    for (const auto& row : rows) EXPECT_EQ(quoted(row.text, row.quote, row.most), row.shown);
}

TEST(TextSpelling, FileTextStopsAtTheFirstByteThatIsNotText)
{
    const struct {
        std::string_view text;
        std::size_t bad;  // byte offset
        std::size_t column;
    } rows[] = {
        {"power on\t# ok", std::string_view::npos, 0},
        {"say \"\xc3\xa9\" \x1b", 9, 8},
        {"a\0"sv, 1, 1},
        {"\xc3\xa9\xff", 2, 1},
        {"\xc2\x85", 0, 0},
        {"a\rb", 1, 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(first_not_text(row.text), row.bad) << spelled_bytes(row.text);
        if (row.bad != std::string_view::npos) {
            EXPECT_EQ(characters_before(row.text, row.bad), row.column);
        }
    }
}

// The font's codes, as its table names them, and cells it does not explain.
TEST(GlassText, TheFontsCharactersAsTheirLookAlikes)
{
    const struct {
        std::string codes;
        std::vector<std::size_t> unrecognised;
        const char* shown;
    } rows[] = {
        {"90\xB3", {}, "90\u2502"},                            // box vertical
        {" X???", {2, 3}, " X\u2592\u2592?"},                 // a graph's cells; a true '?'
        {"\x80\x81\x9C\xC4\xDB", {}, "\u00C7\u00FC\u00A3\u2500\u2588"},  // C cedilla, u diaeresis, pound, box horizontal, full block
        {"\x01\x10\x1F\x7F", {}, "\u263A\u25BA\u25BC\u2302"},  // smiling face, right and down triangles, house
        {"\xE0\xF8\xFE\xFF", {}, "\u03B1\u00B0\u25A0 "},       // alpha, degree, black square, blank
    };
    for (const auto& row : rows) {
        sim::TextLine line;
        line.text = row.codes;
        for (std::size_t cell : row.unrecognised) line.unrecognised[cell] = true;
        EXPECT_EQ(glass_text(line), row.shown);
    }
    // Every code is one printable character.
    for (int code = 1; code < 256; ++code) {
        sim::TextLine line;
        line.text = std::string(1, static_cast<char>(code));
        const std::string shown = glass_text(line);
        EXPECT_EQ(first_not_text(shown), std::string::npos) << code;
        EXPECT_EQ(characters_before(shown, shown.size()), 1u) << code;
    }
}

TEST(TimeText, AClockAndASpanAsAPersonReadsThem)
{
    const struct {
        sim::Nanoseconds time;
        int decimals;
        const char* clock;
        const char* span;
    } rows[] = {
        {0, 3, "0:00.000", "0 s"},
        {999999, 3, "0:00.000", "0 s"},
        {1_ms, 3, "0:00.001", "0.001 s"},
        {2_s + 5_ms, 3, "0:02.005", "2.005 s"},
        {61500_ms, 3, "1:01.500", "1 min 1 s"},
        {3599999_ms, 3, "59:59.999", "59 min 59 s"},
        {3600_s, 3, "1:00:00.000", "1 h 0 min 0 s"},
        {3723450_ms, 1, "1:02:03.4", "1 h 2 min 3 s"},
        {3723450_ms, 0, "1:02:03", "1 h 2 min 3 s"},
        {65533_s, 3, "18:12:13.000", "18 h 12 min 13 s"},
        {86400_s, 3, "24:00:00.000", "1 d 0 h 0 min"},
        {100 * 3600_s, 3, "100:00:00.000", "4 d 4 h 0 min"},
        {365 * 86400_s, 2, "8760:00:00.00", "365 d 0 h 0 min"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(clock_text(row.time, row.decimals), row.clock) << row.time << " ns";
        EXPECT_EQ(duration_text(row.time), row.span) << row.time << " ns";
    }
}

TEST(ConsoleLines, LineEndsQuietOtherControlsSpelledLongLinesBroken)
{
    const struct {
        std::vector<std::string> chunks;
        std::vector<std::string> ended;
        const char* open;
    } rows[] = {
        {{"scan\n"}, {"scan"}, ""},
        {{"first\r", "\nsecond\r\n"}, {"first", "second"}, ""},  // \r\n cut between chunks
        {{"bell\x07 and\ra lone CR\n\xff"}, {"bell\\x07 and\\ra lone CR"}, "\\xFF"},
        {{"a\\b\n"}, {"a\\\\b"}, ""},
        {{"\n\n"}, {"", ""}, ""},
        {{"open"}, {}, "open"},
        {{std::string(ConsoleLines::kLongestLine + 5, 'y')}, {std::string(ConsoleLines::kLongestLine, 'y')}, "yyyyy"},
    };
    for (const auto& row : rows) {
        ConsoleLines lines;
        std::vector<std::string> ended;
        for (const std::string& chunk : row.chunks)
            for (std::string& line : lines.add(chunk)) ended.push_back(line);
        EXPECT_EQ(ended, row.ended);
        EXPECT_EQ(lines.take_open_line(), row.open);
        EXPECT_EQ(lines.open_line(), "");
    }
}

TEST(ProgressLine, SaysTheVirtualTimeDoneOfTheTotalAndTheSpeedOnATerminalOnly)
{
    EXPECT_EQ(ProgressLine::text("scenario line 2", 21600_s, 86400_s, std::chrono::milliseconds(200)),
              "scenario line 2: 6 h 0 min 0 s of 1 d 0 h 0 min (25 %), x108000 real time");
    EXPECT_EQ(ProgressLine::text("run", 2_s, 2_s, std::chrono::seconds(1)), "run: 2 s of 2 s (100 %), x2 real time");
    std::FILE* file = std::tmpfile();
    EXPECT_EQ(ProgressLine::on_terminal(file), nullptr);
    std::fclose(file);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
    std::FILE* terminal = std::fopen(::ptsname(master), "w");
    ASSERT_NE(terminal, nullptr);
    EXPECT_EQ(ProgressLine::on_terminal(terminal), terminal);
    std::fclose(terminal);
    ::close(master);
}

}  // namespace
}  // namespace tools
