// The inventory and crafting-table screens as drawn over the world.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/items.h"
#include "rules/state.h"
#include "sdl_fixture.h"
#include "shell/draw/draw.h"

namespace {

using shelltest::BACKGROUND;
using shelltest::Box;
using shelltest::changedBox;
using shelltest::Image;
using shelltest::mismatches;
using shelltest::pixel;
using shelltest::Rgb;

struct Square {
    int x, y;
    Rgb fill;
};

constexpr Rgb SLOT_GREY = {80, 80, 80};
constexpr Rgb CELL_GREY = {100, 100, 100};
constexpr Rgb RESULT_GREY = {150, 150, 150};

std::vector<Square> inventorySquares()
{
    std::vector<Square> out;
    for (int i = 0; i < 21; ++i) {
        out.push_back({240 + 45 * (i % 7), 250 + 45 * (i / 7), SLOT_GREY});
    }
    return out;
}

std::vector<Square> inventoryScreen()
{
    std::vector<Square> out = inventorySquares();
    for (int k = 0; k < 4; ++k) {
        out.push_back({320 + 45 * (k % 2), 100 + 45 * (k / 2), CELL_GREY});
    }
    out.push_back({430, 122, RESULT_GREY});
    return out;
}

std::vector<Square> craftingScreen()
{
    std::vector<Square> out = inventorySquares();
    for (int k = 0; k < 9; ++k) {
        out.push_back({300 + 45 * (k % 3), 80 + 45 * (k / 3), CELL_GREY});
    }
    out.push_back({450, 125, RESULT_GREY});
    return out;
}

class ScreensDrawTest : public shelltest::SdlSuite {
protected:
    // A world of planks under the screens, with nothing else on it but the HUD.
    void SetUp() override
    {
        SdlSuite::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        loop = view(0.0f, 0.0f);
        fillTiles(loop, ITEM_PLANKS);
    }

    Image worldOnly()
    {
        drawWorld(gfx(), loop);
        return frame();
    }

    Image withScreen(PointerPos pointer = {700.0f, 20.0f})
    {
        drawWorld(gfx(), loop);
        drawScreen(gfx(), pointer);
        return frame();
    }

    // Every pixel: the open screen's squares in their fills, the panel darkening the
    // world, and the world unchanged outside the panel.
    static void expectLayout(const Image& world, const Image& img, const std::vector<Square>& squares)
    {
        auto expected = [&](int px, int py) {
            for (const Square& s : squares) {
                if (px >= s.x && px < s.x + 40 && py >= s.y && py < s.y + 40) {
                    return s.fill;
                }
            }
            const Rgb under = pixel(world, px, py);
            if (px >= 200 && px < 600 && py >= 50 && py < 500) {
                return shelltest::blend({0, 0, 0}, 180, under);
            }
            return under;
        };
        std::string first;
        EXPECT_EQ(mismatches(img, 0, 0, 800, 600, expected, 2, &first), 0) << first;
    }

