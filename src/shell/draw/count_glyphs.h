// Counts laid out from glyphs rendered ahead of time: how a build without a font library
// (the page's) draws the stack counts, looking as the font draws them on the desktop.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// The characters a count is written with: an integer's digits and its minus sign.
inline constexpr std::string_view COUNT_ALPHABET = "0123456789-";
inline constexpr size_t COUNT_GLYPHS = COUNT_ALPHABET.size();

// The glyphs of COUNT_ALPHABET in white, as the font renders each character alone: one
// height for all, each glyph's width and its coverage (0..255) row by row, the glyphs one
// after another; and, for each character followed by another, where the next one starts
// (kerning included), measured from how the font renders the pair.
struct CountGlyphs {
    int height = 0;
    std::array<int, COUNT_GLYPHS> widths{};
    std::array<std::array<int, COUNT_GLYPHS>, COUNT_GLYPHS> steps{};
    std::vector<uint8_t> coverage;
};

// A laid-out text's coverage, w by h, row by row.
struct CountPicture {
    int w = 0;
    int h = 0;
    std::vector<uint8_t> coverage;
};

// `text` laid out glyph after glyph, where glyphs overlap their coverages combined as the
// font's renderer combines them; empty (w 0) when `text` is empty, holds a character
// outside COUNT_ALPHABET or `glyphs` is not whole.
CountPicture composeCount(const CountGlyphs& glyphs, std::string_view text);

// The glyphs built into the program, where it is built with them (the page's build).
const CountGlyphs& builtInCountGlyphs();
