// SDL behind the frame loop's platform seam.
#include "shell/input/sdl_platform.h"

#include <memory>
#include <optional>

#include "shell/input/input.h"
#include "shell/input/window_keys.h"
#include "shell/platform/sdl.h"
#include "rules/world.h"

namespace {
// SDL times its events on its own clock, which the frame's need not be: on a page the
// frame's clock skips time spent away and goes on from a run brought back. An event's
// time is moved onto the frame's clock by how far that stood from SDL's when the frame
// read it, the same for every device: a finger's down-to-up time is its own.
struct EventClock {
    std::optional<uint64_t> sdlAtTick;  // SDL's clock when the frame read its tick through this platform
    int64_t toFrame = 0;

    uint64_t frameMs(const SDL_Event& e) const
    {
        const int64_t at = static_cast<int64_t>(sdlx::eventMs(e)) + toFrame;
        return at > 0 ? static_cast<uint64_t>(at) : 0;
    }
};

// Every event but the window's own goes to the device table; what a device queued for
// it comes out first, and in order.
bool pollSdlEvent(Gfx& gfx, DeviceInput& in, const EventClock& clock, InputEvent& out)
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
    } else if (takeDeviceEvent(gfx, in, e, clock.frameMs(e))) {
        nextDeviceEvent(in, out);
    } else {
        gfx.resized = gfx.resized || sdlx::isWindowResize(e);
    }
    return true;
}
}  // namespace

Platform sdlPlatform(Gfx& gfx, DeviceInput& in)
{
    auto clock = std::make_shared<EventClock>();
    return {
        [clock] {
            clock->sdlAtTick = SDL_GetTicks();
            return *clock->sdlAtTick;
        },
        [&gfx, &in, clock](InputEvent& e) { return pollSdlEvent(gfx, in, *clock, e); },
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
        // frame's events are read, with the camera the frame placed; the frame's tick sets
        // the events' clock (read anew where the frame's clock is not this platform's).
        [&in, clock](uint64_t now, const Loop& loop) {
            const uint64_t sdlNow = clock->sdlAtTick.value_or(SDL_GetTicks());
            clock->sdlAtTick.reset();
            clock->toFrame = static_cast<int64_t>(now) - static_cast<int64_t>(sdlNow);
            updateDevices(in, now, {loop.cameraX, loop.cameraY, loop.selectedHotbar});
        },
    };
}
