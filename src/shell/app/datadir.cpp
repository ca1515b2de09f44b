// Finding the data folder and making it the working folder.
#include "shell/app/datadir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "files/folders.h"
#include "shell/app/app.h"
#include "shell/app/report.h"
#include "shell/platform/sdl.h"
#include "rules/items.h"
#include "rules/recipe_book.h"

namespace fs = std::filesystem;

#ifndef BRAMBIX_DATA_FROM_BIN
#define BRAMBIX_DATA_FROM_BIN "../share/brambix"
#endif

bool holdsGameData(const std::string& dir)
{
    std::vector<const char*> ours = {RECIPES_PATH, FONT_PATH};
    for (const ItemInfo& item : ITEMS) {
        if (item.picture != nullptr) {
            ours.push_back(item.picture);
        }
    }
    for (const char* file : ours) {
        std::error_code ec;
        if (fs::exists(fs::path(dir) / file, ec)) {
            return true;
        }
    }
    return false;
}

std::string noDataDirMessage(const std::vector<std::string>& tried)
{
    std::string line = "Brambix: cannot find the game's data (a folder whose assets/ holds its pictures, font or recipes); tried:";
    for (size_t i = 0; i < tried.size(); ++i) {
        line += (i == 0 ? " " : ", ") + tried[i];
    }
    return line + "; set " + DATA_DIR_VARIABLE + " to the folder that holds the game's assets/";
}

bool enterDataDir()
{
    std::error_code ec;
    const std::string working = workingFolder(ec);
    if (ec) {
        reportFatal("Brambix: cannot tell the working folder: " + ec.message());
        return false;
    }
    const std::vector<std::string> tried =
        dataDirCandidates(std::getenv(DATA_DIR_VARIABLE), working, sdlx::basePath(), BRAMBIX_DATA_FROM_BIN);
    const std::string dir = firstDataDir(tried, holdsGameData);
    if (dir.empty()) {
        reportFatal(noDataDirMessage(tried));
        return false;
    }
    // A folder the player named on purpose and that is passed over deserves a word.
    if (const char* named = std::getenv(DATA_DIR_VARIABLE); named != nullptr && *named != '\0' && dir != tried.front()) {
        reportNotice(std::string("Brambix: ") + DATA_DIR_VARIABLE + " names " + tried.front() +
                     ", which holds none of the game's data files; using the data folder " + dir);
    }
    fs::current_path(dir, ec);
    if (ec) {
        reportFatal("Brambix: cannot enter the data folder " + dir + ": " + ec.message());
        return false;
    }
    return true;
}
