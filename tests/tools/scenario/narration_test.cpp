// The narration's parts: folding repeated lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "repeat_fold.h"

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

}  // namespace
