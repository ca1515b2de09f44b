// What only the tests do with SDL, on SDL2 and SDL3 alike: push made-up key, mouse and
// finger events, plug in virtual pads, and read the renderer's picture back. The one
// test header that knows which SDL the build uses; the game's own calls are mapped in
// platform/sdl.h.
#pragma once

#include <cstdint>

#include "pixelart/png.h"
#include "shell/platform/sdl.h"

#if defined(BRAMBIX_SDL2)
namespace brambix_sdl2 {
inline bool pushEvent(SDL_Event* e) { return SDL_PushEvent(e) > 0; }
inline void warpMouseInWindow(SDL_Window* window, float x, float y)
{
    SDL_WarpMouseInWindow(window, static_cast<int>(x), static_cast<int>(y));
}
}  // namespace brambix_sdl2

#define SDL_PushEvent(e) brambix_sdl2::pushEvent(e)
#define SDL_WarpMouseInWindow(window, x, y) brambix_sdl2::warpMouseInWindow((window), (x), (y))
#define SDL_KMOD_LALT KMOD_LALT
#define SDL_KMOD_RALT KMOD_RALT
#endif

namespace sdlx {

// An event that presses `scancode` with the SDL_KMOD_* `modifiers` held, as a test would
// push it; `repeat` as when the key is held.
inline SDL_Event keyDownEvent(SDL_Scancode code, unsigned modifiers = 0, bool repeat = false)
{
    SDL_Event e{};
    e.type = SDL_EVENT_KEY_DOWN;
    e.key.repeat = repeat ? 1 : 0;
#if defined(BRAMBIX_SDL2)
    e.key.state = SDL_PRESSED;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = static_cast<Uint16>(modifiers);
#else
    e.key.down = true;
    e.key.scancode = code;
    e.key.mod = static_cast<SDL_Keymod>(modifiers);
#endif
    return e;
}

inline SDL_Event mouseDownEvent(Uint8 button)
{
    SDL_Event e{};
    e.type = SDL_EVENT_MOUSE_BUTTON_DOWN;
    e.button.button = button;
#if defined(BRAMBIX_SDL2)
    e.button.state = SDL_PRESSED;
#else
    e.button.down = true;
#endif
    return e;
}

// A finger event as a test would make it: `x`, `y` across the window from 0 to 1, at
// `ms` on SDL_GetTicks's clock (SDL2 gives a pushed event its own time instead).
inline SDL_Event fingerEvent(Finger::Phase phase, uint64_t id, float x, float y, uint64_t ms = 0)
{
    SDL_Event e{};
#if defined(BRAMBIX_SDL2)
    e.tfinger.timestamp = static_cast<Uint32>(ms);
#else
    e.tfinger.timestamp = ms * 1000000;
#endif
    e.type = phase == Finger::Phase::Down     ? SDL_EVENT_FINGER_DOWN
             : phase == Finger::Phase::Motion ? SDL_EVENT_FINGER_MOTION
                                              : SDL_EVENT_FINGER_UP;
    e.tfinger.x = x;
    e.tfinger.y = y;
#if defined(BRAMBIX_SDL2)
    e.tfinger.touchId = 1;
    e.tfinger.fingerId = static_cast<SDL_FingerID>(id);
#else
    e.tfinger.touchID = 1;
    e.tfinger.fingerID = static_cast<SDL_FingerID>(id);
#endif
    return e;
}

// The renderer's current picture (call before presenting); empty on failure.
inline Image readPixels(SDL_Renderer* r)
{
#if defined(BRAMBIX_SDL2)
    int w = 0;
    int h = 0;
    if (SDL_GetRendererOutputSize(r, &w, &h) != 0) {
        return {};
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    if (s == nullptr) {
        return {};
    }
    Image img;
    if (SDL_RenderReadPixels(r, nullptr, SDL_PIXELFORMAT_ARGB8888, s->pixels, s->pitch) == 0) {
        img = toImage(s);
    }
    SDL_FreeSurface(s);
    return img;
#else
    SDL_Surface* s = SDL_RenderReadPixels(r, nullptr);
    Image img = toImage(s);
    SDL_DestroySurface(s);
    return img;
#endif
}

// A pad made by SDL itself: `vendor` and `product` make SDL take it for that maker's
// pad. `id` is what SDL_GetGamepadID answers for it once opened.
struct VirtualPad {
    SDL_Joystick* joystick = nullptr;
    SDL_JoystickID id = 0;
};

inline VirtualPad attachVirtualPad(Uint16 vendor, Uint16 product)
{
    SDL_VirtualJoystickDesc desc;
#if defined(BRAMBIX_SDL2)
    SDL_zero(desc);
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
#else
    SDL_INIT_INTERFACE(&desc);
    desc.type = SDL_JOYSTICK_TYPE_GAMEPAD;
#endif
    desc.naxes = SDL_GAMEPAD_AXIS_COUNT;
    desc.nbuttons = SDL_GAMEPAD_BUTTON_COUNT;
    desc.vendor_id = vendor;
    desc.product_id = product;
    VirtualPad pad;
#if defined(BRAMBIX_SDL2)
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    pad.joystick = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
    pad.id = pad.joystick != nullptr ? SDL_JoystickInstanceID(pad.joystick) : 0;
#else
    pad.id = SDL_AttachVirtualJoystick(&desc);
    pad.joystick = pad.id != 0 ? SDL_OpenJoystick(pad.id) : nullptr;
#endif
    return pad;
}

inline void setVirtualButton(const VirtualPad& pad, SDL_GamepadButton b, bool down)
{
#if defined(BRAMBIX_SDL2)
    SDL_JoystickSetVirtualButton(pad.joystick, b, down ? 1 : 0);
#else
    SDL_SetJoystickVirtualButton(pad.joystick, b, down);
#endif
}

inline void setVirtualAxis(const VirtualPad& pad, SDL_GamepadAxis axis, Sint16 value)
{
#if defined(BRAMBIX_SDL2)
    SDL_JoystickSetVirtualAxis(pad.joystick, axis, value);
#else
    SDL_SetJoystickVirtualAxis(pad.joystick, axis, value);
#endif
}

// Unplugs the pad: SDL reports its removal at the next poll.
inline void detachVirtualPad(VirtualPad& pad)
{
#if defined(BRAMBIX_SDL2)
    SDL_JoystickClose(pad.joystick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
        if (SDL_JoystickGetDeviceInstanceID(i) == pad.id) {
            SDL_JoystickDetachVirtual(i);
        }
    }
#else
    SDL_CloseJoystick(pad.joystick);
    SDL_DetachVirtualJoystick(pad.id);
#endif
    pad = {};
}

}  // namespace sdlx
