// The frame loop's steps before drawing, driven through a fake platform: a settable
// clock, a queue of input events, a pointer and held keys. Nothing here waits or
// opens a window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <vector>

#include "rules/clock.h"
#include "rules/creatures.h"
#include "rules/health.h"
#include "rules/items.h"
#include "replay/snapshot.h"
#include "rules/random.h"
#include "rules/recipe_book.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"
#include "shell/app/frame.h"
#include "replay/kept_run.h"
#include "shell/platform/sdl.h"

namespace {

// The first time, with the last decay at 0, at which health falls a point.
constexpr uint64_t DECAY_DUE = HP_DECAY_MS + 1;

uint64_t now = 0;
uint64_t fakeTicks()
{
    return now;
}

struct Pending {
    InputEvent event;
    std::optional<PointerPos> pointerWhenHandled;  // the pointer has moved here by then
};

struct FakePlatform {
    std::deque<Pending> events;
    PointerPos pointer;
    KeyState keys{};
    std::vector<uint32_t> delays;

    Platform platform()
    {
        return {
            [] { return now; },
            [this](InputEvent& e) {
                if (events.empty()) {
                    return false;
                }
                const Pending p = events.front();
                events.pop_front();
                e = p.event;
                if (p.pointerWhenHandled) {
                    pointer = *p.pointerWhenHandled;
                }
                return true;
            },
            [this] { return pointer; },
            [this] { return keys; },
            [this](uint32_t ms) { delays.push_back(ms); },
        };
    }

    void hold(int scancode) { keys[static_cast<size_t>(scancode)] = true; }
    void press(int scancode) { events.push_back({{InputEvent::Kind::KeyDown, scancode, 0}, std::nullopt}); }
    void click(int button, float x, float y) { events.push_back({{InputEvent::Kind::MouseDown, 0, button}, PointerPos{x, y}}); }
    void quit() { events.push_back({{InputEvent::Kind::Quit, 0, 0}, std::nullopt}); }
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGameState();
        now = 0;
        setTickSource(fakeTicks);
        resetGameRand();
        io = fake.platform();
    }
    void TearDown() override { setTickSource(nullptr); }

    void step() { stepFrame(loop, io); }

    FakePlatform fake;
    Platform io;
    Loop loop;
};

TEST_F(FrameTest, HealthDecaysOnlyWhenMoreThanAMinuteHasPassed)
{
    lastDecay = 1000;
    now = 1000 + HP_DECAY_MS;  // exactly one period later
    step();
    EXPECT_EQ(hp, 10);
    EXPECT_EQ(lastDecay, 1000u);

    now = 1000 + DECAY_DUE;
    step();
    EXPECT_EQ(hp, 9);
    EXPECT_EQ(lastDecay, 1000 + DECAY_DUE);

    now = 1000 + DECAY_DUE + HP_DECAY_MS;  // the next period counts from the last decay
    step();
    EXPECT_EQ(hp, 9);
}

TEST_F(FrameTest, LastPointRespawnsAtOriginInTheSameFrameKeepingEverything)
{
    hp = 1;
    lastDecay = 0;
    now = DECAY_DUE;
    loop.pX = 500.0f;
    loop.pY = -300.0f;
    hotbar[0] = {ITEM_WOOD, 7};
    inv[3] = {ITEM_PLANKS, 9};
    world[{2, 2}] = ITEM_NONE;

    step();

    EXPECT_EQ(hp, 10);
    EXPECT_FLOAT_EQ(loop.pX, 0.0f);
    EXPECT_FLOAT_EQ(loop.pY, 0.0f);
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 7}));
    EXPECT_EQ(inv[3], (ItemStack{ITEM_PLANKS, 9}));
    EXPECT_EQ(world.size(), 1u);
    // The camera follows the respawned player in the same frame.
    EXPECT_FLOAT_EQ(loop.cameraX, -368.0f);
    EXPECT_FLOAT_EQ(loop.cameraY, -268.0f);
}

