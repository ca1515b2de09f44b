// The inventory and crafting-table screens: slot layout, the E toggle with its
// give-back, and clicks on slots and on the result slot.
#include <gtest/gtest.h>

#include <climits>

#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/crafting.h"
#include "rules/screens.h"
#include "rules/state.h"

namespace {

// Wood in cell 0 gives 4 planks on both grids; leaf in cell 0 gives 200 grass; meat in
// cell 0 or cell 1 gives 28 or 29 planks; four planks give a table on the 2x2 grid; at the
// table, planks in cell 0 with sticks in cells 4 and 8 give a sword.
const char* const TEST_BOOK = R"({"recipes": [
    {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4},
    {"pattern": [3,0,0, 0,0,0, 0,0,0], "eq_pattern": [3,0,0,0], "result": 1, "amount": 200},
    {"pattern": [7,0,0, 0,0,0, 0,0,0], "eq_pattern": [7,0,0,0], "result": 4, "amount": 28},
    {"pattern": [0,7,0, 0,0,0, 0,0,0], "eq_pattern": [0,7,0,0], "result": 4, "amount": 29},
    {"pattern": [4,4,0, 4,4,0, 0,0,0], "eq_pattern": [4,4,4,4], "result": 6, "amount": 1},
    {"pattern": [4,0,0, 0,5,0, 0,0,5], "eq_pattern": null,      "result": 12, "amount": 1}
]})";

// Slot centres, in window pixels.
constexpr float INV_RESULT_X = 450.0f, INV_RESULT_Y = 142.0f;
constexpr float TABLE_RESULT_X = 470.0f, TABLE_RESULT_Y = 145.0f;

float invX(int i) { return 260.0f + 45.0f * static_cast<float>(i % 7); }
float invY(int i) { return 270.0f + 45.0f * static_cast<float>(i / 7); }
float hotbarX(int i) { return 295.0f + 50.0f * static_cast<float>(i); }
constexpr float HOTBAR_Y = 560.0f;

class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGameState();
        recipes = json::parse(TEST_BOOK);
        indexRecipes();
    }
};

// Every item the player has: stored, carried, in the grid and on the ground.
long itemCount()
{
    long n = drag.count;
    for (const auto& d : drops) n += d.count;
    for (const auto& s : hotbar) n += s.count;
    for (const auto& s : inv) n += s.count;
    for (const auto& s : craftGrid) n += s.count;
    return n;
}

void expectRect(const SlotRect& r, float x, float y)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.w, 40.0f);
    EXPECT_EQ(r.h, 40.0f);
}

// --- layout ------------------------------------------------------------------------------

TEST_F(ScreensTest, SlotLayout)
{
    expectRect(inventorySlotRect(0), 240, 250);
    expectRect(inventorySlotRect(6), 510, 250);
    expectRect(inventorySlotRect(7), 240, 295);
    expectRect(inventorySlotRect(15), 285, 340);
    expectRect(inventorySlotRect(20), 510, 340);

    expectRect(gridCellRect(0, false), 320, 100);
    expectRect(gridCellRect(1, false), 365, 100);
    expectRect(gridCellRect(2, false), 320, 145);
    expectRect(gridCellRect(3, false), 365, 145);
    EXPECT_EQ(gridCellCount(false), 4);
    EXPECT_EQ(gridCellIndex(0, false), 0);
    EXPECT_EQ(gridCellIndex(1, false), 1);
    EXPECT_EQ(gridCellIndex(2, false), 3);
    EXPECT_EQ(gridCellIndex(3, false), 4);
    expectRect(resultSlotRect(false), 430, 122);

    expectRect(gridCellRect(0, true), 300, 80);
    expectRect(gridCellRect(2, true), 390, 80);
    expectRect(gridCellRect(4, true), 345, 125);
    expectRect(gridCellRect(6, true), 300, 170);
    expectRect(gridCellRect(8, true), 390, 170);
    EXPECT_EQ(gridCellCount(true), 9);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(gridCellIndex(k, true), k);
    }
    expectRect(resultSlotRect(true), 450, 125);

    expectRect(hotbarSlotRect(0), 275, 540);
    expectRect(hotbarSlotRect(4), 475, 540);
}

