// Pictures as plain pixels, and PNG files written from them through SDL_image: what the
// art tool writes its PNGs with, and what the tests read pictures back into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/platform/sdl.h"

namespace sdlx {

// Pixels as 0xAARRGGBB, row by row.
struct Image {
    int w = 0;
    int h = 0;
    std::vector<uint32_t> argb;

    uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)]; }
};

// Copies `s` (any format) into an Image; empty if it cannot be converted.
inline Image toImage(SDL_Surface* s)
{
    Image img;
    if (s == nullptr) {
        return img;
    }
#if defined(BRAMBIX_SDL2)
    SDL_Surface* argb = SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_ARGB8888, 0);
#else
    SDL_Surface* argb = SDL_ConvertSurface(s, SDL_PIXELFORMAT_ARGB8888);
#endif
    if (argb == nullptr) {
        return img;
    }
    img.w = argb->w;
    img.h = argb->h;
    img.argb.resize(static_cast<size_t>(img.w) * static_cast<size_t>(img.h));
    for (int y = 0; y < img.h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                            static_cast<ptrdiff_t>(y) * argb->pitch);
        for (int x = 0; x < img.w; ++x) {
            img.argb[static_cast<size_t>(y) * static_cast<size_t>(img.w) + static_cast<size_t>(x)] = row[x];
        }
    }
    SDL_DestroySurface(argb);
    return img;
}

// Writes `img` as a PNG file; false on failure.
inline bool savePng(const Image& img, const std::string& path)
{
    auto* pixels = const_cast<uint32_t*>(img.argb.data());
    const int pitch = img.w * 4;
#if defined(BRAMBIX_SDL2)
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(pixels, img.w, img.h, 32, pitch, SDL_PIXELFORMAT_ARGB8888);
    const bool ok = s != nullptr && IMG_SavePNG(s, path.c_str()) == 0;
#else
    SDL_Surface* s = SDL_CreateSurfaceFrom(img.w, img.h, SDL_PIXELFORMAT_ARGB8888, pixels, pitch);
    const bool ok = s != nullptr && IMG_SavePNG(s, path.c_str());
#endif
    if (s != nullptr) {
        SDL_DestroySurface(s);
    }
    return ok;
}

}  // namespace sdlx
