// Stack count text, rendered once per distinct text and kept.
#include "shell/draw.h"

TTF_Font* fnt = nullptr;

namespace {
// Slots are 40 pixels; a count sits 2 pixels in from the bottom-right corner.
constexpr float COUNT_CORNER_PX = 38.0f;
// Counts are short; a bound keeps the cache small whatever the recipes hand out.
constexpr size_t TEXT_CACHE_LIMIT = 512;
}  // namespace

const TextCache::Entry& TextCache::get(SDL_Renderer* renderer, const std::string& text)
{
    if (auto it = entries_.find(text); it != entries_.end()) {
        return it->second;
    }
    if (entries_.size() >= TEXT_CACHE_LIMIT) {
        clear();
    }
    Entry entry;
    const SDL_Color white = {255, 255, 255, 255};
    if (SDL_Surface* surface = TTF_RenderText_Blended(fnt, text.c_str(), 0, white)) {
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

void drawTxt(Gfx& gfx, const std::string& text, float x, float y)
{
    if (text == "0" || text == "1" || fnt == nullptr) {
        return;
    }
    const TextCache::Entry& e = gfx.text.get(gfx.renderer, text);
    if (e.texture == nullptr) {
        return;
    }
    // Natural size, aligned right and bottom; a wide text reaches further left.
    const SDL_FRect dest = {x + COUNT_CORNER_PX - static_cast<float>(e.w), y + COUNT_CORNER_PX - static_cast<float>(e.h),
                            static_cast<float>(e.w), static_cast<float>(e.h)};
    SDL_RenderTexture(gfx.renderer, e.texture, nullptr, &dest);
}
