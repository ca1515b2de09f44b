// Tests for the art source parser, the PNG writer and the staged game pictures.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "pixelart/art.h"
#include "pixelart/png.h"
#include "pixelart/scale.h"

#ifndef BRAMBIX_ART_DIR
#error "BRAMBIX_ART_DIR must name the assets/art folder"
#endif
#ifndef BRAMBIX_RUN_DIR
#error "BRAMBIX_RUN_DIR must name the staged run folder"
#endif

namespace fs = std::filesystem;
using namespace brambix::art;

namespace {

// Every picture the game loads: the build's art list (shell.TexturesTest holds it
// against the game's tables).
const std::vector<std::string> kPictureNames = [] {
    std::vector<std::string> names;
    std::istringstream listed(BRAMBIX_ART_NAMES);
    for (std::string name; listed >> name;) names.push_back(name);
    return names;
}();
// Pictures drawn as ground/world tiles: they must cover the whole square.
const std::set<std::string> kTileNames = {"grass", "wood", "leaf", "planks", "crafting"};

std::vector<std::uint8_t> read_bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t be32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (std::uint32_t{b.at(at)} << 24) | (std::uint32_t{b.at(at + 1)} << 16) |
           (std::uint32_t{b.at(at + 2)} << 8) | std::uint32_t{b.at(at + 3)};
}

Image solid_gradient(int w, int h) {
    Image img;
    img.width = w;
    img.height = h;
    img.rgba.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
    for (std::size_t i = 0; i < img.rgba.size(); ++i) img.rgba[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return img;
}

struct DecodedPng {
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint8_t> rgba;
};

// Checks that `png` is an 8-bit RGBA PNG, and decodes the pixels with SDL_image.
// Any departure fails the current test.
DecodedPng decode_png(const std::vector<std::uint8_t>& png) {
    DecodedPng out;
    const std::array<std::uint8_t, 8> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_TRUE(png.size() > 33 && std::equal(signature.begin(), signature.end(), png.begin()));
    if (png.size() <= 33) return out;
    // The first chunk is the header: 13 bytes from byte 16 on.
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    out.width = be32(png, 16);
    out.height = be32(png, 20);
    EXPECT_EQ(png[24], 8) << "bit depth";
    EXPECT_EQ(png[25], 6) << "colour type RGBA";

    SDL_Surface* surface = IMG_Load_IO(SDL_IOFromConstMem(png.data(), png.size()), true);
    EXPECT_NE(surface, nullptr) << "SDL_image cannot read it: " << SDL_GetError();
    const sdlx::Image img = sdlx::toImage(surface);
    if (surface != nullptr) SDL_DestroySurface(surface);
    EXPECT_EQ(img.w, static_cast<int>(out.width));
    EXPECT_EQ(img.h, static_cast<int>(out.height));
    for (const std::uint32_t argb : img.argb)
        for (const int shift : {16, 8, 0, 24}) out.rgba.push_back(static_cast<std::uint8_t>(argb >> shift));
    return out;
}

// Parses `text` expecting failure; returns the message.
std::string parse_error(std::string_view text) {
    try {
        (void)parse_art(text, "bad.txt");
    } catch (const ArtError& e) {
        return e.what();
    }
    return "(no error)";
}

}  // namespace

TEST(Parser, ScalesGridToPictureSizeWithPaletteColours) {
    const Image img = parse_art(
        "; a two by two test picture\r\n"
        "size 2   ; comment after a keyword\n"
        "\n"
        "palette\n"
        "r #FF0000      ; red\n"
        "h #00ff0080\n"
        "grid\n"
        "r.\n"
        "\n"
        "hr\n",
        "two.txt");
    ASSERT_EQ(img.width, kPictureSize);
    ASSERT_EQ(img.height, kPictureSize);
    ASSERT_EQ(img.rgba.size(), std::size_t{kPictureSize} * kPictureSize * 4);
    // each source pixel becomes a 32x32 block
    EXPECT_EQ(img.pixel(0, 0), 0xFF0000FFU);
    EXPECT_EQ(img.pixel(31, 31), 0xFF0000FFU);
    EXPECT_EQ(img.pixel(32, 0), 0x00000000U);  // '.' is fully transparent
    EXPECT_EQ(img.pixel(63, 31), 0x00000000U);
    EXPECT_EQ(img.pixel(0, 32), 0x00FF0080U);
    EXPECT_EQ(img.pixel(31, 63), 0x00FF0080U);
    EXPECT_EQ(img.pixel(32, 32), 0xFF0000FFU);
    EXPECT_EQ(img.pixel(63, 63), 0xFF0000FFU);
}

