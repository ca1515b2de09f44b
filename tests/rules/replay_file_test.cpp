// The replay file's reader against files cut short and broken, and the state hash's parts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "replay/replay_file.h"
#include "replay/snapshot.h"
#include "replay/state_hash.h"
#include "replay/state_layout.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"

namespace {

// The first id past the item catalogue.
constexpr int UNKNOWN_ITEM = ITEM_COUNT;

// A header and `frames` frames (the last one ending the recording), with a click, a key
// and held keys early on; the offsets where each frame ends come back in `ends`.
std::string sampleFile(uint64_t frames, std::vector<size_t>* ends = nullptr)
{
    ReplayEncoder enc;
    std::string bytes = enc.header({REPLAY_FORMAT_VERSION, "0.1.0", 42, 1000});
    for (uint64_t i = 0; i < frames; ++i) {
        ReplayFrame f;
        f.ticks = 1000 + 16 * i + (i % 3 == 0 ? 1 : 0);
        f.keys = i < 10 ? 1u << 7 : 0;
        if (i == 2) {
            f.events = {{ReplayEvent::KeyDown, 8}, {ReplayEvent::MouseDown, 0, 3, 431.5f, 17.25f}, {ReplayEvent::Quit}};
        }
        f.last = i + 1 == frames;
        f.checkpoint = checkpointDue(i, f.last);
        f.hashes.fill(static_cast<uint32_t>(i));
        bytes += enc.frame(f);
        if (ends) {
            ends->push_back(bytes.size());
        }
    }
    return bytes;
}

TEST(ReplayFile, FramesReadBackAndEveryCutEndsAtTheLastWholeFrame)
{
    std::vector<size_t> ends;
    const std::string whole = sampleFile(125, &ends);
    ReplayReader reader(whole);
    ASSERT_TRUE(reader.readHeader()) << reader.problem();
    EXPECT_EQ(reader.header().recipeDigest, 42u);
    ReplayFrame f;
    std::vector<ReplayFrame> read;
    while (reader.next(f) == ReplayReader::Frame) {
        read.push_back(f);
    }
    ASSERT_EQ(read.size(), 125u);
    EXPECT_EQ(reader.next(f), ReplayReader::Ended);
    EXPECT_EQ(read[3].ticks, 1000u + 48 + 1);
    EXPECT_EQ(read[9].keys, 1u << 7);
    EXPECT_EQ(read[10].keys, 0u);
    ASSERT_EQ(read[2].events.size(), 3u);
    EXPECT_EQ(read[2].events[1].button, 3);
    EXPECT_FLOAT_EQ(read[2].events[1].y, 17.25f);
    EXPECT_TRUE(read[59].checkpoint && read[119].checkpoint && read[124].checkpoint && read[124].last);
    EXPECT_EQ(read[119].hashes[6], 119u);

    // Cut anywhere after the header: the frames before the cut, and the cut is named.
    for (size_t cut = ends[0] - 1; cut < whole.size(); ++cut) {
        ReplayReader partial(whole.substr(0, cut));
        ASSERT_TRUE(partial.readHeader());
        while (partial.next(f) == ReplayReader::Frame) {
        }
        const auto whole_frames = static_cast<uint64_t>(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
        ASSERT_EQ(partial.next(f), ReplayReader::CutShort) << "cut at " << cut;
        ASSERT_EQ(partial.frames(), whole_frames) << "cut at " << cut;
    }
}

TEST(ReplayFile, BrokenFilesGetOneClearProblem)
{
    std::vector<size_t> ends;
    const std::string good = sampleFile(61, &ends);
    const size_t header = 8 + 2 + 1 + 5 + 8 + 8;
    struct Case {
        const char* what;
        std::string bytes;
        const char* problem;
    };
    std::string newer = good;
    newer[8] = 2;
    std::string zero = good;
    zero[8] = 0;
    std::string flags = good;
    flags[header] = static_cast<char>(0x80);
    std::string kind = good;
    kind[ends[1] + 3] = 9;  // frame 2: its flags, tick step, event count, then the first kind
    ReplayEncoder plain;
    std::string noCheckpoint = plain.header({});
    for (int i = 0; i < 60; ++i) {
        noCheckpoint += plain.frame({});
    }
    std::string early = good.substr(0, header) + std::string(1, 0x10) + std::string(28, '\0');
    std::string huge = good.substr(0, header) + std::string(1, 0x01) + std::string(10, '\xff') + '\x01';
    std::string noEvents = good.substr(0, header) + std::string(1, 0x04) + std::string(1, '\0');
    // One frame of 4097 one-byte quits: refused before a single event is kept.
    std::string flood = good.substr(0, header) + "\x04\x81\x20" + std::string(4097, '\0');
    auto clickAt = [&](float x, float y) {
        ReplayEncoder enc;
        ReplayFrame f;
        f.events = {{ReplayEvent::MouseDown, 0, 1, x, y}};
        return enc.header({}) + enc.frame(f);
    };
    ReplayEncoder plainPointer;
    ReplayFrame pointerFrame;
    pointerFrame.pointerX = std::numeric_limits<float>::infinity();
    std::string farPointer = plainPointer.header({}) + plainPointer.frame(pointerFrame);
    const std::vector<Case> cases = {
        {"empty", "", "not a Brambix replay"},
        {"another file", std::string(64, 'x'), "not a Brambix replay"},
        {"header cut", good.substr(0, 20), "the header is cut short"},
        {"newer format", newer, "made by a newer Brambix (replay format 2; this one reads format 1)"},
        {"format 0", zero, "format version 0 at byte 10"},
        {"unknown flags", flags, "unknown frame flags at byte 32"},
        {"unknown event", kind, "an unknown event"},
        {"missing checkpoint", noCheckpoint, "a missing checkpoint"},
        {"early checkpoint", early, "a checkpoint out of place"},
        {"number too large", huge, "a number too large"},
        {"no events", noEvents, "a bad event count"},
        {"bytes after the end", good + "x", "bytes after the last frame"},
        {"a frame of 4097 events", flood, "more than 4096 events in frame 1"},
        {"a click at NaN", clickAt(std::nanf(""), 10.0f), "a click off the picture in frame 1"},
        {"a click at 1e38", clickAt(10.0f, 1e38f), "a click off the picture in frame 1"},
        {"a pointer at infinity", farPointer, "a pointer off the picture in frame 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReplayReader reader(c.bytes);
        ReplayFrame f;
        if (reader.readHeader()) {
            ReplayReader::Next n;
            while ((n = reader.next(f)) == ReplayReader::Frame) {
            }
            EXPECT_EQ(n, ReplayReader::Corrupt);
        }
        EXPECT_NE(reader.problem().find(c.problem), std::string::npos) << reader.problem();
    }
}

TEST(StateHash, EachPartAnswersForItsOwnStateOnly)
{
    resetGameState();
    resetGameRand();
    const PlayerPlace start;
    const StateHashes fresh = hashState(start);
    // Pinned: the same bytes in the same order on every build, or replays would not travel.
    EXPECT_EQ(combinedHash(fresh), 0x863fde22bdcf1c74u) << std::hex << combinedHash(fresh);
    struct Change {
        int part;
        void (*apply)(PlayerPlace&);
    };
    const Change changes[] = {
        {PART_WORLD, [](PlayerPlace&) { world[{3, -4}] = 0; }},
        {PART_SEEN, [](PlayerPlace&) { chunks[{3, -4}] = true; }},
        {PART_CREATURES, [](PlayerPlace&) { mobs.push_back(Mob{}); }},
        {PART_CREATURES, [](PlayerPlace&) { mobs[0].x = -0.0f; }},
        {PART_DROPS, [](PlayerPlace&) { drops.push_back({7, 1.0f, 2.0f, 1}); }},
        {PART_INVENTORY, [](PlayerPlace&) { inv[20] = {2, 1}; }},
        {PART_INVENTORY, [](PlayerPlace&) { showCraft = true; }},
        {PART_PLAYER, [](PlayerPlace& p) { p.selectedHotbar = 1; }},
        {PART_PLAYER, [](PlayerPlace&) { hp = 9; }},
        {PART_RANDOM, [](PlayerPlace&) { gameRand(); }},
    };
    PlayerPlace place;
    StateHashes before = fresh;
    for (const Change& c : changes) {
        SCOPED_TRACE(statePartName(c.part));
        c.apply(place);
        const StateHashes after = hashState(place);
        for (int part = 0; part < STATE_PARTS; ++part) {
            EXPECT_EQ(after[static_cast<size_t>(part)] != before[static_cast<size_t>(part)], part == c.part)
                << statePartName(part);
        }
        before = after;
        // Every part a snapshot holds comes back from it to the same hash.
        const std::string snapshot = takeSnapshot({place, 77}, "0.1.0");
        const std::vector<ItemStack> keptInv = inv;
        resetGameState();
        resetGameRand();
        const SnapshotLoad load = restoreSnapshot(snapshot, "0.1.0");
        EXPECT_EQ(load.problem, "");
        EXPECT_EQ(hashState(load.place.player), after);
        EXPECT_EQ(load.place.clockTicks, 77u);
        EXPECT_EQ(inv, keptInv);
    }
    resetGameState();
    resetGameRand();
}

// Nudges each field of the record `record()` in turn, through the layout's own walk: the
// part's hash changes, and a snapshot brings the nudged state back to the same hashes.
template <class R>
void nudgeEveryField(R& (*record)(), int part)
{
    for (int k = 0;; ++k) {
        resetGameState();
        resetGameRand();
        mobs = {Mob{1, 5.0f, 6.0f, 7.0f, 8.0f, 100, 2, 50, false}};
        drops = {DroppedItem{7, 1.0f, 2.0f, 3}};
        const StateHashes before = hashState({});
        int i = 0;
        walkFields(record(), [&](auto& v) {
            if (i++ == k) {
                v = static_cast<std::remove_cvref_t<decltype(v)>>(v + 1);
            }
        });
        if (k >= i) {
            EXPECT_GE(k, 4);
            return;
        }
        SCOPED_TRACE(testing::Message() << statePartName(part) << ", field " << k);
        const StateHashes after = hashState({});
        EXPECT_NE(after[static_cast<size_t>(part)], before[static_cast<size_t>(part)]);
        const std::string snapshot = takeSnapshot({}, "0.1.0");
        resetGameState();
        EXPECT_EQ(restoreSnapshot(snapshot, "0.1.0").problem, "");
        EXPECT_EQ(hashState({}), after);
    }
}

TEST(StateLayout, EveryFieldOfACreatureAndADropReachesTheHashAndTheSnapshot)
{
    nudgeEveryField<Mob>([]() -> Mob& { return mobs[0]; }, PART_CREATURES);
    nudgeEveryField<DroppedItem>([]() -> DroppedItem& { return drops[0]; }, PART_DROPS);
    resetGameState();
    resetGameRand();
}

TEST(Snapshot, BrokenOrForeignSnapshotsChangeNothingAndSayWhy)
{
    resetGameState();
    resetGameRand();
    world[{-5, 70000}] = 6;
    chunks[{-5, 70000}] = true;
    mobs.push_back({2, 1.5f, -3.0f});
    drops.push_back({7, 1.0f, 2.0f, 3});
    const std::string good = takeSnapshot({{6.0f, -12.0f, 4}, 5000}, "0.1.0");
    // The clock, the player, health, the random sequence (132), then the tile: its count,
    // x and y steps (1 and 3 bytes) and id; then the seen tile alike.
    const size_t state = 8 + 2 + 1 + 5 + 8;
    const auto with = [&good](size_t at, char byte) {
        std::string bytes = good;
        bytes[at] = byte;
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
        const char* version;
        std::string problem;
    };
    std::vector<Case> cases = {
        {"a replay", sampleFile(3), "0.1.0", "not a kept run"},
        {"another version", good, "0.2.0", "kept by another version of Brambix (0.1.0)"},
        {"another format under this version", with(8, 2), "0.1.0", "damaged"},
        {"another book", with(16, 1), "0.1.0", "kept with another recipe book"},
        {"health 11", with(state + 20, 11), "0.1.0", "health is out of range"},
        {"a tile id past the catalogue", with(state + 169, static_cast<char>(UNKNOWN_ITEM)), "0.1.0",
         "unknown item " + std::to_string(UNKNOWN_ITEM)},
        {"a bad seen flag", with(state + 178, 2), "0.1.0", "holds 2"},
        {"bytes after", good + "x", "0.1.0", "bytes follow its end"},
    };
    // Every cut of it, from the version on.
    for (size_t n = 16; n < good.size(); n += 7) {
        cases.push_back({"cut short", good.substr(0, n), "0.1.0", "cut short"});
    }
    resetGameState();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SnapshotLoad load = restoreSnapshot(c.bytes, c.version);
        EXPECT_NE(load.problem.find(c.problem), std::string::npos) << load.problem;
        EXPECT_TRUE(world.empty() && chunks.empty() && mobs.empty() && drops.empty());
    }
}

}  // namespace
