// Count texts, rendered once per distinct text and kept.
#include "shell/draw/text.h"

#include "shell/draw/count_glyphs.h"

namespace {
// Counts are short; a bound keeps the cache small whatever the recipes hand out.
constexpr size_t TEXT_CACHE_LIMIT = 512;
}  // namespace

#if defined(BRAMBIX_COUNT_GLYPHS)
bool countsDrawable()
{
    return true;
}

namespace {
// `text` in white from the built-in glyphs, as the font renders it: null if it has a
// character they lack.
SDL_Surface* renderCount(const std::string& text)
{
    const CountPicture picture = composeCount(builtInCountGlyphs(), text);
    SDL_Surface* surface = picture.w > 0 ? SDL_CreateSurface(picture.w, picture.h, SDL_PIXELFORMAT_ARGB8888) : nullptr;
    if (surface == nullptr) {
        return nullptr;
    }
    for (int y = 0; y < picture.h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
        for (int x = 0; x < picture.w; ++x) {
            row[x] = uint32_t{picture.coverage[static_cast<size_t>(y * picture.w + x)]} << 24 | 0xffffffu;
        }
    }
    return surface;
}
}  // namespace
#else
TTF_Font* fnt = nullptr;

bool countsDrawable()
{
    return fnt != nullptr;
}

namespace {
SDL_Surface* renderCount(const std::string& text)
{
    const SDL_Color white = {255, 255, 255, 255};
    return TTF_RenderText_Blended(fnt, text.c_str(), 0, white);
}
}  // namespace
#endif

const TextCache::Entry& TextCache::get(SDL_Renderer* renderer, const std::string& text)
{
    if (auto it = entries_.find(text); it != entries_.end()) {
        return it->second;
    }
    if (entries_.size() >= TEXT_CACHE_LIMIT) {
        clear();
    }
    Entry entry;
    if (SDL_Surface* surface = renderCount(text)) {
        entry.texture = SDL_CreateTextureFromSurface(renderer, surface);
        if (entry.texture != nullptr) {
            SDL_SetTextureScaleMode(entry.texture, SDL_SCALEMODE_NEAREST);
        }
        entry.w = surface->w;
        entry.h = surface->h;
        SDL_DestroySurface(surface);
    }
    return entries_.emplace(text, entry).first->second;
}

void TextCache::clear()
{
    for (auto& [text, entry] : entries_) {
        if (entry.texture != nullptr) {
            SDL_DestroyTexture(entry.texture);
        }
    }
    entries_.clear();
}