TEST(Parser, RejectsMalformedSourcesNamingFileAndLine) {
    const std::string head = "size 4\npalette\na #102030\ngrid\n";  // grid rows start on line 5
    struct Case {
        const char* what;
        std::string text;
        const char* where;
        const char* problem;
    };
    const Case cases[] = {
        {"unknown character", head + "aaaa\naaza\naaaa\naaaa\n", "bad.txt:6:", "unknown character 'z'"},
        {"short row", head + "aaaa\naaa\naaaa\naaaa\n", "bad.txt:6:", "ragged row"},
        {"long row", head + "aaaa\naaaa\naaaa\naaaaa\n", "bad.txt:8:", "ragged row"},
        {"too few rows", head + "aaaa\naaaa\naaaa\n", "bad.txt:4:", "3 rows, expected 4"},
        {"too many rows", head + "aaaa\naaaa\naaaa\naaaa\naaaa\n", "bad.txt:9:", "too many grid rows"},
        {"colour not hex", "size 4\npalette\na #12345g\n", "bad.txt:3:", "bad colour '#12345g'"},
        {"colour too short", "size 4\npalette\na #12345\n", "bad.txt:3:", "bad colour"},
        {"colour without #", "size 4\npalette\na 123456\n", "bad.txt:3:", "bad colour"},
        {"character defined twice", "size 4\npalette\na #000000\na #ffffff\n", "bad.txt:4:", "defined twice"},
        {"transparent redefined", "size 4\npalette\n. #000000\n", "bad.txt:3:", "reserved"},
        {"size not dividing 64", "size 3\n", "bad.txt:1:", "bad size '3'"},
        {"size not a number", "size big\n", "bad.txt:1:", "bad size"},
        {"size missing", "palette\n", "bad.txt:1:", "missing 'size N'"},
        {"no grid", "size 4\npalette\na #000000\n", "bad.txt:3:", "no 'grid'"},
        {"empty file", "", "bad.txt:", "holds no picture"},
    };
    for (const auto& c : cases) {
        const std::string message = parse_error(c.text);
        EXPECT_EQ(message.rfind(c.where, 0), 0U) << c.what << ": " << message;
        EXPECT_NE(message.find(c.problem), std::string::npos) << c.what << ": " << message;
    }
}

TEST(Parser, LoadArtRefusesWhatIsNotAReadableRegularFile) {
#if defined(_WIN32)
    GTEST_SKIP() << "Windows has no FIFOs and no devices at file paths";
#else
    const fs::path dir = fs::temp_directory_path() / ("brambix-art-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder.txt");
    ASSERT_EQ(mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
    struct Case {
        fs::path source;
        std::string problem;
    };
    const std::vector<Case> cases = {
        {dir / "missing.txt", "cannot open file: No such file or directory"},
        {dir / "folder.txt", "not a regular file: it is a directory"},
        {dir / "fifo.txt", "not a regular file: it is a FIFO (named pipe)"},
        {"/dev/null", "not a regular file: it is a character device"},
    };
    for (const auto& c : cases) {
        // A load that blocks is released by a writer opening and closing the FIFO.
        auto load = std::async(std::launch::async, [&] {
            try {
                (void)load_art(c.source);
                return std::string("no error");
            } catch (const ArtError& e) {
                return std::string(e.what());
            }
        });
        if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            ::close(::open((dir / "fifo.txt").c_str(), O_WRONLY | O_NONBLOCK));
            ADD_FAILURE() << c.source << ": still reading after 10 s";
        }
        EXPECT_EQ(load.get(), c.source.string() + ": " + c.problem);
    }
    fs::remove_all(dir);
#endif
}

TEST(Parser, TwoSourcesForOnePngAreRefused) {
    EXPECT_EQ(png_targets("out", {"a/grass.txt", "b/wood.txt"}), (std::vector<fs::path>{"out/grass.png", "out/wood.png"}));
    try {
        (void)png_targets("out", {"a/grass.txt", "b/grass.txt", "wood.txt", "a/grass.txt"});
        FAIL() << "expected an error";
    } catch (const ArtError& e) {
        const std::string target = (fs::path("out") / "grass.png").string();  // out\grass.png on Windows
        EXPECT_EQ(std::string(e.what()), "b/grass.txt: would write " + target + ", as a/grass.txt does\n" +
                                             "a/grass.txt: would write " + target + ", as a/grass.txt does");
    }
}

