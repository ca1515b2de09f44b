// The controls as the devices use them: keys named as SDL names them by position, and
// what the frame sees for each key and button the player's controls bind.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "controls/controls.h"
#include "shell/platform/platform.h"

// SDL's names of the keys by position.
const KeyNames& sdlKeyNames();

// The controls table's own calls, with keys named as SDL names them.
Controls defaultControls();
std::optional<Binding> bindingNamed(std::string_view name);
std::string nameOf(Binding b);
ControlsRead readControlsText(const std::string& text, const std::string& name);
ControlsRead readControlsFile(const std::string& path);
std::string controlsListing(const Controls& c);
std::string controlsPanelJson(const Controls& inUse);

// What the frame sees for `a`, whatever gave it: a press of its default key, or for
// break and use a left or right click.
InputEvent gameEventOf(Action a);

// What the frame sees when `b` is pressed: the game's own key or click for the action
// the controls bind it to; a key no action stands for, or a mouse button beyond the
// named ones, as it is; nothing for one that stands for an action moved elsewhere.
std::optional<InputEvent> frameEventOf(const Controls& c, Binding b);

// Whether `scancode` is the key the frame sees for one of the actions.
bool isGameKey(int scancode);

// The keys held by `down(scancode)` as the frame sees them: an action's own key where a
// key bound to it is held, and keys that are no action's as they are.
KeyState gameKeysHeld(const Controls& c, const std::function<bool(int)>& down);

// The controls the game plays with, read once: set at start, read by the devices.
const Controls& activeControls();
void setActiveControls(const Controls& c);
