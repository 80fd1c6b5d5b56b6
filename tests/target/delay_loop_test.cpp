// delay() is how the notices wait on the chip: 7000 rounds of 7000 rounds,
// with no timer. Its two counting loops must survive the compiler, and the
// notices must call it with 7000.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "target_image_fixture.h"
#include "thumb_branch.h"

namespace {

constexpr std::uint32_t kNoticeRounds = 7000;

struct Code {
    const char* name;
    std::vector<std::uint16_t> halfwords;  // at 0x08004324
    std::size_t loops;
};

constexpr std::uint32_t kCodeStart = 0x08004324;

std::vector<ThumbBranch> loops_in(const std::vector<std::uint16_t>& halfwords)
{
    const HalfwordAt at = [&](std::uint32_t address) -> std::optional<std::uint16_t> {
        const std::uint32_t index = (address - kCodeStart) / 2;
        if (address < kCodeStart || index >= halfwords.size()) return std::nullopt;
        return halfwords[index];
    };
    const auto size = static_cast<std::uint32_t>(2 * halfwords.size());
    return loop_branches(thumb_branches(at, kCodeStart, size), kCodeStart);
}

class LoopFinder : public ::testing::TestWithParam<Code> {};

TEST_P(LoopFinder, CountsTheBranchesBackToEarlierCode)
{
    EXPECT_EQ(loops_in(GetParam().halfwords).size(), GetParam().loops);
}

// delay as this toolchain builds it: the outer loop closes with B at +0x28,
// the inner one with B at +0x30; its forward BLE, BLT and CBNZ are no loops.
const std::vector<std::uint16_t> kDelayAsBuilt = {
    0x2800, 0xB082, 0xDD09, 0x2300, 0x9300, 0x9B00, 0x4283, 0xDB06, 0x4B08, 0x681A, 0xFB00, 0x2000, 0x6018, 0xB002,
    0x4770, 0x9001, 0x9B01, 0xB913, 0x9B00, 0x3301, 0xE7EE, 0x9B01, 0x3B01, 0x9301, 0xE7F6, 0xBF00, 0x2028, 0x2000,
};

std::vector<std::uint16_t> with(std::vector<std::uint16_t> code, std::size_t index, std::uint16_t half)
{
    code[index] = half;
    return code;
}

constexpr std::uint16_t kNop = 0xBF00;

INSTANTIATE_TEST_SUITE_P(
    Code, LoopFinder,
    ::testing::Values(Code{"DelayAsBuilt", kDelayAsBuilt, 2},
                      Code{"DelayWithoutItsInnerLoop", with(kDelayAsBuilt, 24, kNop), 1},
                      Code{"DelayWithoutItsOuterLoop", with(kDelayAsBuilt, 20, kNop), 1},
                      Code{"ForwardBranchesOnly", {0x2800, 0xDD01, 0x2300, 0xB913, 0x4770, kNop}, 0},
                      Code{"HaltOnItself", {kNop, 0xE7FE}, 0},
                      Code{"NarrowConditionalBack", {0x3801, 0xD1FD}, 1},        // subs r0, #1; bne.n
                      Code{"WideConditionalBack", {kNop, kNop, 0xF47F, 0xAFFC}, 1},  // bne.w to the start
                      Code{"CallBackIsNoLoop", {kNop, kNop, 0xF7FF, 0xFFFC}, 0},     // bl to the start
                      Code{"BranchBeforeTheCodeIsNoLoop", {0xE7FC}, 0}),           // b.n to start - 4
    [](const auto& param_info) { return std::string(param_info.param.name); });

class DelayOnTheChip : public TargetImage {
protected:
    static std::string listing(const std::vector<ThumbBranch>& branches)
    {
        std::ostringstream text;
        for (const ThumbBranch& b : branches) text << std::hex << " 0x" << b.address << "->0x" << b.target;
        return text.str();
    }

    // The value MOVW (T3) puts in r0 in the instruction that ends at `end`.
    static std::optional<std::uint32_t> movw_r0_before(std::uint32_t end)
    {
        const auto first = elf().halfword_at(end - 4);
        const auto second = elf().halfword_at(end - 2);
        if (!first || !second || (*first & 0xFBF0) != 0xF240 || (*second & 0x8F00) != 0) return std::nullopt;
        return (*first & 0xFU) << 12 | ((*first >> 10) & 1U) << 11 | ((*second >> 12) & 7U) << 8 | (*second & 0xFFU);
    }
};

TEST_F(DelayOnTheChip, KeepsItsOuterAndItsInnerCountingLoop)
{
    const ElfSymbol* delay = elf().symbol("_Z5delayi");
    ASSERT_NE(delay, nullptr) << "the image has no delay(int)";
    ASSERT_EQ(delay->type, STT_FUNC);
    ASSERT_GT(delay->size, 0U);
    const std::uint32_t start = delay->value & ~1U;
    const std::vector<ThumbBranch> branches = thumb_branches(elf(), start, delay->size);
    EXPECT_GE(loop_branches(branches, start).size(), 2U) << "branches in delay:" << listing(branches);
}

TEST_F(DelayOnTheChip, BothNoticesCallItWith7000)
{
    const ElfSymbol* delay = elf().symbol("_Z5delayi");
    ASSERT_NE(delay, nullptr);
    const std::uint32_t target = delay->value & ~1U;
    std::vector<std::uint32_t> rounds;
    for (const ElfSymbol& function : elf().symbols()) {
        if (function.type != STT_FUNC || function.size == 0) continue;
        for (const ThumbBranch& call : wide_branches(elf(), function.value & ~1U, function.size)) {
            if (!call.links || call.target != target) continue;
            const std::optional<std::uint32_t> r0 = movw_r0_before(call.address);
            rounds.push_back(r0 ? *r0 : 0);
        }
    }
    // The limit notice and the report-sent notice.
    EXPECT_EQ(rounds, (std::vector<std::uint32_t>{kNoticeRounds, kNoticeRounds}));
}

}  // namespace
