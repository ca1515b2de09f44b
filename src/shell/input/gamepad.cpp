// Pads: walking by stick and d-pad, a pointer on the right stick, buttons as clicks.
#include "shell/input/gamepad.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "shell/input/bindings.h"
#include "rules/inventory.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {
// What a pad's sticks, d-pad and shoulders stand for; its other buttons give the actions
// the player's controls bind them to (see roleOf).
enum class PadInput {
    LeftStick,
    RightStick,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
    LeftShoulder,
    RightShoulder,
};
enum class PadAction {
    Walk,         // held: walks the way of (dx, dy)
    WalkOrSlot,   // held on the world: walks; pressed on a screen: the pointer to the next slot
                  // that way
    MovePointer,  // tilted: the pointer moves over the picture
    Hotbar,       // pressed: the hotbar slot dx places on, round the ends
};

struct PadRow {
    PadInput input;
    PadAction action;
    int dx = 0;
    int dy = 0;
    SDL_GamepadButton button = SDL_GAMEPAD_BUTTON_COUNT;  // none for a stick
};

// The whole mapping, in one place.
constexpr PadRow PAD_MAP[] = {
    {PadInput::LeftStick, PadAction::Walk},
    {PadInput::DpadUp, PadAction::WalkOrSlot, 0, -1, SDL_GAMEPAD_BUTTON_DPAD_UP},
    {PadInput::DpadDown, PadAction::WalkOrSlot, 0, 1, SDL_GAMEPAD_BUTTON_DPAD_DOWN},
    {PadInput::DpadLeft, PadAction::WalkOrSlot, -1, 0, SDL_GAMEPAD_BUTTON_DPAD_LEFT},
    {PadInput::DpadRight, PadAction::WalkOrSlot, 1, 0, SDL_GAMEPAD_BUTTON_DPAD_RIGHT},
    {PadInput::RightStick, PadAction::MovePointer},
    {PadInput::LeftShoulder, PadAction::Hotbar, -1, 0, SDL_GAMEPAD_BUTTON_LEFT_SHOULDER},
    {PadInput::RightShoulder, PadAction::Hotbar, 1, 0, SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER},
};

// A stick tilted less than this (of full tilt) counts as let go: sticks rest a little
// off their middle.
constexpr float DEAD_ZONE = 0.25f;
// At full tilt the pointer crosses the picture's width in a second; its speed grows with
// the square of the tilt past the dead zone, so that a small tilt creeps onto a tile
// rather than past it (at 0.4 of full tilt half a tile a second, at half tilt a tile
// and a half).
constexpr float POINTER_PX_PER_MS = SCREEN_WIDTH / 1000.0f;
// Slots whose middles lie this close across a move's line stand in the same row or column.
constexpr float SAME_LINE_PX = 0.6f * SLOT_PX;
// The carried stack is drawn this far above the pointer, clear of the slot it is on.
constexpr float CARRIED_LIFT_PX = 1.25f * SLOT_PX;
// A longer gap between frames (a stalled window) moves the pointer no further.
constexpr uint64_t LONGEST_STEP_MS = 100;

// Xbox and PlayStation pads have their confirm button South; a pad whose East button is
// labelled A (a Nintendo pad) has it East, with B beside it South.
bool confirmIsEast(SDL_Gamepad* pad)
{
    return SDL_GetGamepadButtonLabel(pad, SDL_GAMEPAD_BUTTON_EAST) == SDL_GAMEPAD_BUTTON_LABEL_A;
}

