// The game's font and the textures of the texts drawn with it (stack counts).
#pragma once

#include <map>
#include <string>

#include "shell/platform/sdl.h"

// The game's one font, 14 points; null when it could not be opened (no text then).
extern TTF_Font* fnt;

// Rendered count texts, kept while the renderer lives so an unchanged count is not
// rendered again every frame.
class TextCache {
public:
    struct Entry {
        SDL_Texture* texture = nullptr;
        int w = 0;
        int h = 0;
    };
    TextCache() = default;
    TextCache(const TextCache&) = delete;
    TextCache& operator=(const TextCache&) = delete;
    ~TextCache() { clear(); }

    // The texture of `text` in white, made on first use; null texture if it cannot be made.
    const Entry& get(SDL_Renderer* renderer, const std::string& text);
    void clear();
    size_t size() const { return entries_.size(); }

private:
    std::map<std::string, Entry> entries_;
};
