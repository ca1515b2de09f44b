// Item conservation: seeded random play through the rules with a ledger by item id.
// Items appear only by breaking, killing and crafting, and disappear only by placing,
// eating and the one item crafting takes from each cell; every other action moves them.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "rules/actions.h"
#include "rules/creatures.h"
#include "rules/health.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/crafting.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"

#include "book_in_order.h"

namespace {

// Small products and huge ones: 200 grass, 1,073,741,888 planks (two overflow an int)
// and the largest amount there is.
const char* const BOOK = R"({"recipes": [
    {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4},
    {"pattern": [4,4,0, 4,4,0, 0,0,0], "eq_pattern": [4,4,4,4], "result": 6, "amount": 1},
    {"pattern": [4,0,0, 4,0,0, 0,0,0], "eq_pattern": [4,0,4,0], "result": 5, "amount": 4},
    {"pattern": [3,0,0, 0,0,0, 0,0,0], "eq_pattern": [3,0,0,0], "result": 1, "amount": 200},
    {"pattern": [7,0,0, 0,0,0, 0,0,0], "eq_pattern": [7,0,0,0], "result": 4, "amount": 1073741888},
    {"pattern": [1,0,0, 0,0,0, 0,0,0], "eq_pattern": [1,0,0,0], "result": 5, "amount": 2147483647},
    {"pattern": [1,1,0, 0,0,0, 0,0,0], "eq_pattern": [1,1,0,0], "result": 8, "amount": 3},
    {"pattern": [4,4,4, 0,5,0, 0,5,0], "eq_pattern": null,      "result": 9, "amount": 1},
    {"pattern": [0,0,0, 0,5,0, 0,0,0], "eq_pattern": null,      "result": 12, "amount": 128}
]})";

enum class Kind { Toggle, Click, Walk, Creature, Hunger };

// One step of play. Its numbers pick targets relative to the state it meets, so a step
// still means something when steps before it are taken away.
struct Action {
    Kind kind = Kind::Toggle;
    int button = 0;  // Click: mouse button; Walk, Creature: x offset
    int target = 0;  // Click: which slot, creature or tile; Walk, Creature: y offset
    int selected = 0;  // Click on the world: hotbar selection
};

std::string describe(const Action& a)
{
    std::ostringstream out;
    switch (a.kind) {
    case Kind::Toggle: out << "E"; break;
    case Kind::Click: out << "click button " << a.button << " target " << a.target << " selected " << a.selected; break;
    case Kind::Walk: out << "walk " << a.button << ", " << a.target << " and pick up"; break;
    case Kind::Creature: out << "creature appears at " << a.button << ", " << a.target; break;
    case Kind::Hunger: out << "a minute passes"; break;
    }
    return out.str();
}

using Ledger = std::array<int64_t, ITEM_COUNT>;

struct Play {
    float pX = 0.0f, pY = 0.0f;
};

// Every item the player owns, by id: stored, carried, in the grid and on the ground.
// Also checks every stack and drop is well formed; the problem goes to `bad`.
Ledger count(std::string& bad)
{
    Ledger l{};
    auto add = [&](int id, int n, const char* where) {
        if (id == 0 && n == 0) {
            return;
        }
        if (!isItem(id) || n < 1) {
            bad = std::string(where) + " holds id " + std::to_string(id) + " x " + std::to_string(n);
            return;
        }
        l[static_cast<size_t>(id)] += n;
    };
    for (const auto& s : hotbar) add(s.id, s.count, "a hotbar slot");
    for (const auto& s : inv) add(s.id, s.count, "an inventory slot");
    for (const auto& s : craftGrid) add(s.id, s.count, "a grid cell");
    add(drag.id, drag.count, "the pointer");
    for (const auto& d : drops) add(d.id, d.count, "a drop");
    return l;
}

// Click targets on a screen: hotbar, inventory, the open grid (twice as likely), the
// result slot (likelier still) and a point in no slot.
constexpr int GRID_TARGETS = 2 * GRID_CELLS;
constexpr int RESULT_TARGETS = 12;
constexpr int FIRST_RESULT_TARGET = HOTBAR_SLOTS + INV_SLOTS + GRID_TARGETS;
constexpr int TARGETS = FIRST_RESULT_TARGET + RESULT_TARGETS + 4;

SlotRect targetRect(int target)
{
    const bool table = !showInv;
    if (target < HOTBAR_SLOTS) return hotbarSlotRect(target);
    target -= HOTBAR_SLOTS;
    if (target < INV_SLOTS) return inventorySlotRect(target);
    target -= INV_SLOTS;
    // Half of the grid clicks go to the top-left cell, where most layouts start.
    if (target < GRID_TARGETS) return gridCellRect(target < GRID_CELLS ? 0 : target % gridCellCount(table), table);
    target -= GRID_TARGETS;
    if (target < RESULT_TARGETS) return resultSlotRect(table);
    return {700.0f, 20.0f, 40.0f, 40.0f};
}

