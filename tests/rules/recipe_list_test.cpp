// The recipe list a player reads: each product once, its layout, amount and grid.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "rules/items.h"
#include "rules/recipe_book.h"
#include "rules/recipe_list.h"
#include "rules/state.h"

namespace {

using Rows = std::vector<std::vector<int>>;
constexpr int W = ITEM_WOOD;
constexpr int P = ITEM_PLANKS;
constexpr int S = ITEM_STICK;

TEST(RecipeList, ShippedBookListsEachProductOnce)
{
    ASSERT_EQ(loadRecipes(BRAMBIX_SOURCE_DIR "/assets/recipes.json").status, RecipeLoad::Loaded);
    const std::vector<RecipeListing> want = {
        {ITEM_PLANKS, 4, false, {{W}}},
        {ITEM_STICK, 4, false, {{P}, {P}}},
        {ITEM_CRAFTING_TABLE, 1, false, {{P, P}, {P, P}}},
        {ITEM_WOODEN_AXE, 1, true, {{P, P}, {P, S}, {0, S}}},
        {ITEM_WOODEN_PICKAXE, 1, true, {{P, P, P}, {0, S, 0}, {0, S, 0}}},
        {ITEM_WOODEN_SHOVEL, 1, true, {{P}, {S}, {S}}},
        {ITEM_WOODEN_HOE, 1, true, {{P, P}, {0, S}, {0, S}}},
        {ITEM_WOODEN_SWORD, 1, true, {{P}, {P}, {S}}},
    };
    const std::vector<RecipeListing> list = listRecipes(recipes);
    EXPECT_EQ(list, want);
    // Every product of the book, once.
    std::set<int> products;
    for (const json& entry : recipes["recipes"]) {
        products.insert(entry["result"].get<int>());
    }
    std::set<int> listed;
    for (const RecipeListing& l : list) {
        EXPECT_TRUE(listed.insert(l.result).second) << ITEMS[static_cast<size_t>(l.result)].name << " listed twice";
    }
    EXPECT_EQ(listed, products);
    recipes = json();
}

TEST(RecipeList, MadeUpBooks)
{
    struct Case {
        const char* what;
        const char* book;
        std::vector<RecipeListing> want;
    };
    const std::vector<Case> cases = {
        {"no book", "null", {}},
        {"an empty book", R"({"recipes": []})", {}},
        {"only the 3x3 grid makes it, cut to its corner",
         R"({"recipes": [{"pattern": [0,0,0, 0,3,3, 0,0,3], "eq_pattern": null, "result": 1, "amount": 2}]})",
         {{ITEM_GRASS, 2, true, {{3, 3}, {0, 3}}}}},
        {"a later 2x2 layout: no table needed, and it is the one shown",
         R"({"recipes": [
            {"pattern": [0,0,0, 0,0,0, 0,0,2], "result": 7, "amount": 1},
            {"pattern": [0,0,0, 0,0,0, 0,2,0], "eq_pattern": [0,0,2,2], "result": 7, "amount": 3}]})",
         {{ITEM_MEAT, 3, false, {{2, 2}}}}},
        {"products in the order of their first recipes, each once",
         R"({"recipes": [
            {"pattern": [4,0,0, 0,0,0, 0,0,0], "eq_pattern": [4,0,0,0], "result": 5, "amount": 1},
            {"pattern": [2,0,0, 0,0,0, 0,0,0], "result": 4, "amount": 4},
            {"pattern": [0,4,0, 0,0,0, 0,0,0], "eq_pattern": [0,4,0,0], "result": 5, "amount": 9}]})",
         {{ITEM_STICK, 1, false, {{P}}}, {ITEM_PLANKS, 4, true, {{W}}}}},
        {"a 2x2 layout an earlier recipe has never makes its product there",
         R"({"recipes": [
            {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4},
            {"pattern": [2,2,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 6, "amount": 1}]})",
         {{ITEM_PLANKS, 4, false, {{W}}}, {ITEM_CRAFTING_TABLE, 1, true, {{W, W}}}}},
        {"a product only layouts of earlier recipes name is left out",
         R"({"recipes": [
            {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4},
            {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 12, "amount": 1}]})",
         {{ITEM_PLANKS, 4, false, {{W}}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const json book = json::parse(c.book);
        ASSERT_TRUE(book.is_null() || !checkRecipeDocument(book));
        EXPECT_EQ(listRecipes(book), c.want);
    }
}

TEST(RecipeList, TextAndJsonNameEveryItem)
{
    const std::vector<RecipeListing> list = {
        {ITEM_PLANKS, 4, false, {{W}}},
        {ITEM_WOODEN_AXE, 1, true, {{P, P}, {P, S}, {0, S}}},
        {ITEM_GRASS, 2, true, {{ITEM_WOODEN_PICKAXE, ITEM_WOODEN_AXE, ITEM_WOOD, ITEM_WOODEN_HOE}}},
    };
    EXPECT_EQ(recipeListText(list),
              "planks: makes 4; no crafting table needed\n"
              "    W   W = wood\n"
              "\n"
              "wooden axe: makes 1; needs a crafting table\n"
              "    PP   P = planks\n"
              "    PS   S = stick\n"
              "    .S   . = empty\n"
              "\n"
              "grass: makes 2; needs a crafting table\n"
              "    WODE   W = wooden pickaxe\n"
              "           O = wooden axe\n"
              "           D = wood\n"
              "           E = wooden hoe\n");
    EXPECT_EQ(recipeListText({}), "no recipes: crafting makes nothing\n");
    json page = recipeListJson(list);
    ASSERT_EQ(page["recipes"].size(), 3u);
    EXPECT_EQ(page["recipes"][1]["name"], "wooden axe");
    EXPECT_EQ(page["recipes"][1]["needsTable"], true);
    EXPECT_EQ(page["recipes"][1]["rows"], json::parse("[[4,4],[4,5],[0,5]]"));
    for (const int id : {W, P, S, +ITEM_WOODEN_AXE, +ITEM_GRASS, +ITEM_WOODEN_PICKAXE, +ITEM_WOODEN_HOE}) {
        EXPECT_EQ(page["items"][std::to_string(id)]["picture"], ITEMS[static_cast<size_t>(id)].picture) << id;
    }
    EXPECT_EQ(page["items"].size(), 7u);
}

}  // namespace
