// The recipe book as a player reads it: each product once, with one layout that makes
// it, how many one crafting makes and whether only the crafting table's 3x3 grid does.
// `brambix --recipes` prints it and the page's Recipes panel shows it.
#pragma once

#include <string>
#include <vector>

#include "rules/state.h"

struct RecipeListing {
    int result = 0;           // the product's item id
    int amount = 0;           // how many one crafting makes
    bool needsTable = true;   // no layout for the inventory's 2x2 grid makes it
    // The layout shown, cut to the rows and columns its items fill, rows from the top;
    // 0 is an empty cell. The first 2x2 layout of the product when there is one (so that
    // what says "no table needed" can be laid out in the inventory), else its first
    // 3x3 layout.
    std::vector<std::vector<int>> rows;

    bool operator==(const RecipeListing&) const = default;
};

// One listing a product of `book`, a book the reader's check passed (or null: none), in
// the order of the products' first recipes. Only layouts that can make their product
// count: one that an earlier recipe already has for its grid never matches (the first
// recipe that matches wins), so a product that only such layouts name is left out.
std::vector<RecipeListing> listRecipes(const json& book);

// The list for a terminal: for each product a line with its name, how many one crafting
// makes and whether it needs a crafting table, then the layout as rows of letters with
// a legend beside them ("P = planks", ". = empty").
std::string recipeListText(const std::vector<RecipeListing>& list);

// The list for the page: {"recipes": [{"result", "name", "amount", "needsTable",
// "rows"}...], "items": {"<id>": {"name", "picture"}}} with an entry in "items" for
// every product and ingredient named.
json recipeListJson(const std::vector<RecipeListing>& list);
