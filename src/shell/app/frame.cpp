// The frame, step by step.
#include "shell/app/frame.h"

#include "shell/draw/draw.h"
#include "shell/draw/picture.h"
#include "shell/platform/sdl.h"
#include "controls/controls.h"
#include "rules/actions.h"
#include "rules/clock.h"
#include "rules/creatures.h"
#include "rules/health.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {
// The tick the frame being played read from its platform: the rules' one clock.
uint64_t frameTick = 0;
uint64_t currentFrameTick()
{
    return frameTick;
}

void updateCreatures()
{
    for (auto& m : mobs) {
        m.update();
    }
}

void placeCamera(Loop& loop)
{
    loop.cameraX = loop.pX - CAMERA_OFFSET_X;
    loop.cameraY = loop.pY - CAMERA_OFFSET_Y;
}

void handleEvents(Loop& loop, Platform& io)
{
    InputEvent e;
    while (io.pollEvent(e)) {
        if (e.kind == InputEvent::Kind::Quit) {
            loop.running = false;
        }
        if (e.kind == InputEvent::Kind::KeyDown && e.scancode == gameKeyOf(Action::Inventory)) {
            toggleInventory(loop.pX, loop.pY);
        }
        // Clicks act where the pointer is now, not where the event says it was.
        const PointerPos p = io.mouseState();
        if (e.kind != InputEvent::Kind::MouseDown) {
            continue;
        }
        if (screenOpen()) {
            screenClick(e.button, p.x, p.y);
        } else {
            worldClick(e.button, p.x, p.y, loop.cameraX, loop.cameraY, loop.selectedHotbar);
        }
    }
}

void applyKeyboard(Loop& loop, const KeyState& keys)
{
    loop.moving = false;
    if (screenOpen()) {
        return;
    }
    struct Move {
        Action walk;
        float dx;
        float dy;
    };
    static constexpr Move MOVES[] = {
        {Action::WalkUp, 0.0f, -PLAYER_SPEED_PX},
        {Action::WalkDown, 0.0f, PLAYER_SPEED_PX},
        {Action::WalkLeft, -PLAYER_SPEED_PX, 0.0f},
        {Action::WalkRight, PLAYER_SPEED_PX, 0.0f},
    };
    for (const Move& m : MOVES) {
        if (keys[static_cast<size_t>(gameKeyOf(m.walk))]) {
            loop.pX += m.dx;
            loop.pY += m.dy;
            loop.moving = true;
        }
    }
    for (int i = 0; i < HOTBAR_SLOTS; ++i) {
        if (keys[static_cast<size_t>(gameKeyOf(slotAction(i)))]) {
            loop.selectedHotbar = i;
        }
    }
}
}  // namespace

void stepFrame(Loop& loop, Platform& io)
{
    // The rules read the frame's tick, whatever platform plays it (the window, a replay
    // verified, watched or brought back): a creature sees the very time the frame read,
    // which a recording holds, not a later reading of a counter that no file holds.
    frameTick = io.ticks();
    setTickSource(currentFrameTick);
    decayHealth(frameTick);
    respawnIfDead(loop.pX, loop.pY);
    updateCreatures();
    pickUpDrops(loop.pX, loop.pY);
    placeCamera(loop);
    if (io.beforeEvents) {
        io.beforeEvents(frameTick, loop);
    }
    handleEvents(loop, io);
    applyKeyboard(loop, io.keyboardState());
    // The view is the one drawn: where the camera stood before the keys moved the player.
    seeView(loop.cameraX, loop.cameraY);
}

void runFrame(Loop& loop, Platform& io, Gfx& gfx)
{
    stepFrame(loop, io);
    // The pointer is read while the window, not the picture, is the renderer's target:
    // its mapping into the picture is the window's.
    drawFrame(loop, io.mouseState(), gfx);
    io.delay(FRAME_PAUSE_MS);
}

void drawFrame(const Loop& loop, PointerPos pointer, Gfx& gfx)
{
    beginPicture(gfx);
    drawWorld(gfx, loop);
    if (screenOpen()) {
        drawScreen(gfx, pointer);
    }
    showPicture(gfx);
}
