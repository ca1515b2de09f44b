// The recipe book as a file: reading it under limits (size, nesting, nothing after the
// document) and checking its entries, with a message naming the file, the place and the
// problem. A book that passes becomes `recipes` and crafting's index (crafting.h).
#pragma once

#include <optional>
#include <string>

#include "rules/state.h"

constexpr const char* RECIPES_PATH = "assets/recipes.json";

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
