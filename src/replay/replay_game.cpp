// Replays: a wrapper round the frame's platform that records what it returns, and a
// platform that returns it again.
#include "replay/replay_game.h"

#include <iostream>
#include <new>
#include <optional>
#include <stdexcept>

#include "shell/app/app.h"
#include "shell/app/assets.h"
#include "shell/app/datadir.h"
#include "shell/app/frame.h"
#include "shell/app/report.h"
#include "files/regular_file.h"
#include "replay/replay_file.h"
#include "replay/state_hash.h"
#include "rules/random.h"
#include "rules/recipe_book.h"
#include "rules/state.h"

#ifndef BRAMBIX_VERSION
#define BRAMBIX_VERSION "0"
#endif

// A replay as the frame's platform: each frame's recorded values, read in the order
// the frame asks for them.
struct Playback {
    ReplayReader reader;
    ReplayFrame frame;
    size_t nextEvent = 0;
    PointerPos pointer;
    std::string path;
    uint64_t checkedUpTo = 0;  // the last frame whose checkpoint matched

    // Loads the next frame; false at the end of the file or on damage.
    ReplayReader::Next advance()
    {
        const ReplayReader::Next n = reader.next(frame);
        nextEvent = 0;
        return n;
    }
};

namespace {
uint64_t keyBits(const KeyState& keys)
{
    uint64_t bits = 0;
    for (size_t i = 0; i < keys.size(); ++i) {
        bits |= static_cast<uint64_t>(keys[i]) << i;
    }
    return bits;
}

PlayerPlace placeOf(const Loop& loop)
{
    return {loop.pX, loop.pY, loop.selectedHotbar};
}

Platform playbackPlatform(Playback& p, std::function<void(uint32_t)> delay)
{
    return {
        [&p] { return p.frame.ticks; },
        [&p](InputEvent& e) {
            if (p.nextEvent == p.frame.events.size()) {
                p.pointer = {p.frame.pointerX, p.frame.pointerY};
                return false;
            }
            const ReplayEvent& r = p.frame.events[p.nextEvent++];
            static constexpr InputEvent::Kind KINDS[] = {InputEvent::Kind::Quit, InputEvent::Kind::KeyDown,
                                                         InputEvent::Kind::MouseDown};
            e = {KINDS[r.kind], r.scancode, r.button};
            if (r.kind == ReplayEvent::MouseDown) {
                p.pointer = {r.x, r.y};
            }
            return true;
        },
        [&p] { return p.pointer; },
        [&p] {
            KeyState keys{};
            for (size_t i = 0; i < keys.size(); ++i) {
                keys[i] = ((p.frame.keys >> i) & 1) != 0;
            }
            return keys;
        },
        std::move(delay),
    };
}

// Reads and checks the header of the replay at `path`; the reason when it cannot be played.
std::optional<std::string> openReplay(Playback& p, const std::string& path)
{
    p.path = path;
    FileRead read = readRegularFile(path, REPLAY_LIMIT_BYTES);
    if (read.status != FileRead::Read) {
        return read.status == FileRead::TooLarge ? "larger than " + read.problem
               : read.status == FileRead::NotRegular ? "not a regular file but " + read.problem
                                                      : "cannot be read: " + read.problem;
    }
    p.reader = ReplayReader(std::move(read.text));
    if (!p.reader.readHeader()) {
        return p.reader.problem();
    }
    return std::nullopt;
}

// The book must be the one the replay was recorded with: crafting depends on it.
std::optional<std::string> checkBook(const Playback& p)
{
    if (p.reader.header().recipeDigest == recipeBookDigest()) {
        return std::nullopt;
    }
    return std::string("recorded with another recipe book than ") + RECIPES_PATH + " in " + dataFolder();
}

// After frame `p.frame` was played: nothing when its checkpoint (if any) matches, else
// the verdict naming the frame and the parts that differ.
std::optional<Verdict> checkFrame(Playback& p, const Loop& loop)
{
    if (!p.frame.checkpoint) {
        return std::nullopt;
    }
    const StateHashes now = hashState(placeOf(loop));
    std::string parts;
    for (int i = 0; i < STATE_PARTS; ++i) {
        if (now[static_cast<size_t>(i)] != p.frame.hashes[static_cast<size_t>(i)]) {
            parts += (parts.empty() ? "" : ", ") + std::string(statePartName(i));
        }
    }
    if (parts.empty()) {
        p.checkedUpTo = p.reader.frames();
        return std::nullopt;
    }
    return Verdict{1, p.path + ": state differs at frame " + std::to_string(p.reader.frames()) + ": " + parts};
}

// The verdict once the file has no more frames (`n` is how it ended).
Verdict finalVerdict(const Playback& p, ReplayReader::Next n)
{
    const std::string frames = p.path + ": " + std::to_string(p.reader.frames()) + " frames";
    if (n == ReplayReader::Corrupt) {
        return {1, frames + ", then damaged: " + p.reader.problem()};
    }
    if (n == ReplayReader::Ended) {
        return {0, frames + ", state matches"};
    }
    // Cut short: only what a checkpoint vouched for is called matching.
    const uint64_t unchecked = p.reader.frames() - p.checkedUpTo;
    if (p.reader.frames() == 0) {
        return {0, p.path + ": no frames (the file ends after its header)"};
    }
    if (p.checkedUpTo == 0) {
        return {0, frames + ", none of them checked (the file ends before the first checkpoint)"};
    }
    if (unchecked > 0) {
        const std::string after = unchecked == 1 ? "the frame after it is"
                                                  : "the " + std::to_string(unchecked) + " frames after it are";
        return {0, frames + ", state matches up to frame " + std::to_string(p.checkedUpTo) + "; " + after +
                       " not checked (the file ends there)"};
    }
    return {0, frames + ", state matches (cut short: the file ends after frame " +
                   std::to_string(p.reader.frames()) + ")"};
}

Verdict verifyUnguarded(const std::string& path)
{
    // Every replay starts from a fresh game, whatever was played before in this process.
    resetGameState();
    resetGameRand();
    ReplayPlayer player;
    if (auto problem = player.load(path)) {
        return {1, path + ": " + *problem};
    }
    if (!enterDataDir()) {
        return {1, path + ": not verified"};
    }
    if (RecipeLoad load = loadRecipes(RECIPES_PATH); load.status == RecipeLoad::Invalid) {
        return {1, path + ": not verified: " + load.message};
    }
    Loop loop;
    return *player.play(loop, UINT64_MAX);
}
}  // namespace

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
        r.frame.hashes = hashState(placeOf(loop));
    }
    // No player comes near the limit, but a file the reader would refuse is no replay.
    if (r.frame.events.size() > REPLAY_EVENTS_PER_FRAME) {
        std::cerr << "Brambix: frame " << r.index + 1 << " read more than " << REPLAY_EVENTS_PER_FRAME
                  << " input events; the replay " << r.path << " ends before it and the game plays on\n";
        r.failed = true;
        return;
    }
    bytes += r.encoder.frame(r.frame);
    r.frame.events.clear();
    ++r.index;
    if (!r.file->write(bytes)) {
        std::cerr << "Brambix: cannot write the replay " << r.path << ": " << r.file->problem()
                  << "; the game plays on without recording\n";
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

ReplayPlayer::ReplayPlayer() : p_(std::make_unique<Playback>()), io_(playbackPlatform(*p_, [](uint32_t) {})) {}

ReplayPlayer::~ReplayPlayer() = default;

std::optional<std::string> ReplayPlayer::load(const std::string& path)
{
    return openReplay(*p_, path);
}

std::optional<Verdict> ReplayPlayer::play(Loop& loop, uint64_t frames, bool checkpoints)
{
    if (p_->reader.frames() == 0) {
        if (auto problem = checkBook(*p_)) {
            return Verdict{1, p_->path + ": " + *problem};
        }
    }
    for (uint64_t i = 0; i < frames; ++i) {
        const ReplayReader::Next n = p_->advance();
        if (n != ReplayReader::Frame) {
            return finalVerdict(*p_, n);
        }
        stepFrame(loop, io_);
        if (auto differs = checkpoints ? checkFrame(*p_, loop) : std::nullopt) {
            return differs;
        }
    }
    return std::nullopt;
}

uint64_t ReplayPlayer::framesPlayed() const
{
    return p_->reader.frames();
}

uint64_t ReplayPlayer::lastTicks() const
{
    return p_->frame.ticks;
}

Verdict verifyReplay(const std::string& path)
{
    // Reading is bounded, but a machine short of memory still gets a verdict, not an abort.
    try {
        return verifyUnguarded(path);
    } catch (const std::bad_alloc&) {
        return {1, path + ": not verified: out of memory"};
    } catch (const std::exception& e) {
        return {1, path + ": not verified: " + e.what()};
    }
}

int watchReplay(const std::string& path, bool wholePixels)
{
    Playback p;
    if (auto problem = openReplay(p, path)) {
        std::cerr << path << ": " << *problem << '\n';
        return 1;
    }
    Game game;
    game.gfx.wholePixels = wholePixels;
    if (!startGame(game)) {
        return 1;
    }
    if (auto problem = checkBook(p)) {
        std::cerr << path << ": " << *problem << '\n';
        stopGame(game);
        return 1;
    }
    Platform window = game.io;
    Platform replay = playbackPlatform(p, window.delay);
    std::optional<Verdict> verdict;
    bool noticesShown = false;
    bool watching = true;
    while (watching) {
        // The window's own events: closing it ends the show; F11 still switches.
        InputEvent e;
        while (window.pollEvent(e)) {
            watching = watching && e.kind != InputEvent::Kind::Quit;
        }
        if (verdict) {
            drawFrame(game.loop, p.pointer, game.gfx);
            window.delay(FRAME_PAUSE_MS);
            continue;
        }
        const ReplayReader::Next n = p.advance();
        if (n != ReplayReader::Frame) {
            verdict = finalVerdict(p, n);
        } else {
            runFrame(game.loop, replay, game.gfx);
            verdict = checkFrame(p, game.loop);
        }
        if (!noticesShown) {
            showNoticesWhereUnread(game.gfx.window);
            noticesShown = true;
        }
        if (verdict) {
            (verdict->status == 0 ? std::cout : std::cerr) << verdict->line << std::endl;
        }
    }
    stopGame(game);
    return verdict ? verdict->status : 0;
}
