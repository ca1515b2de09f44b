// Loading checks the recipe document once; an index derived from it answers matches.
#include "rules/recipes.h"

#include <cstdint>
#include <fstream>
#include <unordered_map>

#include "rules/items.h"

namespace {
constexpr size_t PATTERN_CELLS = 9;
constexpr size_t EQ_PATTERN_CELLS = 4;

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

bool isIntIn(const json& v, int64_t lo, int64_t hi)
{
    return v.is_number_integer() && v.get<int64_t>() >= lo && v.get<int64_t>() <= hi;
}

// Empty when `v` is an array of `n` item ids (0 to 12) naming at least one item, else
// what is wrong with it.
std::optional<std::string> checkLayout(const json& v, size_t n, const char* key, bool nullable)
{
    std::string want = std::string(1, '"').append(key);
    want += "\" must be an array of " + std::to_string(n) + " item ids (0 to " + std::to_string(ITEM_COUNT - 1) + ")";
    if (nullable) {
        want += " or null";
    }
    if (!v.is_array()) {
        return want + ", not " + v.type_name();
    }
    if (v.size() != n) {
        return want + ", not " + std::to_string(v.size()) + " entries";
    }
    bool anyItem = false;
    for (size_t k = 0; k < n; ++k) {
        if (!isIntIn(v[k], 0, ITEM_COUNT - 1)) {
            return want + "; entry " + std::to_string(k) + " is " + v[k].dump();
        }
        anyItem = anyItem || v[k].get<int64_t>() != 0;
    }
    if (!anyItem) {
        // It would match an empty grid and hand out its product for nothing, forever.
        return std::string(1, '"').append(key) + "\" names no item, so it would match an empty grid";
    }
    return std::nullopt;
}

std::optional<std::string> checkEntry(const json& entry)
{
    if (!entry.is_object()) {
        return std::string("must be an object, not ") + entry.type_name();
    }
    auto pattern = entry.find("pattern");
    if (pattern == entry.end()) {
        return std::string("has no \"pattern\"");
    }
    if (auto bad = checkLayout(*pattern, PATTERN_CELLS, "pattern", false)) {
        return bad;
    }
    if (auto eq = entry.find("eq_pattern"); eq != entry.end() && !eq->is_null()) {
        if (auto bad = checkLayout(*eq, EQ_PATTERN_CELLS, "eq_pattern", true)) {
            return bad;
        }
    }
    auto result = entry.find("result");
    if (result == entry.end()) {
        return std::string("has no \"result\"");
    }
    if (!isIntIn(*result, 1, ITEM_COUNT - 1)) {
        return "\"result\" must be an item id from 1 to " + std::to_string(ITEM_COUNT - 1) +
               ", not " + result->dump();
    }
    auto amount = entry.find("amount");
    if (amount == entry.end()) {
        return std::string("has no \"amount\"");
    }
    if (!isIntIn(*amount, 1, INT32_MAX)) {
        return "\"amount\" must be a whole number from 1 to " + std::to_string(INT32_MAX) +
               ", not " + amount->dump();
    }
    return std::nullopt;
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

std::optional<std::string> checkRecipeDocument(const json& doc)
{
    if (!doc.is_object()) {
        return std::string("the top level must be an object with a \"recipes\" array, not ") +
               doc.type_name();
    }
    auto list = doc.find("recipes");
    if (list == doc.end()) {
        return std::string("the top level has no \"recipes\" array");
    }
    if (!list->is_array()) {
        return std::string("\"recipes\" must be an array, not ") + list->type_name();
    }
    for (size_t i = 0; i < list->size(); ++i) {
        if (auto bad = checkEntry((*list)[i])) {
            return "recipe " + std::to_string(i) + " (counting from 0): " + *bad;
        }
    }
    return std::nullopt;
}

RecipeLoad loadRecipes(const std::string& path)
{
    recipes = json();
    std::ifstream file(path);
    if (!file) {
        return {RecipeLoad::Missing, ""};
    }
    json doc;
    try {
        // Reads one JSON value and stops at its end, as the stream reader does.
        file >> doc;
    } catch (const json::parse_error& e) {
        std::string what = e.what();
        // Drop the library's "[json.exception.parse_error.101] " prefix.
        if (auto close = what.find("] "); close != std::string::npos) {
            what = what.substr(close + 2);
        }
        return {RecipeLoad::Invalid, path + ": not valid JSON: " + what};
    }
    if (auto bad = checkRecipeDocument(doc)) {
        return {RecipeLoad::Invalid, path + ": " + *bad};
    }
    recipes = std::move(doc);
    indexRecipes();
    return {RecipeLoad::Loaded, ""};
}