TEST_F(FrameTest, CameraIsPlacedBeforeThisFramesMovement)
{
    loop.pX = 100.0f;
    loop.pY = 50.0f;
    fake.hold(SDL_SCANCODE_D);
    step();
    EXPECT_FLOAT_EQ(loop.pX, 106.0f);
    EXPECT_FLOAT_EQ(loop.pY, 50.0f);
    EXPECT_FLOAT_EQ(loop.cameraX, 100.0f - 368.0f);
    EXPECT_FLOAT_EQ(loop.cameraY, 50.0f - 268.0f);
    EXPECT_TRUE(loop.moving);

    fake.keys = {};
    step();
    EXPECT_FLOAT_EQ(loop.pX, 106.0f);
    EXPECT_FLOAT_EQ(loop.cameraX, 106.0f - 368.0f);
    EXPECT_FALSE(loop.moving);
}

TEST_F(FrameTest, HeldMovementKeysAddUp)
{
    {
        SCOPED_TRACE("W and S cancel out but the player still counts as moving");
        fake.hold(SDL_SCANCODE_W);
        fake.hold(SDL_SCANCODE_S);
        step();
        EXPECT_FLOAT_EQ(loop.pX, 0.0f);
        EXPECT_FLOAT_EQ(loop.pY, 0.0f);
        EXPECT_TRUE(loop.moving);
    }
    {
        SCOPED_TRACE("W and D: up and right by 6 each");
        fake.keys = {};
        fake.hold(SDL_SCANCODE_W);
        fake.hold(SDL_SCANCODE_D);
        step();
        EXPECT_FLOAT_EQ(loop.pX, 6.0f);
        EXPECT_FLOAT_EQ(loop.pY, -6.0f);
    }
    {
        SCOPED_TRACE("A alone: left by 6");
        fake.keys = {};
        fake.hold(SDL_SCANCODE_A);
        step();
        EXPECT_FLOAT_EQ(loop.pX, 0.0f);
        EXPECT_FLOAT_EQ(loop.pY, -6.0f);
    }
}

TEST_F(FrameTest, HotbarKeysSelectAndTheHighestHeldWins)
{
    fake.hold(SDL_SCANCODE_1);
    fake.hold(SDL_SCANCODE_3);
    step();
    EXPECT_EQ(loop.selectedHotbar, 2);

    fake.keys = {};
    fake.hold(SDL_SCANCODE_5);
    step();
    EXPECT_EQ(loop.selectedHotbar, 4);

    fake.keys = {};  // letting go keeps the selection
    step();
    EXPECT_EQ(loop.selectedHotbar, 4);
}

TEST_F(FrameTest, OpenScreenStopsMovementAndHotbarKeysButNotTheWorld)
{
    showInv = true;
    loop.pX = 10.0f;
    loop.pY = 20.0f;
    loop.moving = true;
    for (int k : {SDL_SCANCODE_W, SDL_SCANCODE_A, SDL_SCANCODE_S, SDL_SCANCODE_D, SDL_SCANCODE_3}) {
        fake.hold(k);
    }
    hp = 5;
    lastDecay = 0;
    now = DECAY_DUE;
    Mob walker;
    walker.x = 0.0f;
    walker.y = 0.0f;
    walker.tx = 100.0f;
    walker.ty = 0.0f;
    walker.nextMove = 100000;  // keeps its target this frame
    mobs.push_back(walker);
    Mob due;  // due for a new target by the rules' clock
    due.x = 5000.0f;
    due.nextMove = DECAY_DUE - 1;
    mobs.push_back(due);
    dropItem(ITEM_STICK, 20.0f, 30.0f);

    step();

    EXPECT_FLOAT_EQ(loop.pX, 10.0f);
    EXPECT_FLOAT_EQ(loop.pY, 20.0f);
    EXPECT_EQ(loop.selectedHotbar, 0);
    EXPECT_FALSE(loop.moving);
    EXPECT_EQ(hp, 4);
    ASSERT_GE(mobs.size(), 2u);  // and those the view's first sight spawned
    EXPECT_FLOAT_EQ(mobs[0].x, 1.2f);
    EXPECT_GE(mobs[1].nextMove, DECAY_DUE + WANDER_MIN_MS);
    EXPECT_LT(mobs[1].nextMove, DECAY_DUE + WANDER_MIN_MS + WANDER_SPREAD_MS);
    EXPECT_TRUE(drops.empty());
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_STICK, 1}));
    EXPECT_TRUE(showInv);
}

