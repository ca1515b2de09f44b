// Loading the pictures and the font from the data folder, and the built-in window icon.
#include "shell/app/assets.h"

#include <cstdint>

#include "shell/app/app.h"
#include "shell/app/datadir.h"
#include "shell/app/report.h"
#include "files/regular_file.h"

namespace {

#if !defined(BRAMBIX_COUNT_GLYPHS)
// The open font reads its bytes from here whenever it draws a new text.
std::string fontBytes;
#endif

// Reads `path` whole into `bytes`; false, with the reason in `problem`, when it cannot.
bool readAsset(const char* path, size_t limitBytes, std::string& bytes, std::string& problem)
{
    FileRead file = readRegularFile(path, limitBytes);
    switch (file.status) {
    case FileRead::Read:
        if (file.text.empty()) {
            // The libraries would only say they were given no data.
            problem = "the file is empty";
            return false;
        }
        bytes = std::move(file.text);
        return true;
    case FileRead::NotRegular:
        problem = "it is " + file.problem + ", not a regular file";
        return false;
    case FileRead::TooLarge:
        problem = "larger than the limit of " + file.problem;
        return false;
    case FileRead::Missing:
    case FileRead::Failed:
        break;
    }
    problem = file.problem;
    return false;
}

// A PNG's width and height as its header gives them; false for anything else.
bool pngSize(const std::string& bytes, uint32_t& width, uint32_t& height)
{
    static constexpr char SIGNATURE_AND_HEADER[] = "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR";
    constexpr size_t HEADER_END = 24;  // the signature, the header's length and type, width, height
    if (bytes.size() < HEADER_END || bytes.compare(0, 16, SIGNATURE_AND_HEADER, 16) != 0) {
        return false;
    }
    auto bigEndian = [&bytes](size_t at) {
        uint32_t v = 0;
        for (size_t i = 0; i < 4; ++i) {
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        }
        return v;
    };
    width = bigEndian(16);
    height = bigEndian(20);
    return true;
}

// The picture at `path` as an SDL surface; null, with the reason in `problem`.
SDL_Surface* readPicture(const char* path, std::string& problem)
{
    std::string bytes;
    if (!readAsset(path, PICTURE_LIMIT_BYTES, bytes, problem)) {
        return nullptr;
    }
    // A small file can hold a huge picture: decoding one of 30000 by 30000 pixels would
    // take gigabytes of memory before it could be refused.
    if (uint32_t w = 0, h = 0; pngSize(bytes, w, h) && (w > PICTURE_MAX_SIDE_PX || h > PICTURE_MAX_SIDE_PX)) {
        problem = "the picture is " + std::to_string(w) + " by " + std::to_string(h) + " pixels, over the limit of " +
                  std::to_string(PICTURE_MAX_SIDE_PX) + " on a side";
        return nullptr;
    }
    SDL_Surface* s = IMG_Load_IO(SDL_IOFromConstMem(bytes.data(), bytes.size()), true);
    if (s == nullptr) {
        problem = SDL_GetError();
    }
    return s;
}

void destroy(SDL_Texture*& tex)
{
    if (tex != nullptr) {
        SDL_DestroyTexture(tex);
        tex = nullptr;
    }
}

// The window shows the game's own picture in its title bar and task switcher.
void setWindowIcon(SDL_Window* window)
{
    if (WINDOW_ICON_PNG_BYTES == 0) {
        return;
    }
    if (SDL_Surface* icon = IMG_Load_IO(SDL_IOFromConstMem(WINDOW_ICON_PNG, WINDOW_ICON_PNG_BYTES), true)) {
        SDL_SetWindowIcon(window, icon);
        SDL_DestroySurface(icon);
    }
}
}  // namespace

std::string dataFolder()
{
    std::error_code ec;
    const std::string dir = workingFolder(ec);
    return ec ? "?" : dir;
}

