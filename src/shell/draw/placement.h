// Where the 800 by 600 picture sits in a window of any size, and which point of the
// picture a point of the window is: arithmetic on sizes alone.
#pragma once

#include "shell/platform/platform.h"

// The picture as shown, in the window's pixels.
struct Placement {
    float x = 0.0f;  // its top left corner
    float y = 0.0f;
    float w = SCREEN_WIDTH;  // its size
    float h = SCREEN_HEIGHT;
};

// The picture in an outW by outH window: scaled to the largest size that fits with its
// aspect kept (by whole numbers where `wholePixels` and it fits at least once), on
// whole pixels. Centred; but in a window taller than wide with `thumbBandPx` above 0,
// it sits that far above the window's bottom edge, in reach of a thumb, with the free
// space above it (low on the window's edge when the band does not fit).
Placement placePicture(int outW, int outH, bool wholePixels, float thumbBandPx);

// The point of the picture at window pixel (px, py); beyond its edges off the picture.
PointerPos pictureAt(const Placement& p, float px, float py);

// Whether `p`, a point of the picture, is on it.
bool onPicture(PointerPos p);

// The size of one touch control in window units for a window of `density` pixels a
// unit on a display of `displayScale` pixels a point: what a fingertip hits surely.
float controlUnit(float displayScale, float density);

// How many control units of room the picture leaves under itself for a thumb's
// controls when it sits low.
constexpr float THUMB_BAND_UNITS = 3.0f;
