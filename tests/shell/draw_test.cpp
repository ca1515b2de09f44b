// The world and HUD as drawn: a software renderer's picture read back before presenting
// and compared with the pictures from the run folder's assets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "rules/creatures.h"
#include "rules/items.h"
#include "rules/state.h"
#include "rules/world.h"
#include "sdl_fixture.h"
#include "shell/draw/draw.h"
#include "shell/app/frame.h"

namespace {

using shelltest::BACKGROUND;
using shelltest::blend;
using shelltest::Box;
using shelltest::changedBox;
using shelltest::Image;
using shelltest::loadPicture;
using shelltest::mismatches;
using shelltest::near;
using shelltest::over;
using shelltest::pixel;
using shelltest::Rgb;

constexpr Rgb HOTBAR_RED = {255, 80, 80};
constexpr Rgb HOTBAR_GREY = {80, 80, 80};
constexpr int HOTBAR_ALPHA = 200;
constexpr int TOL = 2;

class DrawTest : public shelltest::SdlSuite {
protected:
    Image drawn(const Loop& loop)
    {
        drawWorld(gfx(), loop);
        return frame();
    }

    // The pixel (px, py) of a 64 by 64 picture drawn at (left, top), optionally mirrored.
    static Rgb pictureAt(const Image& pic, int left, int top, int px, int py, bool mirrored = false)
    {
        const int i = px - left;
        const int j = py - top;
        return over(pic.at(mirrored ? 63 - i : i, j), BACKGROUND);
    }
};

// ---------------------------------------------------------------- tiles

TEST_F(DrawTest, TilesLandAtTheirWorldPositionMinusTheCamera)
{
    const Image planks = loadPicture(asset("planks.png"));
    ASSERT_EQ(planks.w, 64);
    struct Case {
        float cx, cy;
        int holeX, holeY;      // the broken tile
        int windowX, windowY;  // where it must show
    };
    for (const Case c : {Case{27.0f, 45.0f, 3, 2, 165, 83}, Case{-368.0f, -268.0f, -1, -1, 304, 204}}) {
        SCOPED_TRACE("camera " + std::to_string(c.cx) + ", " + std::to_string(c.cy));
        resetGameState();
        hp = 0;
        const Loop loop = view(c.cx, c.cy);
        fillTiles(loop, ITEM_PLANKS);
        world[{c.holeX, c.holeY}] = ITEM_NONE;
        const Image img = drawn(loop);
        ASSERT_EQ(img.w, 800);
        ASSERT_EQ(img.h, 600);

        std::string first;
        EXPECT_EQ(mismatches(img, c.windowX, c.windowY, 64, 64, [](int, int) { return BACKGROUND; }, 0, &first), 0)
            << "the hole is not the exact background " << first;

        // Everything above the hotbar row and its selection frame: planks except the
        // hole, pixel for pixel.
        auto expected = [&](int px, int py) {
            const int wx = px + static_cast<int>(c.cx);
            const int wy = py + static_cast<int>(c.cy);
            const int tx = static_cast<int>(std::floor(wx / 64.0));
            const int ty = static_cast<int>(std::floor(wy / 64.0));
            if (tx == c.holeX && ty == c.holeY) {
                return BACKGROUND;
            }
            return over(planks.at(wx - tx * 64, wy - ty * 64), BACKGROUND);
        };
        EXPECT_EQ(mismatches(img, 0, 0, 800, 537, expected, TOL, &first), 0) << first;
    }
}

TEST_F(DrawTest, FirstFrameMarksTheGrassOfTheSixteenByThirteenBlock)
{
    Loop loop;
    loop.cameraX = -368.0f;
    loop.cameraY = -268.0f;
    seeView(loop.cameraX, loop.cameraY);
    EXPECT_EQ(chunks.size(), 178u);
    for (const auto& [tile, seen] : chunks) {
        EXPECT_TRUE(seen);
        EXPECT_GE(tile.first, -7);
        EXPECT_LE(tile.first, 8);
        EXPECT_GE(tile.second, -6);
        EXPECT_LE(tile.second, 6);
    }
    // Seen tiles roll once only: a second frame at the same place spawns nothing more.
    const size_t creatures = mobs.size();
    seeView(loop.cameraX, loop.cameraY);
    EXPECT_EQ(chunks.size(), 178u);
    EXPECT_EQ(mobs.size(), creatures);
}

// ---------------------------------------------------------------- HUD

TEST_F(DrawTest, OneHeartPerHealthPoint)
{
    const Loop loop = view(0.0f, 0.0f);
    fillTiles(loop, ITEM_NONE);
    hp = 0;
    const Image none = drawn(loop);
    hp = 3;
    const Image three = drawn(loop);
    hp = 4;
    const Image four = drawn(loop);
    hp = 10;
    const Image ten = drawn(loop);

    const Box b3 = changedBox(none, three);
    EXPECT_FALSE(b3.empty());
    EXPECT_TRUE(b3.within(10, 10, 80, 30)) << b3;
    for (int i = 0; i < 3; ++i) {
        const int x = 10 + 25 * i;
        EXPECT_FALSE(changedBox(none, three, x, 10, x + 20, 30).empty()) << "heart " << i;
    }
    EXPECT_TRUE(changedBox(none, three, 85, 10, 105, 30).empty()) << "a fourth heart at hp 3";
    EXPECT_FALSE(changedBox(none, four, 85, 10, 105, 30).empty()) << "no fourth heart at hp 4";

    const Box b10 = changedBox(none, ten);
    EXPECT_TRUE(b10.within(10, 10, 255, 30)) << b10;
    EXPECT_FALSE(changedBox(none, ten, 235, 10, 255, 30).empty()) << "no tenth heart";
}

TEST_F(DrawTest, HotbarSlotsAreTranslucentFillsSelectedInRed)
{
    {
        SCOPED_TRACE("over the background");
        Loop loop = view(0.0f, 0.0f);
        loop.selectedHotbar = 2;
        fillTiles(loop, ITEM_NONE);
        hp = 0;
        const Image img = drawn(loop);
        std::string first;
        for (int i = 0; i < 5; ++i) {
            const Rgb want = blend(i == 2 ? HOTBAR_RED : HOTBAR_GREY, HOTBAR_ALPHA, BACKGROUND);
            EXPECT_EQ(mismatches(img, 275 + 50 * i, 540, 40, 40, [&](int, int) { return want; }, TOL, &first), 0)
                << "slot " << i << " " << first;
        }
        // Nothing around or between the slots but a 3-pixel red frame around the selected one.
        auto bg = [](int x, int y) {
            const bool frame = x >= 372 && x < 418 && y >= 537 && y < 583;
            return frame ? blend(HOTBAR_RED, HOTBAR_ALPHA, BACKGROUND) : BACKGROUND;
        };
        EXPECT_EQ(mismatches(img, 0, 530, 800, 10, bg, TOL, &first), 0) << first;
        EXPECT_EQ(mismatches(img, 0, 580, 800, 20, bg, TOL, &first), 0) << first;
        EXPECT_EQ(mismatches(img, 0, 540, 275, 40, bg, 0, &first), 0) << first;
        EXPECT_EQ(mismatches(img, 515, 540, 285, 40, bg, 0, &first), 0) << first;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(mismatches(img, 315 + 50 * i, 540, 10, 40, bg, TOL, &first), 0) << "gap " << i << " " << first;
        }
    }
    {
        SCOPED_TRACE("over planks tiles");
        const Image planks = loadPicture(asset("planks.png"));
        resetGameState();
        Loop loop = view(0.0f, 0.0f);
        loop.selectedHotbar = 0;
        fillTiles(loop, ITEM_PLANKS);
        const Image img = drawn(loop);
        std::string first;
        for (int i = 0; i < 2; ++i) {
            const Rgb fill = i == 0 ? HOTBAR_RED : HOTBAR_GREY;
            auto want = [&](int px, int py) {
                return blend(fill, HOTBAR_ALPHA, over(planks.at(px % 64, py % 64), BACKGROUND));
            };
            EXPECT_EQ(mismatches(img, 275 + 50 * i, 540, 40, 40, want, TOL, &first), 0) << "slot " << i << " " << first;
        }
    }
}

