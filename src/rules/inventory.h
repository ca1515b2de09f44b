// Storing items in the hotbar and inventory, and moving stacks with slot clicks.
#pragma once

#include "rules/state.h"

constexpr int BUTTON_LEFT = 1;
constexpr int BUTTON_MIDDLE = 2;
constexpr int BUTTON_RIGHT = 3;

// Stores one item of `id`: tops up the first hotbar stack of that id below MAX_STACK,
// else the first empty hotbar slot, then the same two in the inventory. Returns false
// when there was no room (or the id is 0 or below) and nothing was stored.
bool addItem(int id);

// Stores up to `n` items of `id` exactly where `n` calls of addItem would, and returns
// how many were stored (0 for an id or `n` of 0 or below).
int addUpTo(int id, int n);

// One click of mouse `button` on slot `s` against the carried stack `drag`: the left
// button picks up, puts down, merges (a slot of MAX_STACK or more takes nothing) or
// swaps; the right one sets down single items; any other button moves nothing. Always
// ends by matching the grid again.
void clickSlot(ItemStack& s, int button, bool is3x3);

// Empties `s` to {0, 0} when its count has reached 0 or below.
void clearIfSpent(ItemStack& s);