void reportAsset(const char* path, const std::string& reason, const char* consequence)
{
    std::string line = std::string("Brambix: cannot load ") + path + " from the data folder " + dataFolder();
    if (!reason.empty()) {
        line += ": " + reason;
    }
    reportNotice(line + " (" + consequence + ")");
}

// Pixel art is sampled nearest-neighbour at every size and position: SDL3 would
// otherwise blend neighbouring pixels, SDL2 depends on a hint.
SDL_Texture* loadPicture(SDL_Renderer* renderer, const char* path)
{
    std::string problem;
    SDL_Surface* s = readPicture(path, problem);
    SDL_Texture* tex = s != nullptr ? SDL_CreateTextureFromSurface(renderer, s) : nullptr;
    if (s != nullptr && tex == nullptr) {
        problem = SDL_GetError();
    }
    if (s != nullptr) {
        SDL_DestroySurface(s);
    }
    if (tex != nullptr) {
        SDL_SetTextureScaleMode(tex, SDL_SCALEMODE_NEAREST);
    } else {
        reportAsset(path, problem, "it is not drawn");
    }
    return tex;
}

#if defined(BRAMBIX_COUNT_GLYPHS)
// The counts' glyphs are built into the program: there is no font to open.
void openGameFont(const char*, float) {}

void closeGameFont() {}
#else
void openGameFont(const char* path, float pointSize)
{
    closeGameFont();
    std::string problem;
    if (readAsset(path, FONT_LIMIT_BYTES, fontBytes, problem)) {
        fnt = TTF_OpenFontIO(SDL_IOFromConstMem(fontBytes.data(), fontBytes.size()), true, pointSize);
        if (fnt == nullptr) {
            problem = SDL_GetError();
        }
    }
    if (fnt == nullptr) {
        std::string().swap(fontBytes);
        reportAsset(path, problem, "stack counts are not shown");
    }
}

void closeGameFont()
{
    if (fnt != nullptr) {
        TTF_CloseFont(fnt);
        fnt = nullptr;
    }
    std::string().swap(fontBytes);
}
#endif

std::vector<std::string> gamePictures()
{
    std::vector<std::string> paths;
    for (int id = 1; id < ITEM_COUNT; ++id) {
        paths.emplace_back(ITEMS[static_cast<size_t>(id)].picture);
    }
    for (const CreatureKind& kind : CREATURES) {
        paths.insert(paths.end(), kind.pictures.begin(), kind.pictures.end());
    }
    paths.insert(paths.end(), PLAYER_PICTURES.begin(), PLAYER_PICTURES.end());
    paths.emplace_back(HEART_PICTURE);
    return paths;
}

void loadTextures(Gfx& gfx)
{
    gfx.texs.fill(nullptr);
    for (int id = 1; id < ITEM_COUNT; ++id) {
        gfx.texs[static_cast<size_t>(id)] = loadPicture(gfx.renderer, ITEMS[static_cast<size_t>(id)].picture);
    }
    for (size_t f = 0; f < gfx.playerFrames.size(); ++f) {
        gfx.playerFrames[f] = loadPicture(gfx.renderer, PLAYER_PICTURES[f]);
    }
    gfx.healthTex = loadPicture(gfx.renderer, HEART_PICTURE);
    for (size_t type = 0; type < gfx.mobFrames.size(); ++type) {
        for (size_t f = 0; f < gfx.mobFrames[type].size(); ++f) {
            gfx.mobFrames[type][f] = loadPicture(gfx.renderer, CREATURES[type].pictures[f]);
        }
    }
    if (gfx.window != nullptr) {
        setWindowIcon(gfx.window);
    }
}

void destroyTextures(Gfx& gfx)
{
    for (auto& tex : gfx.texs) {
        destroy(tex);
    }
    for (auto& tex : gfx.playerFrames) {
        destroy(tex);
    }
    destroy(gfx.healthTex);
    destroy(gfx.picture);
    for (auto& frames : gfx.mobFrames) {
        for (auto& tex : frames) {
            destroy(tex);
        }
    }
    gfx.text.clear();
}
