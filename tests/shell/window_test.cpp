// The window at other sizes, through the platform the game uses: where the pointer lands
// in the 800 by 600 picture (scaled by any factor or by whole numbers), clicks on the
// bars round it, and the fullscreen and whole-pixel keys. The window is sized by hand on
// SDL's dummy video driver; pointer and keys are real SDL input (a warped pointer,
// pushed events).
#include <gtest/gtest.h>

#include <vector>

#include "rules/state.h"
#include "sdl_fixture.h"
#include "shell/draw/picture.h"
#include "shell/input/sdl_platform.h"

namespace {

class WindowTest : public shelltest::SdlSuite {
protected:
    static void drainEvents()
    {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
    }

    // Sizes the window as after the player resized it.
    static void resize(int w, int h)
    {
        SDL_SetWindowSize(gfx().window, w, h);
        drainEvents();
        int outW = 0;
        int outH = 0;
        ASSERT_TRUE(SDL_GetRenderOutputSize(renderer(), &outW, &outH)) << SDL_GetError();
        ASSERT_EQ(outW, w) << "the renderer's output did not follow the window";
        ASSERT_EQ(outH, h);
    }
};

TEST_F(WindowTest, PointerLandsInThePictureAndBarsTakeNoClicks)
{
    constexpr float BAR = -1.0f;  // expected: the click is on a bar
    struct Case {
        int w, h;      // window size
        float x, y;    // pointer, window point
        float px, py;  // where it lands in the picture, or BAR
    };
    const std::vector<Case> cases = {
        {800, 600, 0, 599, 0, 599},             // the window's own size
        {1600, 1200, 928, 600, 464, 300},       // twice the size: halved
        {1600, 1200, 1599, 1199, 799.5f, 599.5f},
        {1000, 600, 99, 300, BAR, 0},           // wider: the left bar's last column
        {1000, 600, 100, 0, 0, 0},              // the picture's first column
        {1000, 600, 899, 599, 799, 599},        // its last column
        {1000, 600, 900, 300, BAR, 0},          // the right bar's first column
        {800, 900, 400, 149, BAR, 0},           // taller: the top bar
        {800, 900, 400, 150, 400, 0},
        {800, 900, 400, 750, BAR, 0},           // the bottom bar
        {2560, 1440, 1436, 720, 465, 300},      // 2.4 times, bars of 320
        {2560, 1440, 2240, 720, BAR, 0},        // the right bar's first column
    };
    // Whole-pixel scaling: bars wide enough for a whole multiple, down to one time; below
    // that the picture is scaled down as without.
    const std::vector<Case> wholeCases = {
        {1000, 700, 99, 350, BAR, 0},  // one time, bars of 100 and 50
        {1000, 700, 899, 649, 799, 599},
        {1700, 1300, 49, 650, BAR, 0},  // twice, bars of 50
        {1700, 1300, 1649, 1249, 799.5f, 599.5f},
        {1700, 1300, 1650, 650, BAR, 0},
        {640, 480, 0, 0, 0, 0},  // smaller: 0.8 times, not cropped
    };
    setUpPicture(gfx());
    DeviceInput devices;
    Platform io = sdlPlatform(gfx(), devices);
    for (const bool whole : {false, true}) {
        setWholePixels(gfx(), whole);
        for (const Case& c : whole ? wholeCases : cases) {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y << (whole ? " whole" : ""));
            resize(c.w, c.h);
            // As after the window's resize event: the frame's picture is shown at the new size.
            gfx().resized = true;
            showPicture(gfx());
            SDL_WarpMouseInWindow(gfx().window, c.x, c.y);
            drainEvents();  // the pointer's motion
            SDL_Event down = sdlx::mouseDownEvent(SDL_BUTTON_LEFT);
            SDL_PushEvent(&down);
            InputEvent e;
            ASSERT_TRUE(io.pollEvent(e));
            const PointerPos p = io.mouseState();
            if (c.px == BAR) {
                EXPECT_EQ(e.kind, InputEvent::Kind::Other) << "the click reached the game at " << p.x << "," << p.y;
            } else {
                EXPECT_EQ(e.kind, InputEvent::Kind::MouseDown);
                EXPECT_FLOAT_EQ(p.x, c.px);
                EXPECT_FLOAT_EQ(p.y, c.py);
            }
        }
    }
    setWholePixels(gfx(), false);
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
}

