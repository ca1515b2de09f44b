// Laying out a count from glyphs rendered ahead of time.
#include "shell/draw/count_glyphs.h"

#include <algorithm>

CountPicture composeCount(const CountGlyphs& glyphs, std::string_view text)
{
    std::array<size_t, COUNT_GLYPHS> start{};
    size_t whole = 0;
    for (size_t i = 0; i < COUNT_GLYPHS; ++i) {
        if (glyphs.widths[i] < 0) {
            return {};
        }
        start[i] = whole;
        whole += static_cast<size_t>(glyphs.widths[i]) * static_cast<size_t>(std::max(glyphs.height, 0));
    }
    if (text.empty() || glyphs.height <= 0 || glyphs.coverage.size() != whole) {
        return {};
    }
    // Where each glyph goes; the picture reaches as far right as the furthest glyph.
    std::vector<std::pair<size_t, int>> placed;
    int right = 0;
    for (char c : text) {
        const size_t glyph = COUNT_ALPHABET.find(c);
        if (glyph == std::string_view::npos) {
            return {};
        }
        const int x = placed.empty() ? 0 : placed.back().second + glyphs.steps[placed.back().first][glyph];
        if (x < 0) {
            return {};
        }
        placed.emplace_back(glyph, x);
        right = std::max(right, x + glyphs.widths[glyph]);
    }
    CountPicture picture;
    picture.w = right;
    picture.h = glyphs.height;
    picture.coverage.assign(static_cast<size_t>(picture.w) * static_cast<size_t>(picture.h), 0);
    for (const auto& [glyph, x] : placed) {
        const int w = glyphs.widths[glyph];
        for (int y = 0; y < picture.h; ++y) {
            const uint8_t* from = glyphs.coverage.data() + start[glyph] + static_cast<size_t>(y * w);
            uint8_t* to = picture.coverage.data() + static_cast<size_t>(y * picture.w + x);
            for (int i = 0; i < w; ++i) {
                // The font's renderer merges a glyph into what the one before left by a
                // bitwise or of their coverages.
                to[i] = static_cast<uint8_t>(to[i] | from[i]);
            }
        }
    }
    return picture;
}
