// SDL behind the frame loop's platform seam.
#include "shell/input/sdl_platform.h"

#include "shell/draw/picture.h"
#include "shell/input/input.h"
#include "shell/input/touch.h"
#include "shell/platform/sdl.h"
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

// F11 and Alt+Enter belong to the window, not to the game.
bool isFullscreenKey(const SDL_Event& e)
{
    const SDL_Scancode code = sdlx::scancode(e);
    return code == SDL_SCANCODE_F11 || (code == SDL_SCANCODE_RETURN && (sdlx::keyModifiers(e) & SDL_KMOD_ALT) != 0);
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
        if (sdlx::scancode(e) == WHOLE_PIXELS_KEY) {
            if (!sdlx::isKeyRepeat(e)) {
                setWholePixels(gfx, !gfx.wholePixels);
            }
            break;
        }
        keyboardOrMouseUsed(in);
        out.kind = InputEvent::Kind::KeyDown;
        out.scancode = sdlx::scancode(e);
        // The hotbar keys are read held, once a frame: a press that comes and goes
        // between two frames is held for the next read all the same.
        if (out.scancode >= SDL_SCANCODE_1 && out.scancode < SDL_SCANCODE_1 + HOTBAR_SLOTS) {
            pulseHotbar(in.events, out.scancode - SDL_SCANCODE_1);
        }
        break;
    case SDL_EVENT_MOUSE_MOTION:
        keyboardOrMouseUsed(in);
        break;
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
        keyboardOrMouseUsed(in);
        // The loop reads the pointer as it is now for every event; where that is on
        // the bars, the click is on no part of the game.
        if (onPicture(pointerInPicture(gfx))) {
            out.kind = InputEvent::Kind::MouseDown;
            out.button = e.button.button;
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
    const auto* keys = SDL_GetKeyboardState(nullptr);
    KeyState held{};
    for (size_t i = 0; i < held.size(); ++i) {
        held[i] = keys[i] != 0;
    }
    return held;
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
