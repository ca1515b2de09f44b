// Telling a player why the game stopped, with or without a terminal.
#pragma once

#include <string>

// Writes `line` and a newline to standard error; on Windows also shows it in a message
// box, since a player who double-clicked the game has no terminal to read it in.
void reportFatal(const std::string& line);

// On Windows the game is a windowed program, started with no console of its own; when
// it is started from one, its output goes there. Elsewhere this does nothing.
void useParentConsole();
