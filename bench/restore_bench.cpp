// Bringing a kept run back, as the web page does on a reload: a run of one and of four
// hours is played and kept (walking a widening spiral two thirds of the time, breaking a
// tile every two seconds), ending a frame short of the next snapshot so that coming back
// also plays the most frames it ever does, then restored from its files again and again. Its files stay
// in kept-60/ and kept-240/ of the working folder, for loading into the page by hand.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "rules/recipe_book.h"
#include "rules/state.h"
#include "replay/kept_run.h"

namespace {
constexpr uint64_t FRAMES_A_MINUTE = 3600;
constexpr int KEY_W = 26, KEY_A = 4, KEY_S = 22, KEY_D = 7;

// Plays `minutes` of the game through the keeper; returns where its files are.
KeptRunFiles playAndKeep(int minutes)
{
    const std::string dir = "kept-" + std::to_string(minutes);
    std::filesystem::create_directories(dir);
    const KeptRunFiles files{dir + "/snapshot", dir + "/frames", dir + "/hash"};
    Loop fresh;
    startAfresh(fresh);
    static uint64_t now = 0;
    static uint64_t frame = 0;
    static bool click = false;
    Game game;
    game.io = {
        [] { return now; },
        [](InputEvent& e) {
            if (!click) {
                return false;
            }
            click = false;
            e = {InputEvent::Kind::MouseDown, 0, 1};
            return true;
        },
        [] { return PointerPos{460.0f, 300.0f}; },
        [] {
            // A leg of the spiral a minute, each a little longer than the one before.
            static constexpr int LEGS[] = {KEY_D, KEY_S, KEY_A, KEY_W};
            const uint64_t minute = frame / FRAMES_A_MINUTE;
            KeyState keys{};
            keys[LEGS[minute % 4]] = frame % FRAMES_A_MINUTE < 2400 + minute * 4;
            return keys;
        },
        [](uint32_t) {},
    };
    RunKeeper keeper;
    keeper.files = files;
    startKeeping(keeper, game, now);
    for (frame = 0; frame < FRAMES_A_MINUTE * static_cast<uint64_t>(minutes) + SNAPSHOT_EVERY_FRAMES - 1; ++frame) {
        now += 16 + frame % 3 / 2;
        click = frame % 120 == 0;
        stepFrame(game.loop, game.io);
        keepFrame(keeper, game.loop);
    }
    noteKeptHash(keeper, game.loop);
    return files;
}

void restore(benchmark::State& state, int minutes)
{
    static std::map<int, KeptRunFiles> runs;
    if (!runs.contains(minutes)) {
        runs[minutes] = playAndKeep(minutes);
    }
    const KeptRunFiles& files = runs[minutes];
    for (auto _ : state) {
        Loop loop;
        startAfresh(loop);
        RunRestore r;
        std::optional<std::string> done = beginRestore(r, files, loop);
        while (!done) {
            done = continueRestore(r, loop, UINT64_MAX);
        }
        if (!done->empty()) {
            state.SkipWithError(done->c_str());
            return;
        }
    }
    state.counters["snapshot_kB"] = static_cast<double>(std::filesystem::file_size(files.snapshot)) / 1000.0;
    state.counters["frames_kB"] = static_cast<double>(std::filesystem::file_size(files.frames)) / 1000.0;
    state.counters["seen_tiles"] = static_cast<double>(chunks.size());
}
}  // namespace

BENCHMARK_CAPTURE(restore, one_hour, 60)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(restore, four_hours, 240)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The recipe book of the game's data folder, which a kept run is tied to.
    if (loadRecipes(BRAMBIX_RUN_DIR "/" + std::string(RECIPES_PATH)).status == RecipeLoad::Invalid) {
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
