// The recipe book: loading and checking the JSON document, and matching the grid.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "rules/state.h"

// The 2x2 inventory grid is the top-left corner of the nine cells.
constexpr std::array<int, 4> map22 = {0, 1, 3, 4};
constexpr std::array<int, 5> others = {2, 5, 6, 7, 8};

constexpr const char* RECIPES_PATH = "assets/recipes.json";

// Sets `craftRes` to the product of the first recipe, in file order, whose layout
// matches the grid: "pattern" against all nine cells for the 3x3 table, "eq_pattern"
// against the corner (the other five cells empty) for the 2x2 grid. Counts in the grid
// do not matter. Empty when nothing matches or there is no recipe book. Answers from
// the index, so its cost does not grow with the book.
void checkRecipes(bool is3x3);

// Builds the matching index from `recipes`, once per book: loadRecipes and
// resetGameState run it, and whatever else puts a document into `recipes` must run it
// after. Entries the load-time check would refuse are left out.
void indexRecipes();

// The first way `doc` breaks the recipe format ("recipe 3: ..."), or nothing if it
// follows it.
std::optional<std::string> checkRecipeDocument(const json& doc);

struct RecipeLoad {
    enum Status { Loaded, Missing, Invalid } status = Missing;
    std::string message;  // for Invalid: names the file, the place and the problem
};

// Reads the recipe file into `recipes`. Nothing at `path` (no file, no folder) leaves
// `recipes` null (no crafting) and is Missing, with no message. Everything else that
// is not a readable regular file holding a recipe book in JSON, with nothing after the
// document, leaves it null and is Invalid, with the message to show. Never blocks: a
// FIFO or device is refused without reading it.
RecipeLoad loadRecipes(const std::string& path);

// As loadRecipes, for a book already read into `text`; `name` starts every message.
RecipeLoad loadRecipeText(const std::string& text, const std::string& name);
