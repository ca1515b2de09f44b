// SDL behind the frame loop's platform seam.
#include "shell/input/sdl_platform.h"

#include "shell/draw/picture.h"
#include "shell/input/controls.h"
#include "shell/input/input.h"
#include "shell/input/touch.h"
#include "shell/platform/sdl.h"
#include "rules/inventory.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {
// The pointer as SDL has it now, from window coordinates into the picture's pixels.
PointerPos pointerInPicture(const Gfx& gfx)
{
    float windowX = 0.0f;
    float windowY = 0.0f;
    SDL_GetMouseState(&windowX, &windowY);
    return pictureAtWindowPoint(gfx, windowX, windowY);
}

// The action a key or button gives the player, by the controls in use.
std::optional<Action> actionOf(Binding::Kind kind, int code)
{
    return activeControls().actionOf({kind, code});
}

// The fullscreen key and Alt+Enter belong to the window, not to the game.
bool isFullscreenKey(const SDL_Event& e)
{
    const SDL_Scancode code = sdlx::scancode(e);
    return actionOf(Binding::Kind::Key, code) == Action::Fullscreen ||
           (code == SDL_SCANCODE_RETURN && (sdlx::keyModifiers(e) & SDL_KMOD_ALT) != 0);
}

// What the frame sees of a key or button the player pressed: the action it is bound to,
// as the game's own key or click; nothing for one bound to none.
void pressed(DeviceInput& in, Binding::Kind kind, int code, InputEvent& out)
{
    const std::optional<Action> action = actionOf(kind, code);
    if (!action) {
        // A key the game has no use for, or a mouse button the player cannot name,
        // reaches the frame as ever; one that stands for an action the player moved
        // elsewhere gives nothing.
        if (kind == Binding::Kind::Key && !isGameKey(code)) {
            out.kind = InputEvent::Kind::KeyDown;
            out.scancode = code;
        } else if (kind == Binding::Kind::Mouse && code > BUTTON_RIGHT) {
            out.kind = InputEvent::Kind::MouseDown;
            out.button = code;
        }
        return;
    }
    out = gameEventOf(*action);
    // The hotbar keys are read held, once a frame: a press that comes and goes
    // between two frames is held for the next read all the same.
    if (out.kind == InputEvent::Kind::KeyDown && out.scancode >= SDL_SCANCODE_1 &&
        out.scancode < SDL_SCANCODE_1 + HOTBAR_SLOTS) {
        pulseHotbar(in.events, out.scancode - SDL_SCANCODE_1);
    }
}

bool pollSdlEvent(Gfx& gfx, DeviceInput& in, InputEvent& out)
{
    // Once fingers have touched the window, upright, it shows the picture low for them.
    gfx.fingersUsed = gfx.fingersUsed || deviceOf<Touch>(in).state.used;
    if (nextDeviceEvent(in, out)) {
        return true;
    }
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        return fireDueDevices(in) && nextDeviceEvent(in, out);
    }
    out = {};
    if (takeDeviceEvent(gfx, in, e)) {
        return true;
    }
    switch (e.type) {
    case SDL_EVENT_QUIT:
        out.kind = InputEvent::Kind::Quit;
        break;
    case SDL_EVENT_KEY_DOWN:
        if (isFullscreenKey(e)) {
            // A held key repeats: only its first press switches, or the window flickers.
            if (!sdlx::isKeyRepeat(e)) {
                sdlx::setDesktopFullscreen(gfx.window, !sdlx::isFullscreen(gfx.window));
                gfx.resized = true;
            }
            break;
        }
        // So does the way the picture is scaled into it.
        if (actionOf(Binding::Kind::Key, sdlx::scancode(e)) == Action::WholePixels) {
            if (!sdlx::isKeyRepeat(e)) {
                setWholePixels(gfx, !gfx.wholePixels);
            }
            break;
        }
        keyboardOrMouseUsed(in);
        pressed(in, Binding::Kind::Key, sdlx::scancode(e), out);
        break;
    case SDL_EVENT_MOUSE_MOTION:
        keyboardOrMouseUsed(in);
        break;
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
        keyboardOrMouseUsed(in);
        // The loop reads the pointer as it is now for every event; where that is on
        // the bars, the click is on no part of the game.
        pressed(in, Binding::Kind::Mouse, e.button.button, out);
        if (out.kind == InputEvent::Kind::MouseDown && !onPicture(pointerInPicture(gfx))) {
            out = {};
        }
        break;
    default:
        gfx.resized = gfx.resized || sdlx::isWindowResize(e);
        break;
    }
    return true;
}

KeyState sdlKeyboard()
{
    int count = 0;
    const auto* keys = SDL_GetKeyboardState(&count);
    return gameKeysHeld(activeControls(), [keys, count](int code) { return code < count && keys[code] != 0; });
}
}  // namespace

Platform sdlPlatform(Gfx& gfx, DeviceInput& in)
{
    return {
        [] { return static_cast<uint64_t>(SDL_GetTicks()); },
        [&gfx, &in](InputEvent& e) { return pollSdlEvent(gfx, in, e); },
        // Whatever device placed it, and whatever a window of no size maps it to, the
        // rules get a point within reach. The carried stack is drawn lifted off it as the
        // device that placed it asks.
        [&gfx, &in] {
            const PointerPos p = in.events.pointer.value_or(pointerInPicture(gfx));
            gfx.carriedLiftPx = in.events.carriedLiftPx;
            return PointerPos{intoReach(p.x), intoReach(p.y)};
        },
        [&in] { return heldKeys(in, sdlKeyboard()); },
        [](uint32_t ms) { SDL_Delay(ms); },
        // Timed device input (the pad's stick, a finger's hold) catches up before the
        // frame's events are read, with the camera the frame placed and SDL's own clock.
        [&in](uint64_t now, const Loop& loop) {
            updateDevices(in, now, {loop.cameraX, loop.cameraY, loop.selectedHotbar, SDL_GetTicks()});
        },
    };
}
