// The keyboard, the mouse, fingers and pads, turned into what the frame reads: a held
// key, a key press, a click with a button at a point of the picture. The rules never
// learn which device spoke, and a replay of what the platform handed the frame holds
// them all.
//
// The devices stand in one table (input.cpp): each is a row with its own file, header
// and state (device.h says what a row does). This common part walks the table; a new
// device is a new file, a new row and a line in the build's list.
#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

#include "shell/input/device.h"

// What the devices hold and have done: the table's devices and what they hand the
// frame. Kept beside the window by whoever runs the game.
struct DeviceInput {
    DeviceEvents events;
    std::vector<std::unique_ptr<Device>> devices;  // one of each kind in the table
    struct {
        int w = 0;
        int h = 0;
        SDL_RendererLogicalPresentation mode = SDL_LOGICAL_PRESENTATION_DISABLED;
    } presentation;  // the renderer's logical presentation while the overlay is drawn and presented
    DeviceInput();
};

// The device of kind `D` in the table.
template <class D>
D& deviceOf(DeviceInput& in)
{
    for (auto& d : in.devices) {
        if (auto* found = dynamic_cast<D*>(d.get())) {
            return *found;
        }
    }
    std::abort();  // every kind stands in the table
}

// Hands out the next queued device event; false when none is waiting. A click moves the
// device pointer to where it acts, so the frame reads that point for it: on a screen,
// the middle of the slot whose share it landed in.
bool nextDeviceEvent(DeviceInput& in, InputEvent& out);

// Once the frame's events are all read, what has come due clicks (a finger still down
// long enough; one lifted meanwhile was told tap or hold by its own times). True when a
// click was queued.
bool fireDueDevices(DeviceInput& in);

// The keys held by all the devices together; a pulse counts once.
KeyState heldKeys(DeviceInput& in);

// The pointer the frame reads, in the picture's pixels: the one a device placed, else
// the mouse's.
PointerPos devicePointer(const Gfx& gfx, const DeviceInput& in);

// Takes an SDL event that belongs to a device (SDL's mouse events made up from fingers,
// which would act a second time, are taken and dropped), which happened at `atMs` on the
// frame's clock; true when it was taken.
bool takeDeviceEvent(const Gfx& gfx, DeviceInput& in, const SDL_Event& e, uint64_t atMs);

// Lets held and timed device input move on to `nowMs`, once a frame before its events,
// seeing the frame as `view` tells.
void updateDevices(DeviceInput& in, uint64_t nowMs, const DeviceView& view);

// A key pressed or the real mouse moved or clicked: the devices' drawn controls and
// pointer go.
void keyboardOrMouseUsed(DeviceInput& in);

// Draws into the frame's picture what the devices mark on it, scaled with it: the pad's
// pointer, and on a screen the slot under each finger.
void drawDeviceMarks(Gfx& gfx, DeviceInput& in);

// Draws what the devices show over the shown picture before it is presented, in the
// window's own pixels (the touch controls, in the bars or over the picture). Where SDL
// scales the drawing into a letterbox, that stays off until endDeviceOverlay: SDL3
// paints the bars black when it presents a letterbox.
void drawDeviceOverlay(Gfx& gfx, DeviceInput& in);

// After presenting: puts the picture's letterbox back.
void endDeviceOverlay(Gfx& gfx, DeviceInput& in);
