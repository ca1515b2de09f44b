// The recipe book: matching the grid, checking and loading the document, and the
// recipes shipped with the game.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <iostream>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/regular_file.h"
#include "rules/crafting.h"
#include "rules/items.h"
#include "rules/recipe_book.h"
#include "rules/state.h"

#include "book_in_order.h"

#if defined(_WIN32)
// Windows has no FIFOs, no devices at file paths and no POSIX owners or permissions: the
// rows that need them are skipped there.
#define O_NONBLOCK 0
static int mkfifo(const char*, int) { return -1; }
static int geteuid() { return 1; }
constexpr bool POSIX_FILES = false;
#else
constexpr bool POSIX_FILES = true;
#endif

namespace {

using Grid = std::array<int, GRID_CELLS>;

// Lays ids into the grid, one item in each non-empty cell, and matches it.
ItemStack craft(const Grid& ids, bool is3x3)
{
    for (size_t i = 0; i < ids.size(); ++i) {
        craftGrid[i] = ids[i] == 0 ? ItemStack{} : ItemStack{ids[i], 1};
    }
    checkRecipes(is3x3);
    return craftRes;
}

class RecipesTest : public ::testing::Test {
protected:
    void SetUp() override { resetGameState(); }
};

// --- checkRecipes ------------------------------------------------------------------------

TEST_F(RecipesTest, NoBookOrAnEmptyBookOffersNothing)
{
    const Grid wood = {2, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const char* doc : {"null", R"({"recipes": []})", R"({"other": 1})", "[]"}) {
        SCOPED_TRACE(doc);
        recipes = json::parse(doc);
        indexRecipes();
        for (bool is3x3 : {false, true}) {
            craftRes = {ITEM_PLANKS, 4};  // a stale offer is cleared
            EXPECT_EQ(craft(wood, is3x3), ItemStack{});
        }
    }
}

TEST_F(RecipesTest, FirstMatchInFileOrderWins)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [3,0,0, 0,0,0, 0,0,0], "eq_pattern": [3,0,0,0], "result": 1, "amount": 9},
        {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4},
        {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 5, "amount": 2}
    ]})");
    indexRecipes();
    EXPECT_EQ(craft({2, 0, 0, 0, 0, 0, 0, 0, 0}, false), (ItemStack{ITEM_PLANKS, 4}));
    EXPECT_EQ(craft({2, 0, 0, 0, 0, 0, 0, 0, 0}, true), (ItemStack{ITEM_PLANKS, 4}));
}

TEST_F(RecipesTest, CountsInTheCellsDoNotMatter)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [4,4,0, 0,0,0, 0,0,0], "eq_pattern": [4,4,0,0], "result": 6, "amount": 1}
    ]})");
    indexRecipes();
    craftGrid[0] = {ITEM_PLANKS, 40};
    craftGrid[1] = {ITEM_PLANKS, 1};
    checkRecipes(false);
    EXPECT_EQ(craftRes, (ItemStack{ITEM_CRAFTING_TABLE, 1}));
    craftGrid[1] = {ITEM_PLANKS, 128};
    checkRecipes(true);
    EXPECT_EQ(craftRes, (ItemStack{ITEM_CRAFTING_TABLE, 1}));
}

TEST_F(RecipesTest, PatternsAreTiedToTheirCells)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [4,5,0, 0,0,0, 0,0,0], "eq_pattern": [4,5,0,0], "result": 12, "amount": 1}
    ]})");
    indexRecipes();
    EXPECT_EQ(craft({4, 5, 0, 0, 0, 0, 0, 0, 0}, true), (ItemStack{ITEM_WOODEN_SWORD, 1}));
    EXPECT_EQ(craft({4, 5, 0, 0, 0, 0, 0, 0, 0}, false), (ItemStack{ITEM_WOODEN_SWORD, 1}));

    SCOPED_TRACE("shifted or mirrored layouts do not match");
    for (bool is3x3 : {false, true}) {
        EXPECT_EQ(craft({0, 0, 0, 4, 5, 0, 0, 0, 0}, is3x3), ItemStack{});  // one row down
        EXPECT_EQ(craft({5, 4, 0, 0, 0, 0, 0, 0, 0}, is3x3), ItemStack{});  // mirrored
        EXPECT_EQ(craft({4, 0, 0, 5, 0, 0, 0, 0, 0}, is3x3), ItemStack{});  // turned
    }
    EXPECT_EQ(craft({0, 4, 5, 0, 0, 0, 0, 0, 0}, true), ItemStack{});       // one column right
}

