// Time per frame of the whole game loop's own work: runFrame (rules, input, drawing and
// presenting) on an offscreen software renderer with the real pictures and font, a
// fake platform (no events, a fake clock moved 16 ms a frame, a pause that does not
// wait). Worlds: fresh at the origin, and after long play (10,000 or 100,000 creatures,
// 100,000 seen tiles, 100,000 changed tiles and 10,000 dropped items, all off screen),
// each with the inventory screen closed and open, standing still or walking; and a fresh
// world with the window resized. A second group times the frame's parts on the same
// worlds to show where the time goes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "rules/clock.h"
#include "rules/creatures.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"
#include "shell/app/app.h"
#include "shell/draw/draw.h"
#include "shell/app/frame.h"
#include "shell/draw/picture.h"
#include "shell/input/bindings.h"
#include "shell/platform/sdl.h"

namespace {

constexpr uint64_t START_MS = 1000;

// The benchmarks' clock, for both the platform and the rules; moved by the benchmarks.
uint64_t fakeNow = START_MS;
uint64_t fakeTicks()
{
    return fakeNow;
}

Gfx gfx;  // created once in main, shared by every benchmark

Platform fakePlatform(KeyState keys)
{
    Platform io;
    io.ticks = [] { return fakeNow; };
    io.pollEvent = [](InputEvent&) { return false; };
    io.mouseState = [] { return PointerPos{400.0f, 300.0f}; };
    io.keyboardState = [keys] { return keys; };
    io.delay = [](uint32_t) {};
    return io;
}

KeyState noKeys()
{
    return KeyState{};
}

KeyState walkingUp()
{
    KeyState keys{};
    keys[SDL_SCANCODE_W] = true;
    return keys;
}

// Everything lying about after long play is at least this far to the side of the
// origin, so neither the still player nor one walking straight up ever sees it.
constexpr float FAR_PX = 5000.0f;
constexpr float SPREAD_PX = 200000.0f;
constexpr int LONG_PLAY_SEEN_TILES = 100000;
constexpr int LONG_PLAY_CHANGED_TILES = 100000;
constexpr int LONG_PLAY_DROPS = 10000;

void fillSlots()
{
    hotbar = {{{ITEM_PLANKS, 64}, {ITEM_STICK, 12}, {ITEM_WOOD, 128}, {ITEM_WOODEN_AXE, 1}, {ITEM_MEAT, 7}}};
    for (int i = 0; i < 15; ++i) {
        inv[static_cast<size_t>(i)] = {ITEM_GRASS + i % 7, 2 + (i * 37) % 127};
    }
    inv[15] = {ITEM_WOODEN_PICKAXE, 1};
    craftGrid[0] = {ITEM_WOOD, 5};
    craftRes = {ITEM_PLANKS, 4};
}

void addLongPlay(int creatures)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> side(FAR_PX, SPREAD_PX);
    std::uniform_real_distribution<float> along(-SPREAD_PX, SPREAD_PX);
    std::uniform_int_distribution<uint64_t> due(0, WANDER_MIN_MS + WANDER_SPREAD_MS);
    std::bernoulli_distribution left(0.5);
    auto farX = [&] { return left(gen) ? -side(gen) : side(gen); };

    mobs.reserve(mobs.size() + static_cast<size_t>(creatures));
    for (int i = 0; i < creatures; ++i) {
        Mob m;
        m.type = i % MOB_KINDS;
        m.x = farX();
        m.y = along(gen);
        m.tx = m.x;
        m.ty = m.y;
        m.nextMove = fakeNow + due(gen);
        mobs.push_back(m);
    }
    // Seen tiles to the right, changed tiles to the left, in square patches.
    for (int i = 0; i < LONG_PLAY_SEEN_TILES; ++i) {
        chunks[{300 + i % 400, -125 + i / 400}] = true;
    }
    for (int i = 0; i < LONG_PLAY_CHANGED_TILES; ++i) {
        world[{-700 - i % 400, -125 + i / 400}] = (i % 3 == 0) ? ITEM_CRAFTING_TABLE : ITEM_PLANKS;
    }
    drops.reserve(static_cast<size_t>(LONG_PLAY_DROPS));
    for (int i = 0; i < LONG_PLAY_DROPS; ++i) {
        drops.push_back({ITEM_WOOD + i % 6, farX(), along(gen)});
    }
}

// A new game at the origin, with the fake clock at its start and stacks in the slots.
void startGame()
{
    resetGameState();
    resetGameRand();
    fakeNow = START_MS;
    setTickSource(fakeTicks);
    lastDecay = fakeNow;
    fillSlots();
}

// The world a case starts from. creatures == 0: a fresh world; otherwise a world after
// long play with that many creatures far away. The first frame at the origin is run
// here, so the timed frames see no new tiles unless the player walks.
Loop prepare(int creatures, bool inventoryOpen)
{
    startGame();
    Loop loop;
    Platform io = fakePlatform(noKeys());
    runFrame(loop, io, gfx);
    if (creatures > 0) {
        addLongPlay(creatures);
    }
    showInv = inventoryOpen;
    return loop;
}