TEST_F(FrameTest, EKeyDownTogglesTheInventoryScreen)
{
    fake.press(SDL_SCANCODE_E);
    step();
    EXPECT_TRUE(showInv);

    fake.press(SDL_SCANCODE_F);  // another key does nothing
    step();
    EXPECT_TRUE(showInv);

    fake.press(SDL_SCANCODE_E);
    step();
    EXPECT_FALSE(showInv);

    fake.hold(SDL_SCANCODE_E);  // holding E is not a press
    step();
    EXPECT_FALSE(showInv);

    showCraft = true;  // E at a crafting table shows the inventory instead
    fake.keys = {};
    fake.press(SDL_SCANCODE_E);
    step();
    EXPECT_TRUE(showInv);
    EXPECT_FALSE(showCraft);
}

TEST_F(FrameTest, QuitStopsTheLoopAfterTheRestOfTheFrame)
{
    fake.quit();
    fake.press(SDL_SCANCODE_E);
    fake.hold(SDL_SCANCODE_D);
    now = DECAY_DUE;
    step();
    EXPECT_FALSE(loop.running);
    EXPECT_TRUE(showInv);  // a later event of the same drain is still handled
    EXPECT_EQ(hp, 9);
    EXPECT_FLOAT_EQ(loop.cameraX, -368.0f);
    EXPECT_FLOAT_EQ(loop.pX, 0.0f);  // the screen opened by E stops the movement

    showInv = false;  // with no screen, the quitting frame still moves the player
    fake.quit();
    step();
    EXPECT_FLOAT_EQ(loop.pX, 6.0f);
}

TEST_F(FrameTest, ScreenFlagsAreReadWhenEachClickIsHandled)
{
    // With the player at the origin, window pixel (260, 270) is world (-108, 2): tile (-2, 0),
    // and also inside inventory slot 0.
    const int tileBefore = getTile(-2, 0);
    ASSERT_GT(tileBefore, 0);
    {
        SCOPED_TRACE("E then a click: the click goes to the open screen");
        inv[0] = {ITEM_PLANKS, 3};
        fake.press(SDL_SCANCODE_E);
        fake.click(1, 260.0f, 270.0f);
        step();
        EXPECT_TRUE(showInv);
        EXPECT_EQ(drag, (ItemStack{ITEM_PLANKS, 3}));
        EXPECT_EQ(inv[0], ItemStack{});
        EXPECT_TRUE(world.empty());
        EXPECT_EQ(hotbar[0], ItemStack{});
    }
    resetGameState();
    {
        SCOPED_TRACE("a click then E: the click breaks the world tile");
        inv[0] = {ITEM_PLANKS, 3};
        fake.click(1, 260.0f, 270.0f);
        fake.press(SDL_SCANCODE_E);
        step();
        EXPECT_TRUE(showInv);
        ASSERT_EQ(world.count({-2, 0}), 1u);
        EXPECT_EQ(world.at({-2, 0}), ITEM_NONE);
        EXPECT_EQ(hotbar[0], (ItemStack{tileBefore, 1}));
        EXPECT_EQ(inv[0], (ItemStack{ITEM_PLANKS, 3}));
        EXPECT_EQ(drag, ItemStack{});
    }
}

TEST_F(FrameTest, EachClickActsWhereThePointerIsWhenItIsHandled)
{
    fake.pointer = {10.0f, 10.0f};  // over tile (-6, -5) before the events
    fake.click(1, 400.0f, 300.0f);  // world (32, 32): tile (0, 0)
    fake.click(1, 464.0f, 300.0f);  // world (96, 32): tile (1, 0)
    step();
    EXPECT_EQ(world.count({0, 0}), 1u);
    EXPECT_EQ(world.count({1, 0}), 1u);
    EXPECT_EQ(world.count({-6, -5}), 0u);
    EXPECT_EQ(world.size(), 2u);
}

TEST_F(FrameTest, ClicksUseTheCameraOfThisFrame)
{
    loop.pX = 640.0f;  // camera (272, -268) for this frame's clicks
    fake.hold(SDL_SCANCODE_D);  // after the step the camera would be at 278
    fake.click(1, 431.0f, 300.0f);  // world (703, 32): tile (10, 0); 709 would be tile 11
    step();
    EXPECT_EQ(world.count({10, 0}), 1u);
    EXPECT_EQ(world.size(), 1u);
}

TEST_F(FrameTest, PickUpUsesThePositionBeforeThisFramesMovement)
{
    dropItem(ITEM_STICK, -39.5f, 0.0f);  // 39.5 away now, 45.5 after the step right
    dropItem(ITEM_WOOD, 45.0f, 0.0f);    // 45 away now, 39 after the step right
    fake.hold(SDL_SCANCODE_D);
    step();
    EXPECT_FLOAT_EQ(loop.pX, 6.0f);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].id, ITEM_WOOD);
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_STICK, 1}));
}

}  // namespace