TEST_F(WindowTest, PictureSitsCentredOrLowForAThumbAndItsEdgesMapBack)
{
    struct Case {
        int w, h;
        bool whole;
        float band;  // room kept under the picture for a thumb, in pixels
        Placement want;
    };
    const Case cases[] = {
        {1000, 600, false, 144, {100, 0, 800, 600}},  // wider than tall: centred all the same
        {2560, 1440, false, 0, {320, 0, 1920, 1440}},
        {800, 900, false, 0, {0, 150, 800, 600}},
        {800, 900, false, 144, {0, 156, 800, 600}},
        {1170, 2532, false, 432, {0, 1223, 1170, 877}},  // a phone upright, three pixels a point
        {400, 440, false, 144, {0, 0, 400, 300}},        // no room for the band: all of it below
        {1700, 1300, true, 0, {50, 50, 1600, 1200}},
        {640, 480, true, 0, {0, 0, 640, 480}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.whole ? " whole" : "") << " band " << c.band);
        const Placement p = placePicture(c.w, c.h, c.whole, c.band);
        EXPECT_EQ(std::vector<float>({p.x, p.y, p.w, p.h}), std::vector<float>({c.want.x, c.want.y, c.want.w, c.want.h}));
        // Its first and last pixels are on the picture, the bars' nearest are not.
        const PointerPos first = pictureAt(p, p.x, p.y);
        EXPECT_TRUE(first.x == 0 && first.y == 0 && onPicture(pictureAt(p, p.x + p.w - 1, p.y + p.h - 1)));
        EXPECT_FALSE(onPicture(pictureAt(p, p.x - 1, p.y)) || onPicture(pictureAt(p, p.x, p.y - 1)) ||
                     onPicture(pictureAt(p, p.x + p.w, p.y)) || onPicture(pictureAt(p, p.x, p.y + p.h)));
    }
    // A desktop window made tall keeps the picture centred until a finger touches it.
    setUpPicture(gfx());
    resize(450, 900);
    for (const bool touched : {false, true}) {
        gfx().fingersUsed = touched;
        showPicture(gfx());
        EXPECT_EQ(picturePlacement(gfx()).y, touched ? 900 - 337 - 3 * 48 : 281);
    }
    gfx().fingersUsed = false;
    resize(SCREEN_WIDTH, SCREEN_HEIGHT);
    showPicture(gfx());
}

TEST_F(WindowTest, FullscreenAndWholePixelKeysSwitchTheWindowAndReachNoRule)
{
    struct Case {
        SDL_Scancode key;
        unsigned modifiers;
        bool repeat;
        bool switches;     // the window goes to or from fullscreen
        bool reachesLoop;  // the loop sees the key press
    };
    const Case cases[] = {
        {SDL_SCANCODE_F11, 0, false, true, false},
        {SDL_SCANCODE_F11, 0, true, false, false},  // held: the repeats do nothing
        {SDL_SCANCODE_F11, 0, false, true, false},
        {SDL_SCANCODE_RETURN, SDL_KMOD_LALT, false, true, false},
        {SDL_SCANCODE_RETURN, SDL_KMOD_RALT, true, false, false},
        {SDL_SCANCODE_RETURN, SDL_KMOD_RALT, false, true, false},
        {SDL_SCANCODE_RETURN, 0, false, false, true},
        {SDL_SCANCODE_E, SDL_KMOD_LALT, false, false, true},
        {SDL_SCANCODE_P, 0, false, false, false},  // whole pixels, on
        {SDL_SCANCODE_P, 0, true, false, false},
    };
    DeviceInput devices;
    Platform io = sdlPlatform(gfx(), devices);
    drainEvents();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "scancode " << c.key << ", modifiers " << c.modifiers
                                        << (c.repeat ? ", repeated" : ""));
        const bool before = sdlx::isFullscreen(gfx().window);
        SDL_Event key = sdlx::keyDownEvent(c.key, c.modifiers, c.repeat);
        SDL_PushEvent(&key);
        std::vector<int> keysSeen;  // the window's own events follow a switch
        InputEvent e;
        while (io.pollEvent(e)) {
            if (e.kind == InputEvent::Kind::KeyDown) {
                keysSeen.push_back(e.scancode);
            }
        }
        EXPECT_EQ(sdlx::isFullscreen(gfx().window), before != c.switches);
        EXPECT_EQ(keysSeen, c.reachesLoop ? std::vector<int>{c.key} : std::vector<int>{});
    }
    EXPECT_TRUE(gfx().wholePixels) << "P switches whole-pixel scaling on once, whether held or not";
    setWholePixels(gfx(), false);
    sdlx::setDesktopFullscreen(gfx().window, false);
}

}  // namespace
