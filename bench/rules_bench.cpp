// Costs of the rules a frame runs, without SDL: one creature's update (walking, and
// choosing a new target), every creature's update in one frame, the tile lookups of
// one frame's block of tiles, the pick-up check over dropped items, and matching the
// crafting grid against the shipped recipe book.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "rules/clock.h"
#include "rules/crafting.h"
#include "rules/creatures.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/recipe_book.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"

namespace {

constexpr uint64_t FRAME_MS = 16;
constexpr uint64_t START_MS = 1000;

// The benchmarks' clock: it moves only when a benchmark advances it.
uint64_t fakeNow = START_MS;
uint64_t fakeTicks()
{
    return fakeNow;
}

void startClean()
{
    resetGameState();
    resetGameRand();
    fakeNow = START_MS;
    setTickSource(fakeTicks);
}

// The block of tiles a frame handles with the player at the origin: 16 columns by 13
// rows from one tile left of and above the camera's corner.
constexpr int32_t VIEW_COLUMNS = 16;
constexpr int32_t VIEW_ROWS = 13;
constexpr int32_t VIEW_FIRST_X = -7;  // tileOf(0 - 368) - 1
constexpr int32_t VIEW_FIRST_Y = -6;  // tileOf(0 - 268) - 1

// `n` creatures scattered over a large area, each at a different point of its wander
// cycle, so one frame mixes walking, standing and choosing a new target.
void scatterCreatures(int n)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<float> pos(-200000.0f, 200000.0f);
    std::uniform_real_distribution<float> step(-200.0f, 199.0f);
    std::uniform_int_distribution<uint64_t> due(0, WANDER_MIN_MS + WANDER_SPREAD_MS);
    mobs.clear();
    mobs.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Mob m;
        m.type = i % MOB_KINDS;
        m.x = pos(gen);
        m.y = pos(gen);
        m.tx = m.x + step(gen);
        m.ty = m.y + step(gen);
        m.nextMove = fakeNow + due(gen);
        mobs.push_back(m);
    }
}

