// The window at other sizes, through the platform the game uses: where the pointer lands
// in the 800 by 600 picture, clicks on the bars round it, and the fullscreen keys. The
// window is sized by hand on SDL's dummy video driver; pointer and keys are real SDL
// input (a warped pointer, pushed events).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "rules/state.h"
#include "shell/draw.h"
#include "shell/platform.h"
#include "shell/sdl.h"

namespace {

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        if (!SDL_Init(SDL_INIT_VIDEO)) {
            setupError = std::string("SDL_Init: ") + SDL_GetError();
            return;
        }
        gfx.window = SDL_CreateWindow("brambix window tests", SCREEN_WIDTH, SCREEN_HEIGHT, SDL_WINDOW_RESIZABLE);
        gfx.renderer = gfx.window ? SDL_CreateRenderer(gfx.window, "software") : nullptr;
        if (gfx.renderer == nullptr) {
            setupError = std::string("no window with a software renderer: ") + SDL_GetError();
            return;
        }
        SDL_SetRenderLogicalPresentation(gfx.renderer, SCREEN_WIDTH, SCREEN_HEIGHT, SDL_LOGICAL_PRESENTATION_LETTERBOX);
    }

    static void TearDownTestSuite()
    {
        gfx.renderer = nullptr;
        gfx.window = nullptr;
        SDL_Quit();  // releases the renderer and the window
    }

    void SetUp() override { ASSERT_TRUE(setupError.empty()) << setupError; }

    static void drainEvents()
    {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }

    // Sizes the window and lets SDL see the change, as after the player resized it.
    static void resize(int w, int h)
    {
        SDL_SetWindowSize(gfx.window, w, h);
        drainEvents();
        int outW = 0;
        int outH = 0;
        ASSERT_TRUE(SDL_GetRenderOutputSize(gfx.renderer, &outW, &outH)) << SDL_GetError();
        ASSERT_EQ(outW, w) << "the renderer's output did not follow the window";
        ASSERT_EQ(outH, h);
    }

    // What the loop gets from one real click with the pointer at window point (x, y).
    static InputEvent clickAt(Platform& io, float x, float y)
    {
        SDL_WarpMouseInWindow(gfx.window, x, y);
        drainEvents();  // the pointer's motion
        SDL_Event down = sdlx::mouseDownEvent(SDL_BUTTON_LEFT);
        SDL_PushEvent(&down);
        InputEvent got;
        EXPECT_TRUE(io.pollEvent(got));
        return got;
    }

    static inline Gfx gfx;
    static inline std::string setupError;
};

TEST_F(WindowTest, PointerLandsInThePictureAndBarsTakeNoClicks)
{
    constexpr float BAR = -1.0f;  // expected: the click is on a bar
    struct Case {
        int w, h;          // window size
        float x, y;        // pointer, window point
        float px, py;      // where it lands in the picture, or BAR
        const char* what;
    };
    const Case cases[] = {
        {800, 600, 400, 300, 400, 300, "the window's own size: no scaling"},
        {800, 600, 0, 599, 0, 599, "its bottom-left pixel"},
        {1600, 1200, 928, 600, 464, 300, "twice the size: halved"},
        {1600, 1200, 1599, 1199, 799.5f, 599.5f, "twice the size, last pixel"},
        {1000, 600, 50, 300, BAR, 0, "wider: the middle of the left bar"},
        {1000, 600, 99, 300, BAR, 0, "wider: the left bar's last column"},
        {1000, 600, 100, 0, 0, 0, "wider: the picture's first column"},
        {1000, 600, 899, 599, 799, 599, "wider: the picture's last column"},
        {1000, 600, 900, 300, BAR, 0, "wider: the right bar's first column"},
        {800, 900, 400, 149, BAR, 0, "taller: the top bar"},
        {800, 900, 400, 150, 400, 0, "taller: the picture's top row"},
        {800, 900, 400, 749, 400, 599, "taller: the picture's bottom row"},
        {800, 900, 400, 750, BAR, 0, "taller: the bottom bar"},
        {2560, 1440, 1436, 720, 465, 300, "2.4 times, pillarboxed by 320"},
        {2560, 1440, 319, 720, BAR, 0, "2.4 times, the left bar"},
        {2560, 1440, 2240, 720, BAR, 0, "2.4 times, the right bar"},
    };
    Platform io = sdlPlatform(gfx);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resize(c.w, c.h);
        const InputEvent e = clickAt(io, c.x, c.y);
        const PointerPos p = io.mouseState();
        if (c.px == BAR) {
            EXPECT_EQ(e.kind, InputEvent::Kind::Other) << "a click on the bar reached the game at " << p.x << ","
                                                       << p.y;
            EXPECT_TRUE(p.x < 0 || p.x >= SCREEN_WIDTH || p.y < 0 || p.y >= SCREEN_HEIGHT);
            continue;
        }
        EXPECT_EQ(e.kind, InputEvent::Kind::MouseDown);
        EXPECT_EQ(e.button, SDL_BUTTON_LEFT);
        EXPECT_NEAR(p.x, c.px, 0.01f);
        EXPECT_NEAR(p.y, c.py, 0.01f);
    }
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

TEST_F(WindowTest, FullscreenKeysToggleTheWindowAndReachNoRule)
{
    struct Case {
        SDL_Scancode key;
        unsigned modifiers;
        bool repeat;
        bool toggles;      // the window switches to or from fullscreen
        bool reachesLoop;  // the loop sees the key press
        const char* what;
    };
    const Case cases[] = {
        {SDL_SCANCODE_F11, 0, false, true, false, "F11"},
        {SDL_SCANCODE_F11, 0, true, false, false, "F11 held: the repeats do nothing"},
        {SDL_SCANCODE_F11, 0, false, true, false, "F11 again"},
        {SDL_SCANCODE_RETURN, SDL_KMOD_LALT, false, true, false, "left Alt+Enter"},
        {SDL_SCANCODE_RETURN, SDL_KMOD_RALT, true, false, false, "right Alt+Enter held"},
        {SDL_SCANCODE_RETURN, SDL_KMOD_RALT, false, true, false, "right Alt+Enter"},
        {SDL_SCANCODE_RETURN, 0, false, false, true, "Enter alone"},
        {SDL_SCANCODE_E, SDL_KMOD_LALT, false, false, true, "Alt+E"},
    };
    Platform io = sdlPlatform(gfx);
    drainEvents();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool before = sdlx::isFullscreen(gfx.window);
        SDL_Event key = sdlx::keyDownEvent(c.key, c.modifiers, c.repeat);
        SDL_PushEvent(&key);
        // The window's own events follow a switch; the loop sees them as nothing.
        std::vector<int> keysSeen;
        InputEvent got;
        while (io.pollEvent(got)) {
            if (got.kind == InputEvent::Kind::KeyDown) {
                keysSeen.push_back(got.scancode);
            }
        }
        EXPECT_EQ(sdlx::isFullscreen(gfx.window), before != c.toggles);
        EXPECT_EQ(keysSeen, c.reachesLoop ? std::vector<int>{c.key} : std::vector<int>{});
    }
    sdlx::setDesktopFullscreen(gfx.window, false);
}

}  // namespace
