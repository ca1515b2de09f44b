// Crafting: a loaded book becomes one index per grid, and the grid is matched by lookup.
#include "rules/crafting.h"

#include <cstddef>
#include <optional>
#include <unordered_map>

#include "rules/items.h"

namespace {
// A whole grid as one number: the nine cell ids, CELL_BITS each. Only catalogue ids fit,
// and only they can be in a grid or in a book that passed the book reader's check.
using GridKey = uint64_t;
constexpr int CELL_BITS = 7;
static_assert(GRID_CELLS * CELL_BITS <= 64, "the grid's key holds every cell");
static_assert((1 << CELL_BITS) == CRAFTING_ID_CEILING, "items.h states the ceiling the key sets");

// The product of the first recipe in file order for each layout: one map per grid.
// The 2x2 layouts are keyed as the whole grid, with the five other cells empty.
std::unordered_map<GridKey, ItemStack> tableIndex;
std::unordered_map<GridKey, ItemStack> inventoryIndex;

void putCell(GridKey& key, size_t cell, int64_t id)
{
    key |= static_cast<GridKey>(id) << (CELL_BITS * cell);
}

// The key of a checked layout whose entry k lies in grid cell `cellOf(k)`.
template <typename CellOf>
GridKey layoutKey(const json& cells, CellOf cellOf)
{
    GridKey key = 0;
    for (size_t k = 0; k < cells.size(); ++k) {
        putCell(key, cellOf(k), cells[k].get<int64_t>());
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
        const ItemStack product = {entry.at("result").get<int32_t>(), entry.at("amount").get<int32_t>()};
        // emplace keeps what is there: an earlier recipe with the same layout wins.
        tableIndex.emplace(layoutKey(entry.at("pattern"), [](size_t k) { return k; }), product);
        if (auto eq = entry.find("eq_pattern"); eq != entry.end() && !eq->is_null()) {
            inventoryIndex.emplace(layoutKey(*eq, [](size_t k) { return static_cast<size_t>(map22[k]); }), product);
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