TEST_F(DrawTest, HotbarCountsShowForBlocksFromTwoUpAndNeverForTools)
{
    Loop loop = view(0.0f, 0.0f);
    loop.selectedHotbar = 4;
    fillTiles(loop, ITEM_NONE);
    hp = 0;
    auto withSlot0 = [&](ItemStack s) {
        hotbar[0] = s;
        return drawn(loop);
    };
    {
        SCOPED_TRACE("a stack of 5 axes looks like a single axe");
        const Image five = withSlot0({ITEM_WOODEN_AXE, 5});
        const Image one = withSlot0({ITEM_WOODEN_AXE, 1});
        EXPECT_TRUE(changedBox(five, one).empty()) << changedBox(five, one);
    }
    {
        SCOPED_TRACE("5 planks show a count in the slot's bottom-right corner");
        const Image five = withSlot0({ITEM_PLANKS, 5});
        const Image one = withSlot0({ITEM_PLANKS, 1});
        const TextCache::Entry& text = gfx().text.get(renderer(), "5");
        ASSERT_GT(text.w, 0);
        const Box b = changedBox(five, one);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(313 - text.w, 578 - text.h, 313, 578)) << b;
    }
    {
        SCOPED_TRACE("1 plank shows its picture alone");
        const Image one = withSlot0({ITEM_PLANKS, 1});
        hotbar[0] = {};
        drawWorld(gfx(), loop);
        const SDL_FRect slot = {275.0f, 540.0f, 40.0f, 40.0f};
        SDL_RenderTexture(renderer(), gfx().texs[ITEM_PLANKS], nullptr, &slot);
        const Image pictureOnly = frame();
        EXPECT_TRUE(changedBox(one, pictureOnly).empty()) << changedBox(one, pictureOnly);
    }
}

