// Brambix in a web browser: the browser calls one frame per animation frame.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "brambix/options.h"
#include "rules/recipe_list.h"
#include "shell/app/app.h"
#include "shell/app/report.h"
#include "shell/input/bindings.h"
#include "shell/platform/sdl.h"
#include "replay/kept_run.h"
#include "replay/playback.h"

EM_JS_DEPS(brambix_notices, "$UTF8ToString,$stringToNewUTF8");

// Hands a replay's verdict to the page, which shows it.
EM_JS(void, showReplayVerdict, (const char* line, int status), {
    if (Module.replayVerdict) Module.replayVerdict(UTF8ToString(line), status);
});

// The name the page gave the replay (the URL it was asked for), or null when it gave none.
EM_JS(char*, replayNameFromPage, (), {
    return Module.replayName ? stringToNewUTF8(Module.replayName) : 0;
});

// Tells the page that the game stopped and why; the page puts that in place of the game.
EM_JS(void, showStopped, (const char* why), {
    if (Module.gameStopped) Module.gameStopped(UTF8ToString(why));
});

// The run kept in the tab's storage: the page copies these files there and back.
EM_JS(void, keepRunInPage, (double snapshots), {
    if (Module.keepRun) Module.keepRun(snapshots);
});
EM_JS(void, showRestoreProgress, (double done, double elapsedMs), {
    if (Module.restoreProgress) Module.restoreProgress(done, elapsedMs);
});
EM_JS(void, showRunNotice, (const char* line), {
    if (Module.showRunNotice) Module.showRunNotice(UTF8ToString(line));
});

// Tells the page's controls panel what the controls are and may be.
EM_JS(void, showControlsInPage, (const char* json), {
    if (Module.showControls) Module.showControls(UTF8ToString(json));
});

// Tells the page's recipes panel what the recipe book the game loaded makes.
EM_JS(void, showRecipesInPage, (const char* json), {
    if (Module.showRecipes) Module.showRecipes(UTF8ToString(json));
});

