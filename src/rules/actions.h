// What a mouse click does to the world while no screen is open.
#pragma once

// A click of `button` with the pointer at window pixel (mx, my) and the camera at
// (cameraX, cameraY). Left: kill the first creature strictly under the pointer (its
// meat drops), else break the tile under the pointer into its item. Any other button:
// eat the selected meat below full health, else open a crafting table under the
// pointer, else place the selected block.
void worldClick(int button, float mx, float my, float cameraX, float cameraY, int selectedHotbar);
