// Fingers: a joystick where a thumb lands, taps and holds as clicks, the drawn controls.
#include "shell/input/touch.h"

#include <algorithm>
#include <cmath>

#include "shell/draw/picture.h"
#include "shell/input/bindings.h"
#include "shell/input/finger_filter.h"
#include "rules/screens.h"
#include "rules/state.h"

namespace {
// In control sizes: a finger that moves further is neither a tap nor a hold; the stick
// walks beyond its dead zone and its knob stops at its rim.
constexpr float TAP_SLOP = 0.2f;
constexpr float STICK_DEAD_ZONE = 0.25f;
constexpr float STICK_RADIUS = 1.0f;
constexpr float BUTTON_SIZE = 1.25f;
constexpr float MARGIN = 0.25f;
constexpr float HOLD_RADIUS = 0.75f;
// The carried stack is drawn this far above where the finger acts, clear of the
// fingertip and of the slot under it.
constexpr float CARRIED_LIFT_PX = 2.0f * SLOT_PX;

constexpr Colour CONTROL_FILL = {255, 255, 255, 45};
constexpr Colour CONTROL_LINE = {255, 255, 255, 150};
constexpr Colour KNOB = {255, 255, 255, 170};
constexpr Colour BUTTON_FILL = {40, 40, 40, 170};

struct Area {
    float x = 0.0f;
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
    bool contains(float px, float py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

// Where the controls go in the window as it is now, in its own units: in the bars
// beside or under the picture where they fit, over the picture where they do not.
struct Layout {
    float unit = 0.0f;            // one control size
    float density = 1.0f;         // the renderer's pixels per window unit
    float windowW = 0.0f;
    float windowH = 0.0f;
    Area stick;  // where a thumb brings up the stick
    bool stickOverPicture = false;
    Area button;  // the inventory's
};

Layout layoutOf(const Gfx& gfx)
{
    Layout l;
    int w = 0;
    int h = 0;
    SDL_GetRenderOutputSize(gfx.renderer, &w, &h);
    if (gfx.window != nullptr) {
        SDL_GetWindowSize(gfx.window, &w, &h);
    }
    l.windowW = static_cast<float>(std::max(w, 1));
    l.windowH = static_cast<float>(std::max(h, 1));
    l.density = windowDensity(gfx);
    l.unit = controlUnit(gfx.window != nullptr ? sdlx::windowDisplayScale(gfx.window) : l.density, l.density);

    // The bars left beside and under the picture, wherever it sits.
    const Placement pic = picturePlacement(gfx);
    const float barX = std::min(pic.x, l.windowW * l.density - pic.x - pic.w) / l.density;
    const float barY = (l.windowH * l.density - pic.y - pic.h) / l.density;
    const float stickSpan = 2.0f * STICK_RADIUS * l.unit;
    if (barX >= stickSpan) {
        l.stick = {0.0f, 0.0f, barX, l.windowH};
    } else if (barY >= stickSpan) {
        l.stick = {0.0f, l.windowH - barY, l.windowW / 2.0f, barY};
    } else {
        l.stick = {0.0f, 0.0f, l.windowW / 3.0f, l.windowH};
        l.stickOverPicture = true;
    }
    const float size = BUTTON_SIZE * l.unit;
    const float margin = MARGIN * l.unit;
    if (barX >= size + 2.0f * margin) {
        l.button = {l.windowW - (barX + size) / 2.0f, l.windowH - size - 2.0f * margin, size, size};
    } else if (barY >= size + 2.0f * margin) {
        l.button = {l.windowW - size - 2.0f * margin, l.windowH - (barY + size) / 2.0f, size, size};
    } else {
        // Low in the picture's right corner: clear of the hotbar, the screens' panel and
        // a page's own buttons at the top.
        l.button = {l.windowW - barX - size - margin, l.windowH - barY - size - margin, size, size};
    }
    // A left-handed player has the stick on the right and the button on the left.
    if (activeControls().leftHand) {
        for (Area* a : {&l.stick, &l.button}) {
            a->x = l.windowW - a->x - a->w;
        }
    }
    return l;
}

// The stick pushed from its centre by (dx, dy), or let go with (0, 0): the walking keys
// it holds, none within its dead zone.
void pushStick(TouchState& t, float dx, float dy, float unit)
{
    t.held = {};  // a finger holds no other key
    if (std::hypot(dx, dy) >= STICK_DEAD_ZONE * unit) {
        holdWalkToward(t.held, dx, dy);
    }
}

void fingerDown(const Gfx& gfx, TouchState& t, DeviceEvents& out, const Layout& l, TouchFinger f)
{
    const bool stickTaken = std::any_of(t.fingers.begin(), t.fingers.end(),
                                        [](const TouchFinger& o) { return o.role == TouchFinger::Role::Stick; });
    const PointerPos p = pictureAtWindowPoint(gfx, f.x, f.y);
    if (l.button.contains(f.x, f.y)) {
        f.role = TouchFinger::Role::Button;
        queueKey(out, gameKeyOf(Action::Inventory));
    } else if (l.stick.contains(f.x, f.y) && !stickTaken && !(l.stickOverPicture && screenOpen())) {
        f.role = TouchFinger::Role::Stick;
        f.at = p;
        f.tapsThrough = l.stickOverPicture;
    } else if (onPicture(p)) {
        f.role = TouchFinger::Role::Point;
        f.at = p;
        out.carriedLiftPx = CARRIED_LIFT_PX;
        // Off the screens only the hotbar's slots are in sight.
        const std::optional<SlotRect> slot = screenOpen() ? std::nullopt : slotShareAt(p);
        for (int i = 0; i < HOTBAR_SLOTS && slot; ++i) {
            if (hotbarSlotRect(i).x == slot->x) {
                f.role = TouchFinger::Role::Hotbar;
                pulseHotbar(out, i);
            }
        }
    }
    if (f.role == TouchFinger::Role::Point) {
        // Two fingers on the picture at once are no press-and-hold.
        for (TouchFinger& o : t.fingers) {
            if (o.role == TouchFinger::Role::Point) {
                o.holdAllowed = false;
                f.holdAllowed = false;
            }
        }
    }
    t.fingers.push_back(f);
}

void fingerMoved(TouchState& t, const Layout& l, TouchFinger& f)
{
    const float dx = f.x - f.startX;
    const float dy = f.y - f.startY;
    if (f.role == TouchFinger::Role::Stick) {
        pushStick(t, dx, dy, l.unit);
    }
    f.moved = f.moved || std::hypot(dx, dy) > TAP_SLOP * l.unit;
}

// Whether a finger down since `downMs` has been held long enough at `nowMs` (either
// may come first: a frame's clock is read before the events that came during it).
bool heldLongEnough(uint64_t downMs, uint64_t nowMs)
{
    return nowMs >= downMs + activeControls().holdMs;
}

// The finger left the window at `upMs`, by its own time: a press clicks, left for a tap,
// right for a hold whose click the frames did not reach before the lift (a slow frame);
// a lifted thumb stops walking.
void fingerUp(TouchState& t, DeviceEvents& out, const TouchFinger& f, bool lifted, uint64_t upMs)
{
    if (f.role == TouchFinger::Role::Stick) {
        pushStick(t, 0.0f, 0.0f, 1.0f);
    }
    const bool longPress = heldLongEnough(f.downMs, upMs);
    // Where the stick lies over the picture, a quick tap there still reaches the world.
    const bool quickTap = f.tapsThrough && !longPress;
    if (lifted && (f.role == TouchFinger::Role::Point || quickTap) && !f.moved && !f.held) {
        const bool hold = f.role == TouchFinger::Role::Point && longPress && f.holdAllowed;
        queueClick(out, hold ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT, f.at);
    }
}

// ---- drawing, in the renderer's own pixels

struct Circle {
    float cx;
    float cy;
    float radius;
};

// A disc, or a ring when `inner` is above 0, filled row by row on whole pixels.
void fillRing(SDL_Renderer* r, Colour c, Circle o, float inner)
{
    SDL_SetRenderDrawColor(r, c.r, c.g, c.b, c.a);
    const auto top = static_cast<int>(std::floor(o.cy - o.radius));
    const auto bottom = static_cast<int>(std::ceil(o.cy + o.radius));
    for (int y = top; y < bottom; ++y) {
        const float dy = static_cast<float>(y) + 0.5f - o.cy;
        if (std::fabs(dy) >= o.radius) {
            continue;
        }
        const float outerX = std::round(std::sqrt(o.radius * o.radius - dy * dy));
        const float innerX = std::fabs(dy) < inner ? std::round(std::sqrt(inner * inner - dy * dy)) : 0.0f;
        const float x = std::round(o.cx);
        const auto row = static_cast<float>(y);
        if (innerX > 0.0f) {
            const SDL_FRect left = {x - outerX, row, outerX - innerX, 1.0f};
            const SDL_FRect right = {x + innerX, row, outerX - innerX, 1.0f};
            SDL_RenderFillRect(r, &left);
            SDL_RenderFillRect(r, &right);
        } else {
            const SDL_FRect span = {x - outerX, row, 2.0f * outerX, 1.0f};
            SDL_RenderFillRect(r, &span);
        }
    }
}

SDL_FRect pixels(const Layout& l, float x, float y, float w, float h)
{
    return {std::round(x * l.density), std::round(y * l.density), std::round(w * l.density),
            std::round(h * l.density)};
}

void drawStick(SDL_Renderer* r, const Layout& l, const TouchState& t)
{
    const float radius = STICK_RADIUS * l.unit;
    // At rest it waits in the middle of its bar, or low in its part of the picture.
    float cx = l.stick.x + l.stick.w / 2.0f;
    float cy = l.stickOverPicture ? l.stick.y + l.stick.h - radius - MARGIN * l.unit : l.stick.y + l.stick.h / 2.0f;
    float kx = cx;
    float ky = cy;
    for (const TouchFinger& f : t.fingers) {
        if (f.role == TouchFinger::Role::Stick) {
            cx = f.startX;
            cy = f.startY;
            const float dx = f.x - f.startX;
            const float dy = f.y - f.startY;
            const float reach = std::min(1.0f, radius / std::max(std::hypot(dx, dy), 1.0f));
            kx = cx + dx * reach;
            ky = cy + dy * reach;
        }
    }
    const float d = l.density;
    fillRing(r, CONTROL_FILL, {cx * d, cy * d, radius * d}, 0.0f);
    fillRing(r, CONTROL_LINE, {cx * d, cy * d, radius * d}, (radius - l.unit / 12.0f) * d);
    fillRing(r, KNOB, {kx * d, ky * d, radius * d / 2.0f}, 0.0f);
}

// The inventory button: a dark square with a frame and two rows of two slots.
void drawButton(SDL_Renderer* r, const Layout& l)
{
    const Area& b = l.button;
    const float line = l.unit / 16.0f;
    fillRect(r, BUTTON_FILL, pixels(l, b.x, b.y, b.w, b.h));
    fillRect(r, CONTROL_LINE, pixels(l, b.x, b.y, b.w, line));
    fillRect(r, CONTROL_LINE, pixels(l, b.x, b.y + b.h - line, b.w, line));
    fillRect(r, CONTROL_LINE, pixels(l, b.x, b.y + line, line, b.h - 2.0f * line));
    fillRect(r, CONTROL_LINE, pixels(l, b.x + b.w - line, b.y + line, line, b.h - 2.0f * line));
    const float slot = b.w / 4.0f;
    for (int i = 0; i < 4; ++i) {
        const float x = b.x + slot * (0.8f + 1.4f * static_cast<float>(i % 2));
        const float y = b.y + slot * (0.8f + 1.4f * static_cast<float>(i / 2));
        fillRect(r, KNOB, pixels(l, x, y, slot, slot));
    }
}

// A press being held: a ring round the finger that fills until the hold clicks.
void drawHolds(SDL_Renderer* r, const Layout& l, const TouchState& t)
{
    const float d = l.density;
    const float radius = HOLD_RADIUS * l.unit;
    for (const TouchFinger& f : t.fingers) {
        if (f.role != TouchFinger::Role::Point || f.moved || f.held || !f.holdAllowed) {
            continue;
        }
        const float done =
            t.nowMs > f.downMs ? std::min(1.0f, static_cast<float>(t.nowMs - f.downMs) / static_cast<float>(activeControls().holdMs)) : 0.0f;
        fillRing(r, CONTROL_LINE, {f.x * d, f.y * d, radius * d}, (radius - l.unit / 12.0f) * d);
        fillRing(r, CONTROL_FILL, {f.x * d, f.y * d, radius * done * d}, 0.0f);
    }
}
}  // namespace

bool Touch::takeEvent(const Gfx& gfx, const SDL_Event& e, uint64_t atMs, DeviceEvents& out)
{
    TouchState& t = state;
    sdlx::Finger finger;
    if (!sdlx::readFinger(e, finger)) {
        // SDL makes a mouse event of a finger, marked as such, which would act a second
        // time; a real mouse's click beside a finger acts as ever.
        return sdlx::isMouseEvent(e) && sdlx::isMouseFromTouch(e);
    }
    if (finger.fromMouse) {
        return true;  // the mouse acts through its own events
    }
    keptFingerPosition(e, finger);
    t.shown = true;
    out.fingersUsed = true;
    const Layout l = layoutOf(gfx);
    const float x = finger.x * l.windowW;
    const float y = finger.y * l.windowH;
    auto f = std::find_if(t.fingers.begin(), t.fingers.end(), [&](const TouchFinger& o) { return o.id == finger.id; });
    if (finger.phase == sdlx::Finger::Phase::Down) {
        if (f != t.fingers.end()) {
            // Its lift never came (the page or the system lost it): that touch is over,
            // and this one starts afresh rather than playing the old one's part.
            fingerUp(t, out, *f, false, atMs);
            t.fingers.erase(f);
        }
        TouchFinger landed;
        landed.id = finger.id;
        landed.startX = landed.x = x;
        landed.startY = landed.y = y;
        landed.downMs = atMs;
        fingerDown(gfx, t, out, l, landed);
        return true;
    }
    if (f == t.fingers.end()) {
        return true;  // landed before the game could see it
    }
    f->x = x;
    f->y = y;
    fingerMoved(t, l, *f);
    if (finger.phase != sdlx::Finger::Phase::Motion) {
        fingerUp(t, out, *f, finger.phase == sdlx::Finger::Phase::Up, atMs);
        t.fingers.erase(f);
    }
    return true;
}

void Touch::update(uint64_t nowMs, const DeviceView&, DeviceEvents&)
{
    state.nowMs = nowMs;
}

bool Touch::fireDue(DeviceEvents& out)
{
    bool fired = false;
    for (TouchFinger& f : state.fingers) {
        if (f.role == TouchFinger::Role::Point && !f.moved && !f.held && f.holdAllowed &&
            heldLongEnough(f.downMs, state.nowMs)) {
            f.held = true;
            queueClick(out, SDL_BUTTON_RIGHT, f.at);
            fired = true;
        }
    }
    return fired;
}

void Touch::addHeld(KeyState& held) const
{
    holdAlso(held, state.held);
}

void Touch::drawInPicture(Gfx& gfx) const
{
    for (const TouchFinger& f : state.fingers) {
        if (f.role == TouchFinger::Role::Point && screenOpen()) {
            drawSlotHighlight(gfx, f.at);
        }
    }
}

void Touch::hide()
{
    state.shown = false;
}

void Touch::drawInWindow(Gfx& gfx) const
{
    if (!state.shown) {
        return;
    }
    const Layout l = layoutOf(gfx);
    SDL_SetRenderDrawBlendMode(gfx.renderer, SDL_BLENDMODE_BLEND);
    drawStick(gfx.renderer, l, state);
    drawButton(gfx.renderer, l);
    drawHolds(gfx.renderer, l, state);
}