    Loop loop;
};

TEST_F(ScreensDrawTest, InventoryScreenPanelSlotsGridAndResult)
{
    const Image world = worldOnly();
    showInv = true;
    const Image img = withScreen();
    expectLayout(world, img, inventoryScreen());
    // Spot checks on the fills, exact.
    EXPECT_EQ(pixel(img, 241, 251), SLOT_GREY);
    EXPECT_EQ(pixel(img, 320, 100), CELL_GREY);
    EXPECT_EQ(pixel(img, 430, 122), RESULT_GREY);
    EXPECT_EQ(pixel(img, 469, 161), RESULT_GREY);
}

TEST_F(ScreensDrawTest, CraftingScreenShowsTheThreeByThreeGrid)
{
    const Image world = worldOnly();
    showCraft = true;
    const Image img = withScreen();
    expectLayout(world, img, craftingScreen());
    EXPECT_EQ(pixel(img, 300, 80), CELL_GREY);
    EXPECT_EQ(pixel(img, 429, 209), CELL_GREY);
    EXPECT_EQ(pixel(img, 450, 125), RESULT_GREY);
    EXPECT_NE(pixel(img, 430, 122), RESULT_GREY);  // the inventory's result square is not there
}

TEST_F(ScreensDrawTest, NothingIsDrawnWithNoScreenOpen)
{
    drag = {ITEM_PLANKS, 5};
    const Image world = worldOnly();
    const Image img = withScreen({300.0f, 300.0f});
    EXPECT_TRUE(changedBox(world, img).empty()) << changedBox(world, img);
}

TEST_F(ScreensDrawTest, CarriedStackIsCentredOnThePointerOverEverything)
{
    fillTiles(loop, ITEM_NONE);
    showInv = true;
    {
        SCOPED_TRACE("beside the panel");
        const Image without = withScreen({620.0f, 200.0f});
        drag = {ITEM_PLANKS, 5};
        const Image with = withScreen({620.0f, 200.0f});
        const Box b = changedBox(without, with);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(600, 180, 640, 220)) << b;
        EXPECT_EQ(b.x0, 600) << b;
        EXPECT_EQ(b.y0, 180) << b;
    }
    {
        SCOPED_TRACE("over inventory slot 0, drawn on top of it");
        drag = {};
        inv[0] = {ITEM_WOOD, 1};
        const Image without = withScreen({260.0f, 270.0f});
        drag = {ITEM_PLANKS, 1};
        const Image with = withScreen({260.0f, 270.0f});
        const Box b = changedBox(without, with);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(240, 250, 280, 290)) << b;
    }
    // Lifted above a finger or a pad's pointer, clear of the slot it is on; below it where
    // there is no room above.
    for (const auto& [at, top] : {std::pair{PointerPos{260.0f, 270.0f}, 170}, {PointerPos{260.0f, 60.0f}, 120}}) {
        SCOPED_TRACE("lifted from " + std::to_string(at.y));
        drag = {};
        const Image without = withScreen(at);
        drag = {ITEM_PLANKS, 1};
        gfx().carriedLiftPx = 2.0f * SLOT_PX;
        const Image with = withScreen(at);
        gfx().carriedLiftPx = 0.0f;
        const Box b = changedBox(without, with);
        EXPECT_TRUE(!b.empty() && b.within(240, top, 280, top + 40)) << b;
    }
}

TEST_F(ScreensDrawTest, CountsShowOnlyForBlocksAndMeatFromTwoUp)
{
    showInv = true;
    auto screenWith = [&](int slot, ItemStack s) {
        inv[static_cast<size_t>(slot)] = s;
        return withScreen();
    };
    {
        SCOPED_TRACE("a stack of 5 pickaxes shows no count");
        const Image five = screenWith(0, {ITEM_WOODEN_PICKAXE, 5});
        const Image one = screenWith(0, {ITEM_WOODEN_PICKAXE, 1});
        EXPECT_TRUE(changedBox(five, one).empty()) << changedBox(five, one);
    }
    {
        SCOPED_TRACE("2 meat show \"2\" in slot 1's corner");
        const Image two = screenWith(1, {ITEM_MEAT, 2});
        const Image one = screenWith(1, {ITEM_MEAT, 1});
        const TextCache::Entry& e = gfx().text.get(renderer(), "2");
        const Box b = changedBox(two, one);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(323 - e.w, 288 - e.h, 323, 288)) << b;
    }
    {
        SCOPED_TRACE("the result slot shows the product's count");
        inv = std::vector<ItemStack>(21);
        craftRes = {ITEM_PLANKS, 4};
        const Image four = withScreen();
        craftRes = {ITEM_PLANKS, 1};
        const Image one = withScreen();
        const TextCache::Entry& e = gfx().text.get(renderer(), "4");
        const Box b = changedBox(four, one);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(468 - e.w, 160 - e.h, 468, 160)) << b;
    }
    {
        SCOPED_TRACE("a crafted sword offered in a stack of 3 shows no count");
        craftRes = {ITEM_WOODEN_SWORD, 3};
        const Image three = withScreen();
        craftRes = {ITEM_WOODEN_SWORD, 1};
        const Image one = withScreen();
        EXPECT_TRUE(changedBox(three, one).empty()) << changedBox(three, one);
    }
    {
        SCOPED_TRACE("the carried stack shows its count, tools not");
        craftRes = {};
        drag = {ITEM_STICK, 7};
        const Image seven = withScreen({620.0f, 200.0f});
        drag = {ITEM_STICK, 1};
        const Image one = withScreen({620.0f, 200.0f});
        const TextCache::Entry& e = gfx().text.get(renderer(), "7");
        const Box b = changedBox(seven, one);
        EXPECT_FALSE(b.empty());
        EXPECT_TRUE(b.within(638 - e.w, 218 - e.h, 638, 218)) << b;
        drag = {ITEM_WOODEN_HOE, 7};
        const Image tools = withScreen({620.0f, 200.0f});
        drag = {ITEM_WOODEN_HOE, 1};
        EXPECT_TRUE(changedBox(tools, withScreen({620.0f, 200.0f})).empty());
    }
}

}  // namespace