TEST_F(ScreensTest, EverySlotOfAScreenAnswersAtItsCentreAndOnlyThere)
{
    // Each inventory and hotbar slot gets a stack told apart by its count.
    for (int i = 0; i < INV_SLOTS; ++i) inv[static_cast<size_t>(i)] = {ITEM_LEAF, i + 1};
    for (int i = 0; i < HOTBAR_SLOTS; ++i) hotbar[static_cast<size_t>(i)] = {ITEM_MEAT, i + 1};

    for (bool table : {false, true}) {
        SCOPED_TRACE(table ? "crafting table" : "inventory screen");
        showInv = !table;
        showCraft = table;
        for (int i = 0; i < INV_SLOTS; ++i) {
            screenClick(BUTTON_LEFT, invX(i), invY(i));
            EXPECT_EQ(drag, (ItemStack{ITEM_LEAF, i + 1})) << "inventory slot " << i;
            EXPECT_EQ(inv[static_cast<size_t>(i)], ItemStack{});
            screenClick(BUTTON_LEFT, invX(i), invY(i));
            EXPECT_EQ(inv[static_cast<size_t>(i)], (ItemStack{ITEM_LEAF, i + 1}));
        }
        for (int i = 0; i < HOTBAR_SLOTS; ++i) {
            screenClick(BUTTON_LEFT, hotbarX(i), HOTBAR_Y);
            EXPECT_EQ(drag, (ItemStack{ITEM_MEAT, i + 1})) << "hotbar slot " << i;
            screenClick(BUTTON_LEFT, hotbarX(i), HOTBAR_Y);
            EXPECT_EQ(hotbar[static_cast<size_t>(i)], (ItemStack{ITEM_MEAT, i + 1}));
        }
    }

    {
        SCOPED_TRACE("inventory screen: the four 2x2 cells are grid cells 0, 1, 3, 4");
        showInv = true;
        showCraft = false;
        const float xs[4] = {340, 385, 340, 385};
        const float ys[4] = {120, 120, 165, 165};
        const size_t cells[4] = {0, 1, 3, 4};
        for (int k = 0; k < 4; ++k) {
            drag = {ITEM_STICK, k + 1};
            screenClick(BUTTON_LEFT, xs[k], ys[k]);
            EXPECT_EQ(craftGrid[cells[k]], (ItemStack{ITEM_STICK, k + 1})) << "2x2 cell " << k;
            EXPECT_EQ(drag, ItemStack{});
        }
        // Where the table's cells 2 and 8 lie there is nothing on this screen.
        drag = {ITEM_STICK, 9};
        screenClick(BUTTON_LEFT, 410, 100 + 1);
        screenClick(BUTTON_LEFT, 410, 190);
        EXPECT_EQ(craftGrid[2], ItemStack{});
        EXPECT_EQ(craftGrid[8], ItemStack{});
        EXPECT_EQ(drag, (ItemStack{ITEM_STICK, 9}));
    }
    {
        SCOPED_TRACE("crafting table: the nine 3x3 cells");
        resetGameState();
        showCraft = true;
        for (int i = 0; i < 9; ++i) {
            drag = {ITEM_PLANKS, i + 1};
            screenClick(BUTTON_LEFT, 320.0f + 45.0f * static_cast<float>(i % 3),
                        100.0f + 45.0f * static_cast<float>(i / 3));
            EXPECT_EQ(craftGrid[static_cast<size_t>(i)], (ItemStack{ITEM_PLANKS, i + 1})) << "3x3 cell " << i;
            EXPECT_EQ(drag, ItemStack{});
        }
    }
}