TEST_F(DrawTest, DrawTxtAlignsTheTextsBottomRightCornerOnTheSlotCorner)
{
    clearToBackground();
    const Image blank = frame();
    {
        SCOPED_TRACE("\"0\" and \"1\" draw nothing");
        drawTxt(gfx(), "0", 100.0f, 200.0f);
        drawTxt(gfx(), "1", 100.0f, 200.0f);
        EXPECT_TRUE(changedBox(blank, frame()).empty());
        EXPECT_EQ(gfx().text.size(), 0u);
    }
    Box twelve;
    {
        SCOPED_TRACE("\"12\"");
        drawTxt(gfx(), "12", 100.0f, 200.0f);
        const Image img = frame();
        const TextCache::Entry& e = gfx().text.get(renderer(), "12");
        ASSERT_NE(e.texture, nullptr);
        twelve = changedBox(blank, img);
        ASSERT_FALSE(twelve.empty());
        EXPECT_TRUE(twelve.within(138 - e.w, 238 - e.h, 138, 238)) << twelve << " text " << e.w << "x" << e.h;
        EXPECT_GE(twelve.x1, 135) << "the text does not reach the right edge at x + 38";
        Rgb brightest = BACKGROUND;
        for (int y = twelve.y0; y <= twelve.y1; ++y) {
            for (int x = twelve.x0; x <= twelve.x1; ++x) {
                const Rgb p = pixel(img, x, y);
                if (p.r + p.g + p.b > brightest.r + brightest.g + brightest.b) {
                    brightest = p;
                }
            }
        }
        EXPECT_GE(brightest.r, 200);
        EXPECT_TRUE(near(brightest, {brightest.r, brightest.r, brightest.r}, 2)) << "not white: " << brightest;
    }
    {
        SCOPED_TRACE("a wider text reaches further left, never further right");
        clearToBackground();
        drawTxt(gfx(), "128", 100.0f, 200.0f);
        const Box wide = changedBox(blank, frame());
        ASSERT_FALSE(wide.empty());
        EXPECT_LT(wide.x0, twelve.x0);
        EXPECT_LT(wide.x1, 138);
        EXPECT_LT(wide.y1, 238);
    }
    {
        SCOPED_TRACE("no font, no text");
        clearToBackground();
        TTF_Font* saved = fnt;
        fnt = nullptr;
        drawTxt(gfx(), "12", 100.0f, 200.0f);
        fnt = saved;
        EXPECT_TRUE(changedBox(blank, frame()).empty());
    }
}