// Runs `a` and returns what the ledger must change by.
Ledger apply(const Action& a, Play& p)
{
    Ledger delta{};
    const float cameraX = p.pX - 368.0f;
    const float cameraY = p.pY - 268.0f;
    switch (a.kind) {
    case Kind::Toggle:
        toggleInventory(p.pX, p.pY);
        break;
    case Kind::Walk:
        p.pX = std::clamp(p.pX + 16.0f * static_cast<float>(a.button), -160.0f, 160.0f);
        p.pY = std::clamp(p.pY + 16.0f * static_cast<float>(a.target), -160.0f, 160.0f);
        pickUpDrops(p.pX, p.pY);
        break;
    case Kind::Creature: {
        Mob m;
        m.x = p.pX + 16.0f * static_cast<float>(a.button);
        m.y = p.pY + 16.0f * static_cast<float>(a.target);
        mobs.push_back(m);
        break;
    }
    case Kind::Hunger:
        decayHealth(lastDecay + HP_DECAY_MS + 1);
        respawnIfDead(p.pX, p.pY);
        break;
    case Kind::Click:
        if (showInv || showCraft) {
            const SlotRect r = targetRect(a.target);
            const bool table = !showInv;
            const bool result = a.target >= FIRST_RESULT_TARGET && a.target < FIRST_RESULT_TARGET + RESULT_TARGETS;
            const bool fits = drag.id <= 0 || (drag.id == craftRes.id &&
                                               int64_t{drag.count} + craftRes.count <= MAX_STACK);
            if (result && craftRes.id > 0 && fits) {
                delta[static_cast<size_t>(craftRes.id)] += craftRes.count;
                for (int k = 0; k < gridCellCount(table); ++k) {
                    const int id = craftGrid[static_cast<size_t>(gridCellIndex(k, table))].id;
                    if (id > 0) delta[static_cast<size_t>(id)] -= 1;
                }
            }
            screenClick(a.button, r.x + r.w / 2.0f, r.y + r.h / 2.0f);
            break;
        }
        // The world: a creature's middle, or the middle of a tile near the player.
        float wx = 0.0f;
        float wy = 0.0f;
        if (a.target < 16 && !mobs.empty()) {
            const Mob& m = mobs[static_cast<size_t>(a.target) % mobs.size()];
            wx = m.x + MOB_PX / 2.0f;
            wy = m.y + MOB_PX / 2.0f;
        } else {
            wx = static_cast<float>(TILE_PX) * static_cast<float>(tileOf(p.pX) + a.target % 3 - 1) + TILE_PX / 2.0f;
            wy = static_cast<float>(TILE_PX) * static_cast<float>(tileOf(p.pY) + a.target / 3 % 3 - 1) + TILE_PX / 2.0f;
        }
        const int tile = getTile(tileOf(wx), tileOf(wy));
        const ItemStack sel = hotbar[static_cast<size_t>(a.selected)];
        const size_t mobsBefore = mobs.size();
        const bool eats = sel.id == ITEM_MEAT && hp < MAX_HP;
        worldClick(a.button, wx - cameraX, wy - cameraY, cameraX, cameraY, a.selected);
        if (a.button == BUTTON_LEFT) {
            if (mobs.size() + 1 == mobsBefore) {
                delta[ITEM_MEAT] += 1;
            } else if (tile > 0) {
                delta[static_cast<size_t>(tile)] += 1;
            }
        } else if (eats) {
            delta[ITEM_MEAT] -= 1;
        } else if (tile != ITEM_CRAFTING_TABLE && isPlaceable(sel.id)) {
            delta[static_cast<size_t>(sel.id)] -= 1;
        }
        break;
    }
    return delta;
}

// A starting state of its own for each seed: storage partly or wholly filled, some of it
// with stacks far above 128, the player somewhere near the origin.
void start(unsigned seed, Play& p)
{
    resetGameState();
    recipes = json::parse(BOOK);
    indexRecipes();
    std::mt19937 gen(seed);
    const int fillPercent = static_cast<int>(gen() % 101);
    auto stack = [&]() -> ItemStack {
        if (static_cast<int>(gen() % 100) >= fillPercent) return {};
        const int id = 1 + static_cast<int>(gen() % (ITEM_COUNT - 1));
        const int huge[] = {129, 1073741888, INT_MAX};
        return {id, gen() % 16 == 0 ? huge[gen() % 3] : 1 + static_cast<int>(gen() % MAX_STACK)};
    };
    for (auto& s : hotbar) s = stack();
    for (auto& s : inv) s = stack();
    p.pX = static_cast<float>(static_cast<int>(gen() % 200) - 100);
    p.pY = static_cast<float>(static_cast<int>(gen() % 200) - 100);
    hp = 1 + static_cast<int>(gen() % MAX_HP);
}

