// What a mouse click does to the world: kill, break, eat, open a table, place.
#include <gtest/gtest.h>

#include <cstdint>

#include "rules/actions.h"
#include "rules/clock.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {

// The camera with the player at the start position.
constexpr float CAM_X = -368.0f;
constexpr float CAM_Y = -268.0f;

uint64_t zeroTicks() { return 0; }

// Window pixel of the middle of tile (tx, ty) under the start camera.
float winX(int32_t tx) { return 64.0f * static_cast<float>(tx) + 32.0f - CAM_X; }
float winY(int32_t ty) { return 64.0f * static_cast<float>(ty) + 32.0f - CAM_Y; }

void click(int button, int32_t tx, int32_t ty, int selected = 0)
{
    worldClick(button, winX(tx), winY(ty), CAM_X, CAM_Y, selected);
}

Mob mobAt(float x, float y, int type = 0)
{
    Mob m;
    m.type = type;
    m.x = x;
    m.y = y;
    m.tx = x;
    m.ty = y;
    return m;
}

// Every slot holds a full stack or an id other than the ones the tests break.
void fillStorage()
{
    for (auto& s : hotbar) {
        s = {ITEM_MEAT, MAX_STACK};
    }
    for (size_t i = 0; i < inv.size(); ++i) {
        inv[i] = i % 2 == 0 ? ItemStack{ITEM_STICK, 3} : ItemStack{ITEM_WOOD, MAX_STACK};
    }
}

class WorldClick : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGameState();
        setTickSource(zeroTicks);
        resetGameRand();
    }
};

// Buttons other than the left one; they all act alike.
constexpr int OTHER_BUTTONS[] = {BUTTON_MIDDLE, BUTTON_RIGHT};

TEST_F(WorldClick, PointerPicksTheTileUnderIt)
{
    worldClick(BUTTON_LEFT, 400.0f, 300.0f, CAM_X, CAM_Y, 0);
    ASSERT_EQ(world.size(), 1u);
    EXPECT_EQ(world.count({0, 0}), 1u);

    resetGameState();
    worldClick(BUTTON_LEFT, 367.0f, 267.0f, CAM_X, CAM_Y, 0);
    ASSERT_EQ(world.size(), 1u);
    EXPECT_EQ(world.count({-1, -1}), 1u);

    // World x -0.5 lies in tile -1, world x 64.0 in tile 1.
    resetGameState();
    worldClick(BUTTON_LEFT, 367.5f, 300.0f, CAM_X, CAM_Y, 0);
    worldClick(BUTTON_LEFT, 432.0f, 300.0f, CAM_X, CAM_Y, 0);
    ASSERT_EQ(world.size(), 2u);
    EXPECT_EQ(world.count({-1, 0}), 1u);
    EXPECT_EQ(world.count({1, 0}), 1u);
}

TEST_F(WorldClick, LeftClickStrictlyInsideKillsTheCreature)
{
    // Its square shows at window (468, 318) to (532, 382).
    mobs.push_back(mobAt(100.0f, 50.0f, 1));
    worldClick(BUTTON_LEFT, 469.0f, 319.0f, CAM_X, CAM_Y, 0);
    EXPECT_TRUE(mobs.empty());
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].id, ITEM_MEAT);
    EXPECT_EQ(drops[0].x, 116.0f);
    EXPECT_EQ(drops[0].y, 66.0f);
    EXPECT_TRUE(world.empty()) << "the tile beneath is not broken";
    EXPECT_EQ(hotbar[0], (ItemStack{}));

    resetGameState();
    mobs.push_back(mobAt(100.0f, 50.0f));
    worldClick(BUTTON_LEFT, 531.5f, 381.5f, CAM_X, CAM_Y, 0);
    EXPECT_TRUE(mobs.empty()) << "just inside the far corner";
}