// The part `button` plays on a pad whose confirm button is East or South: confirm, the
// next one round clockwise, the top one, the fourth; the rest by their place.
std::optional<PadButton> roleOf(SDL_GamepadButton button, bool confirmEast)
{
    const SDL_GamepadButton confirm = confirmEast ? SDL_GAMEPAD_BUTTON_EAST : SDL_GAMEPAD_BUTTON_SOUTH;
    const SDL_GamepadButton clockwise = confirmEast ? SDL_GAMEPAD_BUTTON_SOUTH : SDL_GAMEPAD_BUTTON_WEST;
    const SDL_GamepadButton other = confirmEast ? SDL_GAMEPAD_BUTTON_WEST : SDL_GAMEPAD_BUTTON_EAST;
    const std::pair<SDL_GamepadButton, PadButton> roles[] = {
        {confirm, PadButton::Confirm},
        {clockwise, PadButton::Clockwise},
        {SDL_GAMEPAD_BUTTON_NORTH, PadButton::Top},
        {other, PadButton::Other},
        {SDL_GAMEPAD_BUTTON_BACK, PadButton::Back},
        {SDL_GAMEPAD_BUTTON_START, PadButton::Start},
        {SDL_GAMEPAD_BUTTON_LEFT_STICK, PadButton::LeftStick},
        {SDL_GAMEPAD_BUTTON_RIGHT_STICK, PadButton::RightStick},
    };
    for (const auto& [b, role] : roles) {
        if (b == button) {
            return role;
        }
    }
    return std::nullopt;
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

void placePointer(Pads& p, DeviceEvents& out, float x, float y)
{
    PadPointer& pointer = p.pointer;
    pointer.x = std::clamp(x, 0.0f, SCREEN_WIDTH - 1.0f);
    pointer.y = std::clamp(y, 0.0f, SCREEN_HEIGHT - 1.0f);
    out.pointer = PointerPos{pointer.x, pointer.y};
    out.carriedLiftPx = CARRIED_LIFT_PX;
}

// On the world the resting pointer sits in the middle of the tile under it, the tile a
// click acts on, with the camera of the frame being played.
void snapToTile(Pads& p, DeviceEvents& out)
{
    if (screenOpen()) {
        return;
    }
    const PadPointer& pointer = p.pointer;
    const float cameraX = p.view.cameraX;
    const float cameraY = p.view.cameraY;
    const float tile = static_cast<float>(TILE_PX);
    const float half = tile / 2.0f;
    placePointer(p, out, static_cast<float>(tileOf(pointer.x + cameraX)) * tile + half - cameraX,
                 static_cast<float>(tileOf(pointer.y + cameraY)) * tile + half - cameraY);
}

// The pointer on the player, in the middle of the picture, on the tile it stands on.
void pointerToPlayer(Pads& p, DeviceEvents& out)
{
    placePointer(p, out, SCREEN_WIDTH / 2.0f, SCREEN_HEIGHT / 2.0f);
    snapToTile(p, out);
}

// The pad is in use: its pointer shows, first on the player.
void showPointer(Pads& p, DeviceEvents& out)
{
    if (!p.pointer.shown) {
        p.pointer.shown = true;
        pointerToPlayer(p, out);
    }
}

// The pointer to the middle of the slot next to it the way of (dx, dy), one of the four
// axes. Sideways it keeps to its row, round the ends as the shoulders go round the
// hotbar; up and down, the nearest row that way, a slot far off the line counting as
// further away.
void stepToSlot(Pads& p, DeviceEvents& out, int dx, int dy)
{
    const PadPointer& pointer = p.pointer;
    float best = 0.0f;
    float furthestBack = 0.0f;
    std::optional<PointerPos> to;
    std::optional<PointerPos> roundTheEnd;
    for (const SlotRect& s : slotsInSight()) {
        const PointerPos middle{s.x + s.w / 2.0f, s.y + s.h / 2.0f};
        const float ox = middle.x - pointer.x;
        const float oy = middle.y - pointer.y;
        const float along = ox * static_cast<float>(dx) + oy * static_cast<float>(dy);
        const float across = std::abs(ox * static_cast<float>(dy) - oy * static_cast<float>(dx));
        if (dx != 0 && across > SAME_LINE_PX) {
            continue;
        }
        const float score = along + 2.0f * across;
        if (along >= 1.0f && (!to || score < best)) {
            best = score;
            to = middle;
        }
        if (dx != 0 && along <= -1.0f && (!roundTheEnd || along < furthestBack)) {
            furthestBack = along;
            roundTheEnd = middle;
        }
    }
    if (const std::optional<PointerPos> next = to ? to : roundTheEnd) {
        placePointer(p, out, next->x, next->y);
    }
}

void act(Pads& p, DeviceEvents& out, const PadRow& row)
{
    switch (row.action) {
    case PadAction::WalkOrSlot:
        if (screenOpen()) {
            stepToSlot(p, out, row.dx, row.dy);
        }
        break;
    case PadAction::Hotbar: {
        pulseHotbar(out, (p.view.selectedHotbar + row.dx + HOTBAR_SLOTS) % HOTBAR_SLOTS);
        break;
    }
    default:
        break;
    }
}

// A button the controls bind: a click at the pointer, else the key of its action.
void pressBound(Pads& p, DeviceEvents& out, Action action)
{
    const InputEvent e = gameEventOf(action);
    if (e.kind == InputEvent::Kind::MouseDown) {
        queueClick(out, e.button, {p.pointer.x, p.pointer.y});
    } else {
        queueKeyPress(out, e.scancode);
    }
}

void pressButton(Pads& p, DeviceEvents& out, const OpenPad& pad, SDL_GamepadButton button)
{
    if (const std::optional<PadButton> role = roleOf(button, pad.confirmEast)) {
        if (const std::optional<Action> a = activeControls().actionOf({Binding::Kind::Pad, static_cast<int>(*role)})) {
            showPointer(p, out);
            pressBound(p, out, *a);
        }
        return;
    }
    for (const PadRow& row : PAD_MAP) {
        if (row.button == button) {
            showPointer(p, out);
            act(p, out, row);
        }
    }
}
}  // namespace