std::vector<Action> randomActions(unsigned seed, int n)
{
    std::mt19937 gen(seed * 7919u + 1u);
    std::vector<Action> actions;
    for (int i = 0; i < n; ++i) {
        Action a;
        const unsigned roll = gen() % 100;
        a.kind = roll < 8 ? Kind::Toggle : roll < 20 ? Kind::Walk : roll < 24 ? Kind::Creature
                                                   : roll < 27 ? Kind::Hunger : Kind::Click;
        if (a.kind == Kind::Click) {
            const int buttons[] = {BUTTON_LEFT, BUTTON_LEFT, BUTTON_RIGHT, BUTTON_RIGHT, BUTTON_MIDDLE, 4};
            a.button = buttons[gen() % 6];
            a.target = static_cast<int>(gen() % TARGETS);
            a.selected = static_cast<int>(gen() % HOTBAR_SLOTS);
        } else {
            a.button = static_cast<int>(gen() % 5) - 2;
            a.target = static_cast<int>(gen() % 5) - 2;
        }
        actions.push_back(a);
    }
    return actions;
}

// What the book in order offers for the grid; remembered, since a grid recurs often and
// reading the book is the slow part of a step.
ItemStack offerFor(bool is3x3)
{
    static std::map<std::pair<std::array<int, GRID_CELLS>, bool>, ItemStack> seen;
    std::array<int, GRID_CELLS> ids{};
    for (size_t c = 0; c < GRID_CELLS; ++c) ids[c] = craftGrid[c].id;
    auto [it, fresh] = seen.try_emplace({ids, is3x3});
    if (fresh) it->second = firstMatchInOrder(recipes, is3x3);
    return it->second;
}

struct Failure {
    size_t step;
    std::string what;
};

// Plays `actions` from the seed's start, checking the ledger and the offer after each.
std::optional<Failure> play(unsigned seed, const std::vector<Action>& actions)
{
    Play p;
    start(seed, p);
    std::string bad;
    Ledger ledger = count(bad);
    for (size_t i = 0; i < actions.size(); ++i) {
        const Ledger delta = apply(actions[i], p);
        const Ledger now = count(bad);
        if (!bad.empty()) {
            return Failure{i, bad};
        }
        for (size_t id = 0; id < ledger.size(); ++id) {
            if (now[id] != ledger[id] + delta[id]) {
                return Failure{i, "item " + std::to_string(id) + ": " + std::to_string(ledger[id]) + " + " +
                                      std::to_string(delta[id]) + " expected, " + std::to_string(now[id]) + " owned"};
            }
        }
        ledger = now;
        if (const ItemStack want = offerFor(showCraft); craftRes != want) {
            return Failure{i, "the result slot offers " + std::to_string(craftRes.id) + " x " +
                                  std::to_string(craftRes.count) + " for a grid that makes " +
                                  std::to_string(want.id) + " x " + std::to_string(want.count)};
        }
    }
    return std::nullopt;
}

// The failing prefix, then single steps left out for as long as it still fails.
std::vector<Action> shrink(unsigned seed, std::vector<Action> actions, size_t failingStep)
{
    actions.resize(failingStep + 1);
    for (bool progress = true; progress;) {
        progress = false;
        for (size_t i = actions.size(); i-- > 0;) {
            std::vector<Action> fewer = actions;
            fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
            if (auto f = play(seed, fewer)) {
                fewer.resize(f->step + 1);
                actions = fewer;
                progress = true;
            }
        }
    }
    return actions;
}

TEST(Conservation, RandomPlayNeitherMakesNorLosesItems)
{
    constexpr unsigned SEEDS = 300;
    constexpr int STEPS = 1000;  // 300,000 actions in all
    for (unsigned seed = 1; seed <= SEEDS; ++seed) {
        const std::vector<Action> actions = randomActions(seed, STEPS);
        const std::optional<Failure> f = play(seed, actions);
        if (!f) {
            continue;
        }
        const std::vector<Action> shortest = shrink(seed, actions, f->step);
        std::ostringstream steps;
        for (const Action& a : shortest) steps << "\n  " << describe(a);
        const std::optional<Failure> last = play(seed, shortest);
        FAIL() << "seed " << seed << ", step " << f->step << ": " << f->what << "\nshortest failing sequence ("
               << shortest.size() << " steps) from the seed's start, failing with: "
               << (last ? last->what : std::string("(no longer fails)")) << steps.str();
    }
}

}  // namespace
