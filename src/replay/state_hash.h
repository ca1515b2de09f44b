// One hash of the whole game state, part by part, the same on every build.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The parts of the state, in the order they are hashed and stored in a replay.
enum StatePart : int {
    PART_WORLD,        // tiles that differ from the generated world
    PART_SEEN,         // grass tiles already seen
    PART_CREATURES,
    PART_DROPS,
    PART_INVENTORY,    // hotbar, inventory, grid, result, carried stack, open screens
    PART_PLAYER,       // position, selected slot, health and its clock
    PART_RANDOM,       // how far the game's random sequence has been drawn
    STATE_PARTS,
};

// The part's name as a verdict names it ("seen tiles").
const char* statePartName(int part);

// What the rules' globals do not hold: the player as the frame loop keeps it.
struct PlayerPlace {
    float x = 0.0f;
    float y = 0.0f;
    int32_t selectedHotbar = 0;
};

using StateHashes = std::array<uint32_t, STATE_PARTS>;

// 64-bit FNV-1a, the one hash of the state, the recipe book and a kept run's bytes: a
// change to any one byte always changes it. `h` is where a run of bytes starts from
// (FNV_OFFSET), or what the bytes before them gave.
constexpr uint64_t FNV_OFFSET = 14695981039346656037ull;
constexpr uint64_t fnv1a(uint64_t h, uint8_t byte)
{
    return (h ^ byte) * 1099511628211ull;
}
uint64_t fnv1a(std::string_view bytes);

// Each part's hash: FNV-1a over a fixed byte layout (integers little-endian, floats
// by their bits, maps in key order), folded to 32 bits.
StateHashes hashState(const PlayerPlace& player);

// The whole state in one number, from the parts' hashes.
uint64_t combinedHash(const StateHashes& parts);

// A digest of the loaded recipe book (its canonical JSON text), 0 when none is loaded.
uint64_t recipeBookDigest();
