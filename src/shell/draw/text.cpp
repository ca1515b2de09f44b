// Count texts, rendered once per distinct text and kept.
#include "shell/draw/text.h"

TTF_Font* fnt = nullptr;

namespace {
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
