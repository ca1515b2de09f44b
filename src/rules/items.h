// The item catalogue: what each item id is, its picture, and what the rules allow it.
#pragma once

#include <array>

enum ItemId : int {
    ITEM_NONE = 0,
    ITEM_GRASS = 1,
    ITEM_WOOD = 2,
    ITEM_LEAF = 3,
    ITEM_PLANKS = 4,
    ITEM_STICK = 5,
    ITEM_CRAFTING_TABLE = 6,
    ITEM_MEAT = 7,
    ITEM_WOODEN_AXE = 8,
    ITEM_WOODEN_PICKAXE = 9,
    ITEM_WOODEN_SHOVEL = 10,
    ITEM_WOODEN_HOE = 11,
    ITEM_WOODEN_SWORD = 12,
};

constexpr int ITEM_COUNT = ITEM_WOODEN_SWORD + 1;  // ids 0 (nothing) to the last above

// Crafting keys a whole grid by its nine ids in one 64-bit number, 7 bits a cell
// (rules/crafting.cpp): ids must stay below this.
constexpr int CRAFTING_ID_CEILING = 1 << 7;
static_assert(ITEM_COUNT <= CRAFTING_ID_CEILING, "an item id past CRAFTING_ID_CEILING no longer fits crafting's key");

struct ItemInfo {
    const char* name;
    const char* picture;  // path relative to the working directory; null for nothing
    bool placeable;       // can be put into the world as a tile
    bool showsCount;      // its stack count is drawn in slots
};

extern const std::array<ItemInfo, ITEM_COUNT> ITEMS;

// True for ids 1 to ITEM_COUNT - 1, the ones with a catalogue entry and a picture.
bool isItem(int id);
bool isPlaceable(int id);
bool showsCount(int id);
