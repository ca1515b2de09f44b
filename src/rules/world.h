// The endless generated world: tile lookup and the first sight of grass tiles.
#pragma once

#include <cstdint>

// The fixed hash behind tree placement; no seed, so every run has the same world.
uint32_t tileHash(int32_t x, int32_t y);

// The tile id at (x, y): a stored change if there is one, else the generated tile
// (1 grass, 2 wood, 3 leaf). Changes nothing.
int getTile(int32_t x, int32_t y);

// Called for every tile of the view, before it is drawn: the first time a tile is met
// as grass it is marked in `chunks` and rolls for a creature.
void visitTile(int32_t x, int32_t y, int block);

// The tiles handled per frame: the window and a margin of one tile on the top left.
constexpr int VIEW_COLUMNS = 16;
constexpr int VIEW_ROWS = 13;

// The first tile of the view whose top-left corner is at world pixel `cameraPx`.
int32_t viewStart(float cameraPx);

// Visits every tile of the view at camera (cameraX, cameraY), column by column from
// the left and top to bottom in each, the order in which they are drawn. Tiles that were
// in the view of the last call are passed over while no tile has changed since: they
// were visited then and would meet nothing new.
void seeView(float cameraX, float cameraY);

// Makes the next seeView visit every tile of its view; for whatever changes tiles or the
// seen marks (breaking, placing, a new game, a restored snapshot).
void forgetSeenView();

// World pixel p lies in tile floor(p / 64). `worldPx` is a camera plus a point within
// reach (below): finite, and far inside the range whose tile numbers fit.
int32_t tileOf(float worldPx);

// How far from the picture's corner, in picture pixels along each axis, a point the
// rules are given may lie: far beyond the black bars of any real window, and near
// enough that a tile number always fits.
constexpr float POINTER_REACH_PX = 1.0e6f;
// Whether `picturePx` is a finite number within POINTER_REACH_PX of the picture.
bool withinReach(float picturePx);
// `picturePx` brought within reach; NaN becomes -POINTER_REACH_PX, far off the picture.
float intoReach(float picturePx);
