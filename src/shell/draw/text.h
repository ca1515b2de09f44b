// The game's font and the textures of the texts drawn with it (stack counts); in a build
// without a font library (the page's), the glyphs built into the program instead.
#pragma once

#include <map>
#include <string>

#include "shell/platform/sdl.h"

#if !defined(BRAMBIX_COUNT_GLYPHS)
// The game's one font, 14 points; null when it could not be opened (no text then).
extern TTF_Font* fnt;
#endif

// Whether counts can be drawn: the font is open, or the glyphs are built in.
bool countsDrawable();

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
