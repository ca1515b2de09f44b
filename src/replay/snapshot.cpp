// The snapshot layout, written and read field by field (docs/replays.md describes it).
#include "replay/snapshot.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <vector>

#include "replay/state_layout.h"
#include "rules/creatures.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {
constexpr std::string_view SNAPSHOT_MAGIC = "\x89" "BRS\r\n\x1a\n";
// The sequence counts its draws in a size_t, 32 bits in a browser.
constexpr uint64_t MAX_RAND_DRAWS = uint64_t{1} << 31;

struct Bytes {
    std::string out;
    void byte(uint8_t b) { out.push_back(static_cast<char>(b)); }
};

struct Writer : LayoutWriter<Bytes> {
    void u16(uint16_t v) { u64(v, 2); }
    void varint(uint64_t v)
    {
        for (; v >= 0x80; v >>= 7) {
            byte(static_cast<uint8_t>(v | 0x80));
        }
        byte(static_cast<uint8_t>(v));
    }
    // Tiles come in key order, so each is written as its step from the one before.
    void zigzag(int64_t v) { varint(v < 0 ? ~(static_cast<uint64_t>(v) << 1) : static_cast<uint64_t>(v) << 1); }
    template <typename Map, typename Value>
    void tiles(const Map& map, Value value)
    {
        varint(map.size());
        TileCoord last{0, 0};
        for (const auto& [tile, v] : map) {
            zigzag(int64_t{tile.first} - last.first);
            zigzag(int64_t{tile.second} - last.second);
            value(v);
            last = tile;
        }
    }
};

// Reads within the bytes it was given; the first problem stops it and is kept.
struct Reader {
    std::string_view in;
    size_t pos = 0;
    std::string problem;

    bool fail(const std::string& what)
    {
        if (problem.empty()) {
            problem = what;
        }
        return false;
    }
    bool byte(uint8_t& b)
    {
        if (pos >= in.size()) {
            return fail("it is cut short");
        }
        b = static_cast<uint8_t>(in[pos++]);
        return true;
    }
    bool u64(uint64_t& v, int bytes = 8)
    {
        v = 0;
        uint8_t b = 0;
        for (int i = 0; i < bytes; ++i) {
            if (!byte(b)) {
                return false;
            }
            v |= uint64_t{b} << (8 * i);
        }
        return true;
    }
    bool u32(uint32_t& v)
    {
        uint64_t w = 0;
        const bool ok = u64(w, 4);
        v = static_cast<uint32_t>(w);
        return ok;
    }
    bool i32(int32_t& v)
    {
        uint32_t w = 0;
        const bool ok = u32(w);
        v = static_cast<int32_t>(w);
        return ok;
    }
    bool f32(float& v)
    {
        uint32_t w = 0;
        const bool ok = u32(w);
        v = std::bit_cast<float>(w);
        return ok && (std::isfinite(v) || fail("a position is not a number"));
    }
    bool flag(bool& v)
    {
        uint8_t b = 0;
        if (!byte(b)) {
            return false;
        }
        v = b == 1;
        return b <= 1 || fail("a yes-or-no byte holds " + std::to_string(b));
    }
    bool varint(uint64_t& v)
    {
        v = 0;
        uint8_t b = 0x80;
        for (int shift = 0; b & 0x80; shift += 7) {
            if (shift > 63 || !byte(b)) {
                return shift <= 63 ? false : fail("a number is too long");
            }
            v |= uint64_t{b & 0x7fu} << shift;
        }
        return true;
    }
    bool coordinate(int32_t last, int32_t& v)
    {
        uint64_t z = 0;
        if (!varint(z)) {
            return false;
        }
        // Two 32-bit coordinates are never more than 2^32 apart: anything more is damage,
        // and would overflow the sum.
        if (z >> 34 != 0) {
            return fail("a tile lies outside the world");
        }
        const int64_t step = static_cast<int64_t>(z >> 1) ^ -static_cast<int64_t>(z & 1);
        const int64_t at = int64_t{last} + step;
        v = static_cast<int32_t>(at);
        return at == v || fail("a tile lies outside the world");
    }
    bool field(int32_t& v) { return i32(v); }
    bool field(float& v) { return f32(v); }
    bool field(uint64_t& v) { return u64(v); }
    bool field(bool& v) { return flag(v); }
    template <class R>
    bool fields(R& r)
    {
        bool ok = true;
        walkFields(r, [this, &ok](auto& v) { ok = ok && field(v); });
        return ok;
    }
    bool player(PlayerPlace& place, int32_t& health, uint64_t& lastDecayTick)
    {
        bool ok = true;
        walkPlayer(place, health, lastDecayTick, [this, &ok](auto& v) { ok = ok && field(v); });
        return ok;
    }
    bool item(int32_t id) { return (id >= 0 && id < ITEM_COUNT) || fail("unknown item " + std::to_string(id)); }
    bool stack(ItemStack& s) { return fields(s) && item(s.id) && (s.count >= 0 || fail("a negative count")); }
    // Tiles in strictly increasing key order, as the map keeps them.
    template <typename Value, typename ReadValue>
    bool tiles(std::map<TileCoord, Value>& map, ReadValue readValue)
    {
        uint64_t count = 0;
        if (!varint(count)) {
            return false;
        }
        TileCoord tile{0, 0};
        for (uint64_t i = 0; i < count; ++i) {
            const TileCoord last = tile;
            Value v{};
            if (!coordinate(last.first, tile.first) || !coordinate(last.second, tile.second) || !readValue(v)) {
                return false;
            }
            if (i > 0 && !(last < tile)) {
                return fail("tiles out of order");
            }
            map.emplace_hint(map.end(), tile, v);
        }
        return true;
    }
};