namespace {
// The game is tuned to 60 frames a second. A display that refreshes faster calls more
// often: a frame runs only when its turn has come, less a quarter frame of slack so that
// the jitter of a 60 Hz display never skips one. A late frame moves the turns on rather
// than letting frames catch up.
constexpr double FRAME_MS = 1000.0 / 60.0;
constexpr double FRAME_SLACK_MS = FRAME_MS / 4.0;

// The game outlives main: the browser calls the frames after main has returned.
Game game;
double nextFrameMs = 0.0;

// Runs `step`. An exception it lets out is returned as its text: past this point the
// browser would show only the exception's address, a bare number.
template <class Step>
std::optional<std::string> failureOf(Step&& step)
{
    try {
        step();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return "out of memory (std::bad_alloc)";
    } catch (const std::exception& e) {
        return std::string(e.what());
    } catch (...) {
        return "an exception of unknown kind";
    }
}

// The run lives as long as its tab: kept at least once a second and whenever the page
// is hidden, and brought back before the first frame when the page loads again.
const KeptRunFiles KEPT = {"/kept/snapshot", "/kept/frames", "/kept/hash"};
constexpr double KEEP_EVERY_MS = 900.0;
// Coming back plays kept frames before the first frame; what takes longer than half a
// second goes on in slices between which the page shows its progress.
constexpr double RESTORE_AT_ONCE_MS = 500.0;
constexpr double RESTORE_SLICE_MS = 40.0;
constexpr uint64_t RESTORE_STEP_FRAMES = 300;
RunKeeper keeper;
RunRestore restore;
bool keeping = false;
bool restoring = false;
double restoreStartMs = 0.0;
double keptAtMs = 0.0;

void keepNow()
{
    noteKeptHash(keeper, game.loop);
    keepRunInPage(static_cast<double>(keeper.snapshots));
    keptAtMs = emscripten_get_now();
}

// The game's clock goes on from `clockTicks`, where the run stopped, and counts at most
// a quarter second from one frame to the next: time spent away from the page (gone, or
// hidden, when the browser draws no frames) does not count.
constexpr uint64_t MOST_TICKS_A_FRAME = 250;
void startKeepingFrom(uint64_t clockTicks)
{
    struct Clock {
        std::function<uint64_t()> counter;
        uint64_t counted;
        uint64_t now;
    };
    auto clock = std::make_shared<Clock>(Clock{game.io.ticks, game.io.ticks(), clockTicks});
    game.io.ticks = [clock] {
        const uint64_t counted = clock->counter();
        clock->now += std::min(counted - clock->counted, MOST_TICKS_A_FRAME);
        clock->counted = counted;
        return clock->now;
    };
    keeper.files = KEPT;
    startKeeping(keeper, game, clockTicks);
    keeping = true;
    keepNow();
}

// Ends coming back: the run as it was kept, or, with `problem`, a fresh world and why.
void finishRestore(const std::string& problem)
{
    restoring = false;
    uint64_t clockTicks = restore.clockTicks;
    if (!problem.empty()) {
        startAfresh(game.loop);
        clockTicks = game.io.ticks();
        showRunNotice(("The run kept in this tab could not be brought back: " + problem + ". A new world has begun.").c_str());
        // The player is told what happened; the console, for whoever looks into it, exactly what.
        writeOut("Brambix: the kept run was not brought back: " + restore.detail + '\n');
    }
    showRestoreProgress(1.0, emscripten_get_now() - restoreStartMs);
    startKeepingFrom(clockTicks);
}

void restoreSlice(double sliceMs)
{
    const double until = emscripten_get_now() + sliceMs;
    std::optional<std::string> done;
    while (!(done = continueRestore(restore, game.loop, RESTORE_STEP_FRAMES)) && emscripten_get_now() < until) {
    }
    if (done) {
        finishRestore(*done);
        return;
    }
    const double part = static_cast<double>(restore.player.framesPlayed()) /
                        static_cast<double>(std::max<uint64_t>(restore.keptFrames, 1));
    showRestoreProgress(std::min(part, 0.99), emscripten_get_now() - restoreStartMs);
}

// Begins bringing back the run the page found in the tab's storage, if any.
void beginKeeping()
{
    std::error_code ec;
    const bool kept = std::filesystem::exists(KEPT.snapshot, ec) || std::filesystem::exists(KEPT.frames, ec) ||
                      std::filesystem::exists(KEPT.hash, ec);
    if (!kept) {
        startKeepingFrom(game.io.ticks());
        return;
    }
    restoreStartMs = emscripten_get_now();
    if (auto problem = beginRestore(restore, KEPT, game.loop)) {
        finishRestore(*problem);
        return;
    }
    restoring = true;
    restoreSlice(RESTORE_AT_ONCE_MS);
}

// The page's controls and recipes panels are told what they show once the first picture
// is up: on a slow phone, building them would hold that picture back.
bool drewFirstFrame = false;
bool toldControls = false;

void browserFrame(void*)
{
    if (restoring) {
        restoreSlice(RESTORE_SLICE_MS);
        return;
    }
    if (drewFirstFrame && !toldControls) {
        toldControls = true;
        showControlsInPage(controlsPanelJson(activeControls()).c_str());
        showRecipesInPage(recipeListJson(listRecipes(recipes)).dump().c_str());
    }
    const double now = emscripten_get_now();
    if (now < nextFrameMs - FRAME_SLACK_MS) {
        return;
    }
    nextFrameMs = std::max(nextFrameMs + FRAME_MS, now);
    if (auto failure = failureOf([] { runFrame(game.loop, game.io, game.gfx); })) {
        emscripten_cancel_main_loop();
        showStopped(failure->c_str());
        return;
    }
    drewFirstFrame = true;
    keepFrame(keeper, game.loop);
    if (now - keptAtMs >= KEEP_EVERY_MS) {
        keepNow();
    }
    if (!game.loop.running) {
        emscripten_cancel_main_loop();
        stopGame(game);
    }
}

// The page's ?replay=URL: the page puts the file at argv's path; the verdict, naming the
// URL in place of that path, goes to the console and to the page. A failure of any kind
// is a verdict too.
int verifyForPage(const std::string& path)
{
    Verdict v;
    if (auto failure = failureOf([&] { v = verifyReplay(path); })) {
        v = {1, path + ": not verified: " + *failure};
    }
    if (char* name = replayNameFromPage()) {
        if (v.line.starts_with(path + ":")) {
            v.line.replace(0, path.size(), name);
        }
        std::free(name);
    }
    (v.status == 0 ? writeOut : writeErr)(v.line + '\n');
    showReplayVerdict(v.line.c_str(), v.status);
    return v.status;
}
}  // namespace

// The page asks for the run to be kept as it is now: it is being hidden or left.
extern "C" EMSCRIPTEN_KEEPALIVE void brambixKeepRun()
{
    if (keeping) {
        keepNow();
    }
}

// The page's controls panel wrote the controls file: the game plays by it from now on,
// and what it could not use is shown as the notices at start are.
extern "C" EMSCRIPTEN_KEEPALIVE void brambixReadControls()
{
    const std::string said = useControlsFile();
    if (!said.empty()) {
        EM_ASM({ if (Module.showNotices) Module.showNotices(UTF8ToString($0)); }, said.c_str());
    }
    showControlsInPage(controlsPanelJson(activeControls()).c_str());
}

int main(int argc, char** argv)
{
    if (const CommandLine line = parseCommandLine(argc, argv); line.action == CommandLine::Verify) {
        return verifyForPage(line.replay);
    }
    bool started = false;
    if (auto failure = failureOf([&] { started = startGame(game); })) {
        showStopped(failure->c_str());
        return 1;
    }
    if (!started) {
        // The page puts the reason, already on standard error, in place of the game.
        EM_ASM(if (Module.startFailed) Module.startFailed(););
        return 1;
    }
    // What the game plays on without reaches only the browser's console: the page shows it.
    if (const std::string notices = collectedNotices(); !notices.empty()) {
        EM_ASM({ if (Module.showNotices) Module.showNotices(UTF8ToString($0)); }, notices.c_str());
    }
    // The browser paces the frames: the desktop's pause would only stall the page. SDL
    // turns a renderer without vsync into a loop on timers at the first event poll,
    // which runs as fast as it can: with vsync the display's refresh paces it.
    game.io.delay = [](uint32_t) {};
    SDL_SetRenderVSync(game.gfx.renderer, 1);
    beginKeeping();
    emscripten_set_main_loop_arg(browserFrame, nullptr, 0 /* each animation frame */, false);
    return 0;
}
