// The recipe book read the slow, obvious way: every entry in file order against the
// grid. Tests hold the game's index to it.
#pragma once

#include <cstdint>

#include "rules/crafting.h"
#include "rules/items.h"
#include "rules/state.h"

// The product of the first entry of `book` whose layout for the grid in use holds the
// ids of `craftGrid`, skipping entries without a product from 1 to ITEM_COUNT - 1 and an amount from 1
// up; empty when none does.
inline ItemStack firstMatchInOrder(const json& book, bool is3x3)
{
    if (!book.is_object() || !book.contains("recipes") || !book["recipes"].is_array()) {
        return {};
    }
    const size_t n = is3x3 ? 9 : 4;
    for (const json& e : book["recipes"]) {
        const char* key = is3x3 ? "pattern" : "eq_pattern";
        if (!e.is_object() || !e.contains(key) || !e[key].is_array() || e[key].size() != n) {
            continue;
        }
        bool match = true;
        for (size_t k = 0; k < n; ++k) {
            const json& want = e[key][k];
            const size_t cell = is3x3 ? k : static_cast<size_t>(map22[k]);
            match = match && want.is_number_integer() && want.get<int64_t>() == craftGrid[cell].id;
        }
        for (int cell : others) {
            match = match && (is3x3 || craftGrid[static_cast<size_t>(cell)].id == 0);
        }
        const json result = e.value("result", json());
        const json amount = e.value("amount", json());
        if (match && result.is_number_integer() && result.get<int64_t>() >= 1 && result.get<int64_t>() < ITEM_COUNT &&
            amount.is_number_integer() && amount.get<int64_t>() >= 1 && amount.get<int64_t>() <= INT32_MAX) {
            return {result.get<int32_t>(), amount.get<int32_t>()};
        }
    }
    return {};
}
