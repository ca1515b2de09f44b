// The recipe book as a player reads it: each product once, its layout cut to size.
#include "rules/recipe_list.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <set>

#include "rules/items.h"

namespace {
using Layout = std::vector<int>;

Layout layoutOf(const json& cells)
{
    Layout ids;
    for (const json& cell : cells) {
        ids.push_back(cell.get<int>());
    }
    return ids;
}

// A layout of side x side cells, rows from the top, cut to the rows and columns that
// hold an item (a checked layout holds at least one).
std::vector<std::vector<int>> trimmed(const Layout& cells, size_t side)
{
    size_t top = side, bottom = 0, left = side, right = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] != 0) {
            top = std::min(top, i / side);
            bottom = std::max(bottom, i / side);
            left = std::min(left, i % side);
            right = std::max(right, i % side);
        }
    }
    std::vector<std::vector<int>> rows;
    for (size_t r = top; r <= bottom && top < side; ++r) {
        rows.emplace_back(cells.begin() + static_cast<std::ptrdiff_t>(r * side + left),
                          cells.begin() + static_cast<std::ptrdiff_t>(r * side + right + 1));
    }
    return rows;
}

const char* nameOf(int id)
{
    return isItem(id) ? ITEMS[static_cast<size_t>(id)].name : "?";
}

// A letter for `id` in one recipe's legend: the first letter of its name that no other
// item of the recipe has, else the first free letter of the alphabet.
char letterFor(int id, const std::string& taken)
{
    std::string choices;
    for (const char* c = nameOf(id); *c != '\0'; ++c) {
        if (std::isalpha(static_cast<unsigned char>(*c))) {
            choices += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        }
    }
    choices += "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (char c : choices) {
        if (taken.find(c) == std::string::npos) {
            return c;
        }
    }
    return '?';  // a layout holds at most nine items
}
}  // namespace

std::vector<RecipeListing> listRecipes(const json& book)
{
    std::vector<RecipeListing> list;
    if (!book.is_object() || !book.contains("recipes") || !book["recipes"].is_array()) {
        return list;
    }
    // The layouts seen so far for each grid: a later recipe with one of them never matches.
    std::set<Layout> tableSeen;
    std::set<Layout> inventorySeen;
    for (const json& entry : book["recipes"]) {
        const int result = entry.at("result").get<int>();
        const int amount = static_cast<int>(entry.at("amount").get<int64_t>());
        const Layout pattern = layoutOf(entry.at("pattern"));
        const bool onTable = tableSeen.insert(pattern).second;
        bool inInventory = false;
        Layout eq;
        if (auto found = entry.find("eq_pattern"); found != entry.end() && !found->is_null()) {
            eq = layoutOf(*found);
            inInventory = inventorySeen.insert(eq).second;
        }
        if (!onTable && !inInventory) {
            continue;
        }
        auto listed = std::find_if(list.begin(), list.end(), [&](const RecipeListing& l) { return l.result == result; });
        if (listed == list.end()) {
            list.push_back({result, amount, !inInventory, inInventory ? trimmed(eq, 2) : trimmed(pattern, 3)});
        } else if (listed->needsTable && inInventory) {
            // The first layout the inventory makes it by is the one shown.
            *listed = {result, amount, false, trimmed(eq, 2)};
        }
    }
    return list;
}

std::string recipeListText(const std::vector<RecipeListing>& list)
{
    if (list.empty()) {
        return "no recipes: crafting makes nothing\n";
    }
    std::string out;
    for (const RecipeListing& r : list) {
        if (!out.empty()) {
            out += '\n';
        }
        out += std::string(nameOf(r.result)) + ": makes " + std::to_string(r.amount) + "; " +
               (r.needsTable ? "needs a crafting table" : "no crafting table needed") + '\n';
        std::string letters;  // of the items in order of first appearance
        std::vector<int> items;
        bool anyEmpty = false;
        std::vector<std::string> drawn;
        for (const auto& row : r.rows) {
            std::string line;
            for (int id : row) {
                if (id == 0) {
                    anyEmpty = true;
                    line += '.';
                    continue;
                }
                auto at = std::find(items.begin(), items.end(), id);
                if (at == items.end()) {
                    items.push_back(id);
                    letters += letterFor(id, letters);
                    at = items.end() - 1;
                }
                line += letters[static_cast<size_t>(at - items.begin())];
            }
            drawn.push_back(line);
        }
        std::vector<std::string> legend;
        for (size_t k = 0; k < items.size(); ++k) {
            legend.push_back(std::string(1, letters[k]) + " = " + nameOf(items[k]));
        }
        if (anyEmpty) {
            legend.push_back(". = empty");
        }
        const size_t width = r.rows.empty() ? 0 : r.rows.front().size();
        for (size_t k = 0; k < std::max(drawn.size(), legend.size()); ++k) {
            std::string line = "    " + (k < drawn.size() ? drawn[k] : std::string(width, ' '));
            if (k < legend.size()) {
                line += "   " + legend[k];
            }
            while (!line.empty() && line.back() == ' ') {
                line.pop_back();
            }
            out += line + '\n';
        }
    }
    return out;
}

json recipeListJson(const std::vector<RecipeListing>& list)
{
    json recipesOut = json::array();
    json items = json::object();
    auto name = [&](int id) {
        if (isItem(id)) {
            const ItemInfo& info = ITEMS[static_cast<size_t>(id)];
            items[std::to_string(id)] = {{"name", info.name}, {"picture", info.picture}};
        }
    };
    for (const RecipeListing& r : list) {
        name(r.result);
        for (const auto& row : r.rows) {
            for (int id : row) {
                name(id);
            }
        }
        recipesOut.push_back({{"result", r.result},
                              {"name", nameOf(r.result)},
                              {"amount", r.amount},
                              {"needsTable", r.needsTable},
                              {"rows", r.rows}});
    }
    return {{"recipes", recipesOut}, {"items", items}};
}
