// The demo's parts: folding repeated lines, the clock, the tilt profile and
// console text; and the whole journey as a person would read it.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "demo_journey.h"
#include "narrator.h"
#include "repeat_fold.h"
#include "tilt_profile.h"

namespace {

using namespace sim;
using tools::StampedLine;

struct FoldCase {
    const char* name;
    std::size_t period;
    std::vector<StampedLine> in;
    std::vector<StampedLine> out;  // everything told, the final flush included
};

class RepeatFoldTest : public ::testing::TestWithParam<FoldCase> {};

TEST_P(RepeatFoldTest, TellsEachLineOnceAndCountsTheRepeatsItHoldsBack)
{
    const FoldCase& c = GetParam();
    tools::RepeatFold fold(c.period);
    std::vector<StampedLine> told;
    for (const StampedLine& line : c.in)
        for (const StampedLine& out : fold.add(line.time, line.text)) told.push_back(out);
    for (const StampedLine& out : fold.flush()) told.push_back(out);
    EXPECT_EQ(told, c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, RepeatFoldTest,
    ::testing::Values(
        FoldCase{"NothingRepeats", 1, {{1, "a"}, {2, "b"}, {3, "a"}}, {{1, "a"}, {2, "b"}, {3, "a"}}},
        FoldCase{"OneRepeatIsSimplyTold", 1, {{1, "a"}, {2, "a"}, {3, "b"}}, {{1, "a"}, {2, "a"}, {3, "b"}}},
        FoldCase{"RepeatsCountedWhereTheyEnd",
                 1,
                 {{1_s, "scan"}, {2_s, "scan"}, {3_s, "scan"}, {4_s, "scan"}, {4500_ms, "end"}},
                 {{1_s, "scan"}, {4_s, "(the same 3 times more, every 1.000 s)"}, {4500_ms, "end"}}},
        FoldCase{"FlushEndsTheRepeats",
                 1,
                 {{1_s, "x"}, {3_s, "x"}, {5_s, "x"}},
                 {{1_s, "x"}, {5_s, "(the same 2 times more, every 2.000 s)"}}},
        FoldCase{"ABlinkFoldsAfterItsTwoStates",
                 2,
                 {{0, "on"}, {500_ms, "off"}, {1_s, "on"}, {1500_ms, "off"}, {2_s, "on"}, {2200_ms, "all"}},
                 {{0, "on"}, {500_ms, "off"}, {2_s, "(the last two 3 times more, every 0.500 s)"}, {2200_ms, "all"}}},
        FoldCase{"TheSameLineIsNoBlink", 2, {{1, "a"}, {2, "a"}, {3, "b"}}, {{1, "a"}, {2, "a"}, {3, "b"}}},
        FoldCase{"PeriodZeroActsAsOne", 0, {{1, "a"}, {2, "a"}, {3, "a"}},
                 {{1, "a"}, {3, "(the same 2 times more, every 0.000 s)"}}}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(ClockText, MinutesSecondsAndMillisecondsWithHoursOnceThereAreAny)
{
    const struct {
        Nanoseconds time;
        const char* text;
    } cases[] = {
        {0, "0:00.000"},          {999999, "0:00.000"},         {1_ms, "0:00.001"},
        {61500_ms, "1:01.500"},   {3599999_ms, "59:59.999"},    {3600_s, "1:00:00.000"},
        {65533_s, "18:12:13.000"}, {100 * 3600_s, "100:00:00.000"},
    };
    for (const auto& c : cases) EXPECT_EQ(tools::clock_text(c.time), c.text) << c.time << " ns";
}

TEST(TiltProfile, RampsBetweenKeyframesAndHoldsBeforeTheFirstAndAfterTheLast)
{
    const tools::TiltProfile profile({{0, 0, 0}, {10, 20, -10}, {20, 20, 10}});
    const struct {
        double seconds, x, y;
    } cases[] = {
        {-5, 0, 0}, {0, 0, 0}, {2.5, 5, -2.5}, {10, 20, -10}, {15, 20, 0}, {20, 20, 10}, {99, 20, 10},
    };
    for (const auto& c : cases) {
        const tools::TiltNow t = profile.at(c.seconds);
        EXPECT_DOUBLE_EQ(t.x, c.x) << "at " << c.seconds << " s";
        EXPECT_DOUBLE_EQ(t.y, c.y) << "at " << c.seconds << " s";
    }
    EXPECT_DOUBLE_EQ(profile.length(), 20);
}

TEST(TiltProfile, RefusesNoKeyframeAndKeyframesOutOfOrder)
{
    EXPECT_THROW(tools::TiltProfile({}), std::invalid_argument);
    EXPECT_THROW(tools::TiltProfile({{0, 0, 0}, {0, 1, 1}}), std::invalid_argument);
    EXPECT_THROW(tools::TiltProfile({{5, 0, 0}, {10, 1, 1}, {7, 0, 0}}), std::invalid_argument);
}

TEST(VisibleLine, DropsTheEndingLineFeedAndSpellsOutEveryOtherControlCharacter)
{
    const struct {
        std::string bytes;
        const char* text;
    } cases[] = {
        {"scan\n", "scan"},      {"\r\n", "\\r"},        {"\n", ""},
        {"a\x07z\n", "a\\x07z"}, {"a\nb\n", "a\\nb"},    {"open", "open"},
        {"\xFF\x7F\n", "\\xFF\\x7F"},
    };
    for (const auto& c : cases) EXPECT_EQ(tools::visible_line(c.bytes), c.text);
}

// --- the whole journey --------------------------------------------------------

std::vector<std::string> demo_transcript()
{
    std::FILE* out = std::tmpfile();
    if (out == nullptr) throw std::runtime_error("no temporary file");
    {
        Board board;
        tools::Narrator narrator(board, out);
        tools::DemoJourney(board, narrator).run();
    }
    std::rewind(out);
    std::vector<std::string> lines;
    std::string line;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    std::fclose(out);
    return lines;
}

// Columns a terminal gives the text: one per UTF-8 character.
std::size_t columns(const std::string& text)
{
    std::size_t n = 0;
    for (unsigned char c : text) n += (c & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

struct Told {
    Nanoseconds time;
    std::string what;
    std::string text;
};

std::optional<Told> told(const std::string& line)
{
    static const std::regex stamped(R"(^ *(?:(\d+):)?(\d+):(\d\d)\.(\d{3}) (\S*) +(.*)$)");
    std::smatch m;
    if (!std::regex_match(line, m, stamped)) return std::nullopt;
    const Nanoseconds hours = m[1].matched ? std::stoull(m[1]) : 0;
    const Nanoseconds ms = ((hours * 60 + std::stoull(m[2])) * 60 + std::stoull(m[3])) * 1000 + std::stoull(m[4]);
    return Told{ms * 1_ms, m[5], m[6]};
}

TEST(DemoJourney, RunsToItsEndReadableInEightyColumnsWithTheConsoleInTimeOrderAndTheAlarmLedsAsOne)
{
    std::vector<std::string> lines;
    ASSERT_NO_THROW(lines = demo_transcript());
    ASSERT_GT(lines.size(), 100u);

    std::vector<Told> console;
    std::string alarm_fold, scan_fold;
    for (const std::string& line : lines) {
        EXPECT_LT(columns(line), 80u) << line;
        const std::optional<Told> t = told(line);
        if (!t) continue;
        if (t->what == "console") console.push_back(*t);
        if (t->what == "LEDs") {
            if (t->text.starts_with("(the last two")) alarm_fold = t->text;
            // LED4, LED6 and LED8 switch in one go: never told apart.
            if (t->text.size() >= 8 && t->text[0] != '(') {
                EXPECT_TRUE(t->text[3] == t->text[5] && t->text[5] == t->text[7]) << line;
            }
        }
        if (t->what == "console" && t->text.starts_with("(the same") && t->text.ends_with("every 1.000 s)"))
            scan_fold = t->text;
    }
    EXPECT_TRUE(alarm_fold.ends_with("every 0.500 s)")) << "the alarm LEDs blink at each sample: " << alarm_fold;
    EXPECT_FALSE(scan_fold.empty()) << "a console line for each stored sample, one a second";
    ASSERT_FALSE(console.empty());
    for (std::size_t i = 1; i < console.size(); ++i)
        EXPECT_LE(console[i - 1].time, console[i].time) << console[i].text;
    EXPECT_EQ(console.back().text, "[X]:  100    [Y]:  100  degree");
}

}  // namespace
