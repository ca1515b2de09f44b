// Crafting: the index built from a loaded recipe book and matching the grid against it.
// Reading and checking the book itself is recipe_book.h's job.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "rules/state.h"

// The 2x2 inventory grid is the top-left corner of the nine cells.
constexpr std::array<int, 4> map22 = {0, 1, 3, 4};
constexpr std::array<int, 5> others = {2, 5, 6, 7, 8};
// The cells of a recipe's "pattern" (the 3x3 table) and "eq_pattern" (the 2x2 grid).
constexpr size_t PATTERN_CELLS = GRID_CELLS;
constexpr size_t EQ_PATTERN_CELLS = map22.size();

// Sets `craftRes` to the product of the first recipe, in file order, whose layout
// matches the grid: "pattern" against all nine cells for the 3x3 table, "eq_pattern"
// against the corner (the other five cells empty) for the 2x2 grid. Counts in the grid
// do not matter. Empty when nothing matches or there is no recipe book. Answers from
// the index, so its cost does not grow with the book.
void checkRecipes(bool is3x3);

// Builds the matching index from `recipes`, once per book: loading a book runs it, and
// whatever else puts a book into `recipes` must run it after. The book must be one the
// book reader's check passed (checkRecipeDocument, recipe_book.h): its entries are not
// checked again. Anything but an object with a "recipes" array indexes nothing, and while
// `recipes` holds no book, nothing matches whatever the index holds.
void indexRecipes();
