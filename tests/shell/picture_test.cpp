// One busy frame drawn on the software renderer and compared, pixel for pixel, with a
// committed picture: the SDL2 and SDL3 builds must both draw exactly that picture. It
// shows no count text: glyphs are rasterised by the font library, whose versions differ
// between systems in the shading of a few edge pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "rules/state.h"
#include "rules/world.h"
#include "sdl_fixture.h"
#include "shell/draw/draw.h"
#include "shell/app/frame.h"

namespace {

using shelltest::Image;

class PictureTest : public shelltest::SdlSuite {};

// Pictures at every size the game draws them (64 tiles and creatures, 40 slots, 32
// drops, 20 hearts), at fractional positions, mirrored, blended panels, a product on
// offer and a carried stack at a fractional pointer.
Image drawBusyFrame(Gfx& gfx)
{
    Loop loop;
    loop.pX = 37.5f;
    loop.pY = -21.25f;
    loop.cameraX = loop.pX - 368.0f;
    loop.cameraY = loop.pY - 268.0f;
    loop.selectedHotbar = 2;
    loop.moving = true;
    world[{1, 0}] = 4;
    world[{-2, 1}] = 0;
    Mob pig;
    pig.x = 130.4f;
    pig.y = 40.7f;
    pig.frame = 1;
    mobs.push_back(pig);
    Mob sheep;
    sheep.type = 2;
    sheep.x = -200.6f;
    sheep.y = -90.3f;
    sheep.flip = true;
    mobs.push_back(sheep);
    drops.push_back({7, 60.5f, 75.25f});
    drops.push_back({2, -120.75f, 10.5f});
    hp = 7;
    hotbar[0] = {2, 1};
    hotbar[1] = {4, 1};
    hotbar[2] = {9, 1};
    inv[3] = {5, 1};
    craftGrid[0] = {4, 1};
    craftGrid[4] = {4, 1};
    showInv = true;
    craftRes = {6, 1};
    drag = {1, 1};
    seeView(loop.cameraX, loop.cameraY);
    drawWorld(gfx, loop);
    drawScreen(gfx, {431.5f, 377.25f});
    return sdlx::readPixels(gfx.renderer);
}

TEST_F(PictureTest, BusyFrameMatchesTheCommittedPicture)
{
    const std::string golden = std::string(BRAMBIX_SOURCE_DIR) + "/tests/shell/golden/busy_frame.png";
    const Image got = drawBusyFrame(gfx());
    ASSERT_EQ(got.w, SCREEN_WIDTH);
    ASSERT_EQ(got.h, SCREEN_HEIGHT);
    if (std::getenv("BRAMBIX_UPDATE_GOLDEN") != nullptr) {
        ASSERT_TRUE(sdlx::savePng(got, golden)) << "cannot write " << golden;
        GTEST_SKIP() << "wrote " << golden;
    }
    const Image want = shelltest::loadPicture(golden);
    ASSERT_EQ(want.w, SCREEN_WIDTH) << "cannot read " << golden;
    int differing = 0;
    std::string first;
    for (int y = 0; y < got.h; ++y) {
        for (int x = 0; x < got.w; ++x) {
            if (shelltest::pixel(got, x, y) != shelltest::pixel(want, x, y)) {
                if (differing++ == 0) {
                    first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
                }
            }
        }
    }
    if (differing > 0) {
        const auto actual = std::filesystem::temp_directory_path() / "brambix-busy-frame-actual.png";
        sdlx::savePng(got, actual.string());
        FAIL() << differing << " pixels differ from " << golden << ", the first at " << first << "; drawn on "
               << sdlx::flavour() << ", saved as " << actual.string()
               << " (set BRAMBIX_UPDATE_GOLDEN=1 to take it as the new picture after a deliberate change)";
    }
}

}  // namespace
