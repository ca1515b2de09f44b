// Inventory rules: stacking, overflow at MAX_STACK and the slot-click table.
#include "rules/inventory.h"

#include <algorithm>
#include <span>

#include "rules/crafting.h"

namespace {
// Puts up to `n` items of `id` into `slots` in index order: with `merge`, onto stacks of
// `id` below MAX_STACK, else into empty slots; each takes what it has room for.
// Returns how many found no place.
int fill(std::span<ItemStack> slots, int id, int n, bool merge)
{
    for (auto& s : slots) {
        if (n == 0) {
            break;
        }
        if (merge ? (s.id == id && s.count < MAX_STACK) : s.id == 0) {
            // Room is at most MAX_STACK, so neither sum below can overflow.
            const int moved = std::min(MAX_STACK - (merge ? s.count : 0), n);
            s = {id, (merge ? s.count : 0) + moved};
            n -= moved;
        }
    }
    return n;
}

void leftClick(ItemStack& s)
{
    if (drag.id > 0 && drag.id == s.id) {
        if (s.count >= MAX_STACK) {
            return;  // a full or oversized stack takes nothing, and nothing is exchanged
        }
        const int canAdd = std::min(MAX_STACK - s.count, drag.count);
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
    return addUpTo(id, 1) == 1;
}

int addUpTo(int id, int n)
{
    if (id <= 0 || n <= 0) {
        return 0;
    }
    // The whole hotbar comes before the inventory; within each, merging before an empty
    // slot. Storing the items one by one would place them the same way.
    int left = n;
    left = fill(hotbar, id, left, true);
    left = fill(hotbar, id, left, false);
    left = fill(inv, id, left, true);
    left = fill(inv, id, left, false);
    return n - left;
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
