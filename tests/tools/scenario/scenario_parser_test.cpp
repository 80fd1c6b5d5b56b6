// The scenario format: what each step reads as, and every kind of line that
// must stop a scenario before it runs, with the place and what was expected.
#include <gtest/gtest.h>

#include <string>

#include "scenario_parser.h"
#include "scenario_words.h"

namespace {

using namespace sim;
using tools::Condition;
using tools::Step;

tools::Step only_step(const std::string& line)
{
    const tools::Scenario s = tools::parse_scenario("power on\n" + line + "\n", "t.scenario");
    EXPECT_EQ(s.steps.size(), 2u);
    EXPECT_EQ(s.steps.back().line, 2);
    return s.steps.back();
}

TEST(ScenarioWords, QuotedTextsKeepSpacesAndEscapesAndACommentEndsTheLine)
{
    const auto words = tools::split_words(R"(  expect lcd 1 " ->  A \"b\" \\ \r\n"  # not a word "x")");
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[3].text, " ->  A \"b\" \\ \r\n");
    EXPECT_TRUE(words[3].quoted);
    EXPECT_FALSE(words[2].quoted);
    EXPECT_EQ(tools::split_words("say \"# kept\"")[1].text, "# kept");
}

TEST(ScenarioWords, DurationsInEveryUnitAndNoneThatIsNotOne)
{
    const struct {
        const char* text;
        Nanoseconds span;  // 0: no duration
    } cases[] = {
        {"20ms", 20_ms}, {"2.5s", 2500_ms}, {"3min", 180_s}, {"1h", 3600_s}, {"1d", 86400_s}, {"0.1s", 100_ms},
        {"0s", 0},       {"5", 0},          {"s", 0},        {"5x", 0},      {"-1s", 0},      {"1e3s", 0},
        {"0.0000000001s", 0}, {"1.2.3s", 0},
    };
    for (const auto& c : cases) {
        const auto span = tools::parse_duration(c.text);
        EXPECT_EQ(span.value_or(0), c.span) << c.text;
    }
}

TEST(ScenarioParser, EachStepReadsAsWritten)
{
    Step s = only_step("hold back 2s");
    EXPECT_EQ(s.kind, Step::Kind::Hold);
    EXPECT_EQ(s.button, Button::Back);
    EXPECT_EQ(s.span, 2_s);

    s = only_step("turn -3");
    EXPECT_EQ(s.kind, Step::Kind::Turn);
    EXPECT_EQ(s.detents, -3);

    s = only_step("tilt y -12.5 over 3min");
    EXPECT_EQ(s.axis, Axis::Y);
    EXPECT_DOUBLE_EQ(s.degrees, -12.5);
    EXPECT_EQ(s.span, 180_s);
    EXPECT_EQ(only_step("tilt x 30").span, 0u);

    s = only_step("run until lcd 3 ends \"deg!\" within 1min");
    EXPECT_EQ(s.kind, Step::Kind::RunUntil);
    EXPECT_STREQ(s.condition.kind->keyword, "lcd");
    EXPECT_EQ(s.condition.number, 3);
    EXPECT_EQ(s.condition.match, tools::TextMatch::Ends);
    EXPECT_EQ(s.condition.text, "deg!");
    EXPECT_EQ(s.span, 60_s);
    EXPECT_EQ(only_step("expect lcd 0 \"A\"").condition.match, tools::TextMatch::Is);

    s = only_step("expect backlight on");
    EXPECT_EQ(s.condition.number, -1);  // lit at all
    EXPECT_EQ(only_step("expect backlight off").condition.number, 0);
    EXPECT_EQ(only_step("expect backlight 53").condition.number, 53);
    EXPECT_TRUE(only_step("run until led 4 on within 2s").condition.on);

    s = only_step("expect flash 0x080E0000 1E 0xec 0");
    EXPECT_EQ(s.address, 0x080E0000u);
    EXPECT_EQ(s.bytes, (std::vector<std::uint8_t>{0x1E, 0xEC, 0x00}));

    EXPECT_EQ(only_step("screenshot menu").text, "menu.png");
    EXPECT_EQ(only_step("screenshot menu.png").text, "menu.png");
    EXPECT_EQ(only_step("dump result sector.bin").kind, Step::Kind::DumpResult);
}

using namespace std::literals;

const std::string kLongToken = "power on\npress " + std::string(100, 'x') + "\n";
const std::string kLongName = "power on\nscreenshot " + std::string(101, 'n') + "\n";

struct BadLine {
    std::string_view scenario;
    const char* where;     // file and line
    std::string message;   // part of what is said
    friend void PrintTo(const BadLine& c, std::ostream* out) { *out << c.where << ": " << c.message; }
};

class ScenarioRefusal : public ::testing::TestWithParam<BadLine> {};

TEST_P(ScenarioRefusal, NamesTheFileTheLineAndWhatWasExpected)
{
    const BadLine& c = GetParam();
    try {
        tools::parse_scenario(std::string(c.scenario), "bad.scenario");
        FAIL() << "accepted: " << c.scenario;
    } catch (const tools::ScenarioError& error) {
        const std::string what = error.what();
        EXPECT_TRUE(what.starts_with(std::string(c.where) + ": ")) << what;
        EXPECT_NE(what.find(c.message), std::string::npos) << what;
    }
}

TEST(ScenarioParser, LinesEndWithLfCrLfOrCrAndAHashEndsAWordAndTheLine)
{
    const tools::Scenario s = tools::parse_scenario("\xef\xbb\xbfpower on\rrun 1s# one\r\nrun 2s #two\n\nrun 3s", "t");
    ASSERT_EQ(s.steps.size(), 4u);
    const int lines[] = {1, 2, 3, 5};
    const Nanoseconds spans[] = {0, 1_s, 2_s, 3_s};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(s.steps[i].line, lines[i]);
        EXPECT_EQ(s.steps[i].span, spans[i]);
    }
}

