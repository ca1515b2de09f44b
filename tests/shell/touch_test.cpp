// Fingers on a window of another shape than the picture, through the platform the game
// uses: finger events pushed into SDL's queue become the walk, the clicks, the slot
// choice and the inventory key, and SDL's mouse copies of a finger add nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "rules/state.h"
#include "sdl_fixture.h"
#include "shell/input.h"
#include "shell/picture.h"
#include "shell/platform.h"

namespace {

using Phase = sdlx::Finger::Phase;

// d: a finger lands, m: moves, u: lifts (at a point of the picture, beyond it on the
// bars); t: the frame clock moves on by `x` ms; c: SDL's and a browser's mouse copies of
// a tap; k: a key press.
struct Step {
    char op;
    int finger;
    float x;
    float y;
};

struct Case {
    const char* what;
    int w, h;  // the window
    bool inventory;
    std::vector<Step> steps;
    std::string events;  // what the frame is handed: L@x,y and R@x,y clicks, key names
    std::string held;    // the walking and hotbar keys held afterwards
    bool shown = true;   // the controls are drawn afterwards
};

class TouchTest : public shelltest::SdlSuite {
protected:
    // Plays the steps; returns the events handed to the frame.
    static std::string play(const Case& c, Platform& io)
    {
        const float scale = std::min(c.w / 800.0f, c.h / 600.0f);
        const float left = (c.w - 800.0f * scale) / 2.0f;
        const float top = (c.h - 600.0f * scale) / 2.0f;
        uint64_t now = 1000;
        updateDevices(gfx(), gfx().input, now);
        std::string seen;
        for (const Step& s : c.steps) {
            const float x = (left + s.x * scale) / static_cast<float>(c.w);
            const float y = (top + s.y * scale) / static_cast<float>(c.h);
            std::vector<SDL_Event> push;
            if (s.op == 't') {
                now += static_cast<uint64_t>(s.x);
                updateDevices(gfx(), gfx().input, now);
            } else if (s.op == 'c') {
                SDL_Event motion{};
                motion.type = SDL_EVENT_MOUSE_MOTION;
                push = {motion, sdlx::mouseDownEvent(SDL_BUTTON_LEFT), sdlx::mouseDownEvent(SDL_BUTTON_LEFT)};
                push[1].button.which = SDL_TOUCH_MOUSEID;  // SDL's copy; the others look like a mouse's
            } else if (s.op == 'k') {
                push = {sdlx::keyDownEvent(SDL_SCANCODE_Q)};
            } else {
                const Phase phase = s.op == 'd' ? Phase::Down : s.op == 'm' ? Phase::Motion : Phase::Up;
                push = {sdlx::fingerEvent(phase, static_cast<uint64_t>(s.finger), x, y)};
            }
            for (SDL_Event& e : push) {
                SDL_PushEvent(&e);
            }
            InputEvent e;
            while (io.pollEvent(e)) {
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

    static std::string heldKeys(const KeyState& keys)
    {
        std::string held;
        for (const SDL_Scancode k : {SDL_SCANCODE_W, SDL_SCANCODE_A, SDL_SCANCODE_S, SDL_SCANCODE_D, SDL_SCANCODE_1,
                                     SDL_SCANCODE_2, SDL_SCANCODE_3, SDL_SCANCODE_4, SDL_SCANCODE_5}) {
            if (keys[static_cast<size_t>(k)]) {
                held += SDL_GetScancodeName(k);
            }
        }
        return held;
    }

    static void resize(int w, int h)
    {
        SDL_SetWindowSize(gfx().window, w, h);
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }
};

TEST_F(TouchTest, FingersWalkClickChooseAndOpenTheInventory)
{
    // 1600x720: bars of 320 window pixels beside the picture, shown 1.2 times; the stick
    // lives in the left bar and the inventory button low in the right one. 800x1000: bars
    // above and under the picture; the stick in the bottom bar's left half, the button at
    // its right end. 800x600: no bars; the stick on the picture's left third, the button
    // low in its right corner.
    const Case cases[] = {
        {"a thumb pushed right", 1600, 720, false, {{'d', 1, -150, 300}, {'m', 1, -100, 300}}, "", "D"},
        {"up and left", 1600, 720, false, {{'d', 1, -150, 300}, {'m', 1, -190, 260}}, "", "WA"},
        {"within the dead zone", 1600, 720, false, {{'d', 1, -150, 300}, {'m', 1, -145, 300}}, "", ""},
        {"lifted", 1600, 720, false, {{'d', 1, -150, 300}, {'m', 1, -100, 300}, {'u', 1, -100, 300}}, "", ""},
        {"a tap on the world", 1600, 720, false, {{'d', 1, 336, 300}, {'u', 1, 336, 300}}, "L@336,300", ""},
        {"a hold", 1600, 720, false, {{'d', 1, 336, 300}, {'t', 0, 450, 0}, {'m', 1, 337, 300}, {'t', 0, 60, 0},
                                      {'t', 0, 600, 0}, {'u', 1, 337, 300}}, "R@336,300", ""},
        {"a hold moved away", 1600, 720, false, {{'d', 1, 336, 300}, {'m', 1, 356, 300}, {'t', 0, 600, 0},
                                                 {'u', 1, 356, 300}}, "", ""},
        {"a second finger: two taps, no hold", 1600, 720, false,
         {{'d', 1, 336, 300}, {'d', 2, 500, 300}, {'t', 0, 600, 0}, {'u', 1, 336, 300}, {'u', 2, 500, 300}},
         "L@336,300 L@500,300", ""},
        {"a hotbar slot", 1600, 720, false, {{'d', 1, 395, 560}, {'u', 1, 395, 560}}, "", "3"},
        {"the inventory button", 1600, 720, false, {{'d', 1, 933, 555}, {'u', 1, 933, 555}}, "E", ""},
        {"walking while the other hand taps", 1600, 720, false,
         {{'d', 1, -150, 300}, {'m', 1, -100, 300}, {'d', 2, 336, 300}, {'u', 2, 336, 300}}, "L@336,300", "D"},
        {"a tap and its mouse copies", 1600, 720, false, {{'d', 1, 336, 300}, {'u', 1, 336, 300}, {'c', 0, 0, 0}},
         "L@336,300", ""},
        {"a key hides the controls", 1600, 720, false, {{'d', 1, 336, 300}, {'u', 1, 336, 300}, {'k', 0, 0, 0}},
         "L@336,300 Q", "", false},
        {"a tap on an inventory slot", 1600, 720, true, {{'d', 1, 260, 270}, {'u', 1, 260, 270}}, "L@260,270", ""},
        {"a hold on it", 1600, 720, true, {{'d', 1, 260, 270}, {'t', 0, 500, 0}, {'u', 1, 260, 270}}, "R@260,270", ""},
        {"a hotbar slot on the screen", 1600, 720, true, {{'d', 1, 295, 560}, {'u', 1, 295, 560}}, "L@295,560", ""},
        {"tall: a thumb pushed up", 800, 1000, false, {{'d', 1, 200, 700}, {'m', 1, 200, 650}}, "", "W"},
        {"tall: the inventory button", 800, 1000, false, {{'d', 1, 746, 700}, {'u', 1, 746, 700}}, "E", ""},
        {"tall: a tap on the world", 800, 1000, false, {{'d', 1, 400, 300}, {'u', 1, 400, 300}}, "L@400,300", ""},
        {"no bars: a thumb on the left", 800, 600, false, {{'d', 1, 150, 300}, {'m', 1, 100, 300}}, "", "A"},
        {"a quick tap there", 800, 600, false, {{'d', 1, 150, 300}, {'u', 1, 150, 300}}, "L@150,300", ""},
        {"the button over the picture", 800, 600, false, {{'d', 1, 758, 558}, {'u', 1, 758, 558}}, "E", ""},
    };
    setUpPicture(gfx());
    Platform io = sdlPlatform(gfx());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resize(c.w, c.h);
        gfx().input = DeviceInput{};
        showInv = c.inventory;
        EXPECT_EQ(play(c, io), c.events);
        EXPECT_EQ(heldKeys(io.keyboardState()), c.held);
        EXPECT_EQ(gfx().input.touch.shown, c.shown);
    }
    showInv = false;
    gfx().input = DeviceInput{};
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

TEST_F(TouchTest, ControlsAreDrawnInTheBarsOnlyAfterATouch)
{
    setUpPicture(gfx());
    resize(1600, 720);
    gfx().input = DeviceInput{};
    auto overlay = [] {
        SDL_SetRenderDrawColor(renderer(), 0, 0, 0, 255);
        SDL_RenderClear(renderer());
        drawDeviceOverlay(gfx(), gfx().input);
        int w = 0;
        int h = 0;
        SDL_RendererLogicalPresentation mode = SDL_LOGICAL_PRESENTATION_DISABLED;
        SDL_GetRenderLogicalPresentation(renderer(), &w, &h, &mode);
        EXPECT_TRUE(w == SCREEN_WIDTH && h == SCREEN_HEIGHT && mode == SDL_LOGICAL_PRESENTATION_LETTERBOX)
            << "the picture's letterbox was not put back";
        // Read the whole window, bars and all.
        SDL_SetRenderLogicalPresentation(renderer(), 0, 0, SDL_LOGICAL_PRESENTATION_DISABLED);
        const sdlx::Image img = frame();
        SDL_SetRenderLogicalPresentation(renderer(), SCREEN_WIDTH, SCREEN_HEIGHT, SDL_LOGICAL_PRESENTATION_LETTERBOX);
        return img;
    };
    const shelltest::Rgb black{};
    EXPECT_EQ(shelltest::pixel(overlay(), 160, 360), black) << "drawn before any touch";
    gfx().input.touch.shown = true;
    const sdlx::Image shown = overlay();
    EXPECT_NE(shelltest::pixel(shown, 160, 360), black) << "no stick resting in the left bar";
    EXPECT_NE(shelltest::pixel(shown, 1440, 666), black) << "no inventory button in the right bar";
    EXPECT_EQ(shelltest::pixel(shown, 800, 360), black) << "drawn over the picture";
    gfx().input = DeviceInput{};
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

}  // namespace