TEST_F(ScreensTest, AClickExactlyOnAnEdgeMisses)
{
    showInv = true;
    inv[0] = {ITEM_WOOD, 5};

    // Left, right, top and bottom edges of inventory slot 0 (240..280, 250..290).
    for (auto [x, y] : {std::pair{240.0f, 270.0f}, std::pair{280.0f, 270.0f}, std::pair{260.0f, 250.0f},
                        std::pair{260.0f, 290.0f}}) {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        screenClick(BUTTON_LEFT, x, y);
        EXPECT_EQ(inv[0], (ItemStack{ITEM_WOOD, 5}));
        EXPECT_EQ(drag, ItemStack{});
    }
    screenClick(BUTTON_LEFT, 240.5f, 270.0f);
    EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 5}));
    EXPECT_EQ(inv[0], ItemStack{});
    screenClick(BUTTON_LEFT, 279.5f, 289.5f);
    EXPECT_EQ(inv[0], (ItemStack{ITEM_WOOD, 5}));
}

TEST_F(ScreensTest, AClickInNoSlotChangesNothing)
{
    showInv = true;
    hotbar[0] = {ITEM_WOOD, 3};
    craftGrid[0] = {ITEM_WOOD, 1};
    craftRes = {ITEM_GRASS, 9};  // stale on purpose: a click in no slot runs no match
    drag = {ITEM_STICK, 2};
    const long before = itemCount();

    for (auto [x, y] : {std::pair{220.0f, 70.0f},   // panel corner
                        std::pair{282.5f, 270.0f},  // between inventory slots 0 and 1
                        std::pair{362.5f, 120.0f},  // between 2x2 cells 0 and 1
                        std::pair{320.0f, 560.0f},  // between hotbar slots 0 and 1
                        std::pair{700.0f, 300.0f},  // outside the panel
                        std::pair{-5.0f, -5.0f}}) {
        SCOPED_TRACE(testing::Message() << x << ", " << y);
        for (int button : {BUTTON_LEFT, BUTTON_MIDDLE, BUTTON_RIGHT}) {
            screenClick(button, x, y);
        }
        EXPECT_EQ(drag, (ItemStack{ITEM_STICK, 2}));
        EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 3}));
        EXPECT_EQ(craftGrid[0], (ItemStack{ITEM_WOOD, 1}));
        EXPECT_EQ(craftRes, (ItemStack{ITEM_GRASS, 9}));
        EXPECT_EQ(itemCount(), before);
    }
}

TEST_F(ScreensTest, SlotClicksMatchTheGridOfTheOpenScreen)
{
    craftGrid[0] = {ITEM_PLANKS, 1};
    craftGrid[4] = {ITEM_STICK, 1};
    craftGrid[8] = {ITEM_STICK, 1};

    showCraft = true;
    screenClick(BUTTON_MIDDLE, hotbarX(2), HOTBAR_Y);
    EXPECT_EQ(craftRes, (ItemStack{ITEM_WOODEN_SWORD, 1}));
    screenClick(BUTTON_RIGHT, invX(3), invY(3));
    EXPECT_EQ(craftRes, (ItemStack{ITEM_WOODEN_SWORD, 1}));

    // The same grid offers nothing on the 2x2 screen.
    showCraft = false;
    showInv = true;
    screenClick(BUTTON_MIDDLE, hotbarX(2), HOTBAR_Y);
    EXPECT_EQ(craftRes, ItemStack{});
}

// --- the E key ---------------------------------------------------------------------------

TEST_F(ScreensTest, ToggleMovesBetweenScreens)
{
    toggleInventory(0, 0);
    EXPECT_TRUE(showInv);
    EXPECT_FALSE(showCraft);
    toggleInventory(0, 0);
    EXPECT_FALSE(showInv);
    EXPECT_FALSE(showCraft);

    // From the crafting table, E shows the inventory screen; E again returns to play.
    showCraft = true;
    toggleInventory(0, 0);
    EXPECT_TRUE(showInv);
    EXPECT_FALSE(showCraft);
    toggleInventory(0, 0);
    EXPECT_FALSE(showInv);
    EXPECT_FALSE(showCraft);
    EXPECT_TRUE(drops.empty());
}

