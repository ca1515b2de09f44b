// Pixel-art sources for Brambix: parsing the text format into RGBA pixels, and
// writing them as PNG files through SDL_image.
//
// Source format (one picture per file):
//
//   ; comment lines start with ';' (also allowed after a keyword or colour)
//   size 32                 ; the grid is N x N, N must divide 64
//   palette
//   k #1c1410               ; one character, then #RRGGBB or #RRGGBBAA
//   g #4c8c3a
//   grid
//   ....kkkk....            ; exactly N rows of exactly N characters
//
// '.' is always fully transparent and cannot be redefined. Blank lines are
// ignored. Every picture is scaled up by 64 / N to a 64x64 RGBA image.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brambix::art {

// Width and height of every picture the game loads.
inline constexpr int kPictureSize = 64;

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // row-major, 4 bytes (R, G, B, A) per pixel

    // Packed 0xRRGGBBAA value of one pixel.
    [[nodiscard]] std::uint32_t pixel(int x, int y) const;
};

// Raised for malformed art sources ("<file>:<line>: <problem>") and for I/O failures.
class ArtError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses the text of one art source; `source_name` is used in error messages.
[[nodiscard]] Image parse_art(std::string_view text, std::string_view source_name);

// Reads and parses an art source file.
[[nodiscard]] Image load_art(const std::filesystem::path& file);

// The whole text of a source, which must be a regular file: a directory, FIFO or
// device raises ArtError ("<file>: not a regular file: it is a FIFO (named pipe)")
// without blocking, as does a file that cannot be opened or read.
[[nodiscard]] std::string read_source(const std::filesystem::path& file);

// The PNG each source writes (<out_dir>/<stem>.png), in order. Raises ArtError naming
// every source that would write the same PNG as an earlier one, one per line.
[[nodiscard]] std::vector<std::filesystem::path> png_targets(const std::filesystem::path& out_dir,
                                                             const std::vector<std::filesystem::path>& sources);

// Writes `image` to `file` as an 8-bit RGBA PNG with SDL_image's writer (libpng, or its
// built-in one where it has no libpng). Raises ArtError for an empty image, a pixel
// buffer of the wrong size or a file that cannot be written.
void save_png(const Image& image, const std::filesystem::path& file);

// The bytes save_png writes for `image`, by way of a scratch file in the temporary folder.
[[nodiscard]] std::vector<std::uint8_t> encode_png(const Image& image);

// Writes bytes to a file, replacing it.
void write_file(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

}  // namespace brambix::art
