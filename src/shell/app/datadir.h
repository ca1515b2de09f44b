// Finding the data folder: the folder whose assets/ holds the game's files.
#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

// Names the data folder, ahead of every other place, when set.
constexpr const char* DATA_DIR_VARIABLE = "BRAMBIX_DATA_DIR";

// The working folder's full path, however long; empty, with `ec` set, when it cannot be told.
std::string workingFolder(std::error_code& ec);

// The places to look for the data folder, in order, as absolute paths: the folder
// named by `variable` (when set and not empty; relative to `workingDir`), the working
// folder, then the program's folder `basePath` and `basePath`/`installedData`, where an
// installed copy keeps its data (skipped when SDL could not tell the base path).
std::vector<std::string> dataDirCandidates(const char* variable, const std::string& workingDir,
                                           const std::string& basePath, const std::string& installedData);

// The first candidate that holds the game's data, per `holdsData`; empty if none.
std::string firstDataDir(const std::vector<std::string>& candidates,
                         const std::function<bool(const std::string&)>& holdsData);

// Whether `dir`/assets holds at least one of the game's own files: a picture of the
// item catalogue, the font or the recipe book. Another program's assets/ (or an empty
// one) in the working folder is passed over.
bool holdsGameData(const std::string& dir);

// The one line that says no data folder was found, naming every place tried.
std::string noDataDirMessage(const std::vector<std::string>& tried);

// Finds the data folder from the environment, the working folder and the program's own
// folder, and makes it the working folder so that every asset path ("assets/grass.png")
// is read from it. Returns false, with the one-line reason on standard error, when no
// candidate holds the game's data or the folder cannot be entered.
bool enterDataDir();
