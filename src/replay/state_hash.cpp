// The state hash: each part's fields fed in a fixed order and layout.
#include "replay/state_hash.h"

#include <bit>
#include <string_view>

#include "rules/random.h"
#include "rules/state.h"

namespace {
constexpr uint64_t FNV_OFFSET = 14695981039346656037ull;
constexpr uint64_t FNV_PRIME = 1099511628211ull;

// Bytes are fed one by one, lowest first, so the layout never depends on the machine's.
struct Fnv {
    uint64_t h = FNV_OFFSET;
    void byte(uint8_t b)
    {
        h ^= b;
        h *= FNV_PRIME;
    }
    void u64(uint64_t v)
    {
        for (int i = 0; i < 8; ++i) {
            byte(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) {
            byte(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    void flag(bool v) { byte(v ? 1 : 0); }
    void stack(const ItemStack& s)
    {
        i32(s.id);
        i32(s.count);
    }
    uint32_t folded() const { return static_cast<uint32_t>(h ^ (h >> 32)); }
};

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
        c.i32(m.type);
        c.f32(m.x);
        c.f32(m.y);
        c.f32(m.tx);
        c.f32(m.ty);
        c.u64(m.nextMove);
        c.i32(m.frame);
        c.u64(m.lastAnim);
        c.flag(m.flip);
    }
    Fnv& d = f[PART_DROPS];
    d.u64(drops.size());
    for (const DroppedItem& item : drops) {
        d.i32(item.id);
        d.f32(item.x);
        d.f32(item.y);
        d.i32(item.count);
    }
    Fnv& s = f[PART_INVENTORY];
    s.u64(inv.size());
    for (const ItemStack& slot : inv) {
        s.stack(slot);
    }
    for (const ItemStack& slot : hotbar) {
        s.stack(slot);
    }
    for (const ItemStack& slot : craftGrid) {
        s.stack(slot);
    }
    s.stack(craftRes);
    s.stack(drag);
    s.flag(showInv);
    s.flag(showCraft);
    Fnv& p = f[PART_PLAYER];
    p.f32(player.x);
    p.f32(player.y);
    p.i32(player.selectedHotbar);
    p.i32(hp);
    p.u64(lastDecay);
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
    Fnv f;
    for (char ch : recipes.dump()) {
        f.byte(static_cast<uint8_t>(ch));
    }
    return f.h;
}
