// Fingers and pads, turned into what the frame already reads: a held key, a key press,
// a click with a button at a point of the picture. The rules never learn which device
// spoke, and a replay of what the platform handed the frame holds them all.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "rules/screens.h"
#include "app/frame.h"
#include "platform/sdl.h"
#include "input/touch.h"

struct Gfx;

// A click or key press made by a finger or a pad; a click carries the point of the
// picture it acts at.
struct DeviceEvent {
    InputEvent event;
    std::optional<PointerPos> at;
};

// What fingers and pads hold and have done, kept by the window's platform.
struct DeviceInput {
    std::deque<DeviceEvent> queued;  // handed to the frame before SDL's own events
    KeyState held{};                 // held by the touch stick
    KeyState padHeld{};              // held by the pads, worked out afresh every frame
    KeyState pulsed{};               // held for one read of the keyboard (a hotbar choice)
    // The pointer a device placed (where its last click acted, or the pad's pointer):
    // the frame reads it instead of the mouse's until the real mouse moves or clicks.
    std::optional<PointerPos> pointer;
    // How far above that pointer the carried stack is drawn, clear of the finger or the
    // pad's cross and of the slot they are on; 0 for the mouse.
    float carriedLiftPx = 0.0f;
    const Loop* loop = nullptr;  // the running loop, read for the selected hotbar slot
    TouchState touch;            // the fingers on the window (touch.cpp)
    // The renderer's logical presentation while the overlay is drawn and presented.
    struct {
        int w = 0;
        int h = 0;
        SDL_RendererLogicalPresentation mode = SDL_LOGICAL_PRESENTATION_DISABLED;
    } presentation;
};

// Queues a click with `button` at `at`, a point of the picture.
void queueClick(DeviceInput& in, int button, PointerPos at);

// Queues a press of the key `scancode`.
void queueKey(DeviceInput& in, int scancode);

// Adds to `held` the walking keys for a push (x, y) away from the middle, y growing
// downwards: eight directions, each over an eighth of the circle. (0, 0) adds none.
void holdWalkToward(KeyState& held, float x, float y);

// Selects hotbar slot `slot` (0 to 4) at the next read of the keyboard.
void pulseHotbar(DeviceInput& in, int slot);

// Every slot of the open screen as drawn, or the hotbar's alone when no screen is open.
std::vector<SlotRect> slotsInSight();

// The slot whose share of its grid holds `p` (the slot and half the gap round it), the
// nearest; none when `p` is further from every slot.
std::optional<SlotRect> slotShareAt(PointerPos p);

// A frame round the slot whose share holds `p`, drawn in the picture's pixels.
void drawSlotHighlight(Gfx& gfx, PointerPos p);

// Hands out the next queued device event; false when none is waiting. A click moves the
// device pointer to where it acts, so the frame reads that point for it: on a screen,
// the middle of the slot whose share it landed in.
bool nextDeviceEvent(DeviceInput& in, InputEvent& out);

// The keys held by the keyboard, fingers and pads together; a pulse counts once.
KeyState heldKeys(DeviceInput& in, const KeyState& keyboard);

// Takes an SDL event that belongs to a finger or a pad (and SDL's mouse events made up
// from fingers, which would act a second time); true when it was taken.
bool takeDeviceEvent(Gfx& gfx, DeviceInput& in, const SDL_Event& e);

// Lets held and timed device input move on to `nowMs`, once a frame before its events.
void updateDevices(Gfx& gfx, DeviceInput& in, uint64_t nowMs);

// A key pressed or the real mouse moved or clicked: the devices' drawn controls and
// pointer go.
void keyboardOrMouseUsed(DeviceInput& in);

// Draws what the devices show over the shown picture before it is presented: the pad's
// pointer in the picture's pixels, then the touch controls (in the bars or over the
// picture) in the window's. The picture's letterbox stays off until endDeviceOverlay:
// SDL3 paints the bars black when it presents a letterbox.
void drawDeviceOverlay(Gfx& gfx, DeviceInput& in);

// After presenting: puts the picture's letterbox back.
void endDeviceOverlay(Gfx& gfx, DeviceInput& in);

// Each device's part of the above, one file each.
bool takeTouchEvent(Gfx& gfx, DeviceInput& in, const SDL_Event& e);
void updateTouch(Gfx& gfx, DeviceInput& in, uint64_t nowMs);
// Once the frame's events are all read, a press held long enough clicks: a finger that
// was lifted while the game was held up (a long frame) is then a tap, not a hold. True
// when a click was queued.
bool fireHolds(DeviceInput& in);
void hideTouch(DeviceInput& in);
// On a screen, the slot under each finger on the picture, highlighted.
void drawFingerSlots(Gfx& gfx, const DeviceInput& in);
void drawTouchControls(Gfx& gfx, const DeviceInput& in);
bool takePadEvent(Gfx& gfx, DeviceInput& in, const SDL_Event& e);
void updatePads(Gfx& gfx, DeviceInput& in, uint64_t nowMs);
void hidePadPointer(DeviceInput& in);
void drawPadPointer(Gfx& gfx, const DeviceInput& in);