TEST_F(RecipesTest, ZeroDemandsAnEmptyCellAndAnIdDemandsThatItem)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [2,0,0, 0,0,0, 0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4}
    ]})");
    indexRecipes();
    ASSERT_EQ(craft({2, 0, 0, 0, 0, 0, 0, 0, 0}, true), (ItemStack{ITEM_PLANKS, 4}));
    for (size_t extra = 1; extra < GRID_CELLS; ++extra) {
        SCOPED_TRACE(extra);
        Grid g = {2, 0, 0, 0, 0, 0, 0, 0, 0};
        g[extra] = ITEM_LEAF;
        EXPECT_EQ(craft(g, true), ItemStack{});
        EXPECT_EQ(craft(g, false), ItemStack{});
    }
    EXPECT_EQ(craft({3, 0, 0, 0, 0, 0, 0, 0, 0}, true), ItemStack{});   // another item
    EXPECT_EQ(craft({3, 0, 0, 0, 0, 0, 0, 0, 0}, false), ItemStack{});
    EXPECT_EQ(craft({0, 0, 0, 0, 0, 0, 0, 0, 0}, true), ItemStack{});   // nothing at all
}

TEST_F(RecipesTest, TwoByTwoUsesOnlyEqPatternOnTheCorner)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [2,0,0, 0,0,0, 0,0,0],                     "result": 4, "amount": 4},
        {"pattern": [0,2,0, 0,0,0, 0,0,0], "eq_pattern": null, "result": 4, "amount": 4},
        {"pattern": [3,3,0, 3,3,0, 0,0,0], "eq_pattern": [3,3,3,3], "result": 1, "amount": 2},
        {"pattern": [0,0,0, 0,0,0, 0,0,0], "eq_pattern": [0,0,0,7], "result": 5, "amount": 3},
        {"pattern": [0,0,0, 0,0,0, 0,0,0], "eq_pattern": [0,0,7,0], "result": 6, "amount": 1}
    ]})");
    indexRecipes();

    {
        SCOPED_TRACE("eq_pattern absent or null: never offered in the 2x2 grid");
        EXPECT_EQ(craft({2, 0, 0, 0, 0, 0, 0, 0, 0}, false), ItemStack{});
        EXPECT_EQ(craft({0, 2, 0, 0, 0, 0, 0, 0, 0}, false), ItemStack{});
        // The same recipes are made at the table from "pattern".
        EXPECT_EQ(craft({2, 0, 0, 0, 0, 0, 0, 0, 0}, true), (ItemStack{ITEM_PLANKS, 4}));
        EXPECT_EQ(craft({0, 2, 0, 0, 0, 0, 0, 0, 0}, true), (ItemStack{ITEM_PLANKS, 4}));
    }
    {
        SCOPED_TRACE("a matching corner is refused while any other cell holds an item");
        EXPECT_EQ(craft({3, 3, 0, 3, 3, 0, 0, 0, 0}, false), (ItemStack{ITEM_GRASS, 2}));
        for (int cell : {2, 5, 6, 7, 8}) {
            SCOPED_TRACE(cell);
            Grid g = {3, 3, 0, 3, 3, 0, 0, 0, 0};
            g[static_cast<size_t>(cell)] = ITEM_WOOD;
            EXPECT_EQ(craft(g, false), ItemStack{});
        }
    }
    {
        SCOPED_TRACE("2x2 cells 0, 1, 2, 3 are grid cells 0, 1, 3, 4");
        EXPECT_EQ(craft({0, 0, 0, 0, 7, 0, 0, 0, 0}, false), (ItemStack{ITEM_STICK, 3}));
        EXPECT_EQ(craft({0, 0, 0, 7, 0, 0, 0, 0, 0}, false), (ItemStack{ITEM_CRAFTING_TABLE, 1}));
        EXPECT_EQ(craft({0, 0, 7, 0, 0, 0, 0, 0, 0}, false), ItemStack{});  // cell 2 lies outside
        EXPECT_EQ(craft({0, 0, 0, 0, 0, 0, 0, 0, 7}, false), ItemStack{});
    }
}

