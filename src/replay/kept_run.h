// Keeping a run while it is played so that it can come back in the same state: a
// snapshot of the state now and then, and a recording of the frames played since.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shell/app/app.h"
#include "replay/playback.h"
#include "replay/record.h"

// A new snapshot every minute of play: coming back plays at most that many frames.
constexpr uint64_t SNAPSHOT_EVERY_FRAMES = 3600;

// Where a kept run lies: the snapshot, the frames since it, and what the run was when
// last kept: the state's hash, the number of frames then, and digests of the snapshot's
// and the frames' bytes ("HASH FRAMES SNAPSHOT FRAMES" in hex). Coming back checks all
// four, so no byte of the snapshot or the frames can change unnoticed.
struct KeptRunFiles {
    std::string snapshot;
    std::string frames;
    std::string hash;
};

struct RunKeeper {
    KeptRunFiles files;
    ReplayRecorder recorder;
    uint64_t framesSinceSnapshot = 0;
    uint64_t snapshots = 0;  // snapshots taken: the page copies the snapshot when this changes
    uint64_t snapshotDigest = 0;  // of the snapshot's bytes
};

// Starts keeping the game as it stands: wraps `game.io` so that its frames are
// recorded, and takes the first snapshot with the clock at `clockTicks`.
void startKeeping(RunKeeper& k, Game& game, uint64_t clockTicks);

// After each frame: records it, and every SNAPSHOT_EVERY_FRAMES frames takes a new
// snapshot and starts the recording again from it.
void keepFrame(RunKeeper& k, const Loop& loop);

// Writes the hash file for the run as it stands after the last frame kept.
void noteKeptHash(const RunKeeper& k, const Loop& loop);

// Bringing a kept run back, some frames at a time so that the page can show progress.
struct RunRestore {
    ReplayPlayer player;
    uint64_t keptHash = 0;
    uint64_t keptFrames = 0;
    uint64_t clockTicks = 0;  // the clock where the run stopped
    bool framesKept = false;  // frames were played between the snapshot and keeping
    std::string detail;  // why it cannot come back, for the console: the player is told less
};

// Puts the kept snapshot in place of the rules' globals and `loop`, and opens the frames
// kept since. The reason in a player's words, when the run cannot come back (its
// developer's account in `r.detail`): it is incomplete (a part is missing, or its last
// frames), damaged (any byte differs from what was kept; more frames than the kept run
// counts, which never reaches SNAPSHOT_EVERY_FRAMES, are refused before one is played),
// or from another version or recipe book.
std::optional<std::string> beginRestore(RunRestore& r, const KeptRunFiles& files, Loop& loop);

// Plays up to `frames` of the kept frames: nothing while some remain, else "" when the
// run is back as it was kept (a screen that was open closed, giving back what it held)
// or the reason it cannot be, as beginRestore gives it.
std::optional<std::string> continueRestore(RunRestore& r, Loop& loop, uint64_t frames);

// A fresh world in place of a run that could not come back; the recipe book stays.
void startAfresh(Loop& loop);