// The rules' globals as a snapshot holds them, filled before any is replaced.
struct State {
    std::map<TileCoord, int> world;
    std::map<TileCoord, bool> chunks;
    std::vector<Mob> mobs;
    std::vector<DroppedItem> drops;
    std::vector<ItemStack> inv;
    std::array<ItemStack, HOTBAR_SLOTS> hotbar{};
    std::array<ItemStack, GRID_CELLS> craftGrid{};
    ItemStack craftRes, drag;
    int32_t hp = 0;
    uint64_t lastDecay = 0;
    bool showInv = false, showCraft = false;
    GameRandState rand;
};

bool readState(Reader& r, State& s, SnapshotPlace& place)
{
    PlayerPlace& p = place.player;
    if (!r.u64(place.clockTicks) || !r.player(p, s.hp, s.lastDecay)) {
        return false;
    }
    if (p.selectedHotbar < 0 || p.selectedHotbar >= HOTBAR_SLOTS || s.hp < 0 || s.hp > MAX_HP) {
        return r.fail("the hotbar slot or health is out of range");
    }
    for (uint32_t& word : s.rand.ring) {
        if (!r.u32(word)) {
            return false;
        }
    }
    if (!r.u64(s.rand.draws)) {
        return false;
    }
    if (s.rand.draws > MAX_RAND_DRAWS) {
        return r.fail("the random sequence is out of range");
    }
    const auto tileId = [&r](int& id) {
        int32_t v = 0;
        return r.i32(v) && r.item(id = v);
    };
    if (!r.tiles(s.world, tileId) || !r.tiles(s.chunks, [&r](bool& v) { return r.flag(v); })) {
        return false;
    }
    uint64_t count = 0;
    if (!r.varint(count)) {
        return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
        Mob m;
        if (!r.fields(m)) {
            return false;
        }
        if (m.type < 0 || m.type >= MOB_KINDS) {
            return r.fail("unknown creature " + std::to_string(m.type));
        }
        s.mobs.push_back(m);
    }
    if (!r.varint(count)) {
        return false;
    }
    for (uint64_t i = 0; i < count; ++i) {
        DroppedItem d;
        if (!r.fields(d) || !r.item(d.id)) {
            return false;
        }
        if (d.count < 1) {
            return r.fail("a drop of no items");
        }
        s.drops.push_back(d);
    }
    s.inv.resize(INV_SLOTS);
    for (ItemStack& slot : s.inv) {
        if (!r.stack(slot)) {
            return false;
        }
    }
    for (ItemStack* slot : {&s.craftRes, &s.drag}) {
        if (!r.stack(*slot)) {
            return false;
        }
    }
    for (ItemStack& slot : s.hotbar) {
        if (!r.stack(slot)) {
            return false;
        }
    }
    for (ItemStack& cell : s.craftGrid) {
        if (!r.stack(cell)) {
            return false;
        }
    }
    return r.flag(s.showInv) && r.flag(s.showCraft);
}
}  // namespace

