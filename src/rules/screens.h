// The inventory and crafting-table screens: where their slots lie and what clicks do.
#pragma once


// A square on the screen in window pixels; x, y is its top-left corner.
struct SlotRect {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;

    // Strictly inside: a pointer exactly on an edge is outside.
    bool contains(float px, float py) const { return px > x && px < x + w && py > y && py < y + h; }
};

constexpr float SLOT_PX = 40.0f;
constexpr SlotRect PANEL_RECT = {200.0f, 50.0f, 400.0f, 450.0f};

SlotRect hotbarSlotRect(int i);         // i = 0 to 4, always on screen
SlotRect inventorySlotRect(int i);      // i = 0 to 20
SlotRect gridCellRect(int k, bool is3x3);  // 2x2 cell k = 0 to 3, or 3x3 cell k = 0 to 8
SlotRect resultSlotRect(bool is3x3);

// The `craftGrid` cell shown as cell k of the open grid.
int gridCellIndex(int k, bool is3x3);
int gridCellCount(bool is3x3);

// The E key: flips the inventory screen, closes the crafting table, and gives back the
// carried stack and then every grid cell, whole, into the hotbar and inventory. Items
// that find no room are dropped on the ground centred on the player at (pX, pY).
void toggleInventory(float pX, float pY);

// A click of `button` at window pixel (mx, my) while a screen is open: the hotbar,
// inventory and grid slots answer through clickSlot; the result slot hands over the
// whole product with any button when it fits the pointer.
void screenClick(int button, float mx, float my);
