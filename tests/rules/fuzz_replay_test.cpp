// Replays, through the loader and the matcher, every input the fuzz target once broke
// on, the broken-book fixtures it starts from and the shipped book.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../fuzz/recipe_book_check.h"

namespace {

TEST(FuzzReplay, KeptInputsLoadAndMatchSoundly)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs = {BRAMBIX_SOURCE_DIR "/assets/recipes.json"};
    for (const char* dir : {BRAMBIX_SOURCE_DIR "/tests/fuzz/regressions", BRAMBIX_SOURCE_DIR "/tests/rules/fixtures"}) {
        for (const auto& entry : fs::directory_iterator(dir)) {
            inputs.push_back(entry.path());
        }
    }
    ASSERT_GT(inputs.size(), 4u);
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        std::ifstream file(input, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        const auto problem =
            fuzzcheck::checkRecipeBookInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        EXPECT_FALSE(problem.has_value()) << *problem;
    }
    resetGameState();
}

}  // namespace
