// The state hash: each part's fields fed in a fixed order and layout.
#include "replay/state_hash.h"

#include <string_view>

#include "replay/state_layout.h"
#include "rules/random.h"
#include "rules/state.h"

namespace {
struct FnvBytes {
    uint64_t h = FNV_OFFSET;
    void byte(uint8_t b) { h = fnv1a(h, b); }
    uint32_t folded() const { return static_cast<uint32_t>(h ^ (h >> 32)); }
};
using Fnv = LayoutWriter<FnvBytes>;

constexpr const char* PART_NAMES[STATE_PARTS] = {
    "world", "seen tiles", "creatures", "drops", "inventory and screens", "player and health", "random sequence",
};
}  // namespace

const char* statePartName(int part)
{
    return part >= 0 && part < STATE_PARTS ? PART_NAMES[part] : "?";
}

StateHashes hashState(const PlayerPlace& player)
{
    std::array<Fnv, STATE_PARTS> f{};
    f[PART_WORLD].u64(world.size());
    for (const auto& [tile, id] : world) {
        f[PART_WORLD].i32(tile.first);
        f[PART_WORLD].i32(tile.second);
        f[PART_WORLD].i32(id);
    }
    f[PART_SEEN].u64(chunks.size());
    for (const auto& [tile, seen] : chunks) {
        f[PART_SEEN].i32(tile.first);
        f[PART_SEEN].i32(tile.second);
        f[PART_SEEN].flag(seen);
    }
    Fnv& c = f[PART_CREATURES];
    c.u64(mobs.size());
    for (const Mob& m : mobs) {
        c.fields(m);
    }
    Fnv& d = f[PART_DROPS];
    d.u64(drops.size());
    for (const DroppedItem& item : drops) {
        d.fields(item);
    }
    Fnv& s = f[PART_INVENTORY];
    s.u64(inv.size());
    for (const ItemStack& slot : inv) {
        s.fields(slot);
    }
    for (const ItemStack& slot : hotbar) {
        s.fields(slot);
    }
    for (const ItemStack& slot : craftGrid) {
        s.fields(slot);
    }
    s.fields(craftRes);
    s.fields(drag);
    s.flag(showInv);
    s.flag(showCraft);
    f[PART_PLAYER].player(player, hp, lastDecay);
    f[PART_RANDOM].u64(gameRandDraws());

    StateHashes out{};
    for (int i = 0; i < STATE_PARTS; ++i) {
        out[static_cast<size_t>(i)] = f[static_cast<size_t>(i)].folded();
    }
    return out;
}

uint64_t combinedHash(const StateHashes& parts)
{
    Fnv f;
    for (uint32_t part : parts) {
        f.u32(part);
    }
    return f.h;
}

uint64_t recipeBookDigest()
{
    if (recipes.is_null()) {
        return 0;
    }
    return fnv1a(recipes.dump());
}

uint64_t fnv1a(std::string_view bytes)
{
    uint64_t h = FNV_OFFSET;
    for (const char c : bytes) {
        h = fnv1a(h, static_cast<uint8_t>(c));
    }
    return h;
}