std::string takeSnapshot(const SnapshotPlace& place, const std::string& gameVersion)
{
    Writer w;
    w.out = SNAPSHOT_MAGIC;
    w.u16(SNAPSHOT_FORMAT_VERSION);
    const std::string version = gameVersion.substr(0, 255);
    w.byte(static_cast<uint8_t>(version.size()));
    w.out += version;
    w.u64(recipeBookDigest());
    w.u64(place.clockTicks);
    w.player(place.player, hp, lastDecay);
    const GameRandState rand = gameRandState();
    for (uint32_t word : rand.ring) {
        w.u32(word);
    }
    w.u64(rand.draws);
    w.tiles(world, [&w](int id) { w.i32(id); });
    w.tiles(chunks, [&w](bool seen) { w.flag(seen); });
    w.varint(mobs.size());
    for (const Mob& m : mobs) {
        w.fields(m);
    }
    w.varint(drops.size());
    for (const DroppedItem& d : drops) {
        w.fields(d);
    }
    for (const ItemStack& slot : inv) {
        w.fields(slot);
    }
    w.fields(craftRes);
    w.fields(drag);
    for (const ItemStack& slot : hotbar) {
        w.fields(slot);
    }
    for (const ItemStack& cell : craftGrid) {
        w.fields(cell);
    }
    w.flag(showInv);
    w.flag(showCraft);
    return w.out;
}

SnapshotLoad restoreSnapshot(std::string_view bytes, const std::string& gameVersion)
{
    SnapshotLoad load;
    Reader r;
    r.in = bytes;
    if (!bytes.starts_with(SNAPSHOT_MAGIC)) {
        load.problem = "not a kept run";
        return load;
    }
    r.pos = SNAPSHOT_MAGIC.size();
    uint64_t format = 0;
    uint8_t length = 0;
    uint64_t digest = 0;
    if (!r.u64(format, 2) || !r.byte(length)) {
        load.problem = "damaged: " + r.problem;
        return load;
    }
    const std::string_view other = r.in.substr(r.pos, std::min<size_t>(length, r.in.size() - r.pos));
    if (format != SNAPSHOT_FORMAT_VERSION || other != gameVersion) {
        // Only a version that is whole text, and not this one, names another game: a format
        // that differs under this game's own version, or bytes that are no text, are damage.
        const bool text = other.size() == length && !other.empty() &&
                          std::all_of(other.begin(), other.end(), [](char c) { return c >= ' ' && c <= '~'; });
        load.problem = text && other != gameVersion ? "kept by another version of Brambix (" + std::string(other) + ")"
                                                     : "damaged: its version is not readable";
        return load;
    }
    r.pos += length;
    if (!r.u64(digest)) {
        load.problem = "damaged: " + r.problem;
        return load;
    }
    if (digest != recipeBookDigest()) {
        load.problem = "kept with another recipe book";
        return load;
    }
    State s;
    if (!readState(r, s, load.place) || (r.pos != bytes.size() && !r.fail("bytes follow its end"))) {
        load.problem = "damaged: " + r.problem + " at byte " + std::to_string(r.pos);
        return load;
    }
    world = std::move(s.world);
    chunks = std::move(s.chunks);
    forgetSeenView();
    mobs = std::move(s.mobs);
    drops = std::move(s.drops);
    inv = std::move(s.inv);
    hotbar = s.hotbar;
    craftGrid = s.craftGrid;
    craftRes = s.craftRes;
    drag = s.drag;
    hp = s.hp;
    lastDecay = s.lastDecay;
    showInv = s.showInv;
    showCraft = s.showCraft;
    setGameRandState(s.rand);
    return load;
}
