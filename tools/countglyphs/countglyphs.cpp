// countglyphs FONT POINTS OUT.cpp: renders the characters of the game's counts with the
// font at that size and writes them, with where each pair's glyphs stand, as C++ (the
// page's build draws its counts from them). Fails when two glyphs laid out from the
// measures differ from the font's own rendering of the pair.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "countglyphs/glyphs.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fputs("usage: countglyphs FONT POINTS OUT.cpp\n", stderr);
        return 2;
    }
    if (!TTF_Init()) {
        std::fprintf(stderr, "countglyphs: %s\n", SDL_GetError());
        return 1;
    }
    TTF_Font* font = TTF_OpenFont(argv[1], static_cast<float>(std::atof(argv[2])));
    if (font == nullptr) {
        std::fprintf(stderr, "countglyphs: cannot open %s: %s\n", argv[1], SDL_GetError());
        return 1;
    }
    std::string problem;
    const auto glyphs = measureCountGlyphs(font, problem);
    if (!glyphs) {
        std::fprintf(stderr, "countglyphs: %s: %s\n", argv[1], problem.c_str());
        return 1;
    }
    // Longer counts are laid out pair by pair; say how many of a wide range come out as
    // the font renders them (the rest stand a pixel apart where kerning adds up).
    int same = 0;
    int counts = 0;
    for (int n = -999; n <= 99999; n += 7, ++counts) {
        const std::string text = std::to_string(n);
        const CountPicture a = composeCount(*glyphs, text);
        const CountPicture b = renderWithFont(font, text);
        same += a.w == b.w && a.coverage == b.coverage ? 1 : 0;
    }
    std::printf("countglyphs: %d of %d counts laid out as the font renders them\n", same, counts);
    for (char a : COUNT_ALPHABET) {
        for (char b : COUNT_ALPHABET) {
            const std::string pair{a, b};
            const CountPicture laid = composeCount(*glyphs, pair);
            const CountPicture rendered = renderWithFont(font, pair);
            if (laid.w != rendered.w || laid.coverage != rendered.coverage) {
                std::fprintf(stderr, "countglyphs: \"%s\" laid out differs from the font's rendering\n", pair.c_str());
                return 1;
            }
        }
    }
    TTF_CloseFont(font);
    TTF_Quit();
    std::FILE* out = std::fopen(argv[3], "wb");
    const std::string source = countGlyphsSource(*glyphs);
    const bool written = out != nullptr && std::fwrite(source.data(), 1, source.size(), out) == source.size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "countglyphs: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
