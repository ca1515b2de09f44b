// Pads: walking by stick and d-pad, a pointer on the right stick, buttons as clicks.
#include <algorithm>
#include <cmath>
#include <vector>

#include "rules/inventory.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"
#include "shell/draw.h"
#include "shell/input.h"

namespace {
// What a pad's controls stand for. The confirm button and the one beside it are found
// on each pad by its labels (see buttonOf); the rest sit in the same place on every pad.
enum class PadInput {
    LeftStick,
    RightStick,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
    Confirm,
    Beside,
    North,
    LeftShoulder,
    RightShoulder,
};
enum class PadAction {
    Walk,         // held: walks the way of (dx, dy)
    WalkOrSlot,   // held on the world: walks; pressed on a screen: the pointer to the next slot
                  // that way
    MovePointer,  // tilted: the pointer moves over the picture
    LeftClick,    // pressed: a click at the pointer
    RightClick,
    InventoryKey, // pressed: E
    Hotbar,       // pressed: the hotbar slot dx places on, round the ends
};

struct PadRow {
    PadInput input;
    PadAction action;
    int dx = 0;
    int dy = 0;
};

// The whole mapping, in one place.
constexpr PadRow PAD_MAP[] = {
    {PadInput::LeftStick, PadAction::Walk},
    {PadInput::DpadUp, PadAction::WalkOrSlot, 0, -1},
    {PadInput::DpadDown, PadAction::WalkOrSlot, 0, 1},
    {PadInput::DpadLeft, PadAction::WalkOrSlot, -1, 0},
    {PadInput::DpadRight, PadAction::WalkOrSlot, 1, 0},
    {PadInput::RightStick, PadAction::MovePointer},
    {PadInput::Confirm, PadAction::LeftClick},
    {PadInput::Beside, PadAction::RightClick},
    {PadInput::North, PadAction::InventoryKey},
    {PadInput::LeftShoulder, PadAction::Hotbar, -1},
    {PadInput::RightShoulder, PadAction::Hotbar, 1},
};

// A stick tilted less than this (of full tilt) counts as let go: sticks rest a little
// off their middle.
constexpr float DEAD_ZONE = 0.25f;
// At full tilt the pointer crosses the picture's width in a second.
constexpr float POINTER_PX_PER_MS = SCREEN_WIDTH / 1000.0f;
// A longer gap between frames (a stalled window) moves the pointer no further.
constexpr uint64_t LONGEST_STEP_MS = 100;

struct OpenPad {
    SDL_Gamepad* pad = nullptr;
    SDL_JoystickID id = 0;
    bool confirmEast = false;  // a Nintendo pad: A is East and B, beside it, South
};

// The pads are SDL's, one set for the program; so is what they point at.
std::vector<OpenPad> pads;
struct {
    bool shown = false;
    float x = 0.0f;
    float y = 0.0f;
    uint64_t lastMs = 0;
    bool clockRead = false;
} pointer;

SDL_GamepadButton buttonOf(PadInput input, bool confirmEast)
{
    switch (input) {
    case PadInput::DpadUp:
        return SDL_GAMEPAD_BUTTON_DPAD_UP;
    case PadInput::DpadDown:
        return SDL_GAMEPAD_BUTTON_DPAD_DOWN;
    case PadInput::DpadLeft:
        return SDL_GAMEPAD_BUTTON_DPAD_LEFT;
    case PadInput::DpadRight:
        return SDL_GAMEPAD_BUTTON_DPAD_RIGHT;
    case PadInput::Confirm:
        return confirmEast ? SDL_GAMEPAD_BUTTON_EAST : SDL_GAMEPAD_BUTTON_SOUTH;
    // The next button round clockwise from confirm, on either layout.
    case PadInput::Beside:
        return confirmEast ? SDL_GAMEPAD_BUTTON_SOUTH : SDL_GAMEPAD_BUTTON_WEST;
    case PadInput::North:
        return SDL_GAMEPAD_BUTTON_NORTH;
    case PadInput::LeftShoulder:
        return SDL_GAMEPAD_BUTTON_LEFT_SHOULDER;
    case PadInput::RightShoulder:
        return SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER;
    default:
        return SDL_GAMEPAD_BUTTON_COUNT;  // a stick: no button
    }
}

struct Tilt {
    float x = 0.0f;
    float y = 0.0f;
    float amount = 0.0f;  // 0 inside the dead zone, 1 at full tilt
};

Tilt stickOf(SDL_Gamepad* pad, PadInput input)
{
    const bool left = input == PadInput::LeftStick;
    auto axis = [pad](SDL_GamepadAxis a) {
        return std::clamp(static_cast<float>(SDL_GetGamepadAxis(pad, a)) / 32767.0f, -1.0f, 1.0f);
    };
    Tilt t{axis(left ? SDL_GAMEPAD_AXIS_LEFTX : SDL_GAMEPAD_AXIS_RIGHTX),
           axis(left ? SDL_GAMEPAD_AXIS_LEFTY : SDL_GAMEPAD_AXIS_RIGHTY)};
    const float length = std::hypot(t.x, t.y);
    if (length > DEAD_ZONE) {
        t.x /= length;
        t.y /= length;
        t.amount = std::min(1.0f, (length - DEAD_ZONE) / (1.0f - DEAD_ZONE));
    }
    return t;
}

void placePointer(DeviceInput& in, float x, float y)
{
    pointer.x = std::clamp(x, 0.0f, SCREEN_WIDTH - 1.0f);
    pointer.y = std::clamp(y, 0.0f, SCREEN_HEIGHT - 1.0f);
    in.pointer = PointerPos{pointer.x, pointer.y};
}

// On the world the resting pointer sits in the middle of the tile under it, the tile a
// click acts on, with the camera of the frame about to be played.
void snapToTile(DeviceInput& in)
{
    if (in.loop == nullptr || screenOpen()) {
        return;
    }
    const float cameraX = in.loop->pX - CAMERA_OFFSET_X;
    const float cameraY = in.loop->pY - CAMERA_OFFSET_Y;
    const float tile = static_cast<float>(TILE_PX);
    const float half = tile / 2.0f;
    placePointer(in, static_cast<float>(tileOf(pointer.x + cameraX)) * tile + half - cameraX,
                 static_cast<float>(tileOf(pointer.y + cameraY)) * tile + half - cameraY);
}

// The pad is in use: its pointer shows, first on the player in the middle of the picture.
void showPointer(DeviceInput& in)
{
    if (!pointer.shown) {
        pointer.shown = true;
        placePointer(in, SCREEN_WIDTH / 2.0f, SCREEN_HEIGHT / 2.0f);
        snapToTile(in);
    }
}

// Every slot of the open screen, as drawn.
std::vector<SlotRect> screenSlots()
{
    std::vector<SlotRect> slots;
    const bool is3x3 = !showInv;
    for (int i = 0; i < HOTBAR_SLOTS; ++i) {
        slots.push_back(hotbarSlotRect(i));
    }
    for (int i = 0; i < INV_SLOTS; ++i) {
        slots.push_back(inventorySlotRect(i));
    }
    for (int k = 0; k < gridCellCount(is3x3); ++k) {
        slots.push_back(gridCellRect(k, is3x3));
    }
    slots.push_back(resultSlotRect(is3x3));
    return slots;
}

// The pointer to the middle of the nearest slot the way of (dx, dy), one of the four
// axes; a slot far off that line counts as further away.
void stepToSlot(DeviceInput& in, int dx, int dy)
{
    float best = 0.0f;
    PointerPos to{pointer.x, pointer.y};
    for (const SlotRect& s : screenSlots()) {
        const float ox = s.x + s.w / 2.0f - pointer.x;
        const float oy = s.y + s.h / 2.0f - pointer.y;
        const float along = ox * static_cast<float>(dx) + oy * static_cast<float>(dy);
        const float across = std::abs(ox * static_cast<float>(dy) - oy * static_cast<float>(dx));
        const float score = along + 2.0f * across;
        if (along >= 1.0f && (best == 0.0f || score < best)) {
            best = score;
            to = {s.x + s.w / 2.0f, s.y + s.h / 2.0f};
        }
    }
    placePointer(in, to.x, to.y);
}

void act(DeviceInput& in, const PadRow& row)
{
    const PointerPos at{pointer.x, pointer.y};
    switch (row.action) {
    case PadAction::WalkOrSlot:
        if (screenOpen()) {
            stepToSlot(in, row.dx, row.dy);
        }
        break;
    case PadAction::LeftClick:
        queueClick(in, BUTTON_LEFT, at);
        break;
    case PadAction::RightClick:
        queueClick(in, BUTTON_RIGHT, at);
        break;
    case PadAction::InventoryKey:
        queueKey(in, SDL_SCANCODE_E);
        break;
    case PadAction::Hotbar: {
        const int selected = in.loop != nullptr ? in.loop->selectedHotbar : 0;
        pulseHotbar(in, (selected + row.dx + HOTBAR_SLOTS) % HOTBAR_SLOTS);
        break;
    }
    default:
        break;
    }
}

void pressButton(DeviceInput& in, const OpenPad& pad, SDL_GamepadButton button)
{
    for (const PadRow& row : PAD_MAP) {
        if (buttonOf(row.input, pad.confirmEast) == button) {
            showPointer(in);
            act(in, row);
        }
    }
}
}  // namespace