// A snapshot taken anywhere in a recorded run holds the whole state: restored into a
// fresh game, the run plays on from it and matches every later checkpoint.
TEST_F(FrameTest, ASnapshotAnywhereInARecordedRunPlaysOnAsTheRunDid)
{
    ASSERT_NE(loadRecipes(RECIPES_PATH).status, RecipeLoad::Invalid);
    const std::pair<const char*, uint64_t> cuts[] = {
        {"craft-and-hunt", 1}, {"craft-and-hunt", 1234}, {"craft-and-hunt", 3000}, {"walk-far", 20000}};
    for (const auto& [name, cut] : cuts) {
        SCOPED_TRACE(std::string(name) + " at frame " + std::to_string(cut));
        startAfresh(loop);
        ReplayPlayer player;
        ASSERT_EQ(player.load(std::string(BRAMBIX_SOURCE_DIR "/tests/replays/") + name + ".brx"), std::nullopt);
        ASSERT_EQ(player.play(loop, cut), std::nullopt);
        const PlayerPlace place{loop.pX, loop.pY, loop.selectedHotbar};
        const StateHashes kept = hashState(place);
        const std::string snapshot = takeSnapshot({place, player.lastTicks()}, "0");
        startAfresh(loop);
        const SnapshotLoad load = restoreSnapshot(snapshot, "0");
        ASSERT_EQ(load.problem, "");
        EXPECT_EQ(hashState(load.place.player), kept);
        loop.pX = load.place.player.x;
        loop.pY = load.place.player.y;
        loop.selectedHotbar = load.place.player.selectedHotbar;
        const std::optional<Verdict> v = player.play(loop, UINT64_MAX);
        EXPECT_EQ(v->status, 0) << v->line;
    }
}

