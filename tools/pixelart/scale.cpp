// Nearest-pixel scaling.
#include "scale.h"

#include <algorithm>
#include <cstddef>

namespace brambix::art {

Image scale_nearest(const Image& image, int size) {
    Image out;
    if (size <= 0 || image.width <= 0 || image.height <= 0) return out;
    out.width = size;
    out.height = size;
    out.rgba.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    for (int y = 0; y < size; ++y) {
        const int sy = static_cast<int>((2LL * y + 1) * image.height / (2LL * size));
        for (int x = 0; x < size; ++x) {
            const int sx = static_cast<int>((2LL * x + 1) * image.width / (2LL * size));
            const std::size_t from = (static_cast<std::size_t>(sy) * static_cast<std::size_t>(image.width) +
                                      static_cast<std::size_t>(sx)) * 4;
            const std::size_t to =
                (static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)) * 4;
            for (std::size_t c = 0; c < 4; ++c) out.rgba[to + c] = image.rgba[from + c];
        }
    }
    return out;
}

namespace {
bool uniform_cells(const Image& image, int cell) {
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.pixel(x, y) != image.pixel(x - x % cell, y - y % cell)) return false;
    return true;
}
}  // namespace

int art_grid(const Image& image) {
    if (image.width != image.height || image.width <= 0) return 0;
    for (int cell = image.width; cell > 1; --cell)
        if (image.width % cell == 0 && uniform_cells(image, cell)) return image.width / cell;
    return image.width;
}

bool scales_whole(const Image& image, int size) {
    const int grid = art_grid(image);
    return grid > 0 && size > 0 && size % grid == 0;
}

Image scale_padded(const Image& image, int size) {
    const int grid = art_grid(image);
    if (grid <= 0 || size < grid) return Image{};
    const int inner = size - size % grid;
    const int margin = (size - inner) / 2;
    const Image art = scale_nearest(image, inner);
    Image out;
    out.width = size;
    out.height = size;
    out.rgba.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4, 0);
    for (int y = 0; y < inner; ++y) {
        const auto from = art.rgba.begin() + static_cast<std::ptrdiff_t>(y) * inner * 4;
        std::copy(from, from + static_cast<std::ptrdiff_t>(inner) * 4,
                  out.rgba.begin() + (static_cast<std::ptrdiff_t>(y + margin) * size + margin) * 4);
    }
    return out;
}

}  // namespace brambix::art
