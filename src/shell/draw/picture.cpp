// The frame's picture, scaled into the window once per frame.
#include "shell/draw/picture.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "rules/state.h"

namespace {
// Larger than any real display, smaller than what a software graphics driver can
// allocate a window's buffers for (it crashes at 32767 and crawls at 10000).
constexpr int WINDOW_MAX_PX = 8192;

// Whether the window is within the cap. One past it (a window manager that ignores the
// maximum, or none at all) is asked back within it, and nothing may be drawn into it
// until it is: the driver would allocate, and fail at, buffers of its size.
bool withinCap(Gfx& gfx)
{
    int w = 0;
    int h = 0;
    if (!SDL_GetRenderOutputSize(gfx.renderer, &w, &h) || (w <= WINDOW_MAX_PX && h <= WINDOW_MAX_PX)) {
        return true;
    }
    int ww = 0;
    int wh = 0;
    SDL_GetWindowSize(gfx.window, &ww, &wh);
    // Output pixels and window units differ on a high-density display.
    SDL_SetWindowSize(gfx.window, w > WINDOW_MAX_PX ? static_cast<int>(int64_t{ww} * WINDOW_MAX_PX / w) : ww,
                      h > WINDOW_MAX_PX ? static_cast<int>(int64_t{wh} * WINDOW_MAX_PX / h) : wh);
    return false;
}

// The graphics driver frees its window-sized buffers when the window changes size;
// glibc's allocator keeps such freed memory (tens of megabytes a time, more with each
// size) unless asked to give it back.
void releaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// A texture to draw into, copied out as it is: nearest pixels when scaled, no blending.
// Opaque, like a window, so that a software renderer copies it without converting. Null
// when the renderer cannot draw into textures.
SDL_Texture* createTargetTexture(SDL_Renderer* r, int w, int h)
{
    SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_XRGB8888, SDL_TEXTUREACCESS_TARGET, w, h);
    if (t != nullptr &&
        (!SDL_SetTextureScaleMode(t, SDL_SCALEMODE_NEAREST) || !SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE))) {
        SDL_DestroyTexture(t);
        t = nullptr;
    }
    return t;
}

// Where the renderer cannot draw into a texture, SDL scales every drawing into the
// window, centred. Its whole-number scaling never goes below one and would crop the
// picture in a smaller window.
void choosePresentation(Gfx& gfx)
{
    if (gfx.picture != nullptr) {
        return;
    }
    int w = 0;
    int h = 0;
    const bool fits = SDL_GetRenderOutputSize(gfx.renderer, &w, &h) && w >= SCREEN_WIDTH && h >= SCREEN_HEIGHT;
    SDL_SetRenderLogicalPresentation(gfx.renderer, SCREEN_WIDTH, SCREEN_HEIGHT,
                                     gfx.wholePixels && fits ? SDL_LOGICAL_PRESENTATION_INTEGER_SCALE
                                                             : SDL_LOGICAL_PRESENTATION_LETTERBOX);
}

// A phone held upright shows the picture low, the thumbs' controls under it: always on
// the page, and on the desktop once a finger has touched the window (a tablet's), so
// that a window made tall by hand keeps the picture in its middle. Taken as a frame is
// shown, so that a touch lands on the picture as the player saw it.
void choosePlacement(Gfx& gfx)
{
#ifdef __EMSCRIPTEN__
    constexpr bool ON_PAGE = true;
#else
    constexpr bool ON_PAGE = false;
#endif
    gfx.pictureLow = gfx.picture != nullptr && (ON_PAGE || gfx.fingersUsed);
}
}  // namespace

void setUpPicture(Gfx& gfx)
{
#ifndef __EMSCRIPTEN__
    // In a browser the page sizes the canvas, and SDL would answer a maximum by sizing
    // it back to what the window was asked to be at its making.
    if (gfx.window != nullptr) {
        SDL_SetWindowMaximumSize(gfx.window, WINDOW_MAX_PX, WINDOW_MAX_PX);
    }
#endif
    // Scaling the finished picture rather than each drawing keeps every pixel of it one
    // block at whole-number scales, one or two screen pixels wide at others (a heart
    // drawn 20 pixels wide stays the same heart at any size), and costs one copy however
    // much is drawn.
    gfx.picture = createTargetTexture(gfx.renderer, SCREEN_WIDTH, SCREEN_HEIGHT);
    choosePresentation(gfx);
    choosePlacement(gfx);
}

void setWholePixels(Gfx& gfx, bool on)
{
    gfx.wholePixels = on;
    choosePresentation(gfx);
}

void beginPicture(Gfx& gfx)
{
    // A window of the picture's own size takes the drawing as it is, at no extra cost.
    int w = 0;
    int h = 0;
    const bool ownSize = SDL_GetRenderOutputSize(gfx.renderer, &w, &h) && w == SCREEN_WIDTH && h == SCREEN_HEIGHT;
    if (gfx.picture != nullptr && !ownSize) {
        SDL_SetRenderTarget(gfx.renderer, gfx.picture);
    }
}

void showPicture(Gfx& gfx)
{
    // The devices' marks point at parts of the picture: they are drawn in it, scaled with it.
    if (gfx.overlay.marks) {
        gfx.overlay.marks(gfx);
    }
    const bool drawnInPicture = gfx.picture != nullptr && SDL_GetRenderTarget(gfx.renderer) == gfx.picture;
    if (drawnInPicture) {
        SDL_SetRenderTarget(gfx.renderer, nullptr);
    }
    if (!withinCap(gfx)) {
        return;
    }
    if (gfx.resized && gfx.wholePixels) {
        choosePresentation(gfx);
    }
    choosePlacement(gfx);
    if (drawnInPicture) {
        const Placement p = picturePlacement(gfx);
        const SDL_FRect shown = {p.x, p.y, p.w, p.h};
        SDL_SetRenderDrawColor(gfx.renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
        SDL_RenderClear(gfx.renderer);
        SDL_RenderTexture(gfx.renderer, gfx.picture, nullptr, &shown);
    }
    if (gfx.overlay.draw) {
        gfx.overlay.draw(gfx);
    }
    SDL_RenderPresent(gfx.renderer);
    if (gfx.overlay.end) {
        gfx.overlay.end(gfx);
    }
    // The buffers of the old size are gone once the first picture of the new is shown.
    if (gfx.resized) {
        gfx.resized = false;
        releaseFreedMemory();
    }
}

float windowDensity(const Gfx& gfx)
{
    int outW = 0;
    int outH = 0;
    int w = 0;
    int h = 0;
    if (gfx.window == nullptr || !SDL_GetRenderOutputSize(gfx.renderer, &outW, &outH)) {
        return 1.0f;
    }
    SDL_GetWindowSize(gfx.window, &w, &h);
    return w > 0 && outW > 0 ? static_cast<float>(outW) / static_cast<float>(w) : 1.0f;
}

Placement picturePlacement(const Gfx& gfx)
{
    int w = 0;
    int h = 0;
    SDL_GetRenderOutputSize(gfx.renderer, &w, &h);
    float band = 0.0f;
    if (gfx.pictureLow) {
        const float density = windowDensity(gfx);
        const float displayScale = gfx.window != nullptr ? sdlx::windowDisplayScale(gfx.window) : density;
        band = THUMB_BAND_UNITS * controlUnit(displayScale, density) * density;
    }
    return placePicture(w, h, gfx.wholePixels, band);
}

PointerPos pictureAtWindowPoint(const Gfx& gfx, float x, float y)
{
    const float density = windowDensity(gfx);
    return pictureAt(picturePlacement(gfx), x * density, y * density);
}