// The page's round trip: a run kept with the inventory open and a stack carried comes
// back to the hash it was kept with, then closes the screen giving the stack back; a
// kept run that is incomplete, damaged or foreign says why and changes nothing it kept.
TEST_F(FrameTest, AKeptRunComesBackOrSaysWhyNot)
{
    // Its own folder: a test run of another build at the same time must not write in it.
    const std::string dir = ::testing::TempDir() + "brambix-kept-" +
                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
    std::filesystem::create_directories(dir);
    const KeptRunFiles files{dir + "/snapshot", dir + "/frames", dir + "/hash"};
    Game game;
    game.io = io;
    RunKeeper keeper;
    keeper.files = files;
    hotbar[0] = {ITEM_WOOD, 3};
    startKeeping(keeper, game, now);
    fake.hold(SDL_SCANCODE_D);
    const auto frames = [&](int n) {
        for (int i = 0; i < n; ++i) {
            now += 16 + i % 2;
            stepFrame(game.loop, game.io);
            keepFrame(keeper, game.loop);
        }
    };
    frames(SNAPSHOT_EVERY_FRAMES + 100);  // past a second snapshot
    fake.keys = {};
    fake.press(SDL_SCANCODE_E);
    const SlotRect slot = hotbarSlotRect(0), cell = gridCellRect(0, false);
    fake.click(1, slot.x + 5, slot.y + 5);  // the wood on the pointer, then one into the grid
    fake.click(3, cell.x + 5, cell.y + 5);
    frames(1);
    ASSERT_TRUE(showInv && drag.count == 2);
    noteKeptHash(keeper, game.loop);
    const Loop kept = game.loop;
    std::map<std::string, std::string> bytes;
    for (const std::string& path : {files.snapshot, files.frames, files.hash}) {
        std::ifstream in(path, std::ios::binary);
        bytes[path].assign(std::istreambuf_iterator<char>(in), {});
    }
    // The keeper lets go of its frames file: Windows lets no one else write a file held open.
    keeper.recorder.file.reset();
    const auto restoreAll = [&] {
        RunRestore restore;
        startAfresh(loop);
        std::optional<std::string> done = beginRestore(restore, files, loop);
        while (!done) {
            done = continueRestore(restore, loop, 7);
        }
        return *done;
    };
    EXPECT_EQ(restoreAll(), "");
    EXPECT_EQ(loop.pX, kept.pX);
    EXPECT_FALSE(screenOpen());
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_WOOD, 3}));

    // The game's version as the snapshot names it: after the magic and the format.
    const std::string version = bytes[files.snapshot].substr(11, static_cast<uint8_t>(bytes[files.snapshot][10]));
    // A new file each time: a file cut to nothing and written again is forced to disk on
    // closing by some file systems, which made hundreds of rows take seconds.
    const auto write = [](const std::string& path, const std::string& text) {
        std::filesystem::remove(path);
        std::ofstream(path, std::ios::binary) << text;  // as the bytes were kept, on Windows too
    };
    std::string& snapshot = bytes[files.snapshot];
    std::string& framesKept = bytes[files.frames];
    // A hash as an earlier version wrote it ("HASH FRAMES"): the snapshot alone says whose it is.
    const std::string earlier = bytes[files.hash].substr(0, bytes[files.hash].find(' ', 17));
    const auto digest = [](const std::string& b) {
        uint64_t h = 14695981039346656037ull;
        for (const char c : b) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
        return h;
    };
    const std::string million = framesKept + std::string(1000000, '\0');  // empty frames after those kept
    char forged[80];  // the million frames with a hash that vouches for them
    std::snprintf(forged, sizeof forged, "%.16s %x %016" PRIx64 " %016" PRIx64, bytes[files.hash].c_str(), 1000101,
                  digest(snapshot), digest(million));
    const std::pair<std::function<void()>, const char*> faults[] = {
        {[&] { std::filesystem::remove(files.hash); }, "incomplete"},
        {[&] { std::filesystem::remove(files.frames); }, "incomplete"},
        {[&] { write(files.hash, "not a hash"); }, "damaged"},
        {[&] { write(files.hash, std::string(4 << 20, '0')); }, "damaged"},
        {[&] { write(files.hash, snapshot); }, "damaged"},
        {[&] { write(files.frames, framesKept.substr(0, framesKept.size() - 1)); }, "incomplete"},
        {[&] { write(files.frames, "x"); }, "damaged"},
        {[&] { write(files.frames, million); }, "damaged"},
        {[&] { write(files.frames, million), write(files.hash, forged); }, "damaged"},
        {[&] { write(files.snapshot, takeSnapshot({}, version)); }, "damaged"},
        {[&] { write(files.snapshot, takeSnapshot({}, "another")), write(files.hash, earlier); },
         "another version of Brambix (another)"},
        {[&] { write(files.snapshot, takeSnapshot({}, "\x01\xff")), write(files.hash, earlier); }, "damaged"},
        {[&] { write(files.snapshot, snapshot.substr(0, 8) + "\x02" + snapshot.substr(9)), write(files.hash, earlier); },
         "damaged"},
        {[&] { write(files.snapshot, snapshot), write(files.hash, earlier); }, "damaged"},
    };
    // Every byte of the snapshot and of the frames matters: one bit changed is refused,
    // wherever it is. Each byte of the snapshot up to the end of its random sequence, of
    // the frames, and bytes spread over the rest of the snapshot (its tiles).
    std::vector<std::pair<std::function<void()>, const char*>> rows(std::begin(faults), std::end(faults));
    for (const std::string* part : {&snapshot, &framesKept}) {
        const std::string& path = part == &snapshot ? files.snapshot : files.frames;
        const size_t header = part == &snapshot ? 27 + version.size() + 31 * 4 + 8 : part->size();
        for (size_t i = 0; i < part->size(); i += i < header ? 1 : part->size() / 50) {
            rows.push_back({[&, part, i] {
                                std::string changed = *part;
                                changed[i] = static_cast<char>(changed[i] ^ (1 << (i % 8)));
                                write(path, changed);
                            },
                            part == &snapshot ? "damaged" : "it "});
        }
    }
    for (size_t row = 0; row < rows.size(); ++row) {
        const auto& [apply, problem] = rows[row];
        SCOPED_TRACE("row " + std::to_string(row) + ": " + problem);
        for (const auto& [path, text] : bytes) {
            write(path, text);
        }
        apply();
        const std::string said = restoreAll();
        EXPECT_NE(said.find(problem), std::string::npos) << said;
        // In a player's words: no path, no raw bytes.
        EXPECT_TRUE(said.find('/') == std::string::npos &&
                    std::all_of(said.begin(), said.end(), [](char c) { return c >= ' ' && c <= '~'; }))
            << said;
    }
    std::filesystem::remove_all(dir);
}