TEST_F(ScreensTest, ToggleGivesBackThePointerThenTheGridWhole)
{
    {
        SCOPED_TRACE("5 planks in a cell, 3 sticks on the pointer");
        showInv = true;
        craftGrid[1] = {ITEM_PLANKS, 5};
        drag = {ITEM_STICK, 3};
        craftRes = {ITEM_GRASS, 1};
        toggleInventory(100, 100);
        EXPECT_EQ(hotbar[0], (ItemStack{ITEM_STICK, 3}));
        EXPECT_EQ(hotbar[1], (ItemStack{ITEM_PLANKS, 5}));
        EXPECT_EQ(hotbar[2], ItemStack{});
        EXPECT_EQ(drag, ItemStack{});
        EXPECT_EQ(craftRes, ItemStack{});
        for (const auto& c : craftGrid) EXPECT_EQ(c, ItemStack{});
        EXPECT_TRUE(drops.empty());
    }
    {
        SCOPED_TRACE("table closed: cells in index order, merging with what is stored");
        resetGameState();
        showCraft = true;
        hotbar[0] = {ITEM_WOOD, 10};
        drag = {ITEM_LEAF, 2};
        craftGrid[8] = {ITEM_STICK, 4};
        craftGrid[2] = {ITEM_PLANKS, 6};
        craftGrid[5] = {ITEM_WOOD, 7};
        craftGrid[6] = {ITEM_LEAF, 1};
        toggleInventory(0, 0);
        EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 17}));
        EXPECT_EQ(hotbar[1], (ItemStack{ITEM_LEAF, 3}));
        EXPECT_EQ(hotbar[2], (ItemStack{ITEM_PLANKS, 6}));
        EXPECT_EQ(hotbar[3], (ItemStack{ITEM_STICK, 4}));
        EXPECT_EQ(hotbar[4], ItemStack{});
        for (const auto& c : craftGrid) EXPECT_EQ(c, ItemStack{});
        EXPECT_TRUE(showInv);
    }
    {
        SCOPED_TRACE("a carried stack above 128 comes back whole");
        resetGameState();
        showInv = true;
        drag = {ITEM_GRASS, 200};
        toggleInventory(0, 0);
        EXPECT_EQ(hotbar[0], (ItemStack{ITEM_GRASS, 128}));
        EXPECT_EQ(hotbar[1], (ItemStack{ITEM_GRASS, 72}));
        EXPECT_EQ(drag, ItemStack{});
    }
}

TEST_F(ScreensTest, ToggleDropsWhatFindsNoRoomAtThePlayer)
{
    showInv = true;
    hotbar.fill({ITEM_MEAT, 128});
    inv.assign(INV_SLOTS, ItemStack{ITEM_MEAT, 128});
    inv[7] = {ITEM_PLANKS, 126};  // room for two planks
    drag = {ITEM_PLANKS, 3};
    craftGrid[0] = {ITEM_WOOD, 2};
    craftGrid[4] = {ITEM_PLANKS, 1};
    const long before = itemCount();

    toggleInventory(1000.0f, -64.0f);

    EXPECT_EQ(inv[7], (ItemStack{ITEM_PLANKS, 128}));
    // One drop per stack that found no room, carrying what was left of it.
    ASSERT_EQ(drops.size(), 3u);
    const ItemStack dropped[3] = {{ITEM_PLANKS, 1}, {ITEM_WOOD, 2}, {ITEM_PLANKS, 1}};
    for (size_t i = 0; i < drops.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ((ItemStack{drops[i].id, drops[i].count}), dropped[i]);
        EXPECT_EQ(drops[i].x, 1016.0f);
        EXPECT_EQ(drops[i].y, -48.0f);
    }
    EXPECT_EQ(drag, ItemStack{});
    for (const auto& c : craftGrid) EXPECT_EQ(c, ItemStack{});
    EXPECT_EQ(itemCount(), before);
    EXPECT_FALSE(showInv);
}

// --- the result slot ---------------------------------------------------------------------

