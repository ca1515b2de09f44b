// Nearest-pixel scaling of pictures, for icons in several sizes.
#pragma once

#include "art.h"

namespace brambix::art {

// `image` scaled to `size` x `size`: each output pixel takes the source pixel its
// centre falls in, so pixel art stays sharp.
[[nodiscard]] Image scale_nearest(const Image& image, int size);

// Whether scaling to `size` keeps every art pixel a whole square of equal pixels: true
// exactly when scaling the result back gives the picture again.
[[nodiscard]] bool scales_whole(const Image& image, int size);

}  // namespace brambix::art
