// The command line: --help, --version, --controls, --recipes, play (with --whole-pixels), or record, watch or
// verify a replay.
#pragma once

#include <string>

#include "controls/controls.h"

struct CommandLine {
    enum Action { Play, Help, Version, ListControls, ListRecipes, Unknown, Record, Watch, Verify, Misused } action = Play;
    std::string unknown;       // for Unknown: the first option not understood; Misused: what is wrong
    std::string replay;        // for Record, Watch, Verify: the replay file
    bool wholePixels = false;  // --whole-pixels: the picture scaled by whole numbers from the start
};

// Reads the arguments after the program name. Any option not understood makes it
// Unknown; else --help (-h, or /? as Windows players write it) wins over --version,
// which wins over --controls, which wins over --recipes;
// words that are not options are ignored, as they always were, and so is everything
// after "--". --record FILE, --replay FILE and --replay FILE --verify are Record, Watch
// and Verify; --record with --replay, --verify without --replay or an option without
// its FILE is Misused.
CommandLine parseCommandLine(int argc, const char* const* argv);

// The usage: options, controls and where the data folder is looked for.
std::string usageText();

// The recipes of the book at `path` (`missing`: none there) as a player reads them,
// then the file they were read from.
std::string recipesText(const std::string& path, bool missing);

// The controls `read` from `path`, one line an action, then the file they were read
// from (or would be).
std::string controlsText(const std::string& path, const ControlsRead& read);

// "brambix <version> (<SDL and its version>)".
std::string versionText();

// Acts on --help, --version, --controls, --recipes or an unknown or misused option: prints and returns the
// exit status (0; 1 when the text could not be written, with a line saying so on
// standard error, or --recipes finds a book with faults, as the game would; 2 for an unknown or misused
// option, with the usage on standard error). Returns -1 when the game is to be played,
// recorded or a replay played.
int answerCommandLine(const CommandLine& line);
