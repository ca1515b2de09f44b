// Storing items (addItem) and the slot-click table (clickSlot).
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/crafting.h"
#include "rules/state.h"

namespace {

class InventoryTest : public ::testing::Test {
protected:
    void SetUp() override { resetGameState(); }
};

// Fills every hotbar and inventory slot with a stack of `id` and `count`.
void fillStorage(int id, int count)
{
    hotbar.fill({id, count});
    inv.assign(INV_SLOTS, ItemStack{id, count});
}

// --- addItem ---------------------------------------------------------------------------

TEST_F(InventoryTest, AddItemFillsHotbarSlotZeroTo128ThenStartsSlotOne)
{
    EXPECT_TRUE(addItem(ITEM_WOOD));
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 1}));
    for (int i = 0; i < 127; ++i) {
        ASSERT_TRUE(addItem(ITEM_WOOD));
    }
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 128}));
    EXPECT_EQ(hotbar[1], ItemStack{});

    EXPECT_TRUE(addItem(ITEM_WOOD));  // the 129th
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 128}));
    EXPECT_EQ(hotbar[1], (ItemStack{ITEM_WOOD, 1}));
    for (const auto& s : inv) {
        EXPECT_EQ(s, ItemStack{});
    }
}

TEST_F(InventoryTest, AddItemPrefersAnEmptyHotbarSlotToAMatchingInventoryStack)
{
    hotbar[0] = {ITEM_GRASS, 3};
    hotbar[1] = {ITEM_LEAF, 7};
    hotbar[2] = {ITEM_MEAT, 1};
    hotbar[4] = {ITEM_STICK, 2};
    inv[5] = {ITEM_WOOD, 10};

    EXPECT_TRUE(addItem(ITEM_WOOD));
    EXPECT_EQ(hotbar[3], (ItemStack{ITEM_WOOD, 1}));
    EXPECT_EQ(inv[5], (ItemStack{ITEM_WOOD, 10}));
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_GRASS, 3}));
    EXPECT_EQ(hotbar[4], (ItemStack{ITEM_STICK, 2}));
}

TEST_F(InventoryTest, AddItemWithAFullHotbarUsesTheInventory)
{
    hotbar.fill({ITEM_GRASS, 5});

    // Tops up the first inventory stack of its id that is below 128 ...
    inv[2] = {ITEM_WOOD, 128};
    inv[4] = {ITEM_WOOD, 40};
    inv[6] = {ITEM_WOOD, 9};
    EXPECT_TRUE(addItem(ITEM_WOOD));
    EXPECT_EQ(inv[2], (ItemStack{ITEM_WOOD, 128}));
    EXPECT_EQ(inv[4], (ItemStack{ITEM_WOOD, 41}));
    EXPECT_EQ(inv[6], (ItemStack{ITEM_WOOD, 9}));
    EXPECT_EQ(inv[0], ItemStack{});

    // ... else takes the first empty inventory slot, even one before the full stacks.
    inv[4] = {ITEM_WOOD, 128};
    inv[6] = {ITEM_WOOD, 128};
    inv[0] = {ITEM_LEAF, 1};
    EXPECT_TRUE(addItem(ITEM_WOOD));
    EXPECT_EQ(inv[1], (ItemStack{ITEM_WOOD, 1}));
    EXPECT_EQ(inv[0], (ItemStack{ITEM_LEAF, 1}));
    for (const auto& s : hotbar) {
        EXPECT_EQ(s, (ItemStack{ITEM_GRASS, 5}));
    }
}

TEST_F(InventoryTest, AddItemWithNoRoomReturnsFalseAndChangesNothing)
{
    SCOPED_TRACE("every slot holds another item");
    fillStorage(ITEM_GRASS, 1);
    EXPECT_FALSE(addItem(ITEM_WOOD));
    for (const auto& s : hotbar) {
        EXPECT_EQ(s, (ItemStack{ITEM_GRASS, 1}));
    }
    for (const auto& s : inv) {
        EXPECT_EQ(s, (ItemStack{ITEM_GRASS, 1}));
    }
    ASSERT_EQ(inv.size(), static_cast<size_t>(INV_SLOTS));

    // Every slot a full stack of the same item.
    fillStorage(ITEM_WOOD, 128);
    EXPECT_FALSE(addItem(ITEM_WOOD));
    for (const auto& s : hotbar) {
        EXPECT_EQ(s, (ItemStack{ITEM_WOOD, 128}));
    }
    for (const auto& s : inv) {
        EXPECT_EQ(s, (ItemStack{ITEM_WOOD, 128}));
    }

    // One last inventory slot below 128 takes it.
    inv[20] = {ITEM_WOOD, 127};
    EXPECT_TRUE(addItem(ITEM_WOOD));
    EXPECT_EQ(inv[20], (ItemStack{ITEM_WOOD, 128}));
    EXPECT_FALSE(addItem(ITEM_WOOD));
}

