// The item catalogue as one table; behaviour that depends on the kind looks up its row.
#include "rules/items.h"

#include <cstddef>

const std::array<ItemInfo, ITEM_COUNT> ITEMS = {{
    {"nothing", nullptr, false, false},
    {"grass", "assets/grass.png", true, true},
    {"wood", "assets/wood.png", true, true},
    {"leaf", "assets/leaf.png", true, true},
    {"planks", "assets/planks.png", true, true},
    {"stick", "assets/stick.png", true, true},
    {"crafting table", "assets/crafting.png", true, true},
    {"meat", "assets/meet.png", true, true},
    {"wooden axe", "assets/axe_wood.png", false, false},
    {"wooden pickaxe", "assets/pickaxe_wood.png", false, false},
    {"wooden shovel", "assets/shovel_wood.png", false, false},
    {"wooden hoe", "assets/hoe_wood.png", false, false},
    {"wooden sword", "assets/sword_wood.png", false, false},
}};

bool isItem(int id)
{
    return id > ITEM_NONE && id < ITEM_COUNT;
}

bool isPlaceable(int id)
{
    return isItem(id) && ITEMS[static_cast<size_t>(id)].placeable;
}

bool showsCount(int id)
{
    return isItem(id) && ITEMS[static_cast<size_t>(id)].showsCount;
}