TEST_F(WorldClick, EdgesOfACreatureMiss)
{
    struct Case {
        const char* edge;
        float mx, my;
    };
    const Case cases[] = {
        {"left", 468.0f, 350.0f},
        {"top", 500.0f, 318.0f},
        {"right", 532.0f, 350.0f},
        {"bottom", 500.0f, 382.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        resetGameState();
        mobs.push_back(mobAt(100.0f, 50.0f));
        const int32_t tx = tileOf(c.mx + CAM_X);
        const int32_t ty = tileOf(c.my + CAM_Y);
        const int block = getTile(tx, ty);
        worldClick(BUTTON_LEFT, c.mx, c.my, CAM_X, CAM_Y, 0);
        EXPECT_EQ(mobs.size(), 1u);
        EXPECT_TRUE(drops.empty());
        ASSERT_EQ(world.size(), 1u) << "the tile under the pointer breaks instead";
        EXPECT_EQ(world.at({tx, ty}), ITEM_NONE);
        EXPECT_EQ(hotbar[0], (ItemStack{block, 1}));
    }
}

TEST_F(WorldClick, OverlappingCreaturesTheEarlierDies)
{
    mobs.push_back(mobAt(100.0f, 50.0f, 0));
    mobs.push_back(mobAt(120.0f, 70.0f, 2));
    mobs.push_back(mobAt(-500.0f, -500.0f, 1));
    worldClick(BUTTON_LEFT, 500.0f, 350.0f, CAM_X, CAM_Y, 0);
    ASSERT_EQ(mobs.size(), 2u);
    EXPECT_EQ(mobs[0].type, 2);
    EXPECT_EQ(mobs[0].x, 120.0f);
    EXPECT_EQ(mobs[1].type, 1);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].x, 116.0f);
    EXPECT_EQ(drops[0].y, 66.0f);
    EXPECT_TRUE(world.empty());
}

TEST_F(WorldClick, BreakingGivesTheTileItself)
{
    click(BUTTON_LEFT, 0, 0);     // wood
    click(BUTTON_LEFT, 1, 0);     // grass
    click(BUTTON_LEFT, 0, -2);    // leaf
    click(BUTTON_LEFT, -1, -1);   // wood again
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 2}));
    EXPECT_EQ(hotbar[1], (ItemStack{ITEM_GRASS, 1}));
    EXPECT_EQ(hotbar[2], (ItemStack{ITEM_LEAF, 1}));
    EXPECT_EQ(world.size(), 4u);
    for (const auto& [pos, id] : world) {
        EXPECT_EQ(id, ITEM_NONE);
    }
    EXPECT_EQ(getTile(0, -1), ITEM_WOOD) << "the rest of the tree stays";

    {
        SCOPED_TRACE("a broken tile gives nothing more");
        const auto before = hotbar;
        click(BUTTON_LEFT, 0, 0);
        EXPECT_EQ(hotbar, before);
        EXPECT_EQ(world.size(), 4u);
        EXPECT_TRUE(drops.empty());
    }
    {
        SCOPED_TRACE("a placed crafting table");
        world[{3, -2}] = ITEM_CRAFTING_TABLE;
        click(BUTTON_LEFT, 3, -2);
        EXPECT_EQ(hotbar[3], (ItemStack{ITEM_CRAFTING_TABLE, 1}));
        EXPECT_EQ(world.at({3, -2}), ITEM_NONE);
    }
}

TEST_F(WorldClick, BreakingWithNoRoomDropsTheItemInItsTile)
{
    fillStorage();
    const auto hotbarBefore = hotbar;
    const auto invBefore = inv;

    click(BUTTON_LEFT, 1, 0);  // grass
    click(BUTTON_LEFT, -1, -1);  // wood
    EXPECT_EQ(world.at({1, 0}), ITEM_NONE);
    EXPECT_EQ(world.at({-1, -1}), ITEM_NONE);
    ASSERT_EQ(drops.size(), 2u);
    EXPECT_EQ(drops[0].id, ITEM_GRASS);
    EXPECT_EQ(drops[0].x, 80.0f);
    EXPECT_EQ(drops[0].y, 16.0f);
    EXPECT_EQ(drops[1].id, ITEM_WOOD);
    EXPECT_EQ(drops[1].x, -48.0f);
    EXPECT_EQ(drops[1].y, -48.0f);
    EXPECT_EQ(hotbar, hotbarBefore);
    EXPECT_EQ(inv, invBefore);
}

