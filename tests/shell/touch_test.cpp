// Fingers on windows of other shapes than the picture, through the platform the game
// uses: finger events pushed into SDL's queue become the walk, the clicks, the slot
// choice and the inventory key, and SDL's mouse copies of a finger add nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "sdl_fixture.h"
#include "shell/draw/picture.h"
#include "shell/input/sdl_platform.h"
#include "shell/input/bindings.h"
#include "shell/input/finger_filter.h"
#include "shell/input/touch.h"

namespace {

class TouchTest : public shelltest::SdlSuite {
protected:
    static DeviceInput& devices()
    {
        static DeviceInput d;
        return d;
    }

    static void resize(int w, int h)
    {
        SDL_SetWindowSize(gfx().window, w, h);
        for (SDL_Event e; SDL_PollEvent(&e);) {
        }
        devices() = DeviceInput{};
        gfx().fingersUsed = false;
        showPicture(gfx());
    }

    // Plays `script` on a w by h window: "d1@x,y" finger 1 lands at point (x, y) of the
    // picture as shown (beyond it on the bars), "m1@x,y" moves, "u1@x,y" lifts, at the
    // frame clock's time or, with "/ms" after it, ms after the first frame; "t500" the
    // frame clock moves on 500 ms; "s" a frame is shown; "c" SDL's mouse copy of a tap,
    // then a real mouse's click and move; "k" a key, "k5" a press of 5 that comes and goes
    // before the next frame; a leading "~" an event that comes while the game is held
    // up, read in the next frame. Returns what the frame is handed: "L@x,y" and "R@x,y"
    // clicks and key names.
    static std::string play(int w, int h, const std::string& script, Platform& io)
    {
        uint64_t now = 1000;
        updateDevices(devices(), now, {});
        std::istringstream steps(script);
        std::string seen;
        std::vector<SDL_Event> fingers;  // handed to the game with their own times, which SDL2 would overwrite
        for (std::string s; steps >> s;) {
            const bool unread = s[0] == '~';
            s.erase(0, unread ? 1 : 0);
            SDL_Event push[3] = {sdlx::mouseDownEvent(SDL_BUTTON_LEFT), sdlx::mouseDownEvent(SDL_BUTTON_LEFT), {}};
            push[2].type = SDL_EVENT_MOUSE_MOTION;
            push[0].button.which = SDL_TOUCH_MOUSEID;  // SDL's copy; the others look like a mouse's
            int count = s == "c" ? 3 : s[0] == 't' || s == "s" ? 0 : 1;
            int finger = 0;
            float x = 0.0f;
            float y = 0.0f;
            if (s[0] == 't') {
                updateDevices(devices(), now += std::stoul(s.substr(1)), {});
            } else if (s == "s") {
                showPicture(gfx());
            } else if (s == "c") {
                SDL_WarpMouseInWindow(gfx().window, w / 2.0f, h / 2.0f);  // where the copies would act
            } else if (s[0] == 'k') {  // "_" in a key's name stands for a space
                std::string name = s.substr(1);
                std::replace(name.begin(), name.end(), '_', ' ');
                push[0] = sdlx::keyDownEvent(s == "k" ? SDL_SCANCODE_Q : SDL_GetScancodeFromName(name.c_str()));
            } else if (std::sscanf(s.c_str() + 1, "%d@%f,%f", &finger, &x, &y) == 3) {
                using P = sdlx::Finger::Phase;
                const Placement p = picturePlacement(gfx());
                const size_t own = s.find('/');
                fingers.push_back(sdlx::fingerEvent(s[0] == 'd' ? P::Down : s[0] == 'm' ? P::Motion : P::Up,
                                                    static_cast<uint64_t>(finger), (p.x + x * p.w / 800) / w,
                                                    (p.y + y * p.h / 600) / h,
                                                    own == std::string::npos ? now : 1000 + std::stoul(s.substr(own + 1))));
                count = 0;
            }
            for (int i = 0; i < count; ++i) {
                SDL_PushEvent(&push[i]);
            }
            for (size_t i = 0; i < fingers.size() && !unread; ++i) {
                takeDeviceEvent(gfx(), devices(), fingers[i], sdlx::eventMs(fingers[i]));
            }
            fingers.resize(unread ? fingers.size() : 0);
            for (InputEvent e; !unread && io.pollEvent(e);) {
                const PointerPos p = io.mouseState();
                if (e.kind == InputEvent::Kind::MouseDown) {
                    seen += (e.button == SDL_BUTTON_LEFT ? " L@" : " R@") + std::to_string(std::lround(p.x)) + "," +
                            std::to_string(std::lround(p.y));
                } else if (e.kind == InputEvent::Kind::KeyDown) {
                    seen += std::string(" ") + SDL_GetScancodeName(static_cast<SDL_Scancode>(e.scancode));
                }
            }
        }
        return seen.empty() ? seen : seen.substr(1);
    }
};

TEST_F(TouchTest, FingersWalkClickChooseAndOpenTheInventory)
{
    // 1600x720: bars of 320 beside the picture shown 1.2 times; the stick in the left bar,
    // the inventory button low in the right one. 800x1000: bars above and under it; the
    // stick in the bottom bar's left half, the button at its right end. 800x600: no bars;
    // the stick on the picture's left third, the button low in its right corner.
    struct Case {
        const char* what;
        int w, h;
        bool inventory;
        const char *script, *events, *held;  // held: the walking and hotbar keys held afterwards
        bool shown = true;
    };
    const Case cases[] = {
        {"a thumb pushed right", 1600, 720, false, "d1@-150,300 m1@-100,300", "", "D"},
        {"up and left", 1600, 720, false, "d1@-150,300 m1@-190,260", "", "WA"},
        {"within the dead zone", 1600, 720, false, "d1@-150,300 m1@-145,300", "", ""},
        {"lifted", 1600, 720, false, "d1@-150,300 m1@-100,300 u1@-100,300", "", ""},
        {"a tap on the world", 1600, 720, false, "d1@336,300 u1@336,300", "L@336,300", ""},
        {"a hold", 1600, 720, false, "d1@336,300 t450 m1@337,300 t60 t600 u1@337,300", "R@336,300", ""},
        {"a tap lifted in a long frame", 1600, 720, false, "d1@336,300 ~u1@336,300 t600", "L@336,300", ""},
        {"a hold moved away", 1600, 720, false, "d1@336,300 m1@356,300 t600 u1@356,300", "", ""},
        {"a second finger: two taps, no hold", 1600, 720, false, "d1@336,300 d2@500,300 t600 u1@336,300 u2@500,300",
         "L@336,300 L@500,300", ""},
        {"a hotbar slot", 1600, 720, false, "d1@395,560 u1@395,560", "", "3"},
        {"the inventory button", 1600, 720, false, "d1@933,555 u1@933,555", "E", ""},
        {"walking while the other hand taps", 1600, 720, false, "d1@-150,300 m1@-100,300 d2@336,300 u2@336,300",
         "L@336,300", "D"},
        {"a tap and its mouse copy, a real mouse's click right after", 1600, 720, false, "d1@336,300 u1@336,300 c",
         "L@336,300 L@400,300", "", false},
        {"a tap at ten frames a second", 1600, 720, false, "d1@336,300 t100 u1@336,300 t100", "L@336,300", ""},
        {"a hold lifted in a slow frame, by its own times", 1600, 720, false, "d1@336,300 t400 ~u1@336,300/550 t400",
         "R@336,300", ""},
        {"a finger landing after the frame's clock was read", 1600, 720, false, "d1@336,300/30 u1@336,300/80",
         "L@336,300", ""},
        {"a finger whose lift was lost lands afresh", 1600, 720, false, "d1@336,300 m1@400,300 d1@500,300 u1@500,300",
         "L@500,300", ""},
        {"a quick press of 5", 1600, 720, false, "k5", "5", "5", false},
        {"a key hides the controls", 1600, 720, false, "d1@336,300 u1@336,300 k", "L@336,300 Q", "", false},
        {"a tap on an inventory slot", 1600, 720, true, "d1@260,270 u1@260,270", "L@260,270", ""},
        {"a hold on it", 1600, 720, true, "d1@260,270 t500 u1@260,270", "R@260,270", ""},
        {"a hotbar slot on the screen", 1600, 720, true, "d1@295,560 u1@295,560", "L@295,560", ""},
        {"between two storage slots: the nearer", 1600, 720, true, "d1@282,270 u1@282,270 d1@284,300 u1@284,300",
         "L@260,270 L@305,315", ""},
        {"between two hotbar slots: the nearer", 1600, 720, false, "d1@418,560 u1@418,560", "", "3"},
        {"tall: a thumb pushed up", 800, 1000, false, "d1@200,700 m1@200,650", "", "W"},
        {"tall: the inventory button", 800, 1000, false, "d1@746,700 u1@746,700", "E", ""},
        {"upright, once touched: the picture low, the stick under it", 450, 900, false,
         "d1@400,300 u1@400,300 s d2@100,700 m2@100,650", "L@400,300", "W"},
        {"no bars: a thumb on the left", 800, 600, false, "d1@150,300 m1@100,300", "", "A"},
        {"a quick tap there", 800, 600, false, "d1@150,300 u1@150,300", "L@150,300", ""},
        {"the button over the picture", 800, 600, false, "d1@758,558 u1@758,558", "E", ""},
    };
    setUpPicture(gfx());
    Platform io = sdlPlatform(gfx(), devices());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resize(c.w, c.h);
        showInv = c.inventory;
        EXPECT_EQ(play(c.w, c.h, c.script, io), c.events);
        const KeyState keys = io.keyboardState();
        std::string held;
        for (const char* k : {"W", "A", "S", "D", "1", "2", "3", "4", "5"}) {
            held += keys[static_cast<size_t>(SDL_GetScancodeFromName(k))] ? k : "";
        }
        EXPECT_EQ(held, c.held);
        EXPECT_EQ(deviceOf<Touch>(devices()).state.shown, c.shown);
    }
    showInv = false;
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

// The player's controls: the left hand mirrors the stick and the button, the hold takes
// the player's time, and keys and mouse buttons give the actions they are bound to.
TEST_F(TouchTest, ThePlayersControlsMoveTheTouchControlsAndRebindKeysAndButtons)
{
    struct Case {
        const char *what, *controls, *script, *events, *held;
    };
    const Case cases[] = {
        {"left hand: the stick in the right bar", R"({"hand": "left"})", "d1@950,300 m1@1000,300", "", "D"},
        {"left hand: the left bar is the world's", R"({"hand": "left"})", "d1@-150,300 m1@-100,300 u1@-100,300", "", ""},
        {"left hand: the button low on the left", R"({"hand": "left"})", "d1@-133,555 u1@-133,555", "E", ""},
        {"a slower hold: not yet", R"({"hold_ms": 800})", "d1@336,300 t600 u1@336,300", "L@336,300", ""},
        {"a slower hold: held", R"({"hold_ms": 800})", "d1@336,300 t850 u1@336,300", "R@336,300", ""},
        {"the inventory on I, not on E; other keys as ever", R"({"inventory": ["I"]})", "kI kE kQ", "E Q", ""},
        {"a hotbar slot on a key of its own", R"({"slot_3": ["Keypad 3"]})", "kKeypad_3", "3", "3"},
        {"the mouse's buttons swapped", R"({"break": ["Mouse Right"], "use": ["Mouse Left"]})", "c", "R@400,300", ""},
    };
    setUpPicture(gfx());
    Platform io = sdlPlatform(gfx(), devices());
    resize(1600, 720);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ControlsRead read = readControlsText(c.controls, "controls.json");
        ASSERT_TRUE(read.faults.empty()) << read.faults[0];
        setActiveControls(read.controls);
        EXPECT_EQ(play(1600, 720, c.script, io), c.events);
        const KeyState keys = io.keyboardState();
        std::string held;
        for (const char* k : {"W", "A", "S", "D", "1", "2", "3", "4", "5"}) {
            held += keys[static_cast<size_t>(SDL_GetScancodeFromName(k))] ? k : "";
        }
        EXPECT_EQ(held, c.held);
        setActiveControls(defaultControls());
    }
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

// Fingers through SDL's queue, timed on SDL's clock, read by frames whose clock stands
// elsewhere (a page whose run came back hours on, one behind SDL's): a finger is held
// from its own landing on the frame's clock, whichever way the two clocks differ; on the
// bar beside the picture it is the stick's, and clicks nothing.
TEST_F(TouchTest, AHoldIsCountedOnTheFramesClockWhereverItStands)
{
    struct Case {
        const char* what;
        int64_t aheadOfSdl;  // the frame's clock against SDL's at the first frame
        uint64_t heldMs;     // on the frame's clock before the lift
        const char* clicks;
        float x = 0.5f;  // across the window: 0.1 is on the left bar
    };
    const Case cases[] = {
        {"a tap, the clocks alike", 0, 100, "L"},
        {"a hold, the clocks alike", 0, 600, "R"},
        {"a tap, ten hours ahead", 36000000, 100, "L"},
        {"a hold, ten hours ahead", 36000000, 600, "R"},
        {"a tap, behind", -1000000, 100, "L"},
        {"a hold, behind", -1000000, 600, "R"},
        {"a tap on the bar", 0, 100, "", 0.1f},
        {"a hold on the bar, ten hours ahead", 36000000, 600, "", 0.1f},
    };
    setUpPicture(gfx());
    Platform io = sdlPlatform(gfx(), devices());
    const auto sdlTicks = io.ticks;
    uint64_t now = 0;
    io.ticks = [&] {
        sdlTicks();  // as a page's clock reads SDL's under its own
        return now;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resize(1600, 720);
        now = static_cast<uint64_t>(std::max<int64_t>(0, static_cast<int64_t>(SDL_GetTicks()) + c.aheadOfSdl));
        std::string clicks;
        const auto frame = [&](uint64_t after, sdlx::Finger::Phase push) {
            SDL_Event f = sdlx::fingerEvent(push, 1, c.x, 0.5f);
            SDL_PushEvent(&f);
            now += after;
            io.beforeEvents(io.ticks(), Loop{});
            for (InputEvent e; io.pollEvent(e);) {
                clicks += e.kind != InputEvent::Kind::MouseDown ? "" : e.button == SDL_BUTTON_LEFT ? "L" : "R";
            }
        };
        frame(0, sdlx::Finger::Phase::Down);
        frame(c.heldMs, sdlx::Finger::Phase::Motion);
        frame(16, sdlx::Finger::Phase::Up);
        EXPECT_EQ(clicks, c.clicks);
    }
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

TEST_F(TouchTest, ControlsAreDrawnInTheBarsOnlyAfterATouch)
{
    setUpPicture(gfx());
    resize(1600, 720);
    sdlx::Image seen[2];  // the whole window with only the controls drawn: before a touch, after
    for (sdlx::Image& img : seen) {
        SDL_SetRenderDrawColor(renderer(), 0, 0, 0, 255);
        SDL_RenderClear(renderer());
        drawDeviceOverlay(gfx(), devices());
        img = frame();
        endDeviceOverlay(gfx(), devices());
        deviceOf<Touch>(devices()).state.shown = true;
    }
    ASSERT_EQ(seen[1].w, 1600);
    EXPECT_EQ(shelltest::pixel(seen[0], 160, 360), shelltest::Rgb{}) << "drawn before any touch";
    EXPECT_FALSE(shelltest::changedBox(seen[0], seen[1], 0, 0, 320).empty()) << "no stick in the left bar";
    EXPECT_FALSE(shelltest::changedBox(seen[0], seen[1], 1280).empty()) << "no inventory button in the right bar";
    EXPECT_TRUE(shelltest::changedBox(seen[0], seen[1], 320, 0, 1280).empty()) << "drawn over the picture";
    int w = 0;
    SDL_RendererLogicalPresentation mode = SDL_LOGICAL_PRESENTATION_LETTERBOX;
    SDL_GetRenderLogicalPresentation(renderer(), &w, &w, &mode);
    EXPECT_EQ(mode, SDL_LOGICAL_PRESENTATION_DISABLED) << "SDL scales the overlay or the picture again";
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

// Where the renderer moves fingers, each finger event finds the position it was pushed
// with, in the order pushed: among fingers that move together, several events of one
// finger in the same millisecond, and events between that nobody looked up. Elsewhere
// nothing is kept and the event's own position stands.
TEST_F(TouchTest, EachFingerEventFindsThePositionItWasPushedWith)
{
    for (SDL_Event e; SDL_PollEvent(&e);) {
    }
    using P = sdlx::Finger::Phase;
    struct Pushed {
        P phase;
        uint64_t id;
        float x;
        float y;
        bool lookedUp;
    };
    // Ids no other test uses, so that nothing left from another test can match.
    constexpr uint64_t FIRST_ID = 9001;
    std::vector<Pushed> pushed;
    for (const P phase : {P::Down, P::Motion, P::Motion, P::Motion, P::Up}) {
        for (uint64_t id = FIRST_ID; id < FIRST_ID + 3; ++id) {
            const float n = static_cast<float>(pushed.size());
            pushed.push_back({phase, id, 0.01f + 0.02f * n, 0.99f - 0.03f * n, pushed.size() % 4 != 3});
        }
    }
    for (const Pushed& p : pushed) {
        SDL_Event e = sdlx::fingerEvent(p.phase, p.id, p.x, p.y);
        ASSERT_TRUE(SDL_PushEvent(&e));
    }
    size_t next = 0;
    for (SDL_Event e; SDL_PollEvent(&e);) {
        sdlx::Finger f;
        if (!sdlx::readFinger(e, f) || f.id < FIRST_ID || f.id >= FIRST_ID + 3) {
            continue;
        }
        ASSERT_LT(next, pushed.size());
        const Pushed& p = pushed[next++];
        SCOPED_TRACE(::testing::Message() << "event " << next - 1 << " of finger " << p.id);
        if (!p.lookedUp) {
            continue;
        }
        f.x = -1.0f;
        f.y = -1.0f;
        keptFingerPosition(e, f);
        EXPECT_EQ(f.x, sdlx::RENDERER_MOVES_FINGERS ? p.x : -1.0f);
        EXPECT_EQ(f.y, sdlx::RENDERER_MOVES_FINGERS ? p.y : -1.0f);
    }
    EXPECT_EQ(next, pushed.size());
}

}  // namespace
