// Inventory rules: stacking, overflow at MAX_STACK and the slot-click table.
#include "rules/inventory.h"

#include <algorithm>
#include <span>

#include "rules/recipes.h"

namespace {
bool topUp(std::span<ItemStack> slots, int id)
{
    for (auto& s : slots) {
        if (s.id == id && s.count < MAX_STACK) {
            ++s.count;
            return true;
        }
    }
    return false;
}

bool takeEmpty(std::span<ItemStack> slots, int id)
{
    for (auto& s : slots) {
        if (s.id == 0) {
            s = {id, 1};
            return true;
        }
    }
    return false;
}

void leftClick(ItemStack& s)
{
    if (drag.id > 0 && drag.id == s.id) {
        int canAdd = std::min(MAX_STACK - s.count, drag.count);
        s.count += canAdd;
        drag.count -= canAdd;
        clearIfSpent(drag);
        return;
    }
    std::swap(drag, s);
}

void rightClick(ItemStack& s)
{
    if (drag.id <= 0) {
        return;
    }
    if (s.id == 0) {
        s = {drag.id, 1};
        --drag.count;
    } else if (s.id == drag.id && s.count < MAX_STACK) {
        ++s.count;
        --drag.count;
    }
    clearIfSpent(drag);
}
}  // namespace

void clearIfSpent(ItemStack& s)
{
    if (s.count <= 0) {
        s = {};
    }
}

bool addItem(int id)
{
    if (id <= 0) {
        return false;
    }
    // The whole hotbar comes before the inventory; within each, merging before an empty slot.
    return topUp(hotbar, id) || takeEmpty(hotbar, id) || topUp(inv, id) || takeEmpty(inv, id);
}

void clickSlot(ItemStack& s, int button, bool is3x3)
{
    if (button == BUTTON_LEFT) {
        leftClick(s);
    } else if (button == BUTTON_RIGHT) {
        rightClick(s);
    }
    checkRecipes(is3x3);
}
