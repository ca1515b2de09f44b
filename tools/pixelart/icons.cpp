// pixelicon: draws an application icon in several sizes from one art source.
//
//   pixelicon <src.txt> <out-dir> <name> <size>...
//
// Writes <out-dir>/<size>x<size>/apps/<name>.png for every size, the layout of an icon
// theme. A size that would not keep the art's pixels whole squares is refused.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "art.h"
#include "scale.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <src.txt> <out-dir> <name> <size>...\n", argc > 0 ? argv[0] : "pixelicon");
        return 2;
    }
    try {
        const brambix::art::Image image = brambix::art::load_art(argv[1]);
        std::vector<int> sizes;
        for (int i = 4; i < argc; ++i) {
            char* end = nullptr;
            const long size = std::strtol(argv[i], &end, 10);
            if (end == argv[i] || *end != '\0' || size < 1 || size > 1024) {
                std::fprintf(stderr, "pixelicon: size '%s' is not a number from 1 to 1024\n", argv[i]);
                return 2;
            }
            if (!brambix::art::scales_whole(image, static_cast<int>(size))) {
                std::fprintf(stderr, "pixelicon: %s: at size %ld its pixels would not stay whole squares\n", argv[1],
                             size);
                return 1;
            }
            sizes.push_back(static_cast<int>(size));
        }
        for (int size : sizes) {
            const std::string dim = std::to_string(size) + "x" + std::to_string(size);
            const fs::path dir = fs::path(argv[2]) / dim / "apps";
            fs::create_directories(dir);
            brambix::art::write_file(dir / (std::string(argv[3]) + ".png"),
                                     brambix::art::encode_png(brambix::art::scale_nearest(image, size)));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pixelicon: %s\n", e.what());
        return 1;
    }
    return 0;
}
