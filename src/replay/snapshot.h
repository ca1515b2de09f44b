// A snapshot of the whole game state in a fixed little-endian layout: what a kept run
// comes back from without playing the run again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "replay/state_hash.h"

constexpr uint16_t SNAPSHOT_FORMAT_VERSION = 1;

// What a snapshot holds besides the rules' globals.
struct SnapshotPlace {
    PlayerPlace player;
    uint64_t clockTicks = 0;  // the game's clock at the frame it was taken after
};

// The rules' globals (all but the recipe book, of which only the digest is kept), the
// random sequence's position and `place`, as bytes; `gameVersion` names the game.
std::string takeSnapshot(const SnapshotPlace& place, const std::string& gameVersion);

// What reading a snapshot found: `problem` is empty when the state was put in place.
struct SnapshotLoad {
    SnapshotPlace place;
    std::string problem;
};

// Puts the state held in `bytes` in place of the rules' globals. A snapshot that is
// damaged or cut short, or was taken by another game version or with another recipe
// book than the one loaded, leaves every global as it was and says why.
SnapshotLoad restoreSnapshot(std::string_view bytes, const std::string& gameVersion);
