// Shared by the shell tests that draw: one hidden 800 by 600 window with a software
// renderer, the font and every picture, made once per test suite; a fake tick clock;
// and pixel helpers for comparing what was drawn with what should be there.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "rules/clock.h"
#include "rules/random.h"
#include "rules/state.h"
#include "shell/app/app.h"
#include "shell/app/frame.h"
#include "shell/draw/draw.h"
#include "shell/input/finger_filter.h"
#include "sdl_test.h"

namespace shelltest {

using sdlx::Image;

// The rules' clock in the tests; nothing here waits on real time.
inline uint64_t fakeNow = 0;
inline uint64_t fakeTicks()
{
    return fakeNow;
}

// ---------------------------------------------------------------- pixels

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

constexpr Rgb BACKGROUND = {30, 30, 30};

inline Rgb rgbOf(uint32_t argb)
{
    return {static_cast<int>((argb >> 16) & 0xFFu), static_cast<int>((argb >> 8) & 0xFFu),
            static_cast<int>(argb & 0xFFu)};
}

inline int alphaOf(uint32_t argb)
{
    return static_cast<int>(argb >> 24);
}

inline Rgb pixel(const Image& img, int x, int y)
{
    return rgbOf(img.at(x, y));
}

inline bool near(Rgb a, Rgb b, int tol)
{
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

// Colour `src` with alpha `a` (0 to 255) blended over `dst`: src*a/255 + dst*(1 - a/255).
inline Rgb blend(Rgb src, int a, Rgb dst)
{
    auto ch = [a](int s, int d) {
        return static_cast<int>(std::lround((s * a + d * (255 - a)) / 255.0));
    };
    return {ch(src.r, dst.r), ch(src.g, dst.g), ch(src.b, dst.b)};
}

// A picture's pixel (0xAARRGGBB) drawn over `dst`.
inline Rgb over(uint32_t srcArgb, Rgb dst)
{
    return blend(rgbOf(srcArgb), alphaOf(srcArgb), dst);
}

// The smallest box holding every pixel whose colour differs between two frames;
// bounds inclusive, empty when nothing differs.
struct Box {
    int x0 = INT_MAX;
    int y0 = INT_MAX;
    int x1 = -1;
    int y1 = -1;
    bool empty() const { return x1 < 0; }
    bool within(int left, int top, int right, int bottom) const  // right/bottom exclusive
    {
        return empty() || (x0 >= left && y0 >= top && x1 < right && y1 < bottom);
    }
};

inline std::ostream& operator<<(std::ostream& os, const Box& b)
{
    if (b.empty()) {
        return os << "[no change]";
    }
    return os << "[x " << b.x0 << ".." << b.x1 << ", y " << b.y0 << ".." << b.y1 << "]";
}

inline Box changedBox(const Image& a, const Image& b, int left = 0, int top = 0, int right = INT_MAX,
                      int bottom = INT_MAX)
{
    Box box;
    right = std::min({right, a.w, b.w});
    bottom = std::min({bottom, a.h, b.h});
    for (int y = std::max(top, 0); y < bottom; ++y) {
        for (int x = std::max(left, 0); x < right; ++x) {
            if (rgbOf(a.at(x, y)) != rgbOf(b.at(x, y))) {
                box.x0 = std::min(box.x0, x);
                box.y0 = std::min(box.y0, y);
                box.x1 = std::max(box.x1, x);
                box.y1 = std::max(box.y1, y);
            }
        }
    }
    return box;
}

// Counts the pixels of the rectangle (x, y, w, h) of `img` whose colour is not within
// `tol` of `expected(px, py)`; `first` describes the first one.
inline int mismatches(const Image& img, int x, int y, int w, int h, const std::function<Rgb(int, int)>& expected,
                      int tol, std::string* first = nullptr)
{
    int n = 0;
    for (int py = y; py < y + h; ++py) {
        for (int px = x; px < x + w; ++px) {
            const Rgb want = expected(px, py);
            const Rgb got = pixel(img, px, py);
            if (!near(got, want, tol)) {
                if (n == 0 && first != nullptr) {
                    std::ostringstream os;
                    os << "at (" << px << "," << py << ") got " << got << " want " << want;
                    *first = os.str();
                }
                ++n;
            }
        }
    }
    return n;
}

// ---------------------------------------------------------------- pictures

// A picture file as pixels, read with the same image library the game uses.
inline Image loadPicture(const std::string& path)
{
    SDL_Surface* s = IMG_Load(path.c_str());
    Image img = sdlx::toImage(s);
    if (s != nullptr) {
        SDL_DestroySurface(s);
    }
    return img;
}

// ---------------------------------------------------------------- the suite fixture

class SdlSuite : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        setupError.clear();
#if defined(_WIN32)
        _putenv_s("SDL_VIDEODRIVER", "dummy");
        _putenv_s("SDL_RENDER_DRIVER", "software");
#else
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_RENDER_DRIVER", "software", 1);
#endif
#ifdef BRAMBIX_RUN_DIR
        // A run by hand from elsewhere still finds the run folder's assets.
        std::error_code ec;
        if (!std::filesystem::exists("assets/arial.ttf", ec)) {
            std::filesystem::current_path(BRAMBIX_RUN_DIR, ec);
        }
#endif
        runDir = std::filesystem::current_path();
        if (!SDL_Init(SDL_INIT_VIDEO)) {
            setupError = std::string("SDL_Init: ") + SDL_GetError();
            return;
        }
        sdlUp = true;
        keepFingerPositions();
        if (!TTF_Init()) {
            setupError = std::string("TTF_Init: ") + SDL_GetError();
            return;
        }
        ttfUp = true;
        gfx_ = new Gfx;
        gfx_->window = SDL_CreateWindow("brambix shell tests", SCREEN_WIDTH, SCREEN_HEIGHT, SDL_WINDOW_HIDDEN);
        if (gfx_->window == nullptr) {
            setupError = std::string("SDL_CreateWindow: ") + SDL_GetError();
            return;
        }
        gfx_->renderer = SDL_CreateRenderer(gfx_->window, "software");
        if (gfx_->renderer == nullptr) {
            setupError = std::string("SDL_CreateRenderer: ") + SDL_GetError();
            return;
        }
        SDL_SetRenderDrawBlendMode(gfx_->renderer, SDL_BLENDMODE_BLEND);
        fnt = TTF_OpenFont("assets/arial.ttf", 14.0f);
        if (fnt == nullptr) {
            setupError = "cannot open assets/arial.ttf from " + runDir.string();
            return;
        }
        loadTextures(*gfx_);
    }

