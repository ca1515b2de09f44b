// The picture's place in the window and the way back from a window point to it.
#include "shell/draw/placement.h"

#include <algorithm>
#include <cmath>

namespace {
// A control's size in the display's points (CSS pixels in a browser), as touch
// guidelines ask; up to twice that where a point is small.
constexpr float CONTROL_POINTS = 48.0f;

// SDL's float arithmetic and ours can land the first pixel of a bar a hair inside the
// picture's edge (799.99994 at 2.4 times); a grid of 1/1024 pixel is far finer than any
// window's.
float snapped(float v)
{
    constexpr float GRID = 1024.0f;
    return std::round(v * GRID) / GRID;
}
}  // namespace

Placement placePicture(int outW, int outH, bool wholePixels, float thumbBandPx)
{
    const float w = static_cast<float>(std::max(outW, 1));
    const float h = static_cast<float>(std::max(outH, 1));
    float scale = std::min(w / SCREEN_WIDTH, h / SCREEN_HEIGHT);
    // Below one time, whole numbers would crop it: it is scaled down as without.
    if (wholePixels && scale >= 1.0f) {
        scale = std::floor(scale);
    }
    Placement p;
    // At least a pixel, so that a window of no size still maps somewhere.
    p.w = std::clamp(std::floor(SCREEN_WIDTH * scale), 1.0f, w);
    p.h = std::clamp(std::floor(SCREEN_HEIGHT * scale), 1.0f, h);
    p.x = std::floor((w - p.w) / 2.0f);
    p.y = std::floor((h - p.h) / 2.0f);
    if (h > w && thumbBandPx > 0.0f) {
        p.y = std::max(0.0f, std::floor(h - p.h - thumbBandPx));
    }
    return p;
}

PointerPos pictureAt(const Placement& p, float px, float py)
{
    // As drawn: stretched to its whole-pixel size, a hair more one way than the other.
    return {snapped((px - p.x) * SCREEN_WIDTH / p.w), snapped((py - p.y) * SCREEN_HEIGHT / p.h)};
}

bool onPicture(PointerPos p)
{
    return p.x >= 0.0f && p.x < SCREEN_WIDTH && p.y >= 0.0f && p.y < SCREEN_HEIGHT;
}

float controlUnit(float displayScale, float density)
{
    return CONTROL_POINTS * std::clamp(displayScale / density, 1.0f, 2.0f);
}
