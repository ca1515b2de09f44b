// pixelicon: draws an application icon in several sizes from one art source.
//
//   pixelicon [--pad] <src.txt> <out-dir> <name> <size>...
//   pixelicon --ico <src.txt> <out.ico> <size>...
//   pixelicon --cpp <src.txt> <out.cpp> <name> <size>
//
// Writes <out-dir>/<size>x<size>/apps/<name>.png for every size, the layout of an icon
// theme; with --ico, one Windows icon file holding every size as a PNG image; with
// --cpp, a C++ source defining the bytes of the PNG at one size as the array <name>
// and their count as <name>_BYTES, for a program to carry its icon inside it. A size
// that would not keep the art's pixels whole squares is refused; with --pad it is drawn
// at the largest whole size below, with a transparent margin round it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <span>
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

// A C++ source that defines `name` as the bytes of `png` and `name`_BYTES as their count.
std::string encode_cpp(const std::vector<std::uint8_t>& png, const std::string& name, const std::string& source, int size) {
    std::string out = "// " + source + " drawn at " + std::to_string(size) + " pixels as a PNG file, by pixelicon.\n" +
                      "#include <cstddef>\n\nextern const unsigned char " + name + "[] = {";
    for (size_t i = 0; i < png.size(); ++i) {
        out += (i % 16 == 0 ? "\n   " : "") + (" " + std::to_string(png[i])) + ",";
    }
    return out + "\n};\nextern const std::size_t " + name + "_BYTES = sizeof " + name + ";\n";
}
}  // namespace

int main(int argc, char** argv) {
    const bool ico = argc > 1 && std::string(argv[1]) == "--ico";
    const bool pad = argc > 1 && std::string(argv[1]) == "--pad";
    const bool cpp = argc > 1 && std::string(argv[1]) == "--cpp";
    if (argc < 5 || (pad && argc < 6) || (cpp && argc != 6)) {
        const char* self = argc > 0 ? argv[0] : "pixelicon";
        std::fprintf(stderr,
                     "usage: %s [--pad] <src.txt> <out-dir> <name> <size>...\n       %s --ico <src.txt> <out.ico> <size>...\n"
                     "       %s --cpp <src.txt> <out.cpp> <name> <size>\n",
                     self, self, self);
        return 2;
    }
    // With --ico, --pad or --cpp every argument after the first is one place further on.
    const int first = ico || pad || cpp ? 2 : 1;
    try {
        const brambix::art::Image image = brambix::art::load_art(argv[first]);
        std::vector<int> sizes;
        const int sizesFrom = pad || cpp ? 5 : 4;
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
        if (cpp) {
            const std::vector<std::uint8_t> png = brambix::art::encode_png(brambix::art::scale_nearest(image, sizes[0]));
            const std::string text = encode_cpp(png, argv[4], fs::path(argv[first]).filename().string(), sizes[0]);
            brambix::art::write_file(argv[3], std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
            return 0;
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
            brambix::art::save_png(pad ? brambix::art::scale_padded(image, size) : brambix::art::scale_nearest(image, size),
                                   dir / (std::string(argv[first + 2]) + ".png"));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pixelicon: %s\n", e.what());
        return 1;
    }
    return 0;
}
