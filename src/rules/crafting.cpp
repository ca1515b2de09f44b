// Crafting: a loaded book becomes one index per grid, and the grid is matched by lookup.
#include "rules/crafting.h"

#include <cstddef>
#include <optional>
#include <unordered_map>

#include "rules/items.h"

namespace {
constexpr size_t PATTERN_CELLS = GRID_CELLS;
constexpr size_t EQ_PATTERN_CELLS = map22.size();

// A whole grid as one number: the nine cell ids, 4 bits each. Only catalogue ids fit,
// and only they can be in a grid or in a layout that passed the load-time check.
using GridKey = uint64_t;
constexpr int CELL_BITS = 4;
static_assert(ITEM_COUNT <= (1 << CELL_BITS));

// The product of the first recipe in file order for each layout: one map per grid.
// The 2x2 layouts are keyed as the whole grid, with the five other cells empty.
std::unordered_map<GridKey, ItemStack> tableIndex;
std::unordered_map<GridKey, ItemStack> inventoryIndex;

void putCell(GridKey& key, size_t cell, int64_t id)
{
    key |= static_cast<GridKey>(id) << (CELL_BITS * cell);
}

// The key of a layout whose entry k lies in grid cell `cellOf(k)`; nothing when it is
// not an array of `n` catalogue ids, since no grid could match it.
template <typename CellOf>
std::optional<GridKey> layoutKey(const json& cells, size_t n, CellOf cellOf)
{
    if (!cells.is_array() || cells.size() != n) {
        return std::nullopt;
    }
    GridKey key = 0;
    for (size_t k = 0; k < n; ++k) {
        const json& id = cells[k];
        if (!id.is_number_integer() || id.get<int64_t>() < 0 || id.get<int64_t>() >= ITEM_COUNT) {
            return std::nullopt;
        }
        putCell(key, cellOf(k), id.get<int64_t>());
    }
    return key;
}

// The key of the grid as it is; nothing when a cell holds an id outside the catalogue.
std::optional<GridKey> gridKey()
{
    GridKey key = 0;
    for (size_t cell = 0; cell < GRID_CELLS; ++cell) {
        const int id = craftGrid[cell].id;
        if (id < 0 || id >= ITEM_COUNT) {
            return std::nullopt;
        }
        putCell(key, cell, id);
    }
    return key;
}
}  // namespace

bool isIntIn(const json& v, int64_t lo, int64_t hi)
{
    return v.is_number_integer() && v.get<int64_t>() >= lo && v.get<int64_t>() <= hi;
}

void indexRecipes()
{
    tableIndex.clear();
    inventoryIndex.clear();
    if (!recipes.is_object()) {
        return;
    }
    auto list = recipes.find("recipes");
    if (list == recipes.end() || !list->is_array()) {
        return;
    }
    for (const json& entry : *list) {
        if (!entry.is_object()) {
            continue;
        }
        auto result = entry.find("result");
        auto amount = entry.find("amount");
        if (result == entry.end() || amount == entry.end() || !isIntIn(*result, 1, ITEM_COUNT - 1) ||
            !isIntIn(*amount, 1, INT32_MAX)) {
            continue;  // only a document that skipped the load-time check gets here
        }
        const ItemStack product = {result->get<int32_t>(), amount->get<int32_t>()};
        // emplace keeps what is there: an earlier recipe with the same layout wins.
        if (auto p = entry.find("pattern"); p != entry.end()) {
            if (auto key = layoutKey(*p, PATTERN_CELLS, [](size_t k) { return k; })) {
                tableIndex.emplace(*key, product);
            }
        }
        if (auto eq = entry.find("eq_pattern"); eq != entry.end()) {
            if (auto key = layoutKey(*eq, EQ_PATTERN_CELLS, [](size_t k) { return static_cast<size_t>(map22[k]); })) {
                inventoryIndex.emplace(*key, product);
            }
        }
    }
}

void checkRecipes(bool is3x3)
{
    craftRes = {};
    if (!recipes.is_object()) {
        return;
    }
    const auto key = gridKey();
    if (!key) {
        return;
    }
    const auto& index = is3x3 ? tableIndex : inventoryIndex;
    if (auto found = index.find(*key); found != index.end()) {
        craftRes = found->second;
    }
}