TEST_F(RecipesTest, TableIgnoresEqPattern)
{
    recipes = json::parse(R"({"recipes": [
        {"pattern": [0,0,0, 0,2,0, 0,0,0], "eq_pattern": [3,0,0,0], "result": 4, "amount": 4},
        {"pattern": [0,0,0, 0,0,0, 0,0,3], "eq_pattern": [0,0,0,3], "result": 1, "amount": 1}
    ]})");
    indexRecipes();
    EXPECT_EQ(craft({0, 0, 0, 0, 2, 0, 0, 0, 0}, true), (ItemStack{ITEM_PLANKS, 4}));
    EXPECT_EQ(craft({3, 0, 0, 0, 0, 0, 0, 0, 0}, true), ItemStack{});  // fits eq_pattern only
    EXPECT_EQ(craft({0, 0, 0, 0, 3, 0, 0, 0, 0}, true), ItemStack{});
    // And the other way round on the 2x2 grid.
    EXPECT_EQ(craft({3, 0, 0, 0, 0, 0, 0, 0, 0}, false), (ItemStack{ITEM_PLANKS, 4}));
    EXPECT_EQ(craft({0, 0, 0, 0, 3, 0, 0, 0, 0}, false), (ItemStack{ITEM_GRASS, 1}));
}

// --- checkRecipeDocument and loadRecipes --------------------------------------------------

// A scratch folder, removed after the test.
TEST_F(RecipesTest, TheIndexAnswersAsReadingTheBookInOrder)
{
    // Books of up to 60 entries over few ids, mostly in the top-left corner, so that
    // layouts repeat and the first must win. Entries are broken the ways a document can
    // be, and those the book reader's check refuses are left out, as the reader would
    // refuse the whole book: the index is built only from checked books.
    std::mt19937 gen(3);
    auto id = [&] { return static_cast<int>(gen() % 3); };
    auto inCorner = [](size_t cell) { return cell == 0 || cell == 1 || cell == 3 || cell == 4; };
    auto layout = [&](size_t n) {
        json cells = json::array();
        for (size_t k = 0; k < n; ++k) cells.push_back(n == 4 || inCorner(k) || gen() % 8 == 0 ? id() : 0);
        switch (gen() % 12) {
        case 0: return json();                 // null
        case 1: cells.erase(cells.begin()); break;  // one short
        case 2: cells[0] = "wood"; break;      // not a number
        default: break;
        }
        return cells;
    };
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        json list = json::array();
        for (int i = 0; i < 60; ++i) {
            json e = {{"pattern", layout(9)}, {"eq_pattern", layout(4)}, {"result", 1 + id()}, {"amount", 1 + i}};
            switch (gen() % 16) {
            case 0: e.erase("eq_pattern"); break;
            case 1: e.erase("result"); break;
            case 2: e["amount"] = 0; break;
            case 3: e["result"] = ITEM_COUNT; break;
            case 4: e = json::array({1, 2}); break;
            default: break;
            }
            json alone = {{"recipes", json::array()}};
            alone["recipes"].push_back(e);
            if (!checkRecipeDocument(alone)) {
                list.push_back(e);
            }
        }
        ASSERT_GE(list.size(), 10u) << "too few entries pass to test the index";
        recipes = {{"recipes", list}};
        indexRecipes();
        for (int g = 0; g < 400; ++g) {
            for (size_t cell = 0; cell < GRID_CELLS; ++cell) {
                const int v = inCorner(cell) || gen() % 8 == 0 ? id() : 0;
                craftGrid[cell] = v == 0 ? ItemStack{} : ItemStack{v, 1 + static_cast<int>(gen() % 200)};
            }
            for (bool is3x3 : {false, true}) {
                checkRecipes(is3x3);
                ASSERT_EQ(craftRes, firstMatchInOrder(recipes, is3x3)) << "grid " << g << (is3x3 ? " 3x3" : " 2x2");
            }
        }
    }
    {
        SCOPED_TRACE("a cell holding an id outside the catalogue matches nothing");
        craftGrid = {};
        for (int bad : {-1, ITEM_COUNT, 1 << 20}) {
            craftGrid[8] = {bad, 1};
            checkRecipes(true);
            EXPECT_EQ(craftRes, ItemStack{});
        }
    }
}

