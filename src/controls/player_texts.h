// The texts a player reads about the controls, made from the controls table: the
// controls part of --help, the manual page's and the Windows README's lines, README.md's
// table, and the game's own keys as a browser names them. tools/playertexts prints them
// for the build.
#pragma once

#include <string>
#include <string_view>

// One line an action, the keys and buttons it has by default, then what it does from
// the 23rd column (on a line of its own after keys too long for theirs): for --help.
std::string controlsUsage();

// The controls as the manual page's tagged paragraphs (".TP", ".B walk_up", "W: ...").
std::string controlsManLines();

// The controls as plain text, a control's name and keys on one line and what it does
// indented under them: for the Windows README.
std::string controlsPlainText();

// The controls as README.md's Markdown table, with the hand and the hold.
std::string controlsMarkdown();

// The code a browser's key event gives for the key the controls name `name` ("W" gives
// "KeyW", "1" "Digit1", "F11" "F11"); empty for a name that is none of those.
std::string webCodeOf(std::string_view name);

// The game's own keys (every action's first default key, gameKeyOf) as a JSON array of
// the browser's codes: what the page keeps from scrolling it or reaching the browser.
std::string gameKeysWebJson();

// A CMake script that sets the variables the manual page's and the Windows README's
// templates use: BRAMBIX_CONTROLS_MAN, _TEXT and _MD, and the hold as BRAMBIX_HOLD_MS,
// _LEAST, _MOST and (in words) _TEXT.
std::string playerTextsCMake();
