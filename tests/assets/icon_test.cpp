// The application icon: every size keeps each art pixel a whole square of one colour.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "pixelart/art.h"
#include "pixelart/scale.h"

#ifndef BRAMBIX_ICON_SOURCE
#error "BRAMBIX_ICON_SOURCE must name the icon's art source"
#endif

namespace fs = std::filesystem;
using namespace brambix::art;

namespace {

constexpr int ICON_GRID = 16;  // the icon's source is drawn on a 16 x 16 grid

TEST(Icon, EverySizeIsTheArtGridInWholeSquares)
{
    const Image art = load_art(BRAMBIX_ICON_SOURCE);
    const int cellPx = kPictureSize / ICON_GRID;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const Image icon = scale_nearest(art, size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        EXPECT_TRUE(scales_whole(art, size)) << size;
        EXPECT_EQ(art_grid(art), ICON_GRID);
        int wrong = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const int cx = x * ICON_GRID / size;
                const int cy = y * ICON_GRID / size;
                wrong += icon.pixel(x, y) != art.pixel(cx * cellPx, cy * cellPx);
            }
        }
        EXPECT_EQ(wrong, 0) << "size " << size;
    }
    // Its corners are transparent and its middle is not.
    EXPECT_EQ(art.pixel(0, 0) & 0xffu, 0u);
    EXPECT_EQ(art.pixel(32, 32) & 0xffu, 0xffu);
}

TEST(Icon, APaddedSizeHoldsTheLargestWholeIconInItsMiddle)
{
    const Image art = load_art(BRAMBIX_ICON_SOURCE);
    const Image whole = scale_nearest(art, 176);  // 11 x 16: the largest up to 180
    const Image icon = scale_padded(art, 180);
    ASSERT_EQ(icon.width, 180);
    ASSERT_EQ(icon.height, 180);
    int wrong = 0;
    for (int y = 0; y < 180; ++y) {
        for (int x = 0; x < 180; ++x) {
            const bool inside = x >= 2 && x < 178 && y >= 2 && y < 178;
            wrong += icon.pixel(x, y) != (inside ? whole.pixel(x - 2, y - 2) : 0u);
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(scale_padded(art, 192).rgba, scale_nearest(art, 192).rgba);
    EXPECT_EQ(scale_padded(art, ICON_GRID - 1).width, 0);
}

TEST(Icon, SizesThatWouldSplitArtPixelsAreNotWhole)
{
    // A 32 x 32 grid: shrinking merges pixels, 1.5 times splits them unevenly.
    const Image grass = load_art(fs::path(BRAMBIX_ICON_SOURCE).parent_path().parent_path() / "assets/art/grass.txt");
    struct Case {
        int size;
        bool whole;
    };
    ASSERT_EQ(art_grid(grass), 32);
    for (const Case c : std::vector<Case>{{32, true}, {64, true}, {96, true}, {128, true}, {16, false}, {48, false},
                                          {40, false}, {100, false}, {1, false}, {0, false}}) {
        EXPECT_EQ(scales_whole(grass, c.size), c.whole) << "size " << c.size;
    }
    EXPECT_EQ(scale_nearest(grass, 0).width, 0);
}

}  // namespace
