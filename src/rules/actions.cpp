// Working the world: killing, breaking, eating, opening a table and placing.
#include "rules/actions.h"

#include "rules/creatures.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {
// What a creature leaves lies centred in the 64 by 64 square it stood on.
constexpr float CENTRED_DROP_OFFSET_PX = (MOB_PX - DROP_PX) / 2.0f;

bool killCreatureAt(float mx, float my, float cameraX, float cameraY)
{
    for (auto it = mobs.begin(); it != mobs.end(); ++it) {
        const float left = it->x - cameraX;
        const float top = it->y - cameraY;
        if (mx > left && mx < left + MOB_PX && my > top && my < top + MOB_PX) {
            dropItem(CREATURES[static_cast<size_t>(it->type)].drops, it->x + CENTRED_DROP_OFFSET_PX, it->y + CENTRED_DROP_OFFSET_PX);
            mobs.erase(it);
            return true;
        }
    }
    return false;
}

void breakTile(int32_t tx, int32_t ty)
{
    const int block = getTile(tx, ty);
    if (block <= 0) {
        return;
    }
    if (!addItem(block)) {
        // No room: the item lies on the ground, centred in the tile it came from.
        dropItem(block, static_cast<float>(TILE_PX) * static_cast<float>(tx) + CENTRED_DROP_OFFSET_PX,
                 static_cast<float>(TILE_PX) * static_cast<float>(ty) + CENTRED_DROP_OFFSET_PX);
    }
    world[{tx, ty}] = ITEM_NONE;
    forgetSeenView();
}

void useSelected(ItemStack& s, int32_t tx, int32_t ty)
{
    if (s.id == ITEM_MEAT && hp < MAX_HP) {
        ++hp;
        --s.count;
        clearIfSpent(s);
    } else if (getTile(tx, ty) == ITEM_CRAFTING_TABLE) {
        showCraft = true;
        showInv = false;
    } else if (isPlaceable(s.id)) {
        world[{tx, ty}] = s.id;
        forgetSeenView();
        --s.count;
        clearIfSpent(s);
    }
}
}  // namespace

void worldClick(int button, float mx, float my, float cameraX, float cameraY, int selectedHotbar)
{
    const int32_t tx = tileOf(mx + cameraX);
    const int32_t ty = tileOf(my + cameraY);
    if (button == BUTTON_LEFT) {
        if (!killCreatureAt(mx, my, cameraX, cameraY)) {
            breakTile(tx, ty);
        }
        return;
    }
    useSelected(hotbar[static_cast<size_t>(selectedHotbar)], tx, ty);
}
