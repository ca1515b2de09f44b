// The device layer's common part: the table of devices, walked for every event, every
// frame and every picture; the queue, the held keys and the device pointer.
#include "shell/input/input.h"

#include <cstdlib>

#include "shell/input/gamepad.h"
#include "shell/input/keyboard.h"
#include "shell/input/mouse.h"
#include "shell/input/touch.h"
#include "rules/state.h"

namespace {
using DeviceMaker = std::unique_ptr<Device> (*)();

template <class D>
std::unique_ptr<Device> make()
{
    return std::make_unique<D>();
}

// The devices, one row each, asked in this order: the fingers before the mouse, whose
// events SDL makes up from them; a pad's pointer is drawn under the fingers' slots.
constexpr DeviceMaker DEVICE_TABLE[] = {
    make<Pads>,
    make<Touch>,
    make<Keyboard>,
    make<Mouse>,
};
}  // namespace

DeviceInput::DeviceInput()
{
    for (DeviceMaker make : DEVICE_TABLE) {
        devices.push_back(make());
    }
}

bool nextDeviceEvent(DeviceInput& in, InputEvent& out)
{
    DeviceEvents& ev = in.events;
    if (ev.queued.empty()) {
        return false;
    }
    const DeviceEvent d = ev.queued.front();
    ev.queued.pop_front();
    if (d.at) {
        // Taken as the event is handled: a screen opened earlier in the same frame counts.
        const std::optional<SlotRect> s = screenOpen() ? slotShareAt(*d.at) : std::nullopt;
        ev.pointer = s ? PointerPos{s->x + s->w / 2.0f, s->y + s->h / 2.0f} : *d.at;
    }
    out = d.event;
    return true;
}

bool fireDueDevices(DeviceInput& in)
{
    bool fired = false;
    for (auto& d : in.devices) {
        fired = d->fireDue(in.events) || fired;
    }
    return fired;
}

KeyState heldKeys(DeviceInput& in)
{
    KeyState all{};
    for (const auto& d : in.devices) {
        d->addHeld(all);
    }
    holdAlso(all, in.events.pulsed);
    in.events.pulsed = {};
    return all;
}

PointerPos devicePointer(const Gfx& gfx, const DeviceInput& in)
{
    if (in.events.pointer) {
        return *in.events.pointer;
    }
    for (const auto& d : in.devices) {
        if (const std::optional<PointerPos> p = d->pointer(gfx)) {
            return *p;
        }
    }
    return {};
}

bool takeDeviceEvent(const Gfx& gfx, DeviceInput& in, const SDL_Event& e, uint64_t atMs)
{
    for (auto& d : in.devices) {
        if (d->takeEvent(gfx, e, atMs, in.events)) {
            if (in.events.hidesOthers) {
                in.events.hidesOthers = false;
                keyboardOrMouseUsed(in);
            }
            return true;
        }
    }
    return false;
}

void updateDevices(DeviceInput& in, uint64_t nowMs, const DeviceView& view)
{
    for (auto& d : in.devices) {
        d->update(nowMs, view, in.events);
    }
}

void keyboardOrMouseUsed(DeviceInput& in)
{
    in.events.pointer.reset();
    in.events.carriedLiftPx = 0.0f;
    for (auto& d : in.devices) {
        d->hide();
    }
}

void drawDeviceMarks(Gfx& gfx, DeviceInput& in)
{
    for (const auto& d : in.devices) {
        d->drawInPicture(gfx);
    }
}

void drawDeviceOverlay(Gfx& gfx, DeviceInput& in)
{
    auto& p = in.presentation;
    SDL_GetRenderLogicalPresentation(gfx.renderer, &p.w, &p.h, &p.mode);
    sdlx::setLogicalPresentation(gfx.renderer, 0, 0, SDL_LOGICAL_PRESENTATION_DISABLED);
    for (const auto& d : in.devices) {
        d->drawInWindow(gfx);
    }
}

void endDeviceOverlay(Gfx& gfx, DeviceInput& in)
{
    const auto& p = in.presentation;
    sdlx::setLogicalPresentation(gfx.renderer, p.w, p.h, p.mode);
}