TEST(PngWriter, RoundTripsPixelsAndCompressesRepeats) {
    // From one pixel to more than a 32 KiB window of data, with few and many repeats.
    struct Size {
        int w, h;
    };
    for (const Size& s : {Size{1, 1}, Size{64, 64}, Size{64, 255}, Size{64, 510}, Size{300, 100}}) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const Image img = solid_gradient(s.w, s.h);
        const auto png = encode_png(img);
        const DecodedPng decoded = decode_png(png);
        EXPECT_EQ(decoded.width, static_cast<std::uint32_t>(s.w));
        EXPECT_EQ(decoded.height, static_cast<std::uint32_t>(s.h));
        EXPECT_TRUE(decoded.rgba == img.rgba) << "pixels differ after decoding";
        EXPECT_EQ(encode_png(img), png) << "output must be deterministic";
    }
    // The 256-pixel icon: 262 KB of pixels, mostly repeats.
    const Image icon = scale_nearest(load_art(BRAMBIX_ICON_SOURCE), 256);
    const auto png = encode_png(icon);
    EXPECT_LT(png.size(), 8000U);
    EXPECT_TRUE(decode_png(png).rgba == icon.rgba);
}

TEST(PngWriter, RejectsImagesItCannotEncode) {
    EXPECT_THROW((void)encode_png(Image{}), ArtError);
    Image short_buffer;
    short_buffer.width = 2;
    short_buffer.height = 2;
    short_buffer.rgba.resize(12);
    EXPECT_THROW((void)encode_png(short_buffer), ArtError);
}

TEST(GameArt, SourceFolderHoldsExactlyTheGamesPictures) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(BRAMBIX_ART_DIR))
        if (entry.path().extension() == ".txt") found.insert(entry.path().stem().string());
    const std::set<std::string> expected(kPictureNames.begin(), kPictureNames.end());
    EXPECT_EQ(found, expected);
}

TEST(GameArt, EverySourceParsesToA64PixelPictureOfTheRightKind) {
    for (const auto& name : kPictureNames) {
        SCOPED_TRACE(name);
        const Image img = load_art(fs::path(BRAMBIX_ART_DIR) / (name + ".txt"));
        ASSERT_EQ(img.width, 64);
        ASSERT_EQ(img.height, 64);
        int opaque = 0;
        for (std::size_t i = 3; i < img.rgba.size(); i += 4) opaque += img.rgba[i] == 255 ? 1 : 0;
        if (kTileNames.count(name) != 0) {
            EXPECT_EQ(opaque, 64 * 64) << "a tile must cover its whole square";
        } else {
            // items, creatures and the player stand on a transparent background
            for (const auto& [x, y] : {std::pair{0, 0}, {63, 0}, {0, 63}, {63, 63}})
                EXPECT_EQ(img.pixel(x, y) & 0xFFU, 0U) << "corner " << x << "," << y;
            EXPECT_GT(opaque, 64 * 64 / 8) << "picture is almost empty";
        }
    }
}

TEST(GameArt, WalkingFramesDiffer) {
    // The creatures' and the player's pairs of pictures (1 and 2).
    for (const auto& name : kPictureNames) {
        if (!name.ends_with('1')) continue;
        const std::string base = name.substr(0, name.size() - 1);
        if (std::find(kPictureNames.begin(), kPictureNames.end(), base + "2") == kPictureNames.end()) continue;
        const Image a = load_art(fs::path(BRAMBIX_ART_DIR) / (base + "1.txt"));
        const Image b = load_art(fs::path(BRAMBIX_ART_DIR) / (base + "2.txt"));
        EXPECT_NE(a.rgba, b.rgba) << base;
    }
}

TEST(GameArt, StagedRunFolderMatchesTheSources) {
    const fs::path assets = fs::path(BRAMBIX_RUN_DIR) / "assets";
    for (const auto& name : kPictureNames) {
        SCOPED_TRACE(name);
        const auto staged = read_bytes(assets / (name + ".png"));
        ASSERT_FALSE(staged.empty()) << "missing " << (assets / (name + ".png"));
        const Image expected = load_art(fs::path(BRAMBIX_ART_DIR) / (name + ".txt"));
        EXPECT_TRUE(decode_png(staged).rgba == expected.rgba) << "staged PNG is stale; rebuild the brambix_assets target";
    }
    EXPECT_TRUE(fs::is_regular_file(assets / "recipes.json"));
    EXPECT_GT(fs::file_size(assets / "arial.ttf"), 10'000U);
}