bool takePadEvent(Gfx&, DeviceInput& in, const SDL_Event& e)
{
    switch (e.type) {
    case SDL_EVENT_GAMEPAD_ADDED:
        if (SDL_Gamepad* pad = sdlx::openAddedPad(e)) {
            const SDL_JoystickID id = SDL_GetGamepadID(pad);
            if (std::none_of(pads.begin(), pads.end(), [id](const OpenPad& p) { return p.id == id; })) {
                pads.push_back({pad, id, sdlx::confirmIsEast(pad)});
            } else {
                SDL_CloseGamepad(pad);  // announced twice: SDL counts the opens
            }
        }
        return true;
    case SDL_EVENT_GAMEPAD_REMOVED: {
        const SDL_JoystickID id = sdlx::padOfEvent(e);
        for (auto it = pads.begin(); it != pads.end(); ++it) {
            if (it->id == id) {
                SDL_CloseGamepad(it->pad);
                pads.erase(it);
                break;
            }
        }
        // A walk held by the pad ends with it; the pads still there hold theirs again
        // at the next frame.
        in.padHeld = {};
        return true;
    }
    case SDL_EVENT_GAMEPAD_BUTTON_DOWN:
        for (const OpenPad& pad : pads) {
            if (pad.id == sdlx::padOfEvent(e)) {
                pressButton(in, pad, sdlx::padButton(e));
            }
        }
        return true;
    default:
        return false;
    }
}

