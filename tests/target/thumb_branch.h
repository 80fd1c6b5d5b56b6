// Decoding of the 32-bit Thumb-2 branches B.W (encoding T4) and BL, enough
// to follow where a function of the image jumps or calls.
#ifndef TESTS_TARGET_THUMB_BRANCH_H
#define TESTS_TARGET_THUMB_BRANCH_H

#include <cstdint>
#include <optional>
#include <vector>

#include "elf_image.h"

struct ThumbBranch {
    std::uint32_t address;  // of the instruction
    std::uint32_t target;
    bool links;  // BL: a call; B.W: a jump
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

#endif
