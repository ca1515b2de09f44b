// Screen rules: the slot layout shared with drawing, the E toggle and screen clicks.
#include "rules/screens.h"

#include "rules/crafting.h"
#include "rules/creatures.h"
#include "rules/inventory.h"
#include "rules/state.h"

namespace {
constexpr int INV_COLUMNS = 7;
constexpr float SLOT_STEP_PX = 45.0f;
constexpr float HOTBAR_STEP_PX = 50.0f;
constexpr float PLAYER_CENTRE_DROP_PX = (64.0f - DROP_PX) / 2.0f;

SlotRect square(float x, float y)
{
    return {x, y, SLOT_PX, SLOT_PX};
}

// Hands the whole product to the pointer and uses one item of every cell of the grid.
void takeProduct(bool is3x3)
{
    if (craftRes.id <= 0) {
        return;
    }
    // The sum of the two counts may not exceed MAX_STACK; written as a difference, since
    // both can be as large as the int range and their sum would overflow.
    if (drag.id > 0 && (drag.id != craftRes.id || drag.count > MAX_STACK - craftRes.count)) {
        return;
    }
    if (drag.id <= 0) {
        drag = craftRes;
    } else {
        drag.count += craftRes.count;
    }
    for (int k = 0; k < gridCellCount(is3x3); ++k) {
        ItemStack& cell = craftGrid[static_cast<size_t>(gridCellIndex(k, is3x3))];
        if (cell.id > 0) {
            --cell.count;
            clearIfSpent(cell);
        }
    }
    checkRecipes(is3x3);
}

// Stores the whole stack; what finds no room is dropped as one stack at the player.
void giveBack(ItemStack& s, float pX, float pY)
{
    if (s.id > 0 && s.count > 0) {
        const int left = s.count - addUpTo(s.id, s.count);
        dropItem(s.id, pX + PLAYER_CENTRE_DROP_PX, pY + PLAYER_CENTRE_DROP_PX, left);
    }
    s = {};
}
}  // namespace

SlotRect hotbarSlotRect(int i)
{
    return square(275.0f + HOTBAR_STEP_PX * static_cast<float>(i), 540.0f);
}

SlotRect inventorySlotRect(int i)
{
    return square(240.0f + SLOT_STEP_PX * static_cast<float>(i % INV_COLUMNS),
                  250.0f + SLOT_STEP_PX * static_cast<float>(i / INV_COLUMNS));
}

SlotRect gridCellRect(int k, bool is3x3)
{
    if (is3x3) {
        return square(300.0f + SLOT_STEP_PX * static_cast<float>(k % 3), 80.0f + SLOT_STEP_PX * static_cast<float>(k / 3));
    }
    return square(320.0f + SLOT_STEP_PX * static_cast<float>(k % 2), 100.0f + SLOT_STEP_PX * static_cast<float>(k / 2));
}

SlotRect resultSlotRect(bool is3x3)
{
    return is3x3 ? square(450.0f, 125.0f) : square(430.0f, 122.0f);
}

int gridCellIndex(int k, bool is3x3)
{
    return is3x3 ? k : map22[static_cast<size_t>(k)];
}

int gridCellCount(bool is3x3)
{
    return is3x3 ? GRID_CELLS : static_cast<int>(map22.size());
}

void toggleInventory(float pX, float pY)
{
    showInv = !showInv;
    showCraft = false;
    giveBack(drag, pX, pY);
    for (auto& cell : craftGrid) {
        giveBack(cell, pX, pY);
    }
    craftRes = {};
}

void screenClick(int button, float mx, float my)
{
    const bool is3x3 = showCraft;
    for (int i = 0; i < HOTBAR_SLOTS; ++i) {
        if (hotbarSlotRect(i).contains(mx, my)) {
            clickSlot(hotbar[static_cast<size_t>(i)], button, is3x3);
        }
    }
    for (int i = 0; i < INV_SLOTS; ++i) {
        if (inventorySlotRect(i).contains(mx, my)) {
            clickSlot(inv[static_cast<size_t>(i)], button, is3x3);
        }
    }
    if (!showInv && !showCraft) {
        return;
    }
    const bool tableGrid = !showInv;
    for (int k = 0; k < gridCellCount(tableGrid); ++k) {
        if (gridCellRect(k, tableGrid).contains(mx, my)) {
            clickSlot(craftGrid[static_cast<size_t>(gridCellIndex(k, tableGrid))], button, tableGrid);
        }
    }
    if (resultSlotRect(tableGrid).contains(mx, my)) {
        takeProduct(tableGrid);
    }
}
