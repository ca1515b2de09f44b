// Playback: a replay as the frame's platform, verified without a window or watched in
// one.
#include "replay/playback.h"

#include <new>
#include <optional>
#include <stdexcept>

#include "shell/app/app.h"
#include "shell/app/assets.h"
#include "shell/app/datadir.h"
#include "shell/app/frame.h"
#include "shell/app/report.h"
#include "files/regular_file.h"
#include "replay/record.h"
#include "replay/replay_file.h"
#include "rules/random.h"
#include "rules/recipe_book.h"
#include "rules/state.h"

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
    const StateHashes now = checkpointHashes(loop);
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
        writeErr(path + ": " + *problem + '\n');
        return 1;
    }
    Game game;
    game.gfx.wholePixels = wholePixels;
    if (!startGame(game)) {
        return 1;
    }
    if (auto problem = checkBook(p)) {
        writeErr(path + ": " + *problem + '\n');
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
            (verdict->status == 0 ? writeOut : writeErr)(verdict->line + '\n');
        }
    }
    stopGame(game);
    return verdict ? verdict->status : 0;
}
