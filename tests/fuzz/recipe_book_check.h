// One input through the recipe loader and the matcher, shared by the fuzz target and
// the test that replays what it once found.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "rules/items.h"
#include "rules/crafting.h"
#include "rules/recipe_book.h"
#include "rules/state.h"

#include "../rules/book_in_order.h"

namespace fuzzcheck {

constexpr size_t OWN_LAYOUTS_TRIED = 32;  // recipes whose own layouts are laid out
constexpr size_t LONGEST_MESSAGE = 600;

// Matches the grid both ways; what went wrong, or nothing.
inline std::optional<std::string> matchBoth()
{
    for (bool is3x3 : {false, true}) {
        checkRecipes(is3x3);
        if (craftRes != firstMatchInOrder(recipes, is3x3)) {
            return std::string("checkRecipes(") + (is3x3 ? "3x3" : "2x2") + ") offers " + std::to_string(craftRes.id) +
                   " x " + std::to_string(craftRes.count) + ", not the first matching recipe's product";
        }
    }
    return std::nullopt;
}

// The first `bookSize` bytes are the book; every 9 bytes after the one that follows it
// fill the grid, byte b giving item b % ITEM_COUNT (empty for 0) with count b / ITEM_COUNT + 1. A book
// that loads is also matched against each of its first recipes' own layouts.
inline std::optional<std::string> checkBookAndGrids(const uint8_t* data, size_t size, size_t bookSize)
{
    resetGameState();
    const RecipeLoad load = loadRecipeText(std::string(reinterpret_cast<const char*>(data), bookSize), "book");
    if (load.status == RecipeLoad::Missing) {
        return "a text was taken for a missing file";
    }
    if (load.status == RecipeLoad::Invalid) {
        if (!recipes.is_null()) {
            return "a refused book stayed loaded";
        }
        if (load.message.rfind("book: ", 0) != 0 || load.message.size() > LONGEST_MESSAGE) {
            return "the message does not start with the name or is too long: " + load.message.substr(0, LONGEST_MESSAGE);
        }
        checkRecipes(true);
        return craftRes == ItemStack{} ? std::nullopt : std::optional<std::string>("a refused book offers a product");
    }
    if (auto bad = checkRecipeDocument(recipes)) {
        return "a book that breaks the format was loaded: " + *bad;
    }
    const json& list = recipes.at("recipes");
    for (size_t i = 0; i < list.size() && i < OWN_LAYOUTS_TRIED; ++i) {
        const json& pattern = list[i].at("pattern");
        for (size_t cell = 0; cell < craftGrid.size(); ++cell) {
            const int id = pattern[cell].get<int>();
            craftGrid[cell] = id == 0 ? ItemStack{} : ItemStack{id, 1};
        }
        if (auto bad = matchBoth()) {
            return "recipe " + std::to_string(i) + "'s pattern: " + *bad;
        }
        auto eq = list[i].find("eq_pattern");
        if (eq != list[i].end() && !eq->is_null()) {
            craftGrid.fill(ItemStack{});
            for (size_t k = 0; k < map22.size(); ++k) {
                const int id = (*eq)[k].get<int>();
                craftGrid[static_cast<size_t>(map22[k])] = id == 0 ? ItemStack{} : ItemStack{id, 1};
            }
            if (auto bad = matchBoth()) {
                return "recipe " + std::to_string(i) + "'s eq_pattern: " + *bad;
            }
        }
    }
    for (size_t at = bookSize + 1; at + craftGrid.size() <= size; at += craftGrid.size()) {
        for (size_t cell = 0; cell < craftGrid.size(); ++cell) {
            const int b = data[at + cell];
            craftGrid[cell] = b % ITEM_COUNT == 0 ? ItemStack{} : ItemStack{b % ITEM_COUNT, b / ITEM_COUNT + 1};
        }
        if (auto bad = matchBoth()) {
            return "grid at byte " + std::to_string(at) + ": " + *bad;
        }
    }
    return std::nullopt;
}

// The whole input is a book, NUL bytes included, and one holding a NUL never loads;
// then, where there is a NUL, the bytes before it are a book and those after it grids.
inline std::optional<std::string> checkRecipeBookInput(const uint8_t* data, size_t size)
{
    const void* nul = size > 0 ? std::memchr(data, 0, size) : nullptr;
    if (auto bad = checkBookAndGrids(data, size, size)) {
        return bad;
    }
    if (nul == nullptr) {
        return std::nullopt;
    }
    if (!recipes.is_null()) {
        return std::string("a book holding a NUL byte was loaded");
    }
    return checkBookAndGrids(data, size, static_cast<size_t>(static_cast<const uint8_t*>(nul) - data));
}

}  // namespace fuzzcheck
