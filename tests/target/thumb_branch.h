// Decoding of Thumb branches, enough to follow where a function of the
// image jumps or calls and to find its loops: the 32-bit B.W (encoding T4)
// and BL, and for the loops also B<cond>.W (T3), the 16-bit B (T2) and
// B<cond> (T1), and CBZ/CBNZ.
#ifndef TESTS_TARGET_THUMB_BRANCH_H
#define TESTS_TARGET_THUMB_BRANCH_H

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "elf_image.h"

struct ThumbBranch {
    std::uint32_t address;  // of the instruction
    std::uint32_t target;
    bool links;  // BL: a call; B.W: a jump
    bool conditional = false;
};

// A 32-bit Thumb instruction starts with a half-word whose top five bits are
// 0b11101, 0b11110 or 0b11111.
inline bool is_wide_thumb(std::uint16_t first) { return (first & 0xE000) == 0xE000 && (first & 0x1800) != 0; }

inline std::optional<ThumbBranch> decode_wide_branch(std::uint32_t address, std::uint16_t first, std::uint16_t second)
{
    if ((first & 0xF800) != 0xF000) return std::nullopt;
    const bool is_bl = (second & 0xD000) == 0xD000;
    const bool is_b_w = (second & 0xD000) == 0x9000;
    if (!is_bl && !is_b_w) return std::nullopt;
    const std::uint32_t s = (first >> 10) & 1;
    const std::uint32_t i1 = ~((second >> 13) ^ s) & 1;
    const std::uint32_t i2 = ~((second >> 11) ^ s) & 1;
    std::uint32_t offset = s << 24 | i1 << 23 | i2 << 22 | (first & 0x3FFU) << 12 | (second & 0x7FFU) << 1;
    if (s != 0) offset |= 0xFE000000;
    return ThumbBranch{address, address + 4 + offset, is_bl};
}

// The wide branches in the `size` bytes of code at `start`, in order.
// Half-words that cannot be read end the walk.
inline std::vector<ThumbBranch> wide_branches(const ElfImage& elf, std::uint32_t start, std::uint32_t size)
{
    std::vector<ThumbBranch> found;
    for (std::uint32_t at = start; at + 2 <= start + size; at += 2) {
        const auto first = elf.halfword_at(at);
        if (!first) break;
        if (!is_wide_thumb(*first)) continue;
        const auto second = elf.halfword_at(at + 2);
        if (!second) break;
        if (const auto branch = decode_wide_branch(at, *first, *second)) found.push_back(*branch);
        at += 2;
    }
    return found;
}

// B<cond>.W (T3): 11110 S cond imm6, 10 J1 0 J2 imm11; conditions 1110 and
// 1111 encode other instructions.
inline std::optional<ThumbBranch> decode_wide_conditional_branch(std::uint32_t address, std::uint16_t first,
                                                                  std::uint16_t second)
{
    if ((first & 0xF800) != 0xF000 || (second & 0xD000) != 0x8000 || ((first >> 6) & 0xF) >= 0xE) return std::nullopt;
    const std::uint32_t s = (first >> 10) & 1, j1 = (second >> 13) & 1, j2 = (second >> 11) & 1;
    std::uint32_t offset = s << 20 | j2 << 19 | j1 << 18 | (first & 0x3FU) << 12 | (second & 0x7FFU) << 1;
    if (s != 0) offset |= 0xFFE00000;
    return ThumbBranch{address, address + 4 + offset, false, true};
}

// B (T2), B<cond> (T1, conditions 1110 and 1111 are UDF and SVC), CBZ and
// CBNZ (forward only).
inline std::optional<ThumbBranch> decode_narrow_branch(std::uint32_t address, std::uint16_t half)
{
    if ((half & 0xF800) == 0xE000) {
        std::uint32_t offset = (half & 0x7FFU) << 1;
        if (offset & 0x800) offset |= 0xFFFFF000;
        return ThumbBranch{address, address + 4 + offset, false, false};
    }
    if ((half & 0xF000) == 0xD000 && ((half >> 8) & 0xF) < 0xE) {
        std::uint32_t offset = (half & 0xFFU) << 1;
        if (offset & 0x100) offset |= 0xFFFFFE00;
        return ThumbBranch{address, address + 4 + offset, false, true};
    }
    if ((half & 0xF500) == 0xB100) {
        const std::uint32_t offset = ((half >> 9) & 1U) << 6 | ((half >> 3) & 0x1FU) << 1;
        return ThumbBranch{address, address + 4 + offset, false, true};
    }
    return std::nullopt;
}

// Every branch of the kinds above in the `size` bytes of code at `start`,
// read through halfword_at; a half-word that cannot be read ends the walk.
using HalfwordAt = std::function<std::optional<std::uint16_t>(std::uint32_t)>;

inline std::vector<ThumbBranch> thumb_branches(const HalfwordAt& halfword_at, std::uint32_t start, std::uint32_t size)
{
    std::vector<ThumbBranch> found;
    for (std::uint32_t at = start; at + 2 <= start + size; at += 2) {
        const auto first = halfword_at(at);
        if (!first) break;
        if (!is_wide_thumb(*first)) {
            if (const auto branch = decode_narrow_branch(at, *first)) found.push_back(*branch);
            continue;
        }
        const auto second = halfword_at(at + 2);
        if (!second) break;
        if (auto branch = decode_wide_branch(at, *first, *second)) {
            found.push_back(*branch);
        } else if (auto conditional = decode_wide_conditional_branch(at, *first, *second)) {
            found.push_back(*conditional);
        }
        at += 2;
    }
    return found;
}

inline std::vector<ThumbBranch> thumb_branches(const ElfImage& elf, std::uint32_t start, std::uint32_t size)
{
    return thumb_branches([&elf](std::uint32_t at) { return elf.halfword_at(at); }, start, size);
}

// The branches that close a loop: back to an earlier instruction of the code
// from `start` on (a branch onto itself is a halt, not a loop).
inline std::vector<ThumbBranch> loop_branches(const std::vector<ThumbBranch>& branches, std::uint32_t start)
{
    std::vector<ThumbBranch> loops;
    for (const ThumbBranch& branch : branches)
        if (!branch.links && branch.target >= start && branch.target < branch.address) loops.push_back(branch);
    return loops;
}

#endif
