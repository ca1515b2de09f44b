// What every input device shares: the record the device table holds for each, what a
// device hands the frame (clicks and key presses, a pointer of its own) and what it sees
// of the frame, and the helpers that turn a finger or a pad into clicks, keys and walks.
// A device includes this file alone of the input layer, and never calls back up.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "shell/draw/draw.h"
#include "shell/platform/platform.h"
#include "shell/platform/sdl.h"
#include "rules/screens.h"

// A click or key press made by a finger or a pad; a click carries the point of the
// picture it acts at.
struct DeviceEvent {
    InputEvent event;
    std::optional<PointerPos> at;
};

// What the devices hand the frame, all of them together.
struct DeviceEvents {
    std::deque<DeviceEvent> queued;  // handed to the frame before SDL's own events
    KeyState pulsed{};               // held for one read of the keyboard (a hotbar choice)
    // The pointer a device placed (where its last click acted, or the pad's pointer):
    // the frame reads it instead of the mouse's until the real mouse moves or clicks.
    std::optional<PointerPos> pointer;
    // How far above that pointer the carried stack is drawn; 0 for the mouse.
    float carriedLiftPx = 0.0f;
    // Set by a device whose use hides the others' drawn controls and the pointer they
    // placed (a key, the real mouse); the table clears it.
    bool hidesOthers = false;
    bool fingersUsed = false;  // a finger has touched the window: upright, it shows the picture low
};

// What a device sees of the frame, handed to it once a frame before the events.
struct DeviceView {
    float cameraX = 0.0f;  // world pixel at the picture's top-left corner
    float cameraY = 0.0f;
    int selectedHotbar = 0;
};

// One input device: a row of the device table. Each keeps its own state.
class Device {
public:
    Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    virtual ~Device() = default;
    // Takes an SDL event that belongs to the device, which happened at `atMs` on the
    // frame's clock; true when it was taken.
    virtual bool takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t atMs, DeviceEvents& out) = 0;
    // Once a frame before its events: held and timed input moves on to `nowMs`.
    virtual void update(uint64_t nowMs, const DeviceView& view, DeviceEvents& out) = 0;
    // Once the frame's events are all read: what has come due clicks. True when a click
    // was queued.
    virtual bool fireDue(DeviceEvents&) { return false; }
    // Adds the keys the device holds down.
    virtual void addHeld(KeyState& held) const = 0;
    // Draws over the shown picture, in its pixels through its letterbox.
    virtual void drawInPicture(Gfx&) const {}
    // Draws over the shown picture in the window's own pixels, bars included.
    virtual void drawInWindow(Gfx&) const {}
    // A key pressed or the real mouse moved or clicked: the device's drawn controls and
    // pointer go.
    virtual void hide() = 0;
    // Where the device points in the picture when none has placed a pointer of its own
    // (the mouse); none for a device that points only where it clicks.
    virtual std::optional<PointerPos> pointer(const Gfx&) const { return std::nullopt; }
};

// Queues a click with `button` at `at`, a point of the picture.
void queueClick(DeviceEvents& out, int button, PointerPos at);

// Queues a press of the key `scancode`.
void queueKey(DeviceEvents& out, int scancode);

// Queues a press of the key `scancode` as the keyboard gives it: a hotbar key is also
// held for the next read, so that a press that comes and goes between two frames counts.
void queueKeyPress(DeviceEvents& out, int scancode);

// Adds to `held` the walking keys for a push (x, y) away from the middle, y growing
// downwards: eight directions, each over an eighth of the circle. (0, 0) adds none.
void holdWalkToward(KeyState& held, float x, float y);

// Adds the keys held in `more` to `held`.
void holdAlso(KeyState& held, const KeyState& more);

// Selects hotbar slot `slot` (0 to 4) at the next read of the keyboard.
void pulseHotbar(DeviceEvents& out, int slot);

// Every slot of the open screen as drawn, or the hotbar's alone when no screen is open.
std::vector<SlotRect> slotsInSight();

// The slot whose share of its grid holds `p` (the slot and half the gap round it), the
// nearest; none when `p` is further from every slot.
std::optional<SlotRect> slotShareAt(PointerPos p);

// A frame round the slot whose share holds `p`, drawn in the picture's pixels.
void drawSlotHighlight(Gfx& gfx, PointerPos p);