class RecipeFilesTest : public RecipesTest {
protected:
    void SetUp() override
    {
        RecipesTest::SetUp();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("brambix-recipes-" + std::to_string(getpid()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& text)
    {
        std::string path = (dir_ / name).string();
        std::ofstream(path) << text;
        return path;
    }

    std::filesystem::path dir_;
};

const char* const GOOD_ENTRY =
    R"({"pattern": [2,0,0,0,0,0,0,0,0], "eq_pattern": [2,0,0,0], "result": 4, "amount": 4})";

// A book of four recipes whose entry 2 is `bad`.
std::string bookWithEntry2(const std::string& bad)
{
    return std::string(R"({"recipes": [)") + GOOD_ENTRY + ", " + GOOD_ENTRY + ", " + bad + ", " +
           GOOD_ENTRY + "]}";
}

struct BadCase {
    const char* label;
    std::string text;                // the whole document
    std::vector<std::string> words;  // each must appear in the message
};

std::vector<BadCase> badDocuments()
{
    const std::string p9 = "\"pattern\": [0,0,0,0,0,0,0,0,5]";
    const std::string unknown = std::to_string(ITEM_COUNT);  // the first id past the catalogue
    return {
        {"top level is an array", R"([{"pattern": [2,0,0,0,0,0,0,0,0]}])", {"top level", "object", "array"}},
        {"top level is a number", "7", {"top level", "object", "number"}},
        {"no recipes key", R"({"recipe": []})", {"top level", "\"recipes\""}},
        {"recipes is an object", R"({"recipes": {}})", {"\"recipes\"", "array", "object"}},
        {"recipes is a string", R"({"recipes": "x"})", {"\"recipes\"", "array", "string"}},
        {"entry is a number", bookWithEntry2("5"), {"recipe 2", "object", "number"}},
        {"entry is an array", bookWithEntry2("[2,0,0,0,0,0,0,0,0]"), {"recipe 2", "object", "array"}},
        {"missing pattern", bookWithEntry2(R"({"eq_pattern": null, "result": 4, "amount": 4})"),
         {"recipe 2", "no \"pattern\""}},
        {"pattern of 8", bookWithEntry2(R"({"pattern": [0,0,0,0,0,0,0,5], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "9", "8 entries"}},
        {"pattern of 10",
         bookWithEntry2(R"({"pattern": [0,0,0,0,0,0,0,0,0,5], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "10 entries"}},
        {"pattern is null", bookWithEntry2(R"({"pattern": null, "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "null"}},
        {"pattern with a string",
         bookWithEntry2(R"({"pattern": [0,0,0,"x",0,0,0,0,0], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "entry 3", "\"x\""}},
        {"pattern with an id past the catalogue",
         bookWithEntry2(R"({"pattern": [0,0,)" + unknown + R"(,0,0,0,0,0,0], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "entry 2 is " + unknown}},
        {"pattern with id -1", bookWithEntry2(R"({"pattern": [0,0,0,0,0,0,0,0,-1], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "entry 8 is -1"}},
        {"pattern with a fraction",
         bookWithEntry2(R"({"pattern": [0,0,0,0,2.5,0,0,0,0], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "entry 4 is 2.5"}},
        {"eq_pattern of 3", bookWithEntry2("{" + p9 + R"(, "eq_pattern": [0,0,5], "result": 4, "amount": 4})"),
         {"recipe 2", "\"eq_pattern\"", "4", "3 entries"}},
        {"eq_pattern with an id past the catalogue",
         bookWithEntry2("{" + p9 + R"(, "eq_pattern": [0,)" + unknown + R"(,0,0], "result": 4, "amount": 4})"),
         {"recipe 2", "\"eq_pattern\"", "entry 1 is " + unknown}},
        {"empty pattern", bookWithEntry2(R"({"pattern": [0,0,0,0,0,0,0,0,0], "result": 4, "amount": 4})"),
         {"recipe 2", "\"pattern\"", "empty grid"}},
        {"empty eq_pattern", bookWithEntry2("{" + p9 + R"(, "eq_pattern": [0,0,0,0], "result": 4, "amount": 4})"),
         {"recipe 2", "\"eq_pattern\"", "empty grid"}},
        {"missing result", bookWithEntry2("{" + p9 + R"(, "amount": 4})"), {"recipe 2", "no \"result\""}},
        {"result 0", bookWithEntry2("{" + p9 + R"(, "result": 0, "amount": 4})"),
         {"recipe 2", "\"result\"", "not 0"}},
        {"result past the catalogue", bookWithEntry2("{" + p9 + R"(, "result": )" + unknown + R"(, "amount": 4})"),
         {"recipe 2", "\"result\"", "not " + unknown}},
        {"result a string", bookWithEntry2("{" + p9 + R"(, "result": "4", "amount": 4})"),
         {"recipe 2", "\"result\"", "\"4\""}},
        {"missing amount", bookWithEntry2("{" + p9 + R"(, "result": 4})"), {"recipe 2", "no \"amount\""}},
        {"amount 0", bookWithEntry2("{" + p9 + R"(, "result": 4, "amount": 0})"),
         {"recipe 2", "\"amount\"", "not 0"}},
        {"amount 2.5", bookWithEntry2("{" + p9 + R"(, "result": 4, "amount": 2.5})"),
         {"recipe 2", "\"amount\"", "2.5"}},
        {"amount above int32", bookWithEntry2("{" + p9 + R"(, "result": 4, "amount": 2147483648})"),
         {"recipe 2", "\"amount\"", "2147483648"}},
    };
}

// `ascii` as UTF-16 in either byte order, with its byte order mark first.
std::string utf16(const std::string& ascii, bool bigEndian)
{
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

void expectWords(const std::string& message, const std::vector<std::string>& words)
{
    for (const auto& w : words) {
        EXPECT_NE(message.find(w), std::string::npos) << "\"" << w << "\" missing from: " << message;
    }
}

TEST_F(RecipeFilesTest, BadDocumentsAreRejectedNamingTheRecipeAndTheProblem)
{
    for (const auto& c : badDocuments()) {
        SCOPED_TRACE(c.label);
        const json doc = json::parse(c.text);

        auto problem = checkRecipeDocument(doc);
        ASSERT_TRUE(problem.has_value());
        expectWords(*problem, c.words);

        // Through the loader: the file path is named too, and no book is kept.
        recipes = json::parse(bookWithEntry2(GOOD_ENTRY));
        std::string path = write("bad.json", c.text);
        RecipeLoad load = loadRecipes(path);
        EXPECT_EQ(load.status, RecipeLoad::Invalid);
        EXPECT_NE(load.message.find(path), std::string::npos) << load.message;
        expectWords(load.message, c.words);
        EXPECT_TRUE(recipes.is_null());
    }
}

TEST_F(RecipeFilesTest, ValidDocumentsPass)
{
    for (const std::string& text : {
             bookWithEntry2(GOOD_ENTRY),
             std::string(R"({"recipes": []})"),
             "\xEF\xBB\xBF" + bookWithEntry2(GOOD_ENTRY),  // UTF-8 with a byte order mark
             // eq_pattern null or absent, extra keys ignored, big amounts allowed.
             std::string(R"({"version": 2, "recipes": [
                 {"name": "a", "pattern": [0,0,0,0,0,0,0,0,12], "eq_pattern": null, "result": 12, "amount": 1},
                 {"pattern": [1,1,1,1,1,1,1,1,1], "result": 1, "amount": 2147483647, "note": [1]}
             ]})"),
         }) {
        SCOPED_TRACE(text);
        EXPECT_EQ(checkRecipeDocument(json::parse(text)), std::nullopt);

        std::string path = write("good.json", text);
        RecipeLoad load = loadRecipes(path);
        EXPECT_EQ(load.status, RecipeLoad::Loaded);
        EXPECT_EQ(load.message, "");
        EXPECT_EQ(recipes, json::parse(text));
    }
}

TEST_F(RecipeFilesTest, MissingFileLeavesNoBookAndNoMessage)
{
    recipes = json::parse(bookWithEntry2(GOOD_ENTRY));
    RecipeLoad load = loadRecipes((dir_ / "nowhere.json").string());
    EXPECT_EQ(load.status, RecipeLoad::Missing);
    EXPECT_EQ(load.message, "");
    EXPECT_TRUE(recipes.is_null());

    craftGrid[0] = {ITEM_WOOD, 1};
    checkRecipes(false);
    EXPECT_EQ(craftRes, ItemStack{});
}

TEST_F(RecipeFilesTest, FileThatIsNotJsonNamesThePathLineAndColumn)
{
    recipes = json::parse(bookWithEntry2(GOOD_ENTRY));
    for (const char* text : {"{\"recipes\": [", "{\n  \"recipes\": [\n    {\"pattern\": [1,2,,]}\n  ]\n}", ""}) {
        SCOPED_TRACE(text);
        std::string path = write("broken.json", text);
        RecipeLoad load = loadRecipes(path);
        EXPECT_EQ(load.status, RecipeLoad::Invalid);
        expectWords(load.message, {path, "line", "column"});
        EXPECT_TRUE(recipes.is_null());
    }
    // The line of the fault is the one reported.
    std::string path = write("broken.json", "{\n  \"recipes\": [\n    {\"pattern\": [1,2,,]}\n  ]\n}");
    expectWords(loadRecipes(path).message, {"line 3"});
}

// Every way a book on disk can be broken or not a book at all: each is refused with a
// message that starts with the path and says where or what, and leaves no book.
TEST_F(RecipeFilesTest, BrokenBooksAreRefusedNamingTheFileAndThePlace)
{
    const std::string fixtures = BRAMBIX_SOURCE_DIR "/tests/rules/fixtures/";
    const bool root = geteuid() == 0;
    struct Case {
        const char* label;
        std::function<std::string()> make;  // the path to load; empty when this system cannot make it
        std::vector<std::string> words;
    };
    const std::vector<Case> cases = {
        {"huge number in an unknown key", [&] { return fixtures + "huge_number.json"; },
         {"not valid JSON: parse error at line 5, column 11: number overflow parsing '4e308'"}},
        {"negative huge number", [&] { return write("neg.json", R"({"recipes": [], "x": [1, -1e309]})"); },
         {"line 1, column 26", "-1e309"}},
        // Nesting is refused where it passes 256 levels, before the document is built.
        {"deep nesting in pattern", [&] { return fixtures + "deep_pattern.json"; },
         {"not valid JSON: nested deeper than 256 levels at line 2, column 286"}},
        {"deep nesting in result", [&] { return fixtures + "deep_result.json"; }, {"line 2, column 301"}},
        {"deep nesting in amount", [&] { return fixtures + "deep_amount.json"; }, {"line 2, column 314"}},
        {"nesting deeper than any stack",
         [&] {
             const size_t depth = 200000;  // far past what a recursive walk survives on an 8 MB stack
             return write("deeper.json", R"({"recipes": [{"pattern": [2,0,0,0,0,0,0,0,0], "result": )" +
                                             std::string(depth, '[') + std::string(depth, ']') + "}]}");
         },
         {"nested deeper than 256 levels at line 1, column 310"}},
        {"a long string", [&] { return write("long.json", R"({"recipes": [{"pattern": [2,0,0,0,0,0,0,0,0], "result": ")" + std::string(100000, 'x') + "\"}]}"); },
         {"not a string starting \"xxxxxxxx", "xxx...\""}},
        {"text after the document", [&] { return fixtures + "trailing_text.json"; },
         {"not valid JSON: text after the document at line 4, column 3"}},
        {"a second document", [&] { return fixtures + "second_document.json"; },
         {"not valid JSON: text after the document at line 4, column 1"}},
        {"a NUL byte and junk after the document",
         // Not "nul.json": on Windows NUL with any extension names the null device.
         [&] { return write("nul_byte.json", std::string("{\"recipes\": []}\n\0junk", 21)); },
         {"text after the document at line 2, column 1"}},
        {"a top-level number and a NUL byte", [&] { return write("nul2.json", std::string("5\0", 2)); },
         {"text after the document at line 1, column 2"}},
        {"UTF-16, as some editors save a text", [&] { return write("utf16.json", utf16(R"({"recipes": []})", false)); },
         {"not valid JSON: UTF-16 text (its byte order mark says so) at line 1, column 1: save the book as UTF-8"}},
        {"UTF-16, big-endian", [&] { return write("utf16be.json", utf16(R"({"recipes": []})", true)); },
         {"UTF-16 text", "save the book as UTF-8"}},
        {"larger than its limit",
         [&] {
             const std::string path = write("huge.json", "");
             std::filesystem::resize_file(path, RECIPE_BOOK_LIMIT_BYTES + 1);
             return path;
         },
         {"cannot read: larger than the limit of 64 MiB for a recipe book"}},
        {"a directory",
         [&] {
             std::filesystem::create_directory(dir_ / "dir.json");
             return (dir_ / "dir.json").string();
         },
         {"cannot read: it is a directory, not a regular file"}},
        {"a FIFO, which must not block",
         [&] {
             const std::string path = (dir_ / "fifo.json").string();
             return mkfifo(path.c_str(), 0600) == 0 ? path : "";
         },
         {"cannot read: it is a FIFO (named pipe), not a regular file"}},
        {"a device", [] { return std::string(POSIX_FILES ? "/dev/null" : ""); }, {"cannot read: it is a character device"}},
        {"a dangling symbolic link",
         [&] {
             std::error_code ec;  // Wine makes no symbolic links
             std::filesystem::create_symlink(dir_ / "gone.json", dir_ / "link.json", ec);
             return ec ? "" : (dir_ / "link.json").string();
         },
         {"cannot read: it is a symbolic link to a file that does not exist"}},
        // Root reads a mode-000 file anyway; procfs refuses write-only settings even to root.
        {"an unreadable file",
         [&] {
             if (!POSIX_FILES) {
                 return std::string();
             }
             if (root) {
                 return std::filesystem::exists("/proc/sys/vm/drop_caches") ? std::string("/proc/sys/vm/drop_caches") : "";
             }
             const std::string path = write("locked.json", R"({"recipes": []})");
             std::filesystem::permissions(path, std::filesystem::perms::none);
             return path;
         },
         {"cannot read: Permission denied"}},
        {"a read that fails",
         [] { return POSIX_FILES && std::filesystem::exists("/proc/self/mem") ? std::string("/proc/self/mem") : ""; },
         {"cannot read: Input/output error"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string path = c.make();
        if (path.empty()) {
            // Not in gtest's "[  SKIPPED ]" form: ctest would take the whole test, failures
            // and all, for skipped.
            std::cout << "row \"" << c.label << "\" left out: this system cannot make it\n";
            continue;
        }
        recipes = json::parse(bookWithEntry2(GOOD_ENTRY));
        auto loading = std::async(std::launch::async, [&] { return loadRecipes(path); });
        if (loading.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            ::close(::open(path.c_str(), O_WRONLY | O_NONBLOCK));  // a FIFO's reader gets its end
            ADD_FAILURE() << "still loading after 10 s";
        }
        RecipeLoad load = loading.get();
        EXPECT_EQ(load.status, RecipeLoad::Invalid);
        EXPECT_EQ(load.message.rfind(path + ": ", 0), 0u) << load.message;
        EXPECT_LT(load.message.size(), 400u) << "a message shows a short prefix of a bad value";
        expectWords(load.message, c.words);
        EXPECT_TRUE(recipes.is_null());
    }
}

// --- the recipe book shipped with the game --------------------------------------------------

constexpr int P = ITEM_PLANKS;
constexpr int S = ITEM_STICK;
constexpr int W = ITEM_WOOD;

// A shape of three rows ('P' planks, 'S' stick, '.' empty) placed with its left
// column at grid column `col`.
Grid place(const std::array<const char*, 3>& rows, int col)
{
    Grid g{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; rows[static_cast<size_t>(r)][c] != '\0'; ++c) {
            char ch = rows[static_cast<size_t>(r)][c];
            g[static_cast<size_t>(3 * r + col + c)] = ch == 'P' ? P : ch == 'S' ? S : 0;
        }
    }
    return g;
}

class ShippedBookTest : public RecipesTest {
protected:
    void SetUp() override
    {
        RecipesTest::SetUp();
        RecipeLoad load = loadRecipes(BRAMBIX_SOURCE_DIR "/assets/recipes.json");
        ASSERT_EQ(load.status, RecipeLoad::Loaded) << load.message;
    }
};

TEST_F(ShippedBookTest, PassesTheCheckAndHasNoShadowedRecipe)
{
    EXPECT_EQ(checkRecipeDocument(recipes), std::nullopt);
    std::set<json> patterns;
    std::set<json> eqPatterns;
    for (const json& entry : recipes["recipes"]) {
        SCOPED_TRACE(entry.dump());
        EXPECT_TRUE(patterns.insert(entry["pattern"]).second) << "pattern listed twice";
        if (entry.contains("eq_pattern") && !entry["eq_pattern"].is_null()) {
            EXPECT_TRUE(eqPatterns.insert(entry["eq_pattern"]).second) << "eq_pattern listed twice";
        }
    }
}

TEST_F(ShippedBookTest, TwoByTwoGridMakesPlanksSticksAndTheTable)
{
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        Grid g{};
        g[static_cast<size_t>(map22[static_cast<size_t>(k)])] = W;
        EXPECT_EQ(craft(g, false), (ItemStack{ITEM_PLANKS, 4}));
    }
    EXPECT_EQ(craft({P, 0, 0, P, 0, 0, 0, 0, 0}, false), (ItemStack{ITEM_STICK, 4}));
    EXPECT_EQ(craft({0, P, 0, 0, P, 0, 0, 0, 0}, false), (ItemStack{ITEM_STICK, 4}));
    EXPECT_EQ(craft({P, P, 0, P, P, 0, 0, 0, 0}, false), (ItemStack{ITEM_CRAFTING_TABLE, 1}));
}

TEST_F(ShippedBookTest, TableMakesPlanksSticksAndTheTableAnywhere)
{
    for (size_t i = 0; i < GRID_CELLS; ++i) {
        SCOPED_TRACE(i);
        Grid g{};
        g[i] = W;
        EXPECT_EQ(craft(g, true), (ItemStack{ITEM_PLANKS, 4}));
    }
    for (int col = 0; col < 3; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(craft(place({"P", "P", "."}, col), true), (ItemStack{ITEM_STICK, 4}));
        EXPECT_EQ(craft(place({".", "P", "P"}, col), true), (ItemStack{ITEM_STICK, 4}));
    }
    for (int col = 0; col < 2; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(craft(place({"PP", "PP", ".."}, col), true), (ItemStack{ITEM_CRAFTING_TABLE, 1}));
        EXPECT_EQ(craft(place({"..", "PP", "PP"}, col), true), (ItemStack{ITEM_CRAFTING_TABLE, 1}));
    }
}

TEST_F(ShippedBookTest, TableMakesTheFiveTools)
{
    const ItemStack axe{ITEM_WOODEN_AXE, 1};
    const ItemStack pickaxe{ITEM_WOODEN_PICKAXE, 1};
    const ItemStack shovel{ITEM_WOODEN_SHOVEL, 1};
    const ItemStack hoe{ITEM_WOODEN_HOE, 1};
    const ItemStack sword{ITEM_WOODEN_SWORD, 1};

    for (int col = 0; col < 2; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(craft(place({"PP", "PS", ".S"}, col), true), axe);
        EXPECT_EQ(craft(place({"PP", "SP", "S."}, col), true), axe);
        EXPECT_EQ(craft(place({"PP", ".S", ".S"}, col), true), hoe);
        EXPECT_EQ(craft(place({"PP", "S.", "S."}, col), true), hoe);
    }
    EXPECT_EQ(craft(place({"PPP", ".S.", ".S."}, 0), true), pickaxe);
    for (int col = 0; col < 3; ++col) {
        SCOPED_TRACE(col);
        EXPECT_EQ(craft(place({"P", "S", "S"}, col), true), shovel);
        EXPECT_EQ(craft(place({"P", "P", "S"}, col), true), sword);
    }

    // Tools are made only at the table.
    EXPECT_EQ(craft(place({"PP", "PS", ".."}, 0), false), ItemStack{});
    EXPECT_EQ(craft(place({"PP", "PS", ".S"}, 0), false), ItemStack{});
}

}  // namespace

// A file that holds more than its size said (procfs says 0), as one that grows while
// read: reading stops one byte past the limit.
TEST(RegularFile, ReadingStopsPastTheLimitWhateverTheSizeSaid)
{
    const FileRead over = readRegularFile("/proc/self/maps", 16);
    EXPECT_EQ(over.status, FileRead::TooLarge);
    EXPECT_EQ(over.problem, "16 bytes");
    EXPECT_EQ(readRegularFile("/proc/self/maps", size_t{1} << 20).status, FileRead::Read);
}
