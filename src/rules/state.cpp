// The global game state, created before main runs and destroyed after it returns.
#include "rules/state.h"

#include "rules/world.h"

std::map<TileCoord, int> world;
std::map<TileCoord, bool> chunks;
std::vector<Mob> mobs;
std::vector<DroppedItem> drops;
std::vector<ItemStack> inv(INV_SLOTS);
json recipes;
std::array<ItemStack, HOTBAR_SLOTS> hotbar{};
std::array<ItemStack, GRID_CELLS> craftGrid{};
ItemStack craftRes;
ItemStack drag;
int32_t hp = MAX_HP;
uint64_t lastDecay = 0;
bool showInv = false;
bool showCraft = false;

void resetGameState()
{
    world.clear();
    chunks.clear();
    forgetSeenView();
    mobs.clear();
    drops.clear();
    inv.assign(INV_SLOTS, ItemStack{});
    recipes = json();  // no book: crafting matches nothing, whatever its index holds
    hotbar.fill(ItemStack{});
    craftGrid.fill(ItemStack{});
    craftRes = {};
    drag = {};
    hp = MAX_HP;
    lastDecay = 0;
    showInv = false;
    showCraft = false;
}
