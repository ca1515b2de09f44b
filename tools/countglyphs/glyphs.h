// The count glyphs measured from the game's font, and written as C++ for a build that
// draws counts without a font library (the page's).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "shell/draw/count_glyphs.h"
#include "shell/platform/sdl.h"

// `text` as the font renders it in white: its coverage (alpha); w 0 when it renders nothing.
CountPicture renderWithFont(TTF_Font* font, std::string_view text);

// Every glyph of COUNT_ALPHABET as `font` renders it, and where each pair's second glyph
// starts; nothing, with the reason in `problem`, when a glyph renders to nothing or
// the glyphs differ in height.
std::optional<CountGlyphs> measureCountGlyphs(TTF_Font* font, std::string& problem);

// A C++ source file defining builtInCountGlyphs() as `glyphs`.
std::string countGlyphsSource(const CountGlyphs& glyphs);
