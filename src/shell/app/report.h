// Telling a player why the game stopped, or what it plays on without, with or without a terminal.
#pragma once

#include <string>

struct SDL_Window;

// Writes `text` as it is to standard output or standard error, at once (C's streams:
// C++'s would carry their locales into every build, the page's too); false when it could
// not all be written.
bool writeOut(const std::string& text);
bool writeErr(const std::string& text);

// Writes `line` and a newline to standard error; on Windows also shows it in a message
// box, since a player who double-clicked the game has no terminal to read it in.
void reportFatal(const std::string& line);

// Writes `line` and a newline to standard error and keeps it among the notices: what
// the game plays on without (a picture, the font, the recipe book).
void reportNotice(const std::string& line);

// Every line given to reportNotice so far, each ending in a newline; empty when none.
std::string collectedNotices();

// Where standard error reaches nobody (on Windows, a game started by a double click:
// neither a console, a file nor a pipe), shows the collected notices in one message box
// over `window`. Does nothing when there are none, or elsewhere.
void showNoticesWhereUnread(SDL_Window* window);

// On Windows the game is a windowed program, started with no console of its own; when
// it is started from one, its output goes there. Elsewhere this does nothing.
void useParentConsole();