TEST_F(InventoryTest, AddItemIgnoresIdZeroAndNegativeIds)
{
    EXPECT_FALSE(addItem(0));
    EXPECT_FALSE(addItem(-1));
    EXPECT_FALSE(addItem(-100));
    for (const auto& s : hotbar) {
        EXPECT_EQ(s, ItemStack{});
    }
    for (const auto& s : inv) {
        EXPECT_EQ(s, ItemStack{});
    }
}

TEST_F(InventoryTest, ToolsStackTo128LikeAnyItem)
{
    for (int i = 0; i < 129; ++i) {
        ASSERT_TRUE(addItem(ITEM_WOODEN_SWORD));
    }
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOODEN_SWORD, 128}));
    EXPECT_EQ(hotbar[1], (ItemStack{ITEM_WOODEN_SWORD, 1}));
}

TEST_F(InventoryTest, AddUpToStoresWhereAsManyAddItemCallsWould)
{
    // Storages to start from: empty, mixed, full stacks, stacks above 128, nearly full.
    struct Start {
        const char* name;
        std::array<ItemStack, HOTBAR_SLOTS> hotbar;
        std::vector<std::pair<size_t, ItemStack>> inv;  // the other slots are empty
    };
    const std::vector<Start> starts = {
        {"empty", {}, {}},
        {"hotbar stacks of wood, one full, one oversized",
         {{{ITEM_WOOD, 128}, {ITEM_LEAF, 3}, {ITEM_WOOD, 200}, {ITEM_WOOD, 127}, {}}},
         {{3, {ITEM_WOOD, 10}}, {5, {ITEM_WOOD, 128}}}},
        {"hotbar full of other items",
         {{{ITEM_GRASS, 1}, {ITEM_GRASS, 128}, {ITEM_MEAT, 5}, {ITEM_STICK, 2}, {ITEM_LEAF, 9}}},
         {{0, {ITEM_LEAF, 1}}, {4, {ITEM_WOOD, 40}}, {6, {ITEM_WOOD, 9}}, {20, {ITEM_WOOD, 1}}}},
    };
    std::mt19937 gen(8);
    for (const Start& start : starts) {
        for (int n : {1, 2, 127, 128, 129, 300, 1000, 3328, 4000}) {
            SCOPED_TRACE(testing::Message() << start.name << ", n = " << n);
            resetGameState();
            hotbar = start.hotbar;
            for (const auto& [i, stack] : start.inv) inv[i] = stack;
            // Some inventory slots taken by other items, differently each time.
            for (int k = 0; k < n % 7; ++k) inv[gen() % INV_SLOTS] = {ITEM_PLANKS, 1 + static_cast<int>(gen() % 128)};
            const auto hotbarBefore = hotbar;
            const auto invBefore = inv;

            int oneByOne = 0;
            for (int k = 0; k < n; ++k) oneByOne += addItem(ITEM_WOOD) ? 1 : 0;
            const auto hotbarOneByOne = hotbar;
            const auto invOneByOne = inv;

            hotbar = hotbarBefore;
            inv = invBefore;
            EXPECT_EQ(addUpTo(ITEM_WOOD, n), oneByOne);
            EXPECT_EQ(hotbar, hotbarOneByOne);
            EXPECT_EQ(inv, invOneByOne);

            // Anything beyond what fits changes nothing further, however large.
            hotbar = hotbarBefore;
            inv = invBefore;
            const int room = addUpTo(ITEM_WOOD, INT_MAX);
            EXPECT_GE(room, oneByOne);
            if (oneByOne < n) {
                EXPECT_EQ(room, oneByOne) << "addItem ran out of room";
            }
            EXPECT_EQ(addUpTo(ITEM_WOOD, INT_MAX), 0);
        }
    }
    {
        SCOPED_TRACE("ids and amounts of 0 or below store nothing");
        resetGameState();
        for (auto [id, n] : {std::pair{0, 5}, std::pair{-3, 5}, std::pair{2, 0}, std::pair{2, INT_MIN}}) {
            EXPECT_EQ(addUpTo(id, n), 0);
        }
        for (const auto& s : hotbar) EXPECT_EQ(s, ItemStack{});
        for (const auto& s : inv) EXPECT_EQ(s, ItemStack{});
    }
}

