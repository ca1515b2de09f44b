// pixelicon: draws an application icon in several sizes from one art source.
//
//   pixelicon [--pad] <src.txt> <out-dir> <name> <size>...
//   pixelicon --ico <src.txt> <out.ico> <size>...
//
// Writes <out-dir>/<size>x<size>/apps/<name>.png for every size, the layout of an icon
// theme; with --ico, one Windows icon file holding every size as a PNG image. A size
// that would not keep the art's pixels whole squares is refused; with --pad it is drawn
// at the largest whole size below, with a transparent margin round it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "art.h"
#include "scale.h"

namespace fs = std::filesystem;

namespace {
void put_le(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// An .ico file: a directory of entries, then each image as a whole PNG (read by Windows
// since Vista). A width or height of 256 is written as 0, as the format has one byte.
std::vector<std::uint8_t> encode_ico(const std::vector<std::vector<std::uint8_t>>& pngs, const std::vector<int>& sizes) {
    constexpr std::uint32_t HEADER_BYTES = 6;
    constexpr std::uint32_t ENTRY_BYTES = 16;
    std::vector<std::uint8_t> out;
    put_le(out, 0, 2);
    put_le(out, 1, 2);  // an icon, not a cursor
    put_le(out, static_cast<std::uint32_t>(pngs.size()), 2);
    std::uint32_t offset = HEADER_BYTES + ENTRY_BYTES * static_cast<std::uint32_t>(pngs.size());
    for (size_t i = 0; i < pngs.size(); ++i) {
        const std::uint32_t side = sizes[i] >= 256 ? 0 : static_cast<std::uint32_t>(sizes[i]);
        put_le(out, side, 1);
        put_le(out, side, 1);
        put_le(out, 0, 2);   // no palette, reserved
        put_le(out, 1, 2);   // colour planes
        put_le(out, 32, 2);  // bits per pixel
        put_le(out, static_cast<std::uint32_t>(pngs[i].size()), 4);
        put_le(out, offset, 4);
        offset += static_cast<std::uint32_t>(pngs[i].size());
    }
    for (const auto& png : pngs) {
        out.insert(out.end(), png.begin(), png.end());
    }
    return out;
}
}  // namespace

int main(int argc, char** argv) {
    const bool ico = argc > 1 && std::string(argv[1]) == "--ico";
    const bool pad = argc > 1 && std::string(argv[1]) == "--pad";
    if (argc < 5 || (pad && argc < 6)) {
        std::fprintf(stderr,
                     "usage: %s [--pad] <src.txt> <out-dir> <name> <size>...\n       %s --ico <src.txt> <out.ico> <size>...\n",
                     argc > 0 ? argv[0] : "pixelicon", argc > 0 ? argv[0] : "pixelicon");
        return 2;
    }
    // With --ico or --pad every argument after the first is one place further on.
    const int first = ico || pad ? 2 : 1;
    try {
        const brambix::art::Image image = brambix::art::load_art(argv[first]);
        std::vector<int> sizes;
        const int sizesFrom = pad ? 5 : 4;
        for (int i = sizesFrom; i < argc; ++i) {
            char* end = nullptr;
            const long size = std::strtol(argv[i], &end, 10);
            if (end == argv[i] || *end != '\0' || size < 1 || size > 1024) {
                std::fprintf(stderr, "pixelicon: size '%s' is not a number from 1 to 1024\n", argv[i]);
                return 2;
            }
            if (!(pad ? brambix::art::scale_padded(image, static_cast<int>(size)).width > 0
                      : brambix::art::scales_whole(image, static_cast<int>(size)))) {
                std::fprintf(stderr, "pixelicon: %s: at size %ld its pixels would not stay whole squares\n", argv[first],
                             size);
                return 1;
            }
            sizes.push_back(static_cast<int>(size));
        }
        if (ico) {
            if (sizes.size() > 255) {
                std::fprintf(stderr, "pixelicon: an icon file holds at most 255 images\n");
                return 2;
            }
            std::vector<std::vector<std::uint8_t>> pngs;
            for (int size : sizes) {
                pngs.push_back(brambix::art::encode_png(brambix::art::scale_nearest(image, size)));
            }
            brambix::art::write_file(argv[3], encode_ico(pngs, sizes));
            return 0;
        }
        for (int size : sizes) {
            const std::string dim = std::to_string(size) + "x" + std::to_string(size);
            const fs::path dir = fs::path(argv[first + 1]) / dim / "apps";
            fs::create_directories(dir);
            brambix::art::write_file(dir / (std::string(argv[first + 2]) + ".png"),
                                     brambix::art::encode_png(pad ? brambix::art::scale_padded(image, size)
                                                                  : brambix::art::scale_nearest(image, size)));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pixelicon: %s\n", e.what());
        return 1;
    }
    return 0;
}