void updatePads(Gfx&, DeviceInput& in, uint64_t nowMs)
{
    const uint64_t stepMs = pointer.clockRead ? std::min(nowMs - pointer.lastMs, LONGEST_STEP_MS) : 0;
    pointer.lastMs = nowMs;
    pointer.clockRead = true;

    KeyState held{};
    Tilt aim;  // the right stick tilted furthest, of all the pads
    for (const OpenPad& pad : pads) {
        for (const PadRow& row : PAD_MAP) {
            if (row.action == PadAction::Walk) {
                const Tilt t = stickOf(pad.pad, row.input);
                if (t.amount > 0.0f) {
                    holdWalkToward(held, t.x, t.y);
                }
            } else if (row.action == PadAction::WalkOrSlot && !screenOpen() &&
                       SDL_GetGamepadButton(pad.pad, buttonOf(row.input, pad.confirmEast))) {
                holdWalkToward(held, static_cast<float>(row.dx), static_cast<float>(row.dy));
            } else if (row.action == PadAction::MovePointer) {
                const Tilt t = stickOf(pad.pad, row.input);
                if (t.amount > aim.amount) {
                    aim = t;
                }
            }
        }
    }
    in.padHeld = held;
    if (std::any_of(held.begin(), held.end(), [](bool h) { return h; })) {
        showPointer(in);
    }
    if (aim.amount > 0.0f) {
        showPointer(in);
        // Kept in fractions of a pixel, so that a slow tilt moves at any frame rate.
        const float px = POINTER_PX_PER_MS * aim.amount * static_cast<float>(stepMs);
        placePointer(in, pointer.x + aim.x * px, pointer.y + aim.y * px);
    } else if (pointer.shown) {
        snapToTile(in);
    }
}

void hidePadPointer(DeviceInput&)
{
    pointer.shown = false;
}

void drawPadPointer(Gfx& gfx, const DeviceInput& in)
{
    if (!pointer.shown) {
        return;
    }
    constexpr Colour EDGE = {0, 0, 0, 255};
    constexpr Colour MARK = {255, 255, 255, 255};
    // On the world, the tile a click acts on, outlined.
    if (in.loop != nullptr && !screenOpen()) {
        const float tile = static_cast<float>(TILE_PX);
        const float left = static_cast<float>(tileOf(pointer.x + in.loop->cameraX)) * tile - in.loop->cameraX;
        const float top = static_cast<float>(tileOf(pointer.y + in.loop->cameraY)) * tile - in.loop->cameraY;
        const SDL_FRect sides[] = {
            {left, top, tile, 2.0f},
            {left, top + tile - 2.0f, tile, 2.0f},
            {left, top, 2.0f, tile},
            {left + tile - 2.0f, top, 2.0f, tile},
        };
        for (const SDL_FRect& r : sides) {
            fillRect(gfx.renderer, MARK, r);
        }
    }
    // A cross of whole pixels with a dark edge, seen on any ground.
    const float x = std::floor(pointer.x);
    const float y = std::floor(pointer.y);
    fillRect(gfx.renderer, EDGE, {x - 12.0f, y - 2.0f, 25.0f, 5.0f});
    fillRect(gfx.renderer, EDGE, {x - 2.0f, y - 12.0f, 5.0f, 25.0f});
    fillRect(gfx.renderer, MARK, {x - 11.0f, y - 1.0f, 23.0f, 3.0f});
    fillRect(gfx.renderer, MARK, {x - 1.0f, y - 11.0f, 3.0f, 23.0f});
}
