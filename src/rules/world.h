// The endless generated world: tile lookup and the first sight of grass tiles.
#pragma once

#include <cstdint>

// The fixed hash behind tree placement; no seed, so every run has the same world.
uint32_t tileHash(int32_t x, int32_t y);

// The tile id at (x, y): a stored change if there is one, else the generated tile
// (1 grass, 2 wood, 3 leaf). Changes nothing.
int getTile(int32_t x, int32_t y);

// Called by the drawing pass for every tile it handles, before drawing it: the first
// time a tile is met as grass it is marked in `chunks` and rolls for a creature.
void visitTile(int32_t x, int32_t y, int block);

// World pixel p lies in tile floor(p / 64).
int32_t tileOf(float worldPx);
