// The game's data files as the game loads them: pictures and the font, each read whole
// through the one non-blocking reader before SDL decodes it; and the window's icon.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "shell/draw/draw.h"

// The player's walking pictures and the heart, paths in the data folder.
constexpr std::array<const char*, 2> PLAYER_PICTURES = {"assets/plgo1.png", "assets/plgo2.png"};
constexpr const char* HEART_PICTURE = "assets/healt.png";

// Every picture the game loads, each once: the items' (ITEMS), the creatures'
// (CREATURES), the player's and the heart. The art list in cmake/Assets.cmake names
// the same pictures, and a test holds the two together.
std::vector<std::string> gamePictures();

// The window's icon as the bytes of a PNG file, built into the program (none in a
// browser): a data folder holds only the game's own files.
extern const unsigned char WINDOW_ICON_PNG[];
extern const size_t WINDOW_ICON_PNG_BYTES;
// The widest and tallest picture loaded: far above the game's own (64 by 64), far below
// what would take gigabytes once decoded.
constexpr uint32_t PICTURE_MAX_SIDE_PX = 4096;

// The data folder in use: the working folder once it has been found ("?" if unknown).
std::string dataFolder();

// One line on standard error, kept among the notices, for an asset that did not load:
// the file, the data folder and the reason, with what the game does without it.
void reportAsset(const char* path, const std::string& reason, const char* consequence);

// A picture as a texture sampled by nearest pixels; null, with its line on standard
// error, when it is missing, not a regular file, empty, over the size limit (of the
// file, or of a PNG's sides as its header gives them) or not a picture.
SDL_Texture* loadPicture(SDL_Renderer* renderer, const char* path);

// Opens the game's font into `fnt`, keeping its bytes for as long as it is open; on
// failure `fnt` stays null (no counts shown) and one line says why.
void openGameFont(const char* path, float pointSize);

// Closes the font, if open, and lets its bytes go. (Neither does anything in a build
// whose counts' glyphs are built in.)
void closeGameFont();