TEST_F(ScreensTest, ResultSlotHandsOverTheWholeProductWithAnyButton)
{
    for (int button : {BUTTON_LEFT, BUTTON_MIDDLE, BUTTON_RIGHT}) {
        SCOPED_TRACE(button);
        resetGameState();
        recipes = json::parse(TEST_BOOK);
        indexRecipes();
        showInv = true;
        drag = {ITEM_WOOD, 1};
        screenClick(BUTTON_LEFT, 340, 120);  // wood into 2x2 cell 0
        ASSERT_EQ(craftRes, (ItemStack{ITEM_PLANKS, 4}));

        screenClick(button, INV_RESULT_X, INV_RESULT_Y);
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 4}));
        EXPECT_EQ(craftGrid[0], ItemStack{});
        EXPECT_EQ(craftRes, ItemStack{});
    }
    {
        SCOPED_TRACE("at the crafting table");
        resetGameState();
        recipes = json::parse(TEST_BOOK);
        indexRecipes();
        showCraft = true;
        craftGrid[0] = {ITEM_PLANKS, 2};
        craftGrid[4] = {ITEM_STICK, 1};
        craftGrid[8] = {ITEM_STICK, 3};
        screenClick(BUTTON_MIDDLE, hotbarX(0), HOTBAR_Y);
        ASSERT_EQ(craftRes, (ItemStack{ITEM_WOODEN_SWORD, 1}));
        screenClick(BUTTON_RIGHT, TABLE_RESULT_X, TABLE_RESULT_Y);
        EXPECT_EQ(drag, (ItemStack{ITEM_WOODEN_SWORD, 1}));
        EXPECT_EQ(craftGrid[0], (ItemStack{ITEM_PLANKS, 1}));
        EXPECT_EQ(craftGrid[4], ItemStack{});
        EXPECT_EQ(craftGrid[8], (ItemStack{ITEM_STICK, 2}));
        EXPECT_EQ(craftRes, ItemStack{});
    }
}

TEST_F(ScreensTest, ResultSlotTakesOnlyWhatFitsThePointer)
{
    showInv = true;
    {
        SCOPED_TRACE("an empty pointer takes the full amount, even above 128");
        craftGrid[0] = {ITEM_LEAF, 1};
        checkRecipes(false);
        screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
        EXPECT_EQ(drag, (ItemStack{ITEM_GRASS, 200}));
        EXPECT_EQ(craftGrid[0], ItemStack{});
    }
    {
        SCOPED_TRACE("100 on the pointer and 28 of the same: taken, 128 in all");
        craftGrid[0] = {ITEM_MEAT, 1};
        checkRecipes(false);
        drag = {ITEM_PLANKS, 100};
        screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 128}));
        EXPECT_EQ(craftGrid[0], ItemStack{});
    }
    {
        SCOPED_TRACE("100 on the pointer and 29 of the same: refused");
        craftGrid[1] = {ITEM_MEAT, 1};
        checkRecipes(false);
        ASSERT_EQ(craftRes, (ItemStack{ITEM_PLANKS, 29}));
        drag = {ITEM_PLANKS, 100};
        screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 100}));
        EXPECT_EQ(craftGrid[1], (ItemStack{ITEM_MEAT, 1}));
        EXPECT_EQ(craftRes, (ItemStack{ITEM_PLANKS, 29}));
    }
    {
        SCOPED_TRACE("the pointer holds another item: refused");
        drag = {ITEM_STICK, 1};
        for (int button : {BUTTON_LEFT, BUTTON_MIDDLE, BUTTON_RIGHT}) {
            screenClick(button, INV_RESULT_X, INV_RESULT_Y);
        }
        EXPECT_EQ(drag, (ItemStack{ITEM_STICK, 1}));
        EXPECT_EQ(craftGrid[1], (ItemStack{ITEM_MEAT, 1}));
        EXPECT_EQ(craftRes, (ItemStack{ITEM_PLANKS, 29}));
    }
    {
        SCOPED_TRACE("nothing on offer: nothing happens");
        craftGrid[1] = {};
        craftGrid[2] = {ITEM_MEAT, 1};
        checkRecipes(false);
        ASSERT_EQ(craftRes, ItemStack{});
        drag = {};
        screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
        EXPECT_EQ(drag, ItemStack{});
        EXPECT_EQ(craftGrid[2], (ItemStack{ITEM_MEAT, 1}));
    }
}