    static void TearDownTestSuite()
    {
        if (gfx_ != nullptr) {
            destroyTextures(*gfx_);
            if (gfx_->renderer != nullptr) {
                SDL_DestroyRenderer(gfx_->renderer);
            }
            if (gfx_->window != nullptr) {
                SDL_DestroyWindow(gfx_->window);
            }
            delete gfx_;
            gfx_ = nullptr;
        }
        if (fnt != nullptr) {
            TTF_CloseFont(fnt);
            fnt = nullptr;
        }
        if (ttfUp) {
            TTF_Quit();
            ttfUp = false;
        }
        if (sdlUp) {
            SDL_Quit();
            sdlUp = false;
        }
    }

protected:
    void SetUp() override
    {
        ASSERT_TRUE(setupError.empty()) << setupError;
        ASSERT_NE(gfx_, nullptr);
        resetGameState();
        fakeNow = 0;
        setTickSource(fakeTicks);
        resetGameRand();
        gfx_->text.clear();
    }

    void TearDown() override { setTickSource(nullptr); }

    static Gfx& gfx() { return *gfx_; }
    static SDL_Renderer* renderer() { return gfx_->renderer; }

    // The frame drawn so far, before presenting.
    static Image frame() { return sdlx::readPixels(gfx_->renderer); }

    // A loop state looking at the world from camera (cx, cy), with the player far
    // outside the window so that it hides nothing.
    static Loop view(float cx, float cy)
    {
        Loop loop;
        loop.cameraX = cx;
        loop.cameraY = cy;
        loop.pX = cx - 10000.0f;
        loop.pY = cy - 10000.0f;
        return loop;
    }

    // Stores tile `id` everywhere the drawing pass can reach from the loop's camera.
    static void fillTiles(const Loop& loop, int id)
    {
        const int x0 = static_cast<int>(std::floor(loop.cameraX / 64.0f)) - 2;
        const int y0 = static_cast<int>(std::floor(loop.cameraY / 64.0f)) - 2;
        for (int x = x0; x < x0 + 20; ++x) {
            for (int y = y0; y < y0 + 17; ++y) {
                world[{x, y}] = id;
            }
        }
    }

    // Clears the window to the game's background colour, as drawWorld starts.
    static void clearToBackground()
    {
        SDL_SetRenderDrawColor(gfx_->renderer, 30, 30, 30, 255);
        SDL_RenderClear(gfx_->renderer);
    }

    static std::string asset(const std::string& name) { return (runDir / "assets" / name).string(); }

    static inline Gfx* gfx_ = nullptr;
    static inline std::string setupError;
    static inline std::filesystem::path runDir;
    static inline bool sdlUp = false;
    static inline bool ttfUp = false;
};

}  // namespace shelltest
