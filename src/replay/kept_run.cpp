// A kept run: a snapshot and the recording since, written as play goes and read back.
#include "replay/kept_run.h"

#include <cinttypes>
#include <cstdio>
#include <string_view>
#include <utility>

#include "files/regular_file.h"
#include "replay/replay_file.h"
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
// "HASH FRAMES SNAPSHOT FRAMES": four numbers of at most 16 hex digits and their spaces.
constexpr size_t HASH_LIMIT_BYTES = 4 * 17;
constexpr const char* HASH_FORMAT = "%016" PRIx64 " %" PRIx64 " %016" PRIx64 " %016" PRIx64;

// What a player is told, after "the run kept in this tab could not be brought back:".
constexpr const char* INCOMPLETE = "it is incomplete: part of it is missing from this tab's storage";
constexpr const char* CUT_SHORT = "it is incomplete: the last moments played before it was kept are missing";
constexpr const char* DAMAGED = "it is damaged: this tab's storage does not hold what the game kept";
constexpr const char* DIFFERS = "it differs from the run that was kept: played again, it does not give the same world";

PlayerPlace placeOf(const Loop& loop)
{
    return {loop.pX, loop.pY, loop.selectedHotbar};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// Replaces the snapshot and starts the frames' recording afresh after it.
void takeNewSnapshot(RunKeeper& k, const Loop& loop, uint64_t clockTicks)
{
    const std::string snapshot = takeSnapshot({placeOf(loop), clockTicks}, BRAMBIX_VERSION);
    writeFile(k.files.snapshot, snapshot);
    k.snapshotDigest = fnv1a(snapshot);
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
    // The frames as written so far: a minute of play at most, some kilobytes.
    const FileRead frames = readRegularFile(k.files.frames, REPLAY_LIMIT_BYTES);
    char line[HASH_LIMIT_BYTES + 1];
    std::snprintf(line, sizeof line, HASH_FORMAT, combinedHash(hashState(placeOf(loop))), k.framesSinceSnapshot,
                  k.snapshotDigest, fnv1a(frames.text));
    writeFile(k.files.hash, line);
}

namespace {
// How the frames part was found wanting, when it was: `kept` frames were kept.
std::optional<std::string> checkFrames(RunRestore& r, const std::string& bytes, uint64_t kept, uint64_t digest)
{
    if (fnv1a(bytes) == digest) {
        return std::nullopt;
    }
    // Told apart by reading no further than one frame past the count kept, whatever the length.
    ReplayReader reader(bytes);
    ReplayFrame frame;
    ReplayReader::Next n = bytes.empty() || reader.readHeader() ? ReplayReader::Frame : ReplayReader::Corrupt;
    while (n == ReplayReader::Frame && reader.frames() <= kept) {
        n = reader.next(frame);
    }
    if (n == ReplayReader::CutShort && reader.frames() < kept) {
        r.detail = "its frames end after " + std::to_string(reader.frames()) + " of the " + std::to_string(kept) +
                   " kept";
        return CUT_SHORT;
    }
    r.detail = reader.frames() > kept ? "its frames hold more than the " + std::to_string(kept) + " kept"
               : n == ReplayReader::Corrupt ? "its frames are damaged after frame " + std::to_string(reader.frames()) +
                                                  ": " + reader.problem()
                                            : "its frames are not those kept";
    return DAMAGED;
}

// The snapshot's own verdict, in a player's words: a version or a book that is not this
// game's is told as such, anything else is damage.
std::string snapshotProblem(RunRestore& r, const std::string& problem)
{
    r.detail = "its snapshot: " + problem;
    return problem.starts_with("kept ") ? "it was " + problem : DAMAGED;
}
}  // namespace

std::optional<std::string> beginRestore(RunRestore& r, const KeptRunFiles& files, Loop& loop)
{
    const std::pair<FileRead, const char*> parts[] = {
        {readRegularFile(files.hash, HASH_LIMIT_BYTES), "hash"},
        {readRegularFile(files.snapshot, SNAPSHOT_LIMIT_BYTES), "snapshot"},
        {readRegularFile(files.frames, REPLAY_LIMIT_BYTES), "frames"},
    };
    for (const auto& [read, name] : parts) {
        if (read.status != FileRead::Read) {
            r.detail = std::string("its ") + name +
                       (read.status == FileRead::Missing    ? " is missing"
                        : read.status == FileRead::TooLarge ? " is larger than " + read.problem
                                                            : ": " + read.problem);
            return read.status == FileRead::Missing ? INCOMPLETE : DAMAGED;
        }
    }
    const std::string& hash = parts[0].first.text;
    const std::string& snapshot = parts[1].first.text;
    const std::string& frames = parts[2].first.text;
    // Read strictly: only the exact text the game writes.
    uint64_t snapshotDigest = 0;
    uint64_t framesDigest = 0;
    char again[HASH_LIMIT_BYTES + 1] = "";
    if (std::sscanf(hash.c_str(), "%16" SCNx64 " %16" SCNx64 " %16" SCNx64 " %16" SCNx64, &r.keptHash, &r.keptFrames,
                    &snapshotDigest, &framesDigest) == 4) {
        std::snprintf(again, sizeof again, HASH_FORMAT, r.keptHash, r.keptFrames, snapshotDigest, framesDigest);
    }
    if (hash.empty() || hash != again) {
        // A run kept by an earlier version wrote two numbers: its snapshot says whose it is.
        SnapshotLoad load = restoreSnapshot(snapshot, BRAMBIX_VERSION);
        if (!load.problem.empty()) {
            return snapshotProblem(r, load.problem);
        }
        r.detail = "its hash cannot be read";
        return DAMAGED;
    }
    if (r.keptFrames >= SNAPSHOT_EVERY_FRAMES) {
        r.detail = "it counts " + std::to_string(r.keptFrames) + " frames since its snapshot";
        return DAMAGED;
    }
    if (fnv1a(snapshot) != snapshotDigest) {
        r.detail = "its snapshot is not the one kept";
        return DAMAGED;
    }
    if (auto problem = checkFrames(r, frames, r.keptFrames, framesDigest)) {
        return problem;
    }
    SnapshotLoad load = restoreSnapshot(snapshot, BRAMBIX_VERSION);
    if (!load.problem.empty()) {
        return snapshotProblem(r, load.problem);
    }
    loop = Loop{};
    loop.pX = load.place.player.x;
    loop.pY = load.place.player.y;
    loop.selectedHotbar = load.place.player.selectedHotbar;
    r.clockTicks = load.place.clockTicks;
    // The recording begins with its first frame: an empty one holds none.
    r.framesKept = !frames.empty();
    if (auto problem = r.framesKept ? r.player.load(files.frames) : std::nullopt) {
        r.detail = "its frames: " + *problem;
        return DAMAGED;
    }
    return std::nullopt;
}

std::optional<std::string> continueRestore(RunRestore& r, Loop& loop, uint64_t frames)
{
    const std::optional<Verdict> v = r.framesKept ? r.player.play(loop, frames, false) : Verdict{0, ""};
    if (!v) {
        return std::nullopt;
    }
    // The kept hash stands for every checkpoint on the way.
    if (v->status != 0 || r.player.framesPlayed() != r.keptFrames ||
        combinedHash(hashState(placeOf(loop))) != r.keptHash) {
        r.detail = v->status != 0 ? "its frames: " + v->line
                                  : "its state after " + std::to_string(r.player.framesPlayed()) + " frames";
        return std::string(DIFFERS);
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
