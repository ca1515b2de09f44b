// The pictures as the game loads them, a missing picture, shutdown, and the count-text cache.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "rules/items.h"
#include "rules/state.h"
#include "sdl_fixture.h"
#include "shell/app/app.h"
#include "shell/app/assets.h"
#include "shell/draw/draw.h"
#include "shell/app/report.h"

namespace fs = std::filesystem;

namespace {

using shelltest::Box;
using shelltest::changedBox;
using shelltest::Image;


// The header of a PNG file: width, height and whether its pixels carry alpha.
struct PngHeader {
    bool valid = false;
    uint32_t width = 0;
    uint32_t height = 0;
    int colourType = -1;
    bool hasTrns = false;
};

uint32_t bigEndian(const std::vector<unsigned char>& b, size_t at)
{
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | uint32_t{b[at + 3]};
}

PngHeader readPngHeader(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    PngHeader h;
    static const unsigned char SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (b.size() < 33 || !std::equal(SIGNATURE, SIGNATURE + 8, b.begin()) ||
        std::string(b.begin() + 12, b.begin() + 16) != "IHDR") {
        return h;
    }
    h.valid = true;
    h.width = bigEndian(b, 16);
    h.height = bigEndian(b, 20);
    h.colourType = b[25];
    for (size_t at = 8; at + 8 <= b.size();) {
        const uint32_t length = bigEndian(b, at);
        const std::string type(b.begin() + static_cast<long>(at) + 4, b.begin() + static_cast<long>(at) + 8);
        if (type == "tRNS") {
            h.hasTrns = true;
        }
        if (type == "IDAT" || type == "IEND") {
            break;
        }
        at += 12 + length;
    }
    return h;
}

// Runs the rest of a scope in another working directory, and returns afterwards.
class InDirectory {
public:
    explicit InDirectory(const fs::path& dir) : saved_(fs::current_path()) { fs::current_path(dir); }
    ~InDirectory() { fs::current_path(saved_); }
    InDirectory(const InDirectory&) = delete;
    InDirectory& operator=(const InDirectory&) = delete;

private:
    fs::path saved_;
};

class TexturesTest : public shelltest::SdlSuite {};

TEST_F(TexturesTest, EveryPictureLoads)
{
    const Gfx& g = gfx();
    EXPECT_EQ(g.texs[0], nullptr) << "entry 0 is nothing";
    for (int id = 1; id < ITEM_COUNT; ++id) {
        EXPECT_NE(g.texs[static_cast<size_t>(id)], nullptr) << "item " << id;
    }
    EXPECT_NE(g.playerFrames[0], nullptr);
    EXPECT_NE(g.playerFrames[1], nullptr);
    EXPECT_NE(g.healthTex, nullptr);
    for (size_t type = 0; type < g.mobFrames.size(); ++type) {
        for (size_t f = 0; f < g.mobFrames[type].size(); ++f) {
            EXPECT_NE(g.mobFrames[type][f], nullptr) << "creature " << type << " frame " << f;
        }
    }
}

// The art list the build draws pictures from names exactly the pictures the game loads:
// a kind or an item added to its table without its art, or art left over, fails here.
TEST_F(TexturesTest, TheArtListIsWhatTheGameLoads)
{
    std::istringstream listed(BRAMBIX_ART_NAMES);
    std::set<std::string> art;
    for (std::string name; listed >> name;) {
        EXPECT_TRUE(art.insert("assets/" + name + ".png").second) << name << " is listed twice";
    }
    const std::vector<std::string> loaded = gamePictures();
    EXPECT_EQ(std::set<std::string>(loaded.begin(), loaded.end()), art);
    EXPECT_EQ(loaded.size(), art.size()) << "a picture is loaded twice";
}

TEST_F(TexturesTest, EveryPictureIs64By64WithAlpha)
{
    for (const std::string& picture : gamePictures()) {
        SCOPED_TRACE(picture);
        const std::string path = (runDir / picture).string();
        const PngHeader h = readPngHeader(path);
        ASSERT_TRUE(h.valid) << path << " is not a PNG";
        EXPECT_EQ(h.width, 64u);
        EXPECT_EQ(h.height, 64u);
        // 6: RGBA, 4: grey with alpha; a palette or plain colours need a tRNS chunk.
        EXPECT_TRUE(h.colourType == 6 || h.colourType == 4 || h.hasTrns) << "colour type " << h.colourType;
        const Image img = shelltest::loadPicture(path);
        EXPECT_EQ(img.w, 64);
        EXPECT_EQ(img.h, 64);
    }
}

TEST_F(TexturesTest, MissingPictureLeavesAnEmptyEntryAndTheGameDrawsOn)
{
    // A run folder like the real one but without the stick's picture.
    const fs::path temp = fs::temp_directory_path() / ("brambix-shell-" + std::to_string(getpid()));
    fs::remove_all(temp);
    fs::create_directories(temp / "assets");
    for (const auto& entry : fs::directory_iterator(runDir / "assets")) {
        if (entry.path().filename() != "stick.png") {
            std::error_code ec;  // Wine makes no symbolic links: a copy does as well
            fs::create_symlink(entry.path(), temp / "assets" / entry.path().filename(), ec);
            if (ec) {
                fs::copy_file(entry.path(), temp / "assets" / entry.path().filename());
            }
        }
    }
    Gfx partial;
    partial.renderer = renderer();
    {
        InDirectory there(temp);
        loadTextures(partial);
    }
    fs::remove_all(temp);

    EXPECT_EQ(partial.texs[ITEM_STICK], nullptr);
    for (int id = 1; id < ITEM_COUNT; ++id) {
        if (id != ITEM_STICK) {
            EXPECT_NE(partial.texs[static_cast<size_t>(id)], nullptr) << "item " << id;
        }
    }
    EXPECT_NE(partial.healthTex, nullptr);

    // Five sticks in the hotbar: the slot's fill and the count, no picture.
    Loop loop = view(0.0f, 0.0f);
    loop.selectedHotbar = 4;
    fillTiles(loop, ITEM_NONE);
    hp = 0;
    hotbar[0] = {};
    drawWorld(partial, loop);
    const Image empty = frame();
    hotbar[0] = {ITEM_STICK, 5};
    drawWorld(partial, loop);
    const Image sticks = frame();
    const TextCache::Entry& e = partial.text.get(renderer(), "5");
    const Box b = changedBox(empty, sticks);
    EXPECT_FALSE(b.empty()) << "the count is missing";
    EXPECT_TRUE(b.within(313 - e.w, 578 - e.h, 313, 578)) << "more than the count changed " << b;

    destroyTextures(partial);
}

TEST_F(TexturesTest, UnusableFilesAreNamedInTheGamesWordsAndKeptAsNotices)
{
    // A PNG's signature and header, no pixels: 30000 by 30000, 8-bit RGBA.
    const std::string hugeHeader("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x75\x30\0\0\x75\x30\x08\x06\0\0\0", 29);
    struct Case {
        const char* file;
        std::string bytes;
        std::string reason;
    };
    const Case cases[] = {
        {"assets/grass.png", "", "the file is empty (it is not drawn)"},
        {"assets/arial.ttf", "", "the file is empty (stack counts are not shown)"},
        {"assets/grass.png", hugeHeader,
         "the picture is 30000 by 30000 pixels, over the limit of 4096 on a side (it is not drawn)"},
    };
    const fs::path temp = fs::temp_directory_path() / ("brambix-unusable-" + std::to_string(getpid()));
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " of " + std::to_string(c.bytes.size()) + " bytes");
        fs::remove_all(temp);
        fs::create_directories(temp / "assets");
        std::ofstream(temp / c.file, std::ios::binary) << c.bytes;
        InDirectory there(temp);
        testing::internal::CaptureStderr();
        if (fs::path(c.file).extension() == ".ttf") {
            openGameFont(c.file, FONT_PT);
            EXPECT_EQ(fnt, nullptr);
        } else {
            EXPECT_EQ(loadPicture(renderer(), c.file), nullptr);
        }
        const std::string line = std::string("Brambix: cannot load ") + c.file + " from the data folder " +
                                 dataFolder() + ": " + c.reason + "\n";
        EXPECT_EQ(testing::internal::GetCapturedStderr(), line);
        const std::string notices = collectedNotices();
        EXPECT_EQ(notices.substr(notices.size() - std::min(notices.size(), line.size())), line);
    }
    fs::remove_all(temp);
    openGameFont((runDir / FONT_PATH).string().c_str(), FONT_PT);
    ASSERT_NE(fnt, nullptr);
}