void nextFrameTime()
{
    fakeNow += FRAME_PAUSE_MS;
    hp = MAX_HP;  // no respawn in the middle of a run
}

void reportWorld(benchmark::State& state)
{
    state.counters["creatures"] = static_cast<double>(mobs.size());
    state.counters["seen_tiles"] = static_cast<double>(chunks.size());
    state.SetItemsProcessed(state.iterations());  // items/s = frames per second
}

// One whole frame; range(0) creatures (0 = fresh world), range(1) inventory open.
void BM_Frame(benchmark::State& state)
{
    Loop loop = prepare(static_cast<int>(state.range(0)), state.range(1) != 0);
    Platform io = fakePlatform(noKeys());
    for (auto _ : state) {
        nextFrameTime();
        runFrame(loop, io, gfx);
    }
    reportWorld(state);
}
BENCHMARK(BM_Frame)
    ->ArgNames({"creatures", "inv_open"})
    ->ArgsProduct({{0, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// One whole frame with W held: a new row of tiles comes into view every 10 or 11
// frames, is marked seen and rolls for creatures.
void BM_FrameWalking(benchmark::State& state)
{
    Loop loop = prepare(static_cast<int>(state.range(0)), false);
    Platform io = fakePlatform(walkingUp());
    for (auto _ : state) {
        nextFrameTime();
        runFrame(loop, io, gfx);
    }
    reportWorld(state);
    state.counters["walked_px"] = static_cast<double>(-loop.pY);
}
BENCHMARK(BM_FrameWalking)->ArgName("creatures")->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The very first frame of a fresh game: all 208 tiles are new, marked and rolled for.
void BM_FirstFrame(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        startGame();
        Loop loop;
        Platform io = fakePlatform(noKeys());
        state.ResumeTiming();
        runFrame(loop, io, gfx);
    }
}
BENCHMARK(BM_FirstFrame)->Unit(benchmark::kMicrosecond);

// The keyboard's part of every frame: which keys the frame sees held, through the
// player's controls (here the defaults, W and D held).
void BM_KeysHeld(benchmark::State& state)
{
    const Controls controls = defaultControls();
    const int w = SDL_SCANCODE_W;
    const int d = SDL_SCANCODE_D;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gameKeysHeld(controls, [w, d](int code) { return code == w || code == d; }));
    }
}
BENCHMARK(BM_KeysHeld)->Unit(benchmark::kMicrosecond);

// Sizes the window as a player would and lets SDL see it; false if the renderer's
// output did not follow.
bool resizeWindow(int w, int h)
{
    SDL_SetWindowSize(gfx.window, w, h);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
    }
    int outW = 0;
    int outH = 0;
    return SDL_GetRenderOutputSize(gfx.renderer, &outW, &outH) && outW == w && outH == h;
}

