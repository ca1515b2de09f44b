// The device layer's common part: the queue, the held keys and the device pointer.
#include "shell/input.h"

#include <cmath>

#include "rules/state.h"
#include "shell/draw.h"

void queueClick(DeviceInput& in, int button, PointerPos at)
{
    DeviceEvent d;
    d.event.kind = InputEvent::Kind::MouseDown;
    d.event.button = button;
    d.at = at;
    in.queued.push_back(d);
}

void queueKey(DeviceInput& in, int scancode)
{
    DeviceEvent d;
    d.event.kind = InputEvent::Kind::KeyDown;
    d.event.scancode = scancode;
    in.queued.push_back(d);
}

void holdWalkToward(KeyState& held, float x, float y)
{
    // sin(22.5°) of the push: further than this off an axis, it walks along that axis too.
    const float edge = 0.38268343f * std::hypot(x, y);
    held[SDL_SCANCODE_A] = held[SDL_SCANCODE_A] || x < -edge;
    held[SDL_SCANCODE_D] = held[SDL_SCANCODE_D] || x > edge;
    held[SDL_SCANCODE_W] = held[SDL_SCANCODE_W] || y < -edge;
    held[SDL_SCANCODE_S] = held[SDL_SCANCODE_S] || y > edge;
}

void pulseHotbar(DeviceInput& in, int slot)
{
    if (slot >= 0 && slot < HOTBAR_SLOTS) {
        in.pulsed[static_cast<size_t>(SDL_SCANCODE_1 + slot)] = true;
    }
}

bool nextDeviceEvent(DeviceInput& in, InputEvent& out)
{
    if (in.queued.empty()) {
        return false;
    }
    const DeviceEvent d = in.queued.front();
    in.queued.pop_front();
    if (d.at) {
        in.pointer = d.at;
    }
    out = d.event;
    return true;
}

KeyState heldKeys(DeviceInput& in, const KeyState& keyboard)
{
    KeyState all = keyboard;
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = all[i] || in.held[i] || in.padHeld[i] || in.pulsed[i];
    }
    in.pulsed = {};
    return all;
}

bool takeDeviceEvent(Gfx& gfx, DeviceInput& in, const SDL_Event& e)
{
    return takeTouchEvent(gfx, in, e) || takePadEvent(gfx, in, e);
}

void updateDevices(Gfx& gfx, DeviceInput& in, uint64_t nowMs)
{
    updateTouch(gfx, in, nowMs);
    updatePads(gfx, in, nowMs);
}

void keyboardOrMouseUsed(DeviceInput& in)
{
    in.pointer.reset();
    hideTouch(in);
    hidePadPointer(in);
}

void drawDeviceOverlay(Gfx& gfx, DeviceInput& in)
{
    // The pad's pointer marks a point of the picture: drawn through its letterbox, scaled
    // with it. The touch controls sit in the bars too: drawn in the window's own pixels.
    drawPadPointer(gfx, in);
    auto& p = in.presentation;
    SDL_GetRenderLogicalPresentation(gfx.renderer, &p.w, &p.h, &p.mode);
    sdlx::setLogicalPresentation(gfx.renderer, 0, 0, SDL_LOGICAL_PRESENTATION_DISABLED);
    drawTouchControls(gfx, in);
}

void endDeviceOverlay(Gfx& gfx, DeviceInput& in)
{
    const auto& p = in.presentation;
    sdlx::setLogicalPresentation(gfx.renderer, p.w, p.h, p.mode);
}
