// SDL behind the frame loop's platform seam.
#include "shell/input/sdl_platform.h"

#include "shell/input/input.h"
#include "shell/input/window_keys.h"
#include "shell/platform/sdl.h"
#include "rules/world.h"

namespace {
// Every event but the window's own goes to the device table; what a device queued for
// it comes out first, and in order.
bool pollSdlEvent(Gfx& gfx, DeviceInput& in, InputEvent& out)
{
    // Once fingers have touched the window, upright, it shows the picture low for them.
    gfx.fingersUsed = gfx.fingersUsed || in.events.fingersUsed;
    if (nextDeviceEvent(in, out)) {
        return true;
    }
    SDL_Event e;
    if (!SDL_PollEvent(&e)) {
        return fireDueDevices(in) && nextDeviceEvent(in, out);
    }
    out = {};
    if (e.type == SDL_EVENT_QUIT) {
        out.kind = InputEvent::Kind::Quit;
    } else if (takeWindowKey(gfx, e)) {
    } else if (takeDeviceEvent(gfx, in, e)) {
        nextDeviceEvent(in, out);
    } else {
        gfx.resized = gfx.resized || sdlx::isWindowResize(e);
    }
    return true;
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
            const PointerPos p = devicePointer(gfx, in);
            gfx.carriedLiftPx = in.events.carriedLiftPx;
            return PointerPos{intoReach(p.x), intoReach(p.y)};
        },
        [&in] { return heldKeys(in); },
        [](uint32_t ms) { SDL_Delay(ms); },
        // Timed device input (the pad's stick, a finger's hold) catches up before the
        // frame's events are read, with the camera the frame placed and SDL's own clock.
        [&in](uint64_t now, const Loop& loop) {
            updateDevices(in, now, {loop.cameraX, loop.cameraY, loop.selectedHotbar, SDL_GetTicks()});
        },
    };
}