// One whole frame of a fresh world, standing, with the window range(0) by range(1)
// pixels: the 800 by 600 picture scaled to fit, with bars where the shape differs.
// range(2) 1: drawn into the picture and scaled in one copy, as the game does; 0: drawn
// straight into the window, every drawing scaled (the game's way without render targets).
void BM_FrameAtWindowSize(benchmark::State& state)
{
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    if (!resizeWindow(w, h)) {
        state.SkipWithError("the renderer's output did not follow the window's size");
        return;
    }
    SDL_Texture* const picture = gfx.picture;
    if (state.range(2) == 0) {
        gfx.picture = nullptr;
    }
    Loop loop = prepare(0, false);
    Platform io = fakePlatform(noKeys());
    for (auto _ : state) {
        nextFrameTime();
        runFrame(loop, io, gfx);
    }
    reportWorld(state);
    gfx.picture = picture;
    resizeWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
}
BENCHMARK(BM_FrameAtWindowSize)
    ->ArgNames({"w", "h", "picture"})
    ->ArgsProduct({{SCREEN_WIDTH}, {SCREEN_HEIGHT}, {0, 1}})
    ->ArgsProduct({{1600}, {1200}, {0, 1}})
    ->ArgsProduct({{2560}, {1440}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The parts of a standing frame, on the same worlds as BM_Frame.
// Everything before drawing: health, creatures, pick-up, camera, events, keys.
void BM_Part_Step(benchmark::State& state)
{
    Loop loop = prepare(static_cast<int>(state.range(0)), false);
    Platform io = fakePlatform(noKeys());
    for (auto _ : state) {
        nextFrameTime();
        stepFrame(loop, io);
    }
}
BENCHMARK(BM_Part_Step)->ArgName("creatures")->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The creature pass alone (the loop stepFrame runs).
void BM_Part_Creatures(benchmark::State& state)
{
    prepare(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        nextFrameTime();
        for (Mob& m : mobs) {
            m.update();
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Part_Creatures)->ArgName("creatures")->Arg(0)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The pick-up check alone (10,000 far items after long play).
void BM_Part_PickUp(benchmark::State& state)
{
    Loop loop = prepare(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        pickUpDrops(loop.pX, loop.pY);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Part_PickUp)->ArgName("creatures")->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Drawing and presenting: drawWorld (tiles with their lookups, items, creature culling,
// player, HUD), the inventory screen when range(1), and SDL_RenderPresent.
void BM_Part_DrawAndPresent(benchmark::State& state)
{
    Loop loop = prepare(static_cast<int>(state.range(0)), state.range(1) != 0);
    // Camera as stepFrame leaves it.
    Platform io = fakePlatform(noKeys());
    stepFrame(loop, io);
    for (auto _ : state) {
        drawWorld(gfx, loop);
        if (showInv) {
            drawScreen(gfx, PointerPos{400.0f, 300.0f});
        }
        SDL_RenderPresent(gfx.renderer);
    }
}
BENCHMARK(BM_Part_DrawAndPresent)
    ->ArgNames({"creatures", "inv_open"})
    ->ArgsProduct({{0, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

// The floor under any drawing: clearing the window and presenting it, with the window
// range(0) by range(1) pixels.
void BM_Part_ClearAndPresent(benchmark::State& state)
{
    if (!resizeWindow(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)))) {
        state.SkipWithError("the renderer's output did not follow the window's size");
        return;
    }
    for (auto _ : state) {
        SDL_SetRenderDrawColor(gfx.renderer, 30, 30, 30, 255);
        SDL_RenderClear(gfx.renderer);
        SDL_RenderPresent(gfx.renderer);
    }
    resizeWindow(SCREEN_WIDTH, SCREEN_HEIGHT);
}
BENCHMARK(BM_Part_ClearAndPresent)
    ->ArgNames({"w", "h"})
    ->Args({SCREEN_WIDTH, SCREEN_HEIGHT})
    ->Args({1600, 1200})
    ->Args({2560, 1440})
    ->Unit(benchmark::kMicrosecond);

// The renderer's driver name, e.g. "software"; empty when SDL cannot tell.
std::string rendererName(SDL_Renderer* r)
{
#if defined(BRAMBIX_SDL2)
    SDL_RendererInfo info;
    return SDL_GetRendererInfo(r, &info) == 0 ? info.name : "";
#else
    const char* name = SDL_GetRendererName(r);
    return name ? name : "";
#endif
}

bool allTexturesLoaded()
{
    for (int id = 1; id < ITEM_COUNT; ++id) {
        if (gfx.texs[static_cast<size_t>(id)] == nullptr) {
            return false;
        }
    }
    for (auto* t : gfx.playerFrames) {
        if (t == nullptr) {
            return false;
        }
    }
    for (auto& frames : gfx.mobFrames) {
        for (auto* t : frames) {
            if (t == nullptr) {
                return false;
            }
        }
    }
    return gfx.healthTex != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    // No display needed: SDL's dummy video driver and a software renderer.
#if defined(_WIN32)
    _putenv_s("SDL_VIDEODRIVER", "dummy");
#else
    setenv("SDL_VIDEODRIVER", "dummy", 1);
#endif
    std::error_code ec;
    std::filesystem::current_path(BRAMBIX_RUN_DIR, ec);
    if (ec) {
        std::fprintf(stderr, "frame_bench: cannot enter %s\n", BRAMBIX_RUN_DIR);
        return 1;
    }
    if (!SDL_Init(SDL_INIT_VIDEO) || !TTF_Init()) {
        std::fprintf(stderr, "frame_bench: SDL/TTF initialisation failed: %s\n", SDL_GetError());
        return 1;
    }
    gfx.window = SDL_CreateWindow("Brambix benchmark", SCREEN_WIDTH, SCREEN_HEIGHT, SDL_WINDOW_RESIZABLE);
    gfx.renderer = gfx.window ? SDL_CreateRenderer(gfx.window, "software") : nullptr;
    if (gfx.renderer == nullptr) {
        std::fprintf(stderr, "frame_bench: no software renderer: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_SetRenderDrawBlendMode(gfx.renderer, SDL_BLENDMODE_BLEND);
    setUpPicture(gfx);  // as in the game: the 800 by 600 picture scaled to the window
    if (gfx.picture == nullptr) {
        std::fprintf(stderr, "frame_bench: the renderer cannot draw into a texture: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    fnt = TTF_OpenFont(FONT_PATH, FONT_PT);
    loadTextures(gfx);
    if (fnt == nullptr || !allTexturesLoaded()) {
        std::fprintf(stderr, "frame_bench: the font or a picture under %s/assets is missing\n", BRAMBIX_RUN_DIR);
        destroyTextures(gfx);
        TTF_Quit();
        SDL_Quit();
        return 1;
    }
    benchmark::AddCustomContext("renderer", rendererName(gfx.renderer));
    benchmark::AddCustomContext("sdl", sdlx::flavour());

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    destroyTextures(gfx);
    TTF_CloseFont(fnt);
    fnt = nullptr;
    TTF_Quit();
    SDL_Quit();  // releases the renderer and the window
    return 0;
}