bool Pads::takeEvent(const Gfx&, const SDL_Event& e, uint64_t, DeviceEvents& out)
{
    switch (e.type) {
    case SDL_EVENT_GAMEPAD_ADDED:
        if (SDL_Gamepad* pad = sdlx::openAddedPad(e)) {
            const SDL_JoystickID id = SDL_GetGamepadID(pad);
            if (std::none_of(pads.begin(), pads.end(), [id](const OpenPad& p) { return p.id == id; })) {
                pads.push_back({pad, id, confirmIsEast(pad)});
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
        held = {};
        return true;
    }
    case SDL_EVENT_GAMEPAD_BUTTON_DOWN:
        for (const OpenPad& pad : pads) {
            if (pad.id == sdlx::padOfEvent(e)) {
                pressButton(*this, out, pad, sdlx::padButton(e));
            }
        }
        return true;
    default:
        return false;
    }
}

void Pads::update(uint64_t nowMs, const DeviceView& frame, DeviceEvents& out)
{
    view = frame;
    const uint64_t stepMs = pointer.clockRead ? std::min(nowMs - pointer.lastMs, LONGEST_STEP_MS) : 0;
    pointer.lastMs = nowMs;
    pointer.clockRead = true;

    KeyState walk{};
    Tilt aim;  // the right stick tilted furthest, of all the pads
    for (const OpenPad& pad : pads) {
        for (const PadRow& row : PAD_MAP) {
            if (row.action == PadAction::Walk) {
                const Tilt t = stickOf(pad.pad, row.input);
                if (t.amount > 0.0f) {
                    holdWalkToward(walk, t.x, t.y);
                }
            } else if (row.action == PadAction::WalkOrSlot && !screenOpen() &&
                       SDL_GetGamepadButton(pad.pad, row.button)) {
                holdWalkToward(walk, static_cast<float>(row.dx), static_cast<float>(row.dy));
            } else if (row.action == PadAction::MovePointer) {
                const Tilt t = stickOf(pad.pad, row.input);
                if (t.amount > aim.amount) {
                    aim = t;
                }
            }
        }
    }
    held = walk;
    // A screen closed: the pointer is back on the player, not left over the hotbar
    // marking the world beneath it.
    if (pointer.shown && pointer.onScreen && !screenOpen()) {
        pointerToPlayer(*this, out);
    }
    pointer.onScreen = screenOpen();
    if (std::any_of(held.begin(), held.end(), [](bool h) { return h; })) {
        showPointer(*this, out);
    }
    if (aim.amount > 0.0f) {
        showPointer(*this, out);
        // Kept in fractions of a pixel, so that a slow tilt moves at any frame rate.
        const float px = POINTER_PX_PER_MS * aim.amount * aim.amount * static_cast<float>(stepMs);
        placePointer(*this, out, pointer.x + aim.x * px, pointer.y + aim.y * px);
    } else if (pointer.shown) {
        snapToTile(*this, out);
    }
}

void Pads::addHeld(KeyState& keys) const
{
    holdAlso(keys, held);
}

void Pads::hide()
{
    pointer.shown = false;
}

void Pads::drawInPicture(Gfx& gfx) const
{
    if (!pointer.shown) {
        return;
    }
    constexpr Colour EDGE = {0, 0, 0, 255};
    constexpr Colour MARK = {255, 255, 255, 255};
    if (screenOpen()) {
        drawSlotHighlight(gfx, {pointer.x, pointer.y});
    }
    // On the world, the tile a click acts on, outlined.
    if (!screenOpen()) {
        const float tile = static_cast<float>(TILE_PX);
        const float left = static_cast<float>(tileOf(pointer.x + view.cameraX)) * tile - view.cameraX;
        const float top = static_cast<float>(tileOf(pointer.y + view.cameraY)) * tile - view.cameraY;
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