// ---------------------------------------------------------------- creatures, drops, player

TEST_F(DrawTest, CreaturesShowTheirKindAndFrameMirroredWhenFlipped)
{
    const Image pig1 = loadPicture(asset("pig1.png"));
    ASSERT_EQ(pig1.w, 64);
    // Mirroring must be visible at all for the flip case to mean anything.
    int asymmetric = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            asymmetric += pig1.at(x, y) != pig1.at(63 - x, y) ? 1 : 0;
        }
    }
    ASSERT_GT(asymmetric, 0) << "the pig picture is symmetric";

    const Loop loop = view(0.0f, 0.0f);
    fillTiles(loop, ITEM_NONE);
    hp = 0;
    Mob m;
    m.type = 0;
    m.frame = 0;
    m.x = 100.0f;
    m.y = 100.0f;
    std::string first;
    for (bool flip : {false, true}) {
        SCOPED_TRACE(flip ? "pig facing left" : "pig facing right");
        m.flip = flip;
        mobs = {m};
        const Image img = drawn(loop);
        auto want = [&](int px, int py) { return pictureAt(pig1, 100, 100, px, py, flip); };
        EXPECT_EQ(mismatches(img, 100, 100, 64, 64, want, TOL, &first), 0) << first;
    }
    // Every kind of the table in each of its frames, so that a kind added to the table
    // alone is drawn with its own pictures.
    for (size_t kind = 0; kind < CREATURES.size(); ++kind) {
        for (size_t f = 0; f < CREATURES[kind].pictures.size(); ++f) {
            SCOPED_TRACE(std::string(CREATURES[kind].name) + " in frame " + std::to_string(f));
            const std::string path = CREATURES[kind].pictures[f];
            const Image picture = loadPicture(asset(path.substr(path.rfind('/') + 1)));
            ASSERT_EQ(picture.w, 64);
            Mob other = m;
            other.type = static_cast<int32_t>(kind);
            other.frame = static_cast<int32_t>(f);
            other.flip = false;
            other.x = 300.0f;
            mobs = {other};
            const Image img = drawn(loop);
            auto want = [&](int px, int py) { return pictureAt(picture, 300, 100, px, py); };
            EXPECT_EQ(mismatches(img, 300, 100, 64, 64, want, TOL, &first), 0) << first;
        }
    }
    {
        SCOPED_TRACE("a pig partly over the left edge shows its right part");
        m.flip = false;
        m.x = -44.0f;
        mobs = {m};
        const Image img = drawn(loop);
        auto want = [&](int px, int py) { return pictureAt(pig1, -44, 100, px, py); };
        EXPECT_EQ(mismatches(img, 0, 100, 20, 64, want, TOL, &first), 0) << first;
    }
}

TEST_F(DrawTest, FarAwayCreaturesAndDropsLeaveTheFrameAlone)
{
    const Loop loop = view(0.0f, 0.0f);
    fillTiles(loop, ITEM_NONE);
    const Image empty = drawn(loop);

    Mob far;
    far.x = 1.0e6f;
    far.y = 1.0e6f;
    mobs.push_back(far);
    far.x = -1.0e6f;
    far.y = 0.0f;
    mobs.push_back(far);
    far.x = 800.0f;  // just right of the window
    far.y = 100.0f;
    mobs.push_back(far);
    dropItem(ITEM_WOOD, 0.0f, -1.0e6f);
    dropItem(ITEM_WOOD, 5.0e5f, 5.0e5f);
    dropItem(ITEM_WOOD, 100.0f, -32.0f);  // just above the window
    const Image withFar = drawn(loop);
    EXPECT_TRUE(changedBox(empty, withFar).empty()) << changedBox(empty, withFar);

    dropItem(ITEM_WOOD, 200.0f, 150.0f);
    const Image withNear = drawn(loop);
    const Box b = changedBox(empty, withNear);
    EXPECT_FALSE(b.empty());
    EXPECT_TRUE(b.within(200, 150, 232, 182)) << "a dropped item is a 32 by 32 square " << b;
}

