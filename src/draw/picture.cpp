// The frame's picture, scaled into the window once per frame.
#include "draw/picture.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "rules/state.h"

namespace {
constexpr SDL_FRect PICTURE_RECT = {0.0f, 0.0f, SCREEN_WIDTH, SCREEN_HEIGHT};
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

// The scaling that fits the picture into the window now. SDL's whole-number scaling
// never goes below one and would crop the picture in a smaller window.
void choosePresentation(Gfx& gfx)
{
    int w = 0;
    int h = 0;
    const bool fits = SDL_GetRenderOutputSize(gfx.renderer, &w, &h) && w >= SCREEN_WIDTH && h >= SCREEN_HEIGHT;
    SDL_SetRenderLogicalPresentation(gfx.renderer, SCREEN_WIDTH, SCREEN_HEIGHT,
                                     gfx.wholePixels && fits ? SDL_LOGICAL_PRESENTATION_INTEGER_SCALE
                                                             : SDL_LOGICAL_PRESENTATION_LETTERBOX);
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
    // SDL's letterbox places the picture and maps the pointer into it (input/sdl_platform.cpp).
    choosePresentation(gfx);
    // Scaling the finished picture rather than each drawing keeps every pixel of it one
    // block at whole-number scales, one or two screen pixels wide at others (a heart
    // drawn 20 pixels wide stays the same heart at any size), and costs one copy however
    // much is drawn.
    gfx.picture = createTargetTexture(gfx.renderer, SCREEN_WIDTH, SCREEN_HEIGHT);
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
    if (drawnInPicture) {
        SDL_SetRenderDrawColor(gfx.renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
        SDL_RenderClear(gfx.renderer);
        SDL_RenderTexture(gfx.renderer, gfx.picture, nullptr, &PICTURE_RECT);
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
