// Recording: a wrapper round the frame's platform that notes what it returns, written
// frame by frame.
#include "replay/record.h"

#include <string>

#include "shell/app/app.h"
#include "shell/app/report.h"
#include "replay/state_hash.h"
#include "rules/state.h"

#ifndef BRAMBIX_VERSION
#define BRAMBIX_VERSION "0"
#endif

namespace {
uint64_t keyBits(const KeyState& keys)
{
    uint64_t bits = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        bits |= static_cast<uint64_t>(keys[i]) << i;
    }
    return bits;
}
}  // namespace

StateHashes checkpointHashes(const Loop& loop)
{
    return hashState({loop.pX, loop.pY, loop.selectedHotbar});
}

Platform recordingPlatform(ReplayRecorder& r)
{
    return {
        [&r] {
            r.frame.ticks = r.inner.ticks();
            return r.frame.ticks;
        },
        [&r](InputEvent& e) {
            if (!r.inner.pollEvent(e)) {
                return false;
            }
            // Only what the frame acts on is kept; the pointer of a click is the one the
            // frame reads right after it.
            r.clickAwaitsPointer = e.kind == InputEvent::Kind::MouseDown;
            if (e.kind == InputEvent::Kind::Quit) {
                r.frame.events.push_back({ReplayEvent::Quit});
            } else if (e.kind == InputEvent::Kind::KeyDown) {
                r.frame.events.push_back({ReplayEvent::KeyDown, e.scancode});
            } else if (e.kind == InputEvent::Kind::MouseDown) {
                r.frame.events.push_back({ReplayEvent::MouseDown, 0, e.button});
            }
            return true;
        },
        [&r] {
            const PointerPos p = r.inner.mouseState();
            if (r.clickAwaitsPointer) {
                r.frame.events.back().x = p.x;
                r.frame.events.back().y = p.y;
                r.clickAwaitsPointer = false;
            } else {
                r.pointer = p;
            }
            return p;
        },
        [&r] {
            const KeyState keys = r.inner.keyboardState();
            r.frame.keys = keyBits(keys);
            return keys;
        },
        [&r](uint32_t ms) { r.inner.delay(ms); },
        [&r](uint64_t now, const Loop& loop) {
            if (r.inner.beforeEvents) {
                r.inner.beforeEvents(now, loop);
            }
        },
    };
}

void recordFrame(ReplayRecorder& r, const Loop& loop)
{
    if (r.failed) {
        return;
    }
    std::string bytes;
    if (r.index == 0) {
        bytes = r.encoder.header({REPLAY_FORMAT_VERSION, BRAMBIX_VERSION, recipeBookDigest(), r.frame.ticks});
    }
    // The pointer is drawn only on an open screen; elsewhere a moving pointer costs nothing.
    if (screenOpen()) {
        r.frame.pointerX = r.pointer.x;
        r.frame.pointerY = r.pointer.y;
    }
    r.frame.last = !loop.running;
    r.frame.checkpoint = checkpointDue(r.index, r.frame.last);
    if (r.frame.checkpoint) {
        r.frame.hashes = checkpointHashes(loop);
    }
    // No player comes near the limit, but a file the reader would refuse is no replay.
    if (r.frame.events.size() > REPLAY_EVENTS_PER_FRAME) {
        writeErr("Brambix: frame " + std::to_string(r.index + 1) + " read more than " +
                 std::to_string(REPLAY_EVENTS_PER_FRAME) + " input events; the replay " + r.path +
                 " ends before it and the game plays on\n");
        r.failed = true;
        return;
    }
    bytes += r.encoder.frame(r.frame);
    r.frame.events.clear();
    ++r.index;
    if (!r.file->write(bytes)) {
        writeErr("Brambix: cannot write the replay " + r.path + ": " + r.file->problem() +
                 "; the game plays on without recording\n");
        r.failed = true;
    }
}

int recordGame(const std::string& path, bool wholePixels)
{
    ReplayRecorder r;
    r.path = path;
    // Claimed before the data folder becomes the working folder, as the player named it.
    if (!r.file.emplace().claim(path)) {
        reportFatal("Brambix: cannot write the replay " + path + ": " + r.file->problem());
        return 1;
    }
    RunHooks hooks;
    hooks.started = [&r](Game& game) {
        r.inner = game.io;
        game.io = recordingPlatform(r);
    };
    hooks.afterFrame = [&r](const Loop& loop) { recordFrame(r, loop); };
    return runGame(wholePixels, hooks);
}