TEST_F(TexturesTest, DestroyTexturesEmptiesEveryEntryAndMayRunTwice)
{
    Gfx own;
    own.renderer = renderer();
    loadTextures(own);
    drawTxt(own, "42", 0.0f, 0.0f);
    ASSERT_EQ(own.text.size(), 1u);
    destroyTextures(own);
    for (SDL_Texture* t : own.texs) {
        EXPECT_EQ(t, nullptr);
    }
    EXPECT_EQ(own.playerFrames[0], nullptr);
    EXPECT_EQ(own.playerFrames[1], nullptr);
    EXPECT_EQ(own.healthTex, nullptr);
    for (const auto& frames : own.mobFrames) {
        EXPECT_EQ(frames[0], nullptr);
        EXPECT_EQ(frames[1], nullptr);
    }
    EXPECT_EQ(own.text.size(), 0u);
    destroyTextures(own);  // nothing left to destroy, nothing destroyed twice
    EXPECT_EQ(own.healthTex, nullptr);
}

TEST_F(TexturesTest, CountTextsAreRenderedOnceAndKept)
{
    clearToBackground();
    drawTxt(gfx(), "12", 100.0f, 200.0f);
    const Image first = frame();
    ASSERT_EQ(gfx().text.size(), 1u);
    const SDL_Texture* made = gfx().text.get(renderer(), "12").texture;

    clearToBackground();
    drawTxt(gfx(), "12", 100.0f, 200.0f);
    const Image second = frame();
    EXPECT_EQ(gfx().text.size(), 1u);
    EXPECT_EQ(gfx().text.get(renderer(), "12").texture, made);
    EXPECT_TRUE(changedBox(first, second).empty()) << "the kept text draws differently";

    drawTxt(gfx(), "13", 100.0f, 200.0f);
    EXPECT_EQ(gfx().text.size(), 2u);
    gfx().text.clear();
    EXPECT_EQ(gfx().text.size(), 0u);

    // After clearing, the text is made again and drawn the same.
    clearToBackground();
    drawTxt(gfx(), "12", 100.0f, 200.0f);
    EXPECT_EQ(gfx().text.size(), 1u);
    EXPECT_TRUE(changedBox(first, frame()).empty());
}

}  // namespace
