// The frame loop's steps before drawing, driven through a fake platform: a settable
// clock, a queue of input events, a pointer and held keys. Nothing here waits or
// opens a window.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <vector>

#include "rules/clock.h"
#include "rules/creatures.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"
#include "rules/world.h"
#include "shell/frame.h"
#include "shell/sdl.h"

namespace {

// Physical keys, by scancode.
constexpr int KEY_A = 4;
constexpr int KEY_D = 7;
constexpr int KEY_E = 8;
constexpr int KEY_F = 9;
constexpr int KEY_S = 22;
constexpr int KEY_W = 26;
constexpr int KEY_1 = 30;
constexpr int KEY_3 = 32;
constexpr int KEY_5 = 34;

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
    now = 61000;  // exactly 60000 ms later
    step();
    EXPECT_EQ(hp, 10);
    EXPECT_EQ(lastDecay, 1000u);

    now = 61001;
    step();
    EXPECT_EQ(hp, 9);
    EXPECT_EQ(lastDecay, 61001u);

    now = 121001;  // the next minute counts from the last decay
    step();
    EXPECT_EQ(hp, 9);
}

TEST_F(FrameTest, LastPointRespawnsAtOriginInTheSameFrameKeepingEverything)
{
    hp = 1;
    lastDecay = 0;
    now = 60001;
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
    fake.hold(KEY_D);
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
        fake.hold(KEY_W);
        fake.hold(KEY_S);
        step();
        EXPECT_FLOAT_EQ(loop.pX, 0.0f);
        EXPECT_FLOAT_EQ(loop.pY, 0.0f);
        EXPECT_TRUE(loop.moving);
    }
    {
        SCOPED_TRACE("W and D: up and right by 6 each");
        fake.keys = {};
        fake.hold(KEY_W);
        fake.hold(KEY_D);
        step();
        EXPECT_FLOAT_EQ(loop.pX, 6.0f);
        EXPECT_FLOAT_EQ(loop.pY, -6.0f);
    }
    {
        SCOPED_TRACE("A alone: left by 6");
        fake.keys = {};
        fake.hold(KEY_A);
        step();
        EXPECT_FLOAT_EQ(loop.pX, 0.0f);
        EXPECT_FLOAT_EQ(loop.pY, -6.0f);
    }
}

TEST_F(FrameTest, HotbarKeysSelectAndTheHighestHeldWins)
{
    fake.hold(KEY_1);
    fake.hold(KEY_3);
    step();
    EXPECT_EQ(loop.selectedHotbar, 2);

    fake.keys = {};
    fake.hold(KEY_5);
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
    for (int k : {KEY_W, KEY_A, KEY_S, KEY_D, KEY_3}) {
        fake.hold(k);
    }
    hp = 5;
    lastDecay = 0;
    now = 60001;
    Mob walker;
    walker.x = 0.0f;
    walker.y = 0.0f;
    walker.tx = 100.0f;
    walker.ty = 0.0f;
    walker.nextMove = 100000;  // keeps its target this frame
    mobs.push_back(walker);
    Mob due;  // due for a new target by the rules' clock
    due.x = 5000.0f;
    due.nextMove = 60000;
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
    EXPECT_GE(mobs[1].nextMove, 60001u + 3000u);
    EXPECT_LT(mobs[1].nextMove, 60001u + 6000u);
    EXPECT_TRUE(drops.empty());
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_STICK, 1}));
    EXPECT_TRUE(showInv);
}

TEST_F(FrameTest, EKeyDownTogglesTheInventoryScreen)
{
    fake.press(KEY_E);
    step();
    EXPECT_TRUE(showInv);

    fake.press(KEY_F);  // another key does nothing
    step();
    EXPECT_TRUE(showInv);

    fake.press(KEY_E);
    step();
    EXPECT_FALSE(showInv);

    fake.hold(KEY_E);  // holding E is not a press
    step();
    EXPECT_FALSE(showInv);

    showCraft = true;  // E at a crafting table shows the inventory instead
    fake.keys = {};
    fake.press(KEY_E);
    step();
    EXPECT_TRUE(showInv);
    EXPECT_FALSE(showCraft);
}

TEST_F(FrameTest, QuitStopsTheLoopAfterTheRestOfTheFrame)
{
    fake.quit();
    fake.press(KEY_E);
    fake.hold(KEY_D);
    now = 60001;
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
        fake.press(KEY_E);
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
        fake.press(KEY_E);
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
    fake.hold(KEY_D);  // after the step the camera would be at 278
    fake.click(1, 431.0f, 300.0f);  // world (703, 32): tile (10, 0); 709 would be tile 11
    step();
    EXPECT_EQ(world.count({10, 0}), 1u);
    EXPECT_EQ(world.size(), 1u);
}

TEST_F(FrameTest, PickUpUsesThePositionBeforeThisFramesMovement)
{
    dropItem(ITEM_STICK, -39.5f, 0.0f);  // 39.5 away now, 45.5 after the step right
    dropItem(ITEM_WOOD, 45.0f, 0.0f);    // 45 away now, 39 after the step right
    fake.hold(KEY_D);
    step();
    EXPECT_FLOAT_EQ(loop.pX, 6.0f);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].id, ITEM_WOOD);
    EXPECT_EQ(hotbar[0], (ItemStack{ITEM_STICK, 1}));
}

}  // namespace
