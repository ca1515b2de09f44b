// Folders a program looks in: the working folder, and the first of several places to
// look that holds what is looked for.
#pragma once

#include <functional>
#include <string>
#include <system_error>
#include <vector>

// The working folder's full path, however long; empty, with `ec` set, when it cannot be told.
std::string workingFolder(std::error_code& ec);

// The places to look for the data folder, in order, as absolute paths: the folder
// named by `variable` (when set and not empty; relative to `workingDir`), the working
// folder, then the program's folder `basePath` and `basePath`/`installedData`, where an
// installed copy keeps its data (skipped when the base path is not known). Each once.
std::vector<std::string> dataDirCandidates(const char* variable, const std::string& workingDir,
                                           const std::string& basePath, const std::string& installedData);

// The first candidate that holds the game's data, per `holdsData`; empty if none.
std::string firstDataDir(const std::vector<std::string>& candidates,
                         const std::function<bool(const std::string&)>& holdsData);
