// Brambix in a web browser: the browser calls one frame per animation frame.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>

#include "shell/app.h"
#include "shell/options.h"
#include "shell/replay.h"
#include "shell/report.h"
#include "shell/sdl.h"

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

void browserFrame(void*)
{
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
    (v.status == 0 ? std::cout : std::cerr) << v.line << std::endl;
    showReplayVerdict(v.line.c_str(), v.status);
    return v.status;
}
}  // namespace

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
    emscripten_set_main_loop_arg(browserFrame, nullptr, 0 /* each animation frame */, false);
    return 0;
}