TEST_F(InventoryTest, CountsStaySoundForAnyAmount)
{
    // One click on a slot holding `slot` while the pointer carries `carried`; the ids
    // are the same unless the row says otherwise.
    struct Row {
        int button;
        ItemStack slot, carried;
        ItemStack slotAfter, carriedAfter;
    };
    constexpr int BIG = 1073741888;  // two of these overflow an int
    const Row rows[] = {
        // Left: a slot at 128 or above takes nothing and nothing is exchanged.
        {BUTTON_LEFT, {ITEM_PLANKS, 128}, {ITEM_PLANKS, 7}, {ITEM_PLANKS, 128}, {ITEM_PLANKS, 7}},
        {BUTTON_LEFT, {ITEM_PLANKS, 129}, {ITEM_PLANKS, 1}, {ITEM_PLANKS, 129}, {ITEM_PLANKS, 1}},
        {BUTTON_LEFT, {ITEM_PLANKS, 200}, {ITEM_PLANKS, 50}, {ITEM_PLANKS, 200}, {ITEM_PLANKS, 50}},
        {BUTTON_LEFT, {ITEM_PLANKS, BIG}, {ITEM_PLANKS, BIG}, {ITEM_PLANKS, BIG}, {ITEM_PLANKS, BIG}},
        {BUTTON_LEFT, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}},
        // Left: below 128 the slot fills to 128 from any carried amount.
        {BUTTON_LEFT, {ITEM_PLANKS, 127}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, 128}, {ITEM_PLANKS, INT_MAX - 1}},
        {BUTTON_LEFT, {ITEM_PLANKS, 1}, {ITEM_PLANKS, BIG}, {ITEM_PLANKS, 128}, {ITEM_PLANKS, BIG - 127}},
        // Left: empty slots and other items take or swap the whole stack.
        {BUTTON_LEFT, {}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}, {}},
        {BUTTON_LEFT, {ITEM_STICK, INT_MAX}, {ITEM_PLANKS, BIG}, {ITEM_PLANKS, BIG}, {ITEM_STICK, INT_MAX}},
        // Right: one at a time, never onto 128 or more.
        {BUTTON_RIGHT, {}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, 1}, {ITEM_PLANKS, INT_MAX - 1}},
        {BUTTON_RIGHT, {ITEM_PLANKS, 127}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, 128}, {ITEM_PLANKS, INT_MAX - 1}},
        {BUTTON_RIGHT, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}, {ITEM_PLANKS, INT_MAX}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "button " << r.button << ", slot " << r.slot.count << ", carried "
                                        << r.carried.count);
        ItemStack slot = r.slot;
        drag = r.carried;
        clickSlot(slot, r.button, false);
        EXPECT_EQ(slot, r.slotAfter);
        EXPECT_EQ(drag, r.carriedAfter);
    }
}

// --- clickSlot, left button ------------------------------------------------------------

TEST_F(InventoryTest, LeftClickPicksUpPutsDownAndSwapsWholeStacks)
{
    ItemStack slot{};

    {
        SCOPED_TRACE("empty pointer on an empty slot: nothing");
        clickSlot(slot, BUTTON_LEFT, false);
        EXPECT_EQ(slot, ItemStack{});
        EXPECT_EQ(drag, ItemStack{});
    }
    {
        SCOPED_TRACE("empty pointer on X*n picks up the whole stack");
        slot = {ITEM_PLANKS, 37};
        clickSlot(slot, BUTTON_LEFT, false);
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 37}));
        EXPECT_EQ(slot, ItemStack{});
    }
    {
        SCOPED_TRACE("X*m on an empty slot puts down the whole stack");
        clickSlot(slot, BUTTON_LEFT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 37}));
        EXPECT_EQ(drag, ItemStack{});
    }
    {
        SCOPED_TRACE("different items swap");
        drag = {ITEM_STICK, 3};
        clickSlot(slot, BUTTON_LEFT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_STICK, 3}));
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 37}));
    }
    {
        SCOPED_TRACE("different items swap even when the slot is full");
        slot = {ITEM_STICK, 128};
        drag = {ITEM_PLANKS, 5};
        clickSlot(slot, BUTTON_LEFT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 5}));
        EXPECT_EQ(drag, (ItemStack{ITEM_STICK, 128}));
    }
}

TEST_F(InventoryTest, LeftClickMergesTheSameItemUpTo128)
{
    ItemStack slot{ITEM_PLANKS, 60};
    drag = {ITEM_PLANKS, 100};
    clickSlot(slot, BUTTON_LEFT, false);
    EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 128}));
    EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 32}));

    slot = {ITEM_PLANKS, 100};
    drag = {ITEM_PLANKS, 20};
    clickSlot(slot, BUTTON_LEFT, false);
    EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 120}));
    EXPECT_EQ(drag, ItemStack{});  // both fields cleared

    slot = {ITEM_PLANKS, 100};
    drag = {ITEM_PLANKS, 28};
    clickSlot(slot, BUTTON_LEFT, false);
    EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 128}));
    EXPECT_EQ(drag, ItemStack{});

    // A full slot: canAdd is 0, nothing changes and nothing is exchanged.
    slot = {ITEM_PLANKS, 128};
    drag = {ITEM_PLANKS, 7};
    clickSlot(slot, BUTTON_LEFT, false);
    EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 128}));
    EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 7}));
}