TEST_F(WorldClick, MeatBelowFullHealthIsEaten)
{
    for (int button : OTHER_BUTTONS) {
        SCOPED_TRACE(button);
        resetGameState();
        hp = 9;
        hotbar[2] = {ITEM_MEAT, 5};
        world[{1, 0}] = ITEM_CRAFTING_TABLE;
        click(button, 1, 0, 2);
        EXPECT_EQ(hp, 10);
        EXPECT_EQ(hotbar[2], (ItemStack{ITEM_MEAT, 4}));
        EXPECT_FALSE(showCraft);
        EXPECT_EQ(world.at({1, 0}), ITEM_CRAFTING_TABLE);

        // The last piece empties the slot; the grass under the pointer stays.
        hp = 9;
        hotbar[2] = {ITEM_MEAT, 1};
        click(button, 2, 0, 2);
        EXPECT_EQ(hp, 10);
        EXPECT_EQ(hotbar[2], (ItemStack{}));
        EXPECT_EQ(world.size(), 1u);
    }
}

TEST_F(WorldClick, MeatAtFullHealthIsPlacedAndComesBack)
{
    for (int button : OTHER_BUTTONS) {
        SCOPED_TRACE(button);
        resetGameState();
        hotbar[1] = {ITEM_MEAT, 3};
        click(button, 1, 0, 1);
        EXPECT_EQ(hp, 10);
        EXPECT_EQ(getTile(1, 0), ITEM_MEAT);
        EXPECT_EQ(hotbar[1], (ItemStack{ITEM_MEAT, 2}));

        click(BUTTON_LEFT, 1, 0);
        EXPECT_EQ(hotbar[1], (ItemStack{ITEM_MEAT, 3}));
        EXPECT_EQ(getTile(1, 0), ITEM_NONE);
    }
}

TEST_F(WorldClick, CraftingTableOpensInsteadOfPlacing)
{
    for (int button : OTHER_BUTTONS) {
        SCOPED_TRACE(button);
        resetGameState();
        showInv = true;
        hotbar[0] = {ITEM_MEAT, 3};
        world[{2, 2}] = ITEM_CRAFTING_TABLE;
        click(button, 2, 2, 0);
        EXPECT_TRUE(showCraft);
        EXPECT_FALSE(showInv);
        EXPECT_EQ(world.at({2, 2}), ITEM_CRAFTING_TABLE);
        EXPECT_EQ(hotbar[0], (ItemStack{ITEM_MEAT, 3}));
    }
}

TEST_F(WorldClick, PlacingReplacesWhateverStoodThere)
{
    for (int button : OTHER_BUTTONS) {
        SCOPED_TRACE(button);
        resetGameState();
        hotbar[4] = {ITEM_PLANKS, 1};
        click(button, 0, 0, 4);  // a tree's wood
        EXPECT_EQ(getTile(0, 0), ITEM_PLANKS);
        EXPECT_EQ(hotbar[4], (ItemStack{}));
        EXPECT_EQ(getTile(0, -1), ITEM_WOOD) << "the rest of the trunk stays";
        EXPECT_TRUE(hotbar[0] == ItemStack{}) << "the wood is not given back";

        hotbar[3] = {ITEM_CRAFTING_TABLE, 2};
        click(button, 0, -2, 3);  // leaf
        EXPECT_EQ(getTile(0, -2), ITEM_CRAFTING_TABLE);
        EXPECT_EQ(hotbar[3], (ItemStack{ITEM_CRAFTING_TABLE, 1}));
    }
}

TEST_F(WorldClick, ToolsAndEmptySlotsOnlyOpenTables)
{
    for (int button : OTHER_BUTTONS) {
        for (int id : {0, 8, 9, 10, 11, 12}) {
            SCOPED_TRACE(testing::Message() << "button " << button << ", id " << id);
            resetGameState();
            hp = 9;
            hotbar[0] = id == 0 ? ItemStack{} : ItemStack{id, 1};
            const ItemStack before = hotbar[0];
            click(button, 1, 0, 0);
            EXPECT_TRUE(world.empty());
            EXPECT_EQ(hotbar[0], before);
            EXPECT_EQ(hp, 9);
            EXPECT_FALSE(showCraft);

            world[{1, 0}] = ITEM_CRAFTING_TABLE;
            click(button, 1, 0, 0);
            EXPECT_TRUE(showCraft);
            EXPECT_EQ(hotbar[0], before);
            EXPECT_EQ(world.at({1, 0}), ITEM_CRAFTING_TABLE);
        }
    }
}

}  // namespace
