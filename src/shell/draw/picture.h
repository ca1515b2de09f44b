// How the frame's 800 by 600 picture reaches a window of any size.
#pragma once

#include "shell/draw/draw.h"
#include "shell/draw/placement.h"

// Sets `gfx` up to draw each frame into an 800 by 600 picture of its own, shown scaled
// to the largest size that fits the window with its aspect kept (by any factor, or by
// whole numbers as `gfx.wholePixels` says), by nearest pixels, with black bars beside
// it: centred, or low in a window taller than wide where fingers play (see
// picturePlacement). Where the renderer cannot draw into a texture the frame is drawn
// straight into the window, centred, and SDL scales each drawing alike. Caps the window
// at a size the graphics driver can handle.
void setUpPicture(Gfx& gfx);

// Sets whole-pixel scaling on or off: on, the picture is shown at the largest whole
// multiple of its size that fits, so that every pixel is a block of the same size, with
// wider bars; in a window smaller than the picture it is scaled down as when off.
void setWholePixels(Gfx& gfx, bool on);

// Points the frame's drawing at the picture.
void beginPicture(Gfx& gfx);

// Shows the picture in the window and presents it; after a change of the window's size,
// hands the memory freed with the old size back to the system.
void showPicture(Gfx& gfx);

// Where the picture is shown in the window now, in the window's pixels: low, in reach of
// a thumb, in a window taller than wide on the page or once a finger has touched it.
Placement picturePlacement(const Gfx& gfx);

// The window's pixels to one of its units (above 1 on a high-density display).
float windowDensity(const Gfx& gfx);

// The point of the picture under (x, y), a point of the window in its own units.
PointerPos pictureAtWindowPoint(const Gfx& gfx, float x, float y);
