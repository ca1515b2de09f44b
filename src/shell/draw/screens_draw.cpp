// The inventory and crafting-table screens, drawn over the running world.
#include "shell/draw/draw.h"
#include "rules/screens.h"
#include "rules/state.h"

namespace {
constexpr Colour PANEL = {0, 0, 0, 180};
constexpr Colour INVENTORY_SLOT = {80, 80, 80, 255};
constexpr Colour GRID_CELL = {100, 100, 100, 255};
constexpr Colour RESULT_SLOT = {150, 150, 150, 255};

SDL_FRect toFRect(const SlotRect& s)
{
    return {s.x, s.y, s.w, s.h};
}

void drawSlot(Gfx& gfx, const SlotRect& s, Colour c, const ItemStack& stack)
{
    fillRect(gfx.renderer, c, toFRect(s));
    drawStack(gfx, stack.id, stack.count, s.x, s.y, s.w);
}
}  // namespace

void drawScreen(Gfx& gfx, PointerPos pointer)
{
    if (!showInv && !showCraft) {
        return;
    }
    fillRect(gfx.renderer, PANEL, toFRect(PANEL_RECT));

    for (int i = 0; i < INV_SLOTS; ++i) {
        drawSlot(gfx, inventorySlotRect(i), INVENTORY_SLOT, inv[static_cast<size_t>(i)]);
    }
    const bool is3x3 = !showInv;
    for (int k = 0; k < gridCellCount(is3x3); ++k) {
        drawSlot(gfx, gridCellRect(k, is3x3), GRID_CELL, craftGrid[static_cast<size_t>(gridCellIndex(k, is3x3))]);
    }
    drawSlot(gfx, resultSlotRect(is3x3), RESULT_SLOT, craftRes);

    // The carried stack last, over everything else: centred on the mouse's pointer, or
    // lifted above a finger or the pad's pointer so the slot they are on shows (below
    // it, near the top edge).
    if (drag.id > 0) {
        const float lift = gfx.carriedLiftPx;
        const float y = pointer.y - lift - SLOT_PX / 2.0f >= 0.0f ? pointer.y - lift : pointer.y + lift;
        drawStack(gfx, drag.id, drag.count, pointer.x - SLOT_PX / 2.0f, y - SLOT_PX / 2.0f, SLOT_PX);
    }
}
