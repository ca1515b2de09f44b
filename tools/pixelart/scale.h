// Nearest-pixel scaling of pictures, for icons in several sizes.
#pragma once

#include "art.h"

namespace brambix::art {

// `image` scaled to `size` x `size`: each output pixel takes the source pixel its
// centre falls in, so pixel art stays sharp.
[[nodiscard]] Image scale_nearest(const Image& image, int size);

// `image` at the largest size not over `size` that keeps its art pixels whole squares,
// in the middle of a transparent `size` x `size` square: for a size the art grid does
// not divide (Apple's 180 for an icon on a 16 grid). Empty when no whole size fits.
[[nodiscard]] Image scale_padded(const Image& image, int size);

// The picture's art grid: the fewest cells per side such that each cell is a square of
// one colour (64 for a picture with no such squares; 0 for one that is not square).
[[nodiscard]] int art_grid(const Image& image);

// Whether scaling to `size` keeps every art pixel a whole square of equal pixels, all
// of one size: `size` is a multiple of the art grid.
[[nodiscard]] bool scales_whole(const Image& image, int size);

}  // namespace brambix::art
