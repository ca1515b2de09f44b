// The state's records in their fixed layout: a creature's, a drop's, a stack's and the
// player's fields, each walked in one order by the hash, the snapshot's writer and its
// reader. A field added to a record names itself in the record's binding below or the
// build stops; a field of a type the layout has no bytes for stops it too.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
#include <type_traits>

#include "replay/state_hash.h"
#include "rules/state.h"

template <class R, class Plain>
concept RecordOf = std::same_as<std::remove_const_t<R>, Plain>;

// Calls `field` with each of `fields`, left to right.
template <class F, class... T>
void eachField(F& field, T&... fields)
{
    (field(fields), ...);
}

// Calls `field` with each field of the record `r` (const or not), in the layout's order.
template <RecordOf<Mob> R, class F>
void walkFields(R& r, F&& field)
{
    auto& [type, x, y, tx, ty, nextMove, frame, lastAnim, flip] = r;
    eachField(field, type, x, y, tx, ty, nextMove, frame, lastAnim, flip);
}

template <RecordOf<DroppedItem> R, class F>
void walkFields(R& r, F&& field)
{
    auto& [id, x, y, count] = r;
    eachField(field, id, x, y, count);
}

template <RecordOf<ItemStack> R, class F>
void walkFields(R& r, F&& field)
{
    auto& [id, count] = r;
    eachField(field, id, count);
}

// The player: where the frame loop keeps it, then its health and the health's clock.
template <RecordOf<PlayerPlace> R, class Hp, class Decay, class F>
void walkPlayer(R& place, Hp& health, Decay& lastDecayTick, F&& field)
{
    auto& [x, y, selectedHotbar] = place;
    eachField(field, x, y, selectedHotbar, health, lastDecayTick);
}

// The layout's bytes handed one at a time to `Out::byte`, lowest first, so that they
// never depend on the machine's: integers little-endian, floats by their bits, a flag
// as 0 or 1.
template <class Out>
struct LayoutWriter : Out {
    void u64(uint64_t v, int bytes = 8)
    {
        for (int i = 0; i < bytes; ++i) {
            this->byte(static_cast<uint8_t>(v >> (8 * i)));
        }
    }
    void u32(uint32_t v) { u64(v, 4); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    void flag(bool v) { this->byte(v ? 1 : 0); }
    void field(int32_t v) { i32(v); }
    void field(float v) { f32(v); }
    void field(uint64_t v) { u64(v); }
    void field(bool v) { flag(v); }
    template <class R>
    void fields(const R& r)
    {
        walkFields(r, [this](auto v) { field(v); });
    }
    void player(const PlayerPlace& place, int32_t health, uint64_t lastDecayTick)
    {
        walkPlayer(place, health, lastDecayTick, [this](auto v) { field(v); });
    }
};
