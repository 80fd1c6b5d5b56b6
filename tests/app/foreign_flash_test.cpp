// Record sectors this firmware never wrote: random bytes, a valid record
// that turns to garbage, end markers in odd places, every byte -128, 0x00 or
// 0x7F, a lone marker byte in erased flash. Each pair of sectors, drawn from
// a seed, goes through the path of recovery_rig.h. The release build runs
// every seed of every row; the sanitized build the first of the rows marked
// for it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "recovery_rig.h"

#ifndef TILTMON_WHOLE_SWEEP
#define TILTMON_WHOLE_SWEEP 0
#endif

namespace {

using Bytes = RecoveryTest::Bytes;

enum class Kind { Random, ValidPrefixThenGarbage, MarkersAtOddPlaces, Every0x80, Every0x00, Every0x7F, LoneMarker };

struct Row {
    const char* name;
    Kind kind;
    int seeds;       // in the release build
    bool sanitized;  // its first seed in the sanitized build too
};

constexpr Row kRows[] = {
    {"random", Kind::Random, 100, true},
    {"a valid prefix then garbage", Kind::ValidPrefixThenGarbage, 60, true},
    {"markers at odd places", Kind::MarkersAtOddPlaces, 60, true},
    {"every byte -128", Kind::Every0x80, 1, true},
    {"every byte 0x00", Kind::Every0x00, 1, false},
    {"every byte 0x7F", Kind::Every0x7F, 1, true},
    {"a lone marker byte", Kind::LoneMarker, 40, true},
};

// Two sectors of one case.
struct Image {
    Bytes result, limits;
};

class Draw {
public:
    explicit Draw(unsigned seed) : rng_(seed) {}
    int below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    std::uint8_t byte() { return static_cast<std::uint8_t>(rng_()); }
    std::uint8_t degrees(int low, int high) { return static_cast<std::uint8_t>(low + below(high - low + 1)); }
    // Short more often than long, up to n: every length class as likely.
    int length(int n) { return below(std::min(n, 1 << below(17)) + 1); }
    Bytes bytes(std::size_t n)
    {
        Bytes b(n);
        for (std::uint8_t& x : b) x = byte();
        return b;
    }

private:
    std::mt19937 rng_;
};

// A header and `pairs` samples within -90..90, then the limits within their ranges.
Bytes valid_record(Draw& draw, int pairs)
{
    Bytes b;
    for (int i = 0; i < 4 + 2 * pairs; ++i) b.push_back(draw.degrees(-90, 90));
    return b;
}
Bytes valid_limits(Draw& draw)
{
    return {draw.degrees(0, 90), draw.degrees(-90, 0), draw.degrees(0, 90), draw.degrees(-90, 0)};
}

Image image_of(Kind kind, unsigned seed)
{
    Draw draw(seed);
    constexpr std::size_t kSector = RecoveryTest::kSectorSize;
    switch (kind) {
    case Kind::Random: return {draw.bytes(kSector), draw.bytes(kSector)};
    case Kind::ValidPrefixThenGarbage: {
        Image image{valid_record(draw, draw.length(SAMPLE_PAIRS)), valid_limits(draw)};
        const Bytes garbage = draw.bytes(kSector);
        image.result.insert(image.result.end(), garbage.begin(), garbage.begin() + static_cast<long>(kSector - image.result.size()));
        image.limits.resize(4 + static_cast<std::size_t>(draw.below(4)));  // cut short: the rest garbage
        image.limits.insert(image.limits.end(), garbage.begin(), garbage.begin() + 64);
        return image;
    }
    case Kind::MarkersAtOddPlaces: {
        Image image{valid_record(draw, draw.length(SAMPLE_PAIRS - 8)), valid_limits(draw)};
        // One to four marker bytes anywhere in the header, the pairs or just
        // past them: an X or a Y alone, between two pairs, over a limit.
        for (int n = 1 + draw.below(4); n > 0; --n) {
            const auto at = static_cast<std::size_t>(draw.below(static_cast<int>(image.result.size()) + 8));
            if (at >= image.result.size()) image.result.resize(at + 1, 0xFF);
            image.result[at] = END_MARKER;
        }
        image.limits[static_cast<std::size_t>(draw.below(4))] = END_MARKER;
        return image;
    }
    case Kind::Every0x80: return {Bytes(kSector, 0x80), Bytes(kSector, 0x80)};
    case Kind::Every0x00: return {Bytes(kSector, 0x00), Bytes(kSector, 0x00)};
    case Kind::Every0x7F: return {Bytes(kSector, 0x7F), Bytes(kSector, 0x7F)};
    case Kind::LoneMarker: {
        Image image{Bytes(kSector, 0xFF), Bytes(4, 0xFF)};
        image.result[static_cast<std::size_t>(draw.length(static_cast<int>(kSector) - 1))] = END_MARKER;
        image.limits[static_cast<std::size_t>(draw.below(4))] = END_MARKER;
        return image;
    }
    }
    return {};
}

class ForeignFlashTest : public RecoveryTest {};

TEST_F(ForeignFlashTest, AnyBytesInEitherRecordSectorLeaveADeviceThatWorks)
{
    int cases = 0, violations = 0;
    for (const Row& row : kRows) {
        if (!TILTMON_WHOLE_SWEEP && !row.sanitized) continue;
        const int seeds = TILTMON_WHOLE_SWEEP ? row.seeds : 1;
        for (int seed = 1; seed <= seeds; ++seed) {
            const Image image = image_of(row.kind, static_cast<unsigned>(seed));
            board.power_off();
            load_sectors(image.result, image.limits);
            ++cases;
            if (const std::string fault = walk_the_path(); !fault.empty() && ++violations <= 3)
                ADD_FAILURE() << row.name << ", seed " << seed << ":\n" << fault;
        }
    }
    std::printf("foreign images: %d cases, %d violations\n", cases, violations);
    EXPECT_EQ(violations, 0);
}

}  // namespace
