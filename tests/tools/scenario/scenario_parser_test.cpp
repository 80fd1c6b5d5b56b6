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
    EXPECT_EQ(s.condition.kind, Condition::Kind::LcdLine);
    EXPECT_EQ(s.condition.number, 3);
    EXPECT_EQ(s.condition.match, tools::TextMatch::Ends);
    EXPECT_EQ(s.condition.text, "deg!");
    EXPECT_EQ(s.span, 60_s);
    EXPECT_EQ(only_step("expect lcd 0 \"A\"").condition.match, tools::TextMatch::Is);

    s = only_step("expect backlight on");
    EXPECT_EQ(s.condition.number, tools::kAnyBrightness);
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

struct BadLine {
    const char* scenario;
    const char* where;     // file and line
    const char* message;   // part of what is said
    friend void PrintTo(const BadLine& c, std::ostream* out) { *out << c.where << ": " << c.message; }
};

class ScenarioRefusal : public ::testing::TestWithParam<BadLine> {};

TEST_P(ScenarioRefusal, NamesTheFileTheLineAndWhatWasExpected)
{
    const BadLine& c = GetParam();
    try {
        tools::parse_scenario(c.scenario, "bad.scenario");
        FAIL() << "accepted: " << c.scenario;
    } catch (const tools::ScenarioError& error) {
        const std::string what = error.what();
        EXPECT_TRUE(what.starts_with(std::string(c.where) + ": ")) << what;
        EXPECT_NE(what.find(c.message), std::string::npos) << what;
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
        BadLine{"# nothing\n\n", "bad.scenario", "has no steps"}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

TEST(ScenarioParser, AMissingFileIsNamedWithTheCause)
{
    try {
        tools::load_scenario("/nonexistent/journey.scenario");
        FAIL();
    } catch (const tools::ScenarioError& error) {
        EXPECT_STREQ(error.what(), "/nonexistent/journey.scenario: cannot read: No such file or directory");
    }
}

}  // namespace