TEST_F(ScreensTest, ProductSumsNeverOverflow)
{
    // Wood in cell 0 gives 1,073,741,888 planks, leaf gives the most an int holds.
    recipes = json::parse(R"({"recipes": [
        {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 1073741888},
        {"pattern": [3,0,0, 0,0,0, 0,0,0], "eq_pattern": [3,0,0,0], "result": 4, "amount": 2147483647}
    ]})");
    indexRecipes();
    struct Row {
        int cellItem;
        ItemStack carried;
        bool taken;
    };
    const Row rows[] = {
        {ITEM_WOOD, {}, true},
        {ITEM_LEAF, {}, true},
        {ITEM_WOOD, {ITEM_PLANKS, 1}, false},
        {ITEM_WOOD, {ITEM_PLANKS, 1073741888}, false},
        {ITEM_LEAF, {ITEM_PLANKS, INT_MAX}, false},
        {ITEM_LEAF, {ITEM_PLANKS, 128}, false},
    };
    showInv = true;
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "cell " << r.cellItem << ", carried " << r.carried.count);
        craftGrid = {};
        craftGrid[0] = {r.cellItem, 2};
        checkRecipes(false);
        const ItemStack product = craftRes;
        drag = r.carried;
        screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
        EXPECT_EQ(drag, r.taken ? product : r.carried);
        EXPECT_EQ(craftGrid[0].count, r.taken ? 1 : 2);
    }
}

TEST_F(ScreensTest, GiveBackDropsOneStackWhateverItsSize)
{
    // Storage full but for `room` planks; the pointer carries `carried` planks.
    struct Row {
        int room;
        int carried;
    };
    for (const Row& r : {Row{0, 1}, Row{0, 2}, Row{2, 2}, Row{2, 3}, Row{0, 100000}, Row{127, INT_MAX},
                         Row{0, INT_MAX}}) {
        SCOPED_TRACE(testing::Message() << "room " << r.room << ", carried " << r.carried);
        resetGameState();
        hotbar.fill({ITEM_MEAT, 128});
        inv.assign(INV_SLOTS, ItemStack{ITEM_MEAT, 128});
        inv[3] = {ITEM_PLANKS, 128 - r.room};
        drag = {ITEM_PLANKS, r.carried};
        showInv = true;
        toggleInventory(10.0f, 20.0f);
        EXPECT_EQ(inv[3], (ItemStack{ITEM_PLANKS, 128}));
        const int left = r.carried - std::min(r.room, r.carried);
        if (left == 0) {
            EXPECT_TRUE(drops.empty());
            continue;
        }
        ASSERT_EQ(drops.size(), 1u);
        EXPECT_EQ(drops[0].id, ITEM_PLANKS);
        EXPECT_EQ(drops[0].count, left);
        EXPECT_EQ(drops[0].x, 26.0f);
        EXPECT_EQ(drops[0].y, 36.0f);
    }
}

TEST_F(ScreensTest, TakingTheProductUsesOneItemOfEveryCell)
{
    showInv = true;
    for (size_t c : {0u, 1u, 3u, 4u}) craftGrid[c] = {ITEM_PLANKS, 3};
    checkRecipes(false);
    ASSERT_EQ(craftRes, (ItemStack{ITEM_CRAFTING_TABLE, 1}));

    screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
    EXPECT_EQ(drag, (ItemStack{ITEM_CRAFTING_TABLE, 1}));
    for (size_t c : {0u, 1u, 3u, 4u}) EXPECT_EQ(craftGrid[c], (ItemStack{ITEM_PLANKS, 2}));
    EXPECT_EQ(craftRes, (ItemStack{ITEM_CRAFTING_TABLE, 1}));  // offered again

    screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
    EXPECT_EQ(drag, (ItemStack{ITEM_CRAFTING_TABLE, 2}));
    screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
    EXPECT_EQ(drag, (ItemStack{ITEM_CRAFTING_TABLE, 3}));
    for (const auto& c : craftGrid) EXPECT_EQ(c, ItemStack{});  // cells of 1 emptied
    EXPECT_EQ(craftRes, ItemStack{});

    screenClick(BUTTON_LEFT, INV_RESULT_X, INV_RESULT_Y);
    EXPECT_EQ(drag, (ItemStack{ITEM_CRAFTING_TABLE, 3}));
}

}  // namespace
