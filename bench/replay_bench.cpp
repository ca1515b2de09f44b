// How much faster than it was played each committed replay verifies without a window:
// the counter times_real_time is the replay's game time over the CPU time it took (on a
// busy machine the wall time measures the other processes; run it on a quiet one with
// --benchmark_counters_tabular=true and compare Time with CPU).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "replay/replay_file.h"
#include "replay/playback.h"

namespace {
// The game time a replay covers, from its first frame's tick to its last.
double gameSeconds(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    ReplayReader reader(std::string{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
    ReplayFrame f;
    if (!reader.readHeader()) {
        return 0.0;
    }
    while (reader.next(f) == ReplayReader::Frame) {
    }
    return static_cast<double>(f.ticks - reader.header().startTicks) / 1000.0;
}

void verify(benchmark::State& state, const char* name)
{
    const std::string path = std::string(BRAMBIX_SOURCE_DIR "/tests/replays/") + name;
    const double seconds = gameSeconds(path);
    for (auto _ : state) {
        const Verdict v = verifyReplay(path);
        if (v.status != 0) {
            state.SkipWithError(v.line.c_str());
            return;
        }
    }
    state.counters["game_s"] = seconds;
    state.counters["times_real_time"] = benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
}
}  // namespace

BENCHMARK_CAPTURE(verify, walk_far, "walk-far.brx")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(verify, craft_and_hunt, "craft-and-hunt.brx")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The game's data folder: the recipe book the replays were recorded with.
    setenv("BRAMBIX_DATA_DIR", BRAMBIX_RUN_DIR, 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
