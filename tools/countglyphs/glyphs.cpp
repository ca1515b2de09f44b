// Measuring the count glyphs from the font, and writing them as C++.
#include "countglyphs/glyphs.h"

#include "pixelart/png.h"

CountPicture renderWithFont(TTF_Font* font, std::string_view text)
{
    const std::string s(text);
    const SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* surface = TTF_RenderText_Blended(font, s.c_str(), 0, white);
    const sdlx::Image image = sdlx::toImage(surface);
    if (surface != nullptr) {
        SDL_DestroySurface(surface);
    }
    CountPicture picture;
    picture.w = image.w;
    picture.h = image.h;
    for (uint32_t pixel : image.argb) {
        picture.coverage.push_back(static_cast<uint8_t>(pixel >> 24));
    }
    return picture;
}

std::optional<CountGlyphs> measureCountGlyphs(TTF_Font* font, std::string& problem)
{
    CountGlyphs glyphs;
    for (size_t i = 0; i < COUNT_GLYPHS; ++i) {
        const CountPicture alone = renderWithFont(font, COUNT_ALPHABET.substr(i, 1));
        if (alone.w <= 0 || alone.h <= 0) {
            problem = std::string("the font renders nothing for '") + COUNT_ALPHABET[i] + "'";
            return std::nullopt;
        }
        if (i > 0 && alone.h != glyphs.height) {
            problem = "the glyphs differ in height";
            return std::nullopt;
        }
        glyphs.height = alone.h;
        glyphs.widths[i] = alone.w;
        glyphs.coverage.insert(glyphs.coverage.end(), alone.coverage.begin(), alone.coverage.end());
    }
    // A pair ends where its second glyph alone would end: the picture's width less that
    // glyph's is where the glyph starts, kerning included.
    for (size_t a = 0; a < COUNT_GLYPHS; ++a) {
        for (size_t b = 0; b < COUNT_GLYPHS; ++b) {
            const std::string pair{COUNT_ALPHABET[a], COUNT_ALPHABET[b]};
            glyphs.steps[a][b] = renderWithFont(font, pair).w - glyphs.widths[b];
        }
    }
    return glyphs;
}

std::string countGlyphsSource(const CountGlyphs& glyphs)
{
    auto list = [](const auto& values) {
        std::string out = "{";
        for (const auto& v : values) {
            out += std::to_string(static_cast<int>(v)) + ",";
        }
        return out + "}";
    };
    // std::array's own braces around each list of numbers.
    std::string steps = "{{";
    for (const auto& row : glyphs.steps) {
        steps += "{" + list(row) + "},";
    }
    steps += "}}";
    std::string out = "// The count glyphs, rendered from the game's font when the program was built.\n"
                      "#include \"shell/draw/count_glyphs.h\"\n\n"
                      "const CountGlyphs& builtInCountGlyphs()\n{\n"
                      "    static const CountGlyphs glyphs = {" +
                      std::to_string(glyphs.height) + ", {" + list(glyphs.widths) + "}, " + steps + ",\n" +
                      list(glyphs.coverage) + "};\n    return glyphs;\n}\n";
    return out;
}
