// pixelart: turns Brambix art sources into 64x64 RGBA PNGs.
//
//   pixelart <out-dir> <src.txt>...
//
// Writes <out-dir>/<basename>.png for every source. All sources are checked
// first; if any is malformed, is not a regular file or would write the same PNG as
// another, every problem is reported and nothing is written.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "art.h"

namespace fs = std::filesystem;
using brambix::art::ArtError;
using brambix::art::Image;

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
    const std::vector<fs::path> sources(argv + 2, argv + argc);
    std::vector<fs::path> targets;
    std::vector<Picture> pictures;
    int failures = 0;
    try {
        targets = brambix::art::png_targets(out_dir, sources);
    } catch (const ArtError& e) {
        const std::string lines = e.what();
        for (size_t start = 0; start < lines.size();) {
            const size_t end = std::min(lines.find('\n', start), lines.size());
            std::fprintf(stderr, "pixelart: %s\n", lines.substr(start, end - start).c_str());
            ++failures;
            start = end + 1;
        }
    }
    for (size_t i = 0; i < sources.size(); ++i) {
        try {
            Image image = brambix::art::load_art(sources[i]);
            if (i < targets.size()) pictures.push_back({targets[i], std::move(image)});
        } catch (const ArtError& e) {
            std::fprintf(stderr, "pixelart: %s\n", e.what());
            ++failures;
        }
    }
    if (failures > 0) {
        std::fprintf(stderr, "pixelart: %d problem(s) with the sources, nothing written\n", failures);
        return 1;
    }

    try {
        std::error_code ec;
        fs::create_directories(out_dir, ec);
        if (ec) throw ArtError(out_dir.string() + ": cannot create directory: " + ec.message());
        for (const auto& picture : pictures)
            brambix::art::save_png(picture.image, picture.target);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pixelart: %s\n", e.what());
        return 1;
    }
    return 0;
}
