// Pads made by SDL itself (of three makers, with their confirm buttons where their
// players expect them) playing the frame through the game's SDL platform, on a clock of
// the test's own.
#include <gtest/gtest.h>

#include "rules/items.h"
#include "rules/screens.h"
#include "sdl_fixture.h"
#include "shell/platform.h"

namespace {

using shelltest::fakeNow;

struct PadKind {
    const char* name;
    Uint16 vendor, product;
    SDL_GamepadButton confirm, beside;
};
const PadKind KINDS[] = {
    {"Xbox 360", 0x045E, 0x028E, SDL_GAMEPAD_BUTTON_SOUTH, SDL_GAMEPAD_BUTTON_WEST},
    {"PlayStation 3", 0x054C, 0x0268, SDL_GAMEPAD_BUTTON_SOUTH, SDL_GAMEPAD_BUTTON_WEST},
    {"Switch Pro", 0x057E, 0x2009, SDL_GAMEPAD_BUTTON_EAST, SDL_GAMEPAD_BUTTON_SOUTH},
};
constexpr Sint16 FULL = 32767;

class GamepadTest : public shelltest::SdlSuite {
protected:
    static void SetUpTestSuite()
    {
        // The test's window is hidden and has no focus, where SDL would keep the pads quiet.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        SdlSuite::SetUpTestSuite();
        if (setupError.empty() && !sdlx::initPads()) {
            setupError = std::string("the pads' subsystem: ") + SDL_GetError();
        }
    }

    void SetUp() override
    {
        SdlSuite::SetUp();
        gfx().input = {};
        keyboardOrMouseUsed(gfx().input);
        gfx().input.loop = &loop;
        io = sdlPlatform(gfx());
        io.ticks = [] {
            updateDevices(gfx(), gfx().input, fakeNow);
            return fakeNow;
        };
    }

    // Frames of 16 ms; SDL takes in what the virtual pads did at each one's events.
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            fakeNow += 16;
            stepFrame(loop, io);
        }
    }

    void press(const sdlx::VirtualPad& pad, SDL_GamepadButton b)
    {
        sdlx::setVirtualButton(pad, b, true);
        frames(1);
        sdlx::setVirtualButton(pad, b, false);
        frames(1);
    }

    Loop loop;
    Platform io;
};

TEST_F(GamepadTest, EachKindWalksClicksOpensTheInventoryAndStepsTheHotbar)
{
    for (const PadKind& kind : KINDS) {
        SCOPED_TRACE(kind.name);
        resetGameState();
        loop = {};
        keyboardOrMouseUsed(gfx().input);
        world[{-1, 0}] = ITEM_WOOD;
        sdlx::VirtualPad pad = sdlx::attachVirtualPad(kind.vendor, kind.product);
        ASSERT_NE(pad.joystick, nullptr) << SDL_GetError();
        frames(2);  // a pad added while the game runs

        // A tilt inside the dead zone does nothing; up and right walks diagonally.
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTX, FULL / 5);
        frames(2);
        EXPECT_FALSE(loop.moving);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTX, FULL);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTY, -FULL);
        frames(2);
        EXPECT_TRUE(loop.moving);
        EXPECT_EQ(loop.pX, PLAYER_SPEED_PX);
        EXPECT_EQ(loop.pY, -PLAYER_SPEED_PX);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTX, 0);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTY, 0);
        frames(2);
        loop.pX = loop.pY = 0.0f;  // back where the player started: tile (-1, 0) is left

        // The pointer, started on the player, goes left a little over half a tile and
        // snaps to the middle of tile (-1, 0) when let go.
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_RIGHTX, -FULL);
        frames(3);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_RIGHTX, 0);
        frames(2);
        ASSERT_TRUE(gfx().input.pointer.has_value());
        EXPECT_EQ(gfx().input.pointer->x, 400.0f - TILE_PX);
        EXPECT_EQ(gfx().input.pointer->y, 300.0f);

        press(pad, kind.confirm);
        EXPECT_EQ(world[(TileCoord{-1, 0})], ITEM_NONE) << "confirm breaks the tile";
        EXPECT_EQ(hotbar[0].id, ITEM_WOOD);
        press(pad, kind.beside);
        EXPECT_EQ(world[(TileCoord{-1, 0})], ITEM_WOOD) << "the button beside confirm places";

        press(pad, SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER);
        EXPECT_EQ(loop.selectedHotbar, 1);
        press(pad, SDL_GAMEPAD_BUTTON_LEFT_SHOULDER);
        press(pad, SDL_GAMEPAD_BUTTON_LEFT_SHOULDER);
        EXPECT_EQ(loop.selectedHotbar, HOTBAR_SLOTS - 1) << "round the ends";

        // North is E; on the screen the d-pad goes slot to slot, here down to the hotbar.
        press(pad, SDL_GAMEPAD_BUTTON_NORTH);
        EXPECT_TRUE(showInv);
        for (int i = 0; i < 8; ++i) {
            press(pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN);
        }
        const SlotRect below = hotbarSlotRect(1);
        EXPECT_EQ(gfx().input.pointer->x, below.x + SLOT_PX / 2);
        EXPECT_EQ(gfx().input.pointer->y, below.y + SLOT_PX / 2);
        press(pad, SDL_GAMEPAD_BUTTON_NORTH);
        EXPECT_FALSE(showInv);
        sdlx::detachVirtualPad(pad);
        frames(1);
    }
}

