// Pads made by SDL itself, of three makers, playing the frame through the game's SDL
// platform on a clock of the test's own.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "rules/items.h"
#include "rules/screens.h"
#include "sdl_fixture.h"
#include "shell/input/sdl_platform.h"

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
    void SetUp() override
    {
        SdlSuite::SetUp();
        // The test's window is hidden and has no focus, where SDL would keep the pads quiet.
        SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
        ASSERT_TRUE(sdlx::initPads()) << SDL_GetError();
        io = sdlPlatform(gfx(), devices);
        io.ticks = [] { return fakeNow; };
    }

    // Frames of 16 ms; SDL takes in what the virtual pads did at each one's events.
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            fakeNow += 16;
            stepFrame(loop, io);
        }
    }

    void press(const sdlx::VirtualPad& pad, SDL_GamepadButton b, int times = 1)
    {
        for (int i = 0; i < times; ++i) {
            sdlx::setVirtualButton(pad, b, true);
            frames(1);
            sdlx::setVirtualButton(pad, b, false);
            frames(1);
        }
    }

    // The stick held at `value` for `n` frames; the pad's state is read a frame late.
    void tilt(const sdlx::VirtualPad& pad, SDL_GamepadAxis axis, Sint16 value, int n = 2)
    {
        sdlx::setVirtualAxis(pad, axis, value);
        frames(n);
    }

    std::pair<float, float> pointer() const
    {
        const PointerPos p = devices.events.pointer.value_or(PointerPos{-1.0f, -1.0f});
        return {p.x, p.y};
    }

    DeviceInput devices;
    Loop loop;
    Platform io;
};

// Each pad is added while the game runs, with another one in already.
TEST_F(GamepadTest, EachKindWalksClicksOpensTheInventoryStepsTheHotbarAndStopsWhenPulledOut)
{
    sdlx::VirtualPad idle = sdlx::attachVirtualPad(KINDS[0].vendor, KINDS[0].product);
    for (const PadKind& kind : KINDS) {
        SCOPED_TRACE(kind.name);
        resetGameState();
        loop = {};
        keyboardOrMouseUsed(devices);
        world[{-1, 0}] = ITEM_WOOD;
        sdlx::VirtualPad pad = sdlx::attachVirtualPad(kind.vendor, kind.product);
        ASSERT_NE(pad.joystick, nullptr) << SDL_GetError();
        frames(2);

        // A tilt inside the dead zone does nothing; up and right walks diagonally.
        tilt(pad, SDL_GAMEPAD_AXIS_LEFTX, FULL / 5);
        EXPECT_FALSE(loop.moving);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTY, -FULL);
        tilt(pad, SDL_GAMEPAD_AXIS_LEFTX, FULL);
        EXPECT_TRUE(loop.moving);
        EXPECT_EQ(loop.pX, PLAYER_SPEED_PX);
        EXPECT_EQ(loop.pY, -PLAYER_SPEED_PX);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_LEFTY, 0);
        tilt(pad, SDL_GAMEPAD_AXIS_LEFTX, 0);
        loop.pX = loop.pY = 0.0f;  // back where the player started: tile (-1, 0) is left

        // The pointer, started on the player, goes left a little over half a tile and
        // snaps to the middle of tile (-1, 0) when let go.
        tilt(pad, SDL_GAMEPAD_AXIS_RIGHTX, -FULL, 3);
        tilt(pad, SDL_GAMEPAD_AXIS_RIGHTX, 0);
        EXPECT_EQ(pointer(), std::make_pair(400.0f - TILE_PX, 300.0f));

        press(pad, kind.confirm);
        EXPECT_EQ(world[(TileCoord{-1, 0})], ITEM_NONE) << "confirm breaks the tile";
        press(pad, kind.beside);
        EXPECT_EQ(world[(TileCoord{-1, 0})], ITEM_WOOD) << "the button beside confirm places";

        press(pad, SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER);
        EXPECT_EQ(loop.selectedHotbar, 1);
        press(pad, SDL_GAMEPAD_BUTTON_LEFT_SHOULDER, 2);
        EXPECT_EQ(loop.selectedHotbar, HOTBAR_SLOTS - 1) << "round the ends";

        // North is E; on the screen the d-pad goes slot to slot, here down to the hotbar,
        // then along it and round its end. Closed, the pointer is back on the player.
        press(pad, SDL_GAMEPAD_BUTTON_NORTH);
        EXPECT_TRUE(showInv);
        press(pad, SDL_GAMEPAD_BUTTON_DPAD_DOWN, 8);
        for (int slot : {1, 0, HOTBAR_SLOTS - 1}) {
            const SlotRect s = hotbarSlotRect(slot);
            EXPECT_EQ(pointer(), std::make_pair(s.x + SLOT_PX / 2, s.y + SLOT_PX / 2)) << "hotbar slot " << slot;
            press(pad, SDL_GAMEPAD_BUTTON_DPAD_LEFT);
        }
        press(pad, SDL_GAMEPAD_BUTTON_NORTH);
        EXPECT_FALSE(showInv);
        EXPECT_EQ(pointer(), std::make_pair(400.0f, 300.0f));

        // Pulled out mid-walk, the pad leaves the player standing.
        sdlx::setVirtualButton(pad, SDL_GAMEPAD_BUTTON_DPAD_LEFT, true);
        frames(2);
        EXPECT_TRUE(loop.moving);
        sdlx::detachVirtualPad(pad);
        const float stoppedAt = loop.pX;
        frames(2);
        EXPECT_FALSE(loop.moving);
        EXPECT_EQ(loop.pX, stoppedAt);
    }
    sdlx::detachVirtualPad(idle);
    frames(1);
}

// A quarter of a second at half tilt (a third of the way past the dead zone: a ninth of
// full speed, a tile and a half a second) takes the pointer as far at 30 as at 144 frames a
// second.
TEST_F(GamepadTest, ThePointerMovesAsFarAtAnyFrameRate)
{
    sdlx::VirtualPad pad = sdlx::attachVirtualPad(KINDS[0].vendor, KINDS[0].product);
    showInv = true;  // no snapping to tiles
    std::vector<float> moved;
    for (int rate : {30, 144}) {
        tilt(pad, SDL_GAMEPAD_AXIS_RIGHTX, 0);  // at rest, then tilted from this frame on
        keyboardOrMouseUsed(devices);
        sdlx::setVirtualAxis(pad, SDL_GAMEPAD_AXIS_RIGHTX, FULL / 2);
        SDL_PumpEvents();
        for (int i = 1; i <= rate / 4 + 1; ++i) {
            updateDevices(devices, fakeNow + static_cast<uint64_t>(std::min(250, i * 1000 / rate)), {});
        }
        moved.push_back(pointer().first - SCREEN_WIDTH / 2.0f);
        fakeNow += 250;
    }
    EXPECT_NEAR(moved[0], SCREEN_WIDTH / 9.0f / 4.0f, 1.0f);
    EXPECT_NEAR(moved[1], moved[0], 0.01f);
    sdlx::detachVirtualPad(pad);
    frames(1);
}

}  // namespace
