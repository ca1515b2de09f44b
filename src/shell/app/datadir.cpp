// Finding the data folder and making it the working folder.
#include "shell/app/datadir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "shell/app/app.h"
#include "shell/app/report.h"
#include "shell/platform/sdl.h"
#include "rules/items.h"
#include "rules/recipe_book.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace fs = std::filesystem;

#ifndef BRAMBIX_DATA_FROM_BIN
#define BRAMBIX_DATA_FROM_BIN "../share/brambix"
#endif

namespace {
std::string normal(const fs::path& p)
{
    fs::path q = p.lexically_normal();
    // "/a/b/" and "/a/b" are one folder (so are "C:\a\" and "C:\a"); a root keeps its own.
    if (!q.has_filename() && q.has_relative_path()) {
        q = q.parent_path();
    }
    return q.string();
}
}  // namespace

std::string workingFolder(std::error_code& ec)
{
    ec.clear();
#if defined(_WIN32)
    // std::filesystem asks the C library, which reads the folder into a buffer of 260
    // characters and names none when the path is longer: ask Windows for its length.
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetCurrentDirectoryW(size, dir.data());
    if (length == 0 || length >= size) {
        ec.assign(static_cast<int>(GetLastError()), std::system_category());
        return "";
    }
    dir.resize(length);
    return fs::path(dir).string();
#else
    return fs::current_path(ec).string();
#endif
}

std::vector<std::string> dataDirCandidates(const char* variable, const std::string& workingDir,
                                           const std::string& basePath, const std::string& installedData)
{
    std::vector<std::string> out;
    auto add = [&out](const std::string& dir) {
        for (const std::string& seen : out) {
            if (seen == dir) {
                return;
            }
        }
        out.push_back(dir);
    };
    if (variable != nullptr && *variable != '\0') {
        add(normal(fs::path(workingDir) / variable));
    }
    add(normal(workingDir));
    if (!basePath.empty()) {
        add(normal(basePath));
        add(normal(fs::path(basePath) / installedData));
    }
    return out;
}

std::string firstDataDir(const std::vector<std::string>& candidates,
                         const std::function<bool(const std::string&)>& holdsData)
{
    for (const std::string& dir : candidates) {
        if (holdsData(dir)) {
            return dir;
        }
    }
    return "";
}

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