TEST_F(GamepadTest, APadPulledOutMidWalkStopsTheWalkAndAnotherStillWalks)
{
    sdlx::VirtualPad first = sdlx::attachVirtualPad(KINDS[0].vendor, KINDS[0].product);
    sdlx::VirtualPad second = sdlx::attachVirtualPad(KINDS[2].vendor, KINDS[2].product);
    ASSERT_NE(second.joystick, nullptr) << SDL_GetError();
    sdlx::setVirtualButton(first, SDL_GAMEPAD_BUTTON_DPAD_LEFT, true);
    frames(3);
    EXPECT_TRUE(loop.moving);
    EXPECT_LT(loop.pX, 0.0f);
    sdlx::detachVirtualPad(first);
    frames(1);
    EXPECT_FALSE(loop.moving);
    const float stoppedAt = loop.pX;
    frames(3);
    EXPECT_EQ(loop.pX, stoppedAt);
    sdlx::setVirtualAxis(second, SDL_GAMEPAD_AXIS_LEFTY, FULL);
    frames(2);
    EXPECT_GT(loop.pY, 0.0f);
    sdlx::detachVirtualPad(second);
    frames(1);
    EXPECT_FALSE(loop.moving);
}

// The pointer's way over a quarter of a second at a third of full tilt past the dead
// zone (slow enough that a frame moves it a pixel or two) at 30 and 144 frames a second.
TEST_F(GamepadTest, ThePointerMovesAsFarAtAnyFrameRate)
{
    sdlx::VirtualPad pad = sdlx::attachVirtualPad(KINDS[0].vendor, KINDS[0].product);
    frames(1);
    showInv = true;  // no snapping to tiles
    float moved[2] = {};
    const int rates[2] = {30, 144};
    for (int r = 0; r < 2; ++r) {
        keyboardOrMouseUsed(gfx().input);
        const uint64_t start = fakeNow + 1000;
        updateDevices(gfx(), gfx().input, start);  // the stick at rest
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_RIGHTX, FULL / 2);
        SDL_PumpEvents();
        for (int i = 1; i <= rates[r] / 4; ++i) {
            updateDevices(gfx(), gfx().input, start + static_cast<uint64_t>(i * 1000 / rates[r]));
        }
        updateDevices(gfx(), gfx().input, start + 250);
        ASSERT_TRUE(gfx().input.pointer.has_value());
        moved[r] = gfx().input.pointer->x - SCREEN_WIDTH / 2.0f;
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_RIGHTX, 0);
        SDL_PumpEvents();
        fakeNow = start + 250;
    }
    const float third = (0.5f - 0.25f) / 0.75f;
    EXPECT_NEAR(moved[0], SCREEN_WIDTH * third / 4.0f, 1.0f);
    EXPECT_NEAR(moved[1], moved[0], 0.01f);
    sdlx::detachVirtualPad(pad);
    frames(1);
}

}  // namespace
