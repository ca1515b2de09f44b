// pixelart: turns Brambix art sources into 64x64 RGBA PNGs.
//
//   pixelart <out-dir> <src.txt>...
//
// Writes <out-dir>/<basename>.png for every source. All sources are checked
// first; if any is malformed, every problem is reported and nothing is written.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "art.h"

namespace fs = std::filesystem;
using brambix::art::ArtError;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <out-dir> <src.txt>...\n", argc > 0 ? argv[0] : "pixelart");
        return 2;
    }
    const fs::path out_dir = argv[1];

    struct Picture {
        fs::path target;
        brambix::art::Image image;
    };
    std::vector<Picture> pictures;
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        const fs::path source = argv[i];
        try {
            pictures.push_back({out_dir / source.stem().concat(".png"), brambix::art::load_art(source)});
        } catch (const ArtError& e) {
            std::fprintf(stderr, "pixelart: %s\n", e.what());
            ++failures;
        }
    }
    if (failures > 0) {
        std::fprintf(stderr, "pixelart: %d malformed source(s), nothing written\n", failures);
        return 1;
    }

    try {
        std::error_code ec;
        fs::create_directories(out_dir, ec);
        if (ec) throw ArtError(out_dir.string() + ": cannot create directory: " + ec.message());
        for (const auto& picture : pictures)
            brambix::art::write_file(picture.target, brambix::art::encode_png(picture.image));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pixelart: %s\n", e.what());
        return 1;
    }
    return 0;
}