TEST(ScenarioParser, AFileThatIsNoScenarioIsRefusedBeforeItIsReadWhole)
{
    const struct {
        const char* path;
        const char* message;
    } rows[] = {
        {"/nonexistent/journey.scenario", "/nonexistent/journey.scenario: cannot read: No such file or directory"},
        {"/dev/zero", "/dev/zero: larger than 1 MB: a scenario is a page of steps, is this the right file?"},
        {"/", "/: is a folder, not a scenario file"},
    };
    for (const auto& row : rows) {
        try {
            tools::load_scenario(row.path);
            ADD_FAILURE() << row.path;
        } catch (const tools::ScenarioError& error) {
            EXPECT_STREQ(error.what(), row.message);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScenarioRefusal,
    ::testing::Values(
        BadLine{"power on\njump 3\n", "bad.scenario:2", "expected a step (power, press"},
        BadLine{"power on\npress start\n", "bad.scenario:2", "expected a button, ok or back, found 'start'"},
        BadLine{"power on\n\n# c\nrun 5x\n", "bad.scenario:4", "expected a duration for the run such as 500ms"},
        BadLine{"power on\nrun 400d\n", "bad.scenario:2", "out of range (at most 365d)"},
        BadLine{"power on\nrun 0ms\n", "bad.scenario:2", "durations are positive"},
        BadLine{"power on\nhold ok\n", "bad.scenario:2", "expected a duration for how long to hold"},
        BadLine{"power on\ntilt x 91\n", "bad.scenario:2", "out of range (-90 to 90 degrees)"},
        BadLine{"power on\ntilt z 1\n", "bad.scenario:2", "expected an axis, x or y, found 'z'"},
        BadLine{"power on\nturn 0\n", "bad.scenario:2", "other than 0"},
        BadLine{"power on\nturn 1001\n", "bad.scenario:2", "out of range (-1000 to 1000)"},
        BadLine{"power on\nrun until led 4 on\n", "bad.scenario:2", "expected 'within DURATION'"},
        BadLine{"power on\nexpect led 9 on\n", "bad.scenario:2", "an LED number 9 is out of range (1 to 8)"},
        BadLine{"power on\nexpect lcd 1 NEW\n", "bad.scenario:2", "expected the line's text in double quotes"},
        BadLine{"power on\nexpect lcd 1 \"open\n", "bad.scenario:2", "is not closed"},
        BadLine{"power on\nsay \"a\\qb\"\n", "bad.scenario:2", "unknown escape \\q"},
        BadLine{"power on\nexpect backlight 101\n", "bad.scenario:2", "(0 to 100)"},
        BadLine{"power on\nexpect flash 0x20000000 00\n", "bad.scenario:2", "outside the flash"},
        BadLine{"power on\nexpect flash 0x080E0000 1G\n", "bad.scenario:2", "a byte in hexadecimal"},
        BadLine{"power on\nexpect serial \"\"\n", "bad.scenario:2", "not empty"},
        BadLine{"power on\nshow now\n", "bad.scenario:2", "expected the end of the line, found 'now'"},
        BadLine{"power on\nscreenshot ../x\n", "bad.scenario:2", "without folders"},
        BadLine{"press ok\n", "bad.scenario:1", "needs the board powered: put 'power on' before it"},
        BadLine{"power on\npower off\nrun 1s\n", "bad.scenario:3", "needs the board powered"},
        BadLine{"# nothing\n\n", "bad.scenario", "has no steps"},
        // Bytes that are not text, and words shown safely: escaped and cut.
        BadLine{"power on\npress \x1b[31mred\n", "bad.scenario:2", "column 7: \\x1B is not text"},
        BadLine{"power on\nscreenshot ab\0cd\n"sv, "bad.scenario:2", "column 14: \\0 is not text"},
        BadLine{"power on\nsay \"\xff\"\n", "bad.scenario:2", "column 6: \\xFF is not text"},
        BadLine{"power on\nrun 1s\xc2\xa0\n", "bad.scenario:2", "found '1s\\u{00A0}' (durations"},
        BadLine{"power on\n\xef\xbb\xbfpress ok\n", "bad.scenario:2", "found '\\u{FEFF}press'"},
        BadLine{kLongToken, "bad.scenario:2", "found '" + std::string(40, 'x') + "\u2026' (100 bytes)"},
        BadLine{kLongName, "bad.scenario:2", "is longer than 100 bytes"},
        BadLine{"power on\rjump\r", "bad.scenario:2", "found 'jump'"}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

}  // namespace