TEST_F(DrawTest, ADropOfSeveralShowsItsCountLikeASlot)
{
    const Loop loop = view(0.0f, 0.0f);
    fillTiles(loop, ITEM_NONE);
    hp = 0;
    // The drop's picture alone, as a drop of one has always looked.
    auto pictureOnly = [&](int id) {
        drops.clear();
        drawWorld(gfx(), loop);
        const SDL_FRect dr = {200.0f, 150.0f, 32.0f, 32.0f};
        SDL_RenderTexture(renderer(), gfx().texs[static_cast<size_t>(id)], nullptr, &dr);
        return frame();
    };
    struct Row {
        int id;
        int count;
        bool text;
    };
    for (const Row r : {Row{ITEM_PLANKS, 1, false}, Row{ITEM_PLANKS, 5, true}, Row{ITEM_MEAT, INT32_MAX, true},
                        Row{ITEM_WOODEN_AXE, 1, false}, Row{ITEM_WOODEN_AXE, 5, false}}) {
        SCOPED_TRACE(std::to_string(r.id) + " x " + std::to_string(r.count));
        const Image plain = pictureOnly(r.id);
        dropItem(r.id, 200.0f, 150.0f, r.count);
        const Image img = drawn(loop);
        const Box b = changedBox(plain, img);
        if (!r.text) {
            EXPECT_TRUE(b.empty()) << b;
            continue;
        }
        const TextCache::Entry& text = gfx().text.get(renderer(), std::to_string(r.count));
        ASSERT_GT(text.w, 0);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(230 - text.w, 180 - text.h, 230, 180)) << b;
    }
}

TEST_F(DrawTest, PlayerStandsInTheMiddleWithItsFirstPicture)
{
    const Image standing = loadPicture(asset("plgo1.png"));
    const Image walking = loadPicture(asset("plgo2.png"));
    Loop loop;
    loop.cameraX = -368.0f;
    loop.cameraY = -268.0f;
    fillTiles(loop, ITEM_NONE);
    hp = 0;
    std::string first;
    {
        SCOPED_TRACE("standing");
        loop.moving = false;
        const Image img = drawn(loop);
        auto want = [&](int px, int py) { return pictureAt(standing, 368, 268, px, py); };
        EXPECT_EQ(mismatches(img, 368, 268, 64, 64, want, TOL, &first), 0) << first;
    }
    {
        SCOPED_TRACE("after a step right, drawn 6 pixels on, in one of the two pictures");
        loop.moving = true;
        loop.pX = 6.0f;
        const Image img = drawn(loop);
        auto want1 = [&](int px, int py) { return pictureAt(standing, 374, 268, px, py); };
        auto want2 = [&](int px, int py) { return pictureAt(walking, 374, 268, px, py); };
        const int off1 = mismatches(img, 374, 268, 64, 64, want1, TOL);
        const int off2 = mismatches(img, 374, 268, 64, 64, want2, TOL);
        EXPECT_TRUE(off1 == 0 || off2 == 0) << off1 << " and " << off2 << " pixels off";
    }
}

// ---------------------------------------------------------------- the whole frame

TEST_F(DrawTest, RunFramePausesThroughThePlatformWithoutSleeping)
{
    std::vector<uint32_t> pauses;
    int polls = 0;
    Platform io{
        [] { return uint64_t{0}; },
        [&](InputEvent& e) {
            if (polls++ > 0) {
                return false;
            }
            e = {InputEvent::Kind::KeyDown, 8, 0};  // E
            return true;
        },
        [] { return PointerPos{400.0f, 300.0f}; },
        [] { return KeyState{}; },
        [&](uint32_t ms) { pauses.push_back(ms); },
    };
    Loop loop;
    runFrame(loop, io, gfx());
    EXPECT_TRUE(showInv);
    ASSERT_EQ(pauses.size(), 1u);
    EXPECT_EQ(pauses[0], 16u);
    EXPECT_EQ(chunks.size(), 178u);
}

}  // namespace