// A creature on its way to a target it keeps; the target is moved on every frame so
// it never arrives.
void BM_MobUpdate_Walking(benchmark::State& state)
{
    startClean();
    Mob m;
    m.nextMove = UINT64_MAX;
    for (auto _ : state) {
        fakeNow += FRAME_MS;
        m.tx = m.x + 150.0f;
        m.ty = m.y - 80.0f;
        m.update();
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_MobUpdate_Walking);

// A creature whose wait is over: three random draws for a new target, then a step.
void BM_MobUpdate_NewTarget(benchmark::State& state)
{
    startClean();
    Mob m;
    for (auto _ : state) {
        fakeNow += FRAME_MS;
        m.nextMove = 0;
        m.update();
        benchmark::DoNotOptimize(m);
    }
}
BENCHMARK(BM_MobUpdate_NewTarget);

// What the frame's creature pass costs: every creature updated once per frame.
void BM_AllCreaturesOneFrame(benchmark::State& state)
{
    startClean();
    scatterCreatures(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        fakeNow += FRAME_MS;
        for (Mob& m : mobs) {
            m.update();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AllCreaturesOneFrame)->ArgName("creatures")->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// getTile for the 208 tiles of a frame's block, with `range(0)` changed tiles stored
// elsewhere in the world.
void BM_GetTileFrameBlock(benchmark::State& state)
{
    startClean();
    const int changed = static_cast<int>(state.range(0));
    for (int i = 0; i < changed; ++i) {
        world[{10000 + i % 400, 10000 + i / 400}] = (i % 2 == 0) ? ITEM_PLANKS : ITEM_CRAFTING_TABLE;
    }
    for (auto _ : state) {
        int sum = 0;
        for (int32_t x = VIEW_FIRST_X; x < VIEW_FIRST_X + VIEW_COLUMNS; ++x) {
            for (int32_t y = VIEW_FIRST_Y; y < VIEW_FIRST_Y + VIEW_ROWS; ++y) {
                sum += getTile(x, y);
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * VIEW_COLUMNS * VIEW_ROWS);
}
BENCHMARK(BM_GetTileFrameBlock)->ArgName("changed_tiles")->Arg(0)->Arg(100000);

// The pick-up check with every dropped item out of reach: nothing is collected, so
// each frame walks the whole list.
void BM_PickUpDropsFarAway(benchmark::State& state)
{
    startClean();
    const int n = static_cast<int>(state.range(0));
    drops.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        drops.push_back({ITEM_WOOD + i % 6, 5000.0f + static_cast<float>(i % 1000) * 64.0f,
                         -3000.0f + static_cast<float>(i / 1000) * 64.0f});
    }
    for (auto _ : state) {
        pickUpDrops(0.0f, 0.0f);
        benchmark::ClobberMemory();
    }
    if (drops.size() != static_cast<size_t>(n)) {
        state.SkipWithError("a far item was picked up");
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PickUpDropsFarAway)->ArgName("drops")->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// checkRecipes on the shipped book. range(0): 1 the 3x3 table, 0 the 2x2 grid;
// range(1): 1 the grid holds the last recipe that grid can make, 0 it holds that
// layout with its last item swapped for meat, which no recipe uses, so every recipe is
// tried and none matches.
void BM_CheckRecipes(benchmark::State& state)
{
    startClean();
    const bool is3x3 = state.range(0) != 0;
    const bool match = state.range(1) != 0;
    if (loadRecipes(BRAMBIX_SOURCE_DIR "/assets/recipes.json").status != RecipeLoad::Loaded) {
        state.SkipWithError("cannot load the recipe book");
        return;
    }
    // The last entry with a layout for this grid.
    const json& list = recipes["recipes"];
    const json* last = nullptr;
    for (const json& entry : list) {
        const json& layout = entry[is3x3 ? "pattern" : "eq_pattern"];
        if (layout.is_array()) {
            last = &entry;
        }
    }
    if (last == nullptr) {
        state.SkipWithError("no recipe for this grid");
        return;
    }
    const json& layout = (*last)[is3x3 ? "pattern" : "eq_pattern"];
    int lastFilled = -1;
    for (size_t k = 0; k < layout.size(); ++k) {
        const size_t cell = is3x3 ? k : static_cast<size_t>(map22[k]);
        craftGrid[cell] = {layout[k].get<int32_t>(), 3};
        if (craftGrid[cell].id != 0) {
            lastFilled = static_cast<int>(cell);
        }
    }
    if (!match) {
        craftGrid[static_cast<size_t>(lastFilled)] = {ITEM_MEAT, 3};
    }

    checkRecipes(is3x3);
    const ItemStack expected = match ? ItemStack{(*last)["result"].get<int32_t>(), (*last)["amount"].get<int32_t>()}
                                     : ItemStack{};
    if (craftRes != expected) {
        state.SkipWithError("the grid did not give the expected product");
        return;
    }
    state.SetLabel((*last)["name"].get<std::string>() + (match ? "" : " with meat"));
    for (auto _ : state) {
        checkRecipes(is3x3);
        benchmark::DoNotOptimize(craftRes);
    }
}
BENCHMARK(BM_CheckRecipes)->ArgNames({"is3x3", "match"})->ArgsProduct({{0, 1}, {1, 0}});

// A slot click with a book of `range(0)` recipes, each with its own 3x3 layout, and the
// grid holding the layout of the last one: the product is only found at the end of the
// book if the book is searched in order.
void BM_ClickWithRecipeBook(benchmark::State& state)
{
    startClean();
    const int n = static_cast<int>(state.range(0));
    json list = json::array();
    std::array<int, GRID_CELLS> layout{};
    for (int i = 1; i <= n; ++i) {
        // The digits of i in base ITEM_COUNT, one per cell: every recipe differs.
        int rest = i;
        for (auto& cell : layout) {
            cell = rest % ITEM_COUNT;
            rest /= ITEM_COUNT;
        }
        list.push_back({{"pattern", layout}, {"result", ITEM_STICK}, {"amount", 1 + i % 64}});
    }
    recipes = {{"recipes", std::move(list)}};
    indexRecipes();
    for (size_t k = 0; k < GRID_CELLS; ++k) {
        craftGrid[k] = {layout[k], 2};
    }
    clickSlot(hotbar[0], BUTTON_MIDDLE, true);
    if (craftRes != ItemStack{ITEM_STICK, 1 + n % 64}) {
        state.SkipWithError("the grid did not give the last recipe's product");
        return;
    }
    for (auto _ : state) {
        clickSlot(hotbar[0], BUTTON_MIDDLE, true);
        benchmark::DoNotOptimize(craftRes);
    }
}
BENCHMARK(BM_ClickWithRecipeBook)->ArgName("recipes")->Arg(34)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// Storage full of other items, one inventory slot freed, and `range(0)` single items
// lying under the player: one frame's pick-up fills the freed slot.
void BM_PickUpBesideAPile(benchmark::State& state)
{
    startClean();
    const size_t n = static_cast<size_t>(state.range(0));
    const std::vector<DroppedItem> pile(n, DroppedItem{ITEM_WOOD, 10.0f, 10.0f});
    for (auto _ : state) {
        state.PauseTiming();
        hotbar.fill({ITEM_LEAF, MAX_STACK});
        inv.assign(INV_SLOTS, ItemStack{ITEM_LEAF, MAX_STACK});
        inv[INV_SLOTS - 1] = {};
        drops = pile;
        state.ResumeTiming();
        pickUpDrops(0.0f, 0.0f);
    }
    if (inv[INV_SLOTS - 1] != ItemStack{ITEM_WOOD, MAX_STACK}) {
        state.SkipWithError("the freed slot was not filled");
    }
}
BENCHMARK(BM_PickUpBesideAPile)->ArgName("items")->Arg(1000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// E with every slot full of other items while the pointer carries a product of
// `range(0)`: all of it has to go to the ground.
void BM_GiveBackWithFullStorage(benchmark::State& state)
{
    startClean();
    const int amount = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        drops.clear();
        hotbar.fill({ITEM_LEAF, MAX_STACK});
        inv.assign(INV_SLOTS, ItemStack{ITEM_LEAF, MAX_STACK});
        drag = {ITEM_PLANKS, amount};
        showInv = true;
        state.ResumeTiming();
        toggleInventory(0.0f, 0.0f);
    }
}
BENCHMARK(BM_GiveBackWithFullStorage)->ArgName("amount")->Arg(2)->Arg(100000)->Arg(INT32_MAX)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
