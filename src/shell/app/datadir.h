// Finding the data folder: the folder whose assets/ holds the game's files.
#pragma once

#include <string>
#include <vector>

#include "files/folders.h"

// Names the data folder, ahead of every other place, when set.
constexpr const char* DATA_DIR_VARIABLE = "BRAMBIX_DATA_DIR";

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
