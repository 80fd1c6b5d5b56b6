#include "lcd_text_view.h"

#include <algorithm>
#include <compare>

#include "core/sim_error.h"

namespace sim {

namespace {

constexpr int kGlyphWidth = LcdTextView::kGlyphWidth;
constexpr std::size_t kMostGlyphs = 256;
constexpr std::uint8_t kBlank = 0x00, kDark = 0xFF;

bool plain(std::uint8_t column) { return column == kBlank || column == kDark; }

std::uint64_t key_of(const std::uint8_t* columns, std::uint8_t mask)
{
    std::uint64_t key = 0;
    for (int i = 0; i < kGlyphWidth; ++i) key = key << 8 | static_cast<std::uint8_t>(columns[i] ^ mask);
    return key;
}

bool uniform(const std::uint8_t* columns, std::uint8_t value)
{
    return std::all_of(columns, columns + kGlyphWidth, [value](std::uint8_t c) { return c == value; });
}

bool on_grid(int x) { return x % TextLine::kCellWidth == 1; }

// How well a reading explains a line, compared field by field: first the
// columns with ink that no background can explain, then glyphs on the grid,
// then glyphs at all.
struct Score {
    int explained = 0;
    int on_grid = 0;
    int glyphs = 0;
    auto operator<=>(const Score&) const = default;
};

}  // namespace

LcdTextView::LcdTextView(Font font)
{
    if (font.size() % kGlyphWidth != 0 || font.size() > kMostGlyphs * kGlyphWidth)
        throw SimError("a font of " + std::to_string(font.size()) + " bytes is not whole glyphs of " +
                       std::to_string(kGlyphWidth) + " columns for at most 256 codes");
    const auto glyphs = static_cast<int>(font.size() / kGlyphWidth);
    for (int code = 0; code < glyphs; ++code) {
        const std::uint8_t* glyph = font.data() + static_cast<std::ptrdiff_t>(code) * kGlyphWidth;
        const auto as_code = static_cast<std::uint8_t>(code);
        if (uniform(glyph, kBlank)) continue;
        if (uniform(glyph, kDark)) {
            if (!full_block_) full_block_ = as_code;
            continue;
        }
        codes_.emplace(key_of(glyph, kBlank), as_code);  // the lower code keeps a shared glyph
    }
}

std::optional<LcdTextView::Placement> LcdTextView::glyph_at(const Columns& columns, int x) const
{
    if (x + kGlyphWidth > LcdImage::kWidth) return std::nullopt;
    const std::uint8_t* at = columns.data() + x;
    const auto find = [this](std::uint64_t key) -> std::optional<std::uint8_t> {
        const auto found = codes_.find(key);
        if (found == codes_.end()) return std::nullopt;
        return found->second;
    };
    std::optional<std::uint8_t> normal = find(key_of(at, kBlank));
    const std::optional<std::uint8_t> inverted = find(key_of(at, kDark));

    const bool left_edge = x == 0, right_edge = x + kGlyphWidth == LcdImage::kWidth;
    const std::uint8_t left = left_edge ? kBlank : columns[static_cast<std::size_t>(x - 1)];
    const std::uint8_t right = right_edge ? kBlank : columns[static_cast<std::size_t>(x) + kGlyphWidth];
    if (!normal && full_block_ && uniform(at, kDark) && left == kBlank && right == kBlank) normal = full_block_;

    if (normal && inverted) {
        const int dark_sides = (!left_edge && left == kDark) + (!right_edge && right == kDark);
        const int blank_sides = (!left_edge && left == kBlank) + (!right_edge && right == kBlank);
        if (dark_sides > blank_sides) normal.reset();
    }
    if (normal) return Placement{x, *normal, false};
    if (inverted) return Placement{x, *inverted, true};
    return std::nullopt;
}

// The best set of non-overlapping glyphs, by dynamic programming from the
// right edge: best[x] is the best reading of columns x to 127.
std::vector<LcdTextView::Placement> LcdTextView::best_reading(const Columns& columns) const
{
    constexpr int kWidth = LcdImage::kWidth;
    std::array<Score, kWidth + 1> best{};
    std::array<std::optional<Placement>, kWidth> taken{};
    for (int x = kWidth - 1; x >= 0; --x) {
        const auto ux = static_cast<std::size_t>(x);
        best[ux] = best[ux + 1];
        const auto glyph = glyph_at(columns, x);
        if (!glyph) continue;
        Score with = best[ux + kGlyphWidth];
        with.explained += static_cast<int>(std::count_if(columns.begin() + x, columns.begin() + x + kGlyphWidth,
                                                         [](std::uint8_t c) { return !plain(c); }));
        with.on_grid += on_grid(x);
        with.glyphs += 1;
        if (with > best[ux]) {
            best[ux] = with;
            taken[ux] = glyph;
        }
    }
    std::vector<Placement> reading;
    for (int x = 0; x < kWidth;) {
        if (const auto& glyph = taken[static_cast<std::size_t>(x)]) {
            reading.push_back(*glyph);
            x += kGlyphWidth;
        } else {
            ++x;
        }
    }
    return reading;
}

TextLine LcdTextView::line(const LcdImage& image, int page) const
{
    if (page < 0 || page >= LcdImage::kPages)
        throw SimError("LCD text view: no text line " + std::to_string(page) + " (0 to 7)");
    Columns columns{};
    for (int x = 0; x < LcdImage::kWidth; ++x) columns[static_cast<std::size_t>(x)] = image.column_byte(page, x);

    std::array<bool, LcdImage::kWidth> covered{};
    std::array<std::vector<Placement>, TextLine::kCells> starts;
    for (const Placement& glyph : best_reading(columns)) {
        std::fill_n(covered.begin() + glyph.x, kGlyphWidth, true);
        starts[static_cast<std::size_t>(glyph.x / TextLine::kCellWidth)].push_back(glyph);
    }

    TextLine result;
    for (int cell = 0; cell < TextLine::kCells; ++cell) {
        const auto ucell = static_cast<std::size_t>(cell);
        const int first = cell * TextLine::kCellWidth;
        const int end = std::min(first + TextLine::kCellWidth, LcdImage::kWidth);
        bool stray_ink = false, blank = false, dark = false;
        for (int x = first; x < end; ++x) {
            const auto ux = static_cast<std::size_t>(x);
            if (covered[ux]) continue;
            stray_ink |= !plain(columns[ux]);
            // The cell's first column is the gap it shares with the cell
            // before; only the five after it tell the ground.
            if (x > first) (columns[ux] == kDark ? dark : blank) = true;
        }
        char shown = ' ';
        if (stray_ink || starts[ucell].size() > 1 || (starts[ucell].empty() && blank && dark)) {
            shown = kUnrecognised;
            result.unrecognised[ucell] = true;
        } else if (!starts[ucell].empty()) {
            shown = static_cast<char>(starts[ucell].front().code);
            result.inverted[ucell] = starts[ucell].front().inverted;
        } else {
            result.inverted[ucell] = dark;
        }
        result.text += shown;
    }
    int kept = TextLine::kCells;
    while (kept > 0 && result.text[static_cast<std::size_t>(kept - 1)] == ' ' &&
           !result.inverted[static_cast<std::size_t>(kept - 1)])
        --kept;
    result.text.resize(static_cast<std::size_t>(kept));
    return result;
}

std::array<TextLine, LcdImage::kPages> LcdTextView::lines(const LcdImage& image) const
{
    std::array<TextLine, LcdImage::kPages> all;
    for (int page = 0; page < LcdImage::kPages; ++page) all[static_cast<std::size_t>(page)] = line(image, page);
    return all;
}

}  // namespace sim
