// A kept run: a snapshot and the recording since, written as play goes and read back.
#include "replay/kept_run.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "files/regular_file.h"
#include "replay/snapshot.h"
#include "replay/state_hash.h"
#include "rules/random.h"
#include "rules/screens.h"
#include "rules/state.h"

#ifndef BRAMBIX_VERSION
#define BRAMBIX_VERSION "0"
#endif

namespace {
// A snapshot is a few bytes a tile seen: hours of walking stay far below this.
constexpr size_t SNAPSHOT_LIMIT_BYTES = size_t{64} << 20;

PlayerPlace placeOf(const Loop& loop)
{
    return {loop.pX, loop.pY, loop.selectedHotbar};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Replaces the snapshot and starts the frames' recording afresh after it.
void takeNewSnapshot(RunKeeper& k, const Loop& loop, uint64_t clockTicks)
{
    writeFile(k.files.snapshot, takeSnapshot({placeOf(loop), clockTicks}, BRAMBIX_VERSION));
    ReplayRecorder& r = k.recorder;
    // Emptied first: until the first frame after this snapshot is written the frames
    // file must not hold those played before it.
    writeFile(k.files.frames, "");
    r.file.emplace().claim(k.files.frames);
    r.encoder = ReplayEncoder{};
    r.frame = ReplayFrame{};
    r.index = 0;
    r.failed = false;
    k.framesSinceSnapshot = 0;
    ++k.snapshots;
}
}  // namespace

void startKeeping(RunKeeper& k, Game& game, uint64_t clockTicks)
{
    ReplayRecorder& r = k.recorder;
    r.path = k.files.frames;
    r.inner = game.io;
    game.io = recordingPlatform(r);
    takeNewSnapshot(k, game.loop, clockTicks);
}

void keepFrame(RunKeeper& k, const Loop& loop)
{
    recordFrame(k.recorder, loop);
    if (++k.framesSinceSnapshot >= SNAPSHOT_EVERY_FRAMES) {
        takeNewSnapshot(k, loop, k.recorder.frame.ticks);
    }
}

void noteKeptHash(const RunKeeper& k, const Loop& loop)
{
    char line[48];
    std::snprintf(line, sizeof line, "%016" PRIx64 " %" PRIx64, combinedHash(hashState(placeOf(loop))),
                  k.framesSinceSnapshot);
    writeFile(k.files.hash, line);
}

std::optional<std::string> beginRestore(RunRestore& r, const KeptRunFiles& files, Loop& loop)
{
    FileRead hash = readRegularFile(files.hash, 64);
    FileRead snapshot = readRegularFile(files.snapshot, SNAPSHOT_LIMIT_BYTES);
    if (hash.status != FileRead::Read || snapshot.status != FileRead::Read) {
        return "it is incomplete: the browser cleared part of it";
    }
    if (std::sscanf(hash.text.c_str(), "%16" SCNx64 " %" SCNx64, &r.keptHash, &r.keptFrames) != 2) {
        return "it is damaged: its state hash cannot be read";
    }
    SnapshotLoad load = restoreSnapshot(snapshot.text, BRAMBIX_VERSION);
    if (!load.problem.empty()) {
        return "it is " + load.problem;
    }
    loop = Loop{};
    loop.pX = load.place.player.x;
    loop.pY = load.place.player.y;
    loop.selectedHotbar = load.place.player.selectedHotbar;
    r.clockTicks = load.place.clockTicks;
    // The recording begins with its first frame: an empty one holds none.
    std::error_code ec;
    r.framesKept = std::filesystem::file_size(files.frames, ec) > 0 && !ec;
    if (auto problem = r.framesKept ? r.player.load(files.frames) : std::nullopt) {
        return "its frames: " + *problem;
    }
    return std::nullopt;
}

std::optional<std::string> continueRestore(RunRestore& r, Loop& loop, uint64_t frames)
{
    const std::optional<Verdict> v = r.framesKept ? r.player.play(loop, frames, false) : Verdict{0, ""};
    if (!v) {
        return std::nullopt;
    }
    if (v->status != 0) {
        return "its frames: " + v->line;
    }
    // The kept hash stands for every checkpoint on the way.
    if (r.player.framesPlayed() != r.keptFrames ||
        combinedHash(hashState(placeOf(loop))) != r.keptHash) {
        return std::string("its state differs from the one kept");
    }
    if (r.player.framesPlayed() > 0) {
        r.clockTicks = r.player.lastTicks();
    }
    if (screenOpen()) {
        toggleInventory(loop.pX, loop.pY);
    }
    return std::string();
}

void startAfresh(Loop& loop)
{
    json book = std::move(recipes);
    resetGameState();
    resetGameRand();
    recipes = std::move(book);
    loop = Loop{};
}