// --- clickSlot, right button -----------------------------------------------------------

TEST_F(InventoryTest, RightClickSetsDownSingleItems)
{
    ItemStack slot{};

    {
        SCOPED_TRACE("empty pointer: nothing, on an empty or a full slot");
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, ItemStack{});
        slot = {ITEM_WOOD, 4};
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_WOOD, 4}));
        EXPECT_EQ(drag, ItemStack{});
    }
    {
        SCOPED_TRACE("X*m on an empty slot: slot X*1, pointer m-1");
        slot = {};
        drag = {ITEM_WOOD, 5};
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_WOOD, 1}));
        EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 4}));
    }
    {
        SCOPED_TRACE("same item below 128: +1");
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_WOOD, 2}));
        EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 3}));
        slot = {ITEM_WOOD, 127};
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_WOOD, 128}));
        EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 2}));
    }
    {
        SCOPED_TRACE("same item at 128: nothing");
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_WOOD, 128}));
        EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 2}));
    }
    {
        SCOPED_TRACE("different item: nothing");
        slot = {ITEM_LEAF, 3};
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_LEAF, 3}));
        EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 2}));
    }
    {
        SCOPED_TRACE("the last item leaves the pointer empty: {0, 0}");
        slot = {};
        drag = {ITEM_MEAT, 1};
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_MEAT, 1}));
        EXPECT_EQ(drag, ItemStack{});
        slot = {ITEM_MEAT, 10};
        drag = {ITEM_MEAT, 1};
        clickSlot(slot, BUTTON_RIGHT, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_MEAT, 11}));
        EXPECT_EQ(drag, ItemStack{});
    }
}

// --- clickSlot, other buttons ----------------------------------------------------------

TEST_F(InventoryTest, MiddleAndOtherButtonsMoveNothing)
{
    for (int button : {BUTTON_MIDDLE, 0, 4, 5, -1}) {
        SCOPED_TRACE(button);
        ItemStack slot{ITEM_PLANKS, 60};
        drag = {ITEM_PLANKS, 100};
        clickSlot(slot, button, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 60}));
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 100}));

        ItemStack empty{};
        clickSlot(empty, button, true);
        EXPECT_EQ(empty, ItemStack{});
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 100}));

        drag = {};
        clickSlot(slot, button, false);
        EXPECT_EQ(slot, (ItemStack{ITEM_PLANKS, 60}));
        EXPECT_EQ(drag, ItemStack{});
    }
}

// --- clickSlot always matches the grid again -------------------------------------------

TEST_F(InventoryTest, EveryClickRecomputesTheCraftingResult)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4},
        {"pattern": [0,0,0, 0,2,0, 0,0,0], "eq_pattern": null,      "result": 5, "amount": 2}
    ]})");
    indexRecipes();
    hotbar[0] = {ITEM_WOOD, 3};

    // The grid changed behind the rules' back: a click on a hotbar slot matches it again.
    craftGrid[0] = {ITEM_WOOD, 1};
    ASSERT_EQ(craftRes, ItemStack{});
    clickSlot(hotbar[0], BUTTON_LEFT, false);
    EXPECT_EQ(craftRes, (ItemStack{ITEM_PLANKS, 4}));
    EXPECT_EQ(drag, (ItemStack{ITEM_WOOD, 3}));

    // A middle click moves nothing but still recomputes (here: the 3x3 grid).
    craftGrid[0] = {};
    craftGrid[4] = {ITEM_WOOD, 1};
    clickSlot(hotbar[1], BUTTON_MIDDLE, true);
    EXPECT_EQ(craftRes, (ItemStack{ITEM_STICK, 2}));

    // A right click with an empty pointer also recomputes; the grid flag is passed on.
    drag = {};
    clickSlot(hotbar[1], BUTTON_RIGHT, false);
    EXPECT_EQ(craftRes, ItemStack{});  // cell 4 alone has no 2x2 recipe

    // Putting wood into a grid cell by a click offers planks straight away.
    craftGrid[4] = {};
    drag = {ITEM_WOOD, 2};
    clickSlot(craftGrid[0], BUTTON_RIGHT, false);
    EXPECT_EQ(craftGrid[0], (ItemStack{ITEM_WOOD, 1}));
    EXPECT_EQ(craftRes, (ItemStack{ITEM_PLANKS, 4}));

    // Picking it up again clears the offer.
    drag = {};
    clickSlot(craftGrid[0], BUTTON_LEFT, false);
    EXPECT_EQ(craftRes, ItemStack{});
}

}  // namespace
