// The helpers every input device shares: queueing clicks and keys, walking toward a
// push, and the slots a finger or a pad acts on.
#include "shell/input/device.h"

#include <algorithm>
#include <cmath>

#include "controls/controls.h"
#include "rules/state.h"

namespace {
// A slot's share of its grid reaches this far past its edge: half the widest gap
// between neighbouring slots (the hotbar's).
constexpr float SLOT_SHARE_PX = 5.0f;
constexpr float HIGHLIGHT_PX = 3.0f;
constexpr Colour HIGHLIGHT = {255, 255, 255, 230};
static_assert(SLOT_ACTIONS == HOTBAR_SLOTS, "a control selects each hotbar slot");
}  // namespace

void queueClick(DeviceEvents& out, int button, PointerPos at)
{
    DeviceEvent d;
    d.event.kind = InputEvent::Kind::MouseDown;
    d.event.button = button;
    d.at = at;
    out.queued.push_back(d);
}

void queueKey(DeviceEvents& out, int scancode)
{
    DeviceEvent d;
    d.event.kind = InputEvent::Kind::KeyDown;
    d.event.scancode = scancode;
    out.queued.push_back(d);
}

void queueKeyPress(DeviceEvents& out, int scancode)
{
    queueKey(out, scancode);
    for (int slot = 0; slot < HOTBAR_SLOTS; ++slot) {
        if (scancode == gameKeyOf(slotAction(slot))) {
            pulseHotbar(out, slot);
        }
    }
}

void holdWalkToward(KeyState& held, float x, float y)
{
    // sin(22.5°) of the push: further than this off an axis, it walks along that axis too.
    const float edge = 0.38268343f * std::hypot(x, y);
    const auto hold = [&held](Action walk, bool pushed) {
        bool& key = held[static_cast<size_t>(gameKeyOf(walk))];
        key = key || pushed;
    };
    hold(Action::WalkLeft, x < -edge);
    hold(Action::WalkRight, x > edge);
    hold(Action::WalkUp, y < -edge);
    hold(Action::WalkDown, y > edge);
}

void holdAlso(KeyState& held, const KeyState& more)
{
    for (size_t i = 0; i < held.size(); ++i) {
        held[i] = held[i] || more[i];
    }
}

void pulseHotbar(DeviceEvents& out, int slot)
{
    if (slot >= 0 && slot < HOTBAR_SLOTS) {
        out.pulsed[static_cast<size_t>(gameKeyOf(slotAction(slot)))] = true;
    }
}

std::vector<SlotRect> slotsInSight()
{
    std::vector<SlotRect> slots;
    for (int i = 0; i < HOTBAR_SLOTS; ++i) {
        slots.push_back(hotbarSlotRect(i));
    }
    if (!screenOpen()) {
        return slots;
    }
    const bool is3x3 = !showInv;
    for (int i = 0; i < INV_SLOTS; ++i) {
        slots.push_back(inventorySlotRect(i));
    }
    for (int k = 0; k < gridCellCount(is3x3); ++k) {
        slots.push_back(gridCellRect(k, is3x3));
    }
    slots.push_back(resultSlotRect(is3x3));
    return slots;
}

std::optional<SlotRect> slotShareAt(PointerPos p)
{
    std::optional<SlotRect> found;
    float nearest = SLOT_PX / 2.0f + SLOT_SHARE_PX;
    for (const SlotRect& s : slotsInSight()) {
        // Measured square, as the slots stand in rows and columns.
        const float off = std::max(std::abs(p.x - (s.x + s.w / 2.0f)), std::abs(p.y - (s.y + s.h / 2.0f)));
        if (off <= nearest) {
            nearest = off;
            found = s;
        }
    }
    return found;
}

void drawSlotHighlight(Gfx& gfx, PointerPos p)
{
    const std::optional<SlotRect> s = slotShareAt(p);
    if (!s) {
        return;
    }
    const float t = HIGHLIGHT_PX;
    const SDL_FRect sides[] = {
        {s->x - t, s->y - t, s->w + 2.0f * t, t},
        {s->x - t, s->y + s->h, s->w + 2.0f * t, t},
        {s->x - t, s->y, t, s->h},
        {s->x + s->w, s->y, t, s->h},
    };
    for (const SDL_FRect& r : sides) {
        fillRect(gfx.renderer, HIGHLIGHT, r);
    }
}

