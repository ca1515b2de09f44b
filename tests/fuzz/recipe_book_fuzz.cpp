// libFuzzer target: arbitrary bytes as a recipe book, then as grids to match.
#include <cstdio>
#include <cstdlib>

#include "recipe_book_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (auto bad = fuzzcheck::checkRecipeBookInput(data, size)) {
        std::fprintf(stderr, "recipe book check failed: %s\n", bad->c_str());
        std::abort();
    }
    return 0;
}
