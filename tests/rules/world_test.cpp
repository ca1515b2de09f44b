// The generated world: the tile hash, tile lookup, pixel-to-tile and the first sight
// of grass tiles.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "replay/state_hash.h"
#include "rules/actions.h"
#include "rules/clock.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/state.h"
#include "rules/world.h"
#include "random_replay.h"

namespace {

constexpr int32_t MIN32 = std::numeric_limits<int32_t>::min();
constexpr int32_t MAX32 = std::numeric_limits<int32_t>::max();

uint64_t zeroTicks() { return 0; }

// How many numbers one spawn roll at the start of the game's sequence draws.
int firstRollDraws()
{
    resetGameRand();
    const int draws = gameRand() % 100 <= 4 ? 2 : 1;
    resetGameRand();
    return draws;
}

class WorldGen : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetGameState();
        setTickSource(zeroTicks);
        resetGameRand();
    }
};

TEST(TileHash, MatchesWorkedTable)
{
    EXPECT_EQ(tileHash(0, 0), 0u);
    EXPECT_EQ(tileHash(-1, 0), 440009001u);
    EXPECT_EQ(tileHash(1, 0), 2770836569u);
    EXPECT_EQ(tileHash(0, 1), 1745181052u);
    EXPECT_EQ(tileHash(0, -1), 4073636622u);

    // The remainders by 1000 that decide the tree bases: 0 and 1 are bases, the rest not.
    EXPECT_EQ(tileHash(0, 0) % 1000, 0u);
    EXPECT_EQ(tileHash(-1, 0) % 1000, 1u);
    EXPECT_EQ(tileHash(1, 0) % 1000, 569u);
    EXPECT_EQ(tileHash(0, 1) % 1000, 52u);
    EXPECT_EQ(tileHash(0, -1) % 1000, 622u);
}

TEST(TileHash, ExtremeCoordinatesUseTheirBitPatterns)
{
    // Values worked out independently with 32-bit wrapping arithmetic.
    EXPECT_EQ(tileHash(MIN32, 0), 1832674720u);
    EXPECT_EQ(tileHash(MAX32, 0), 2879494542u);
    EXPECT_EQ(tileHash(-1, -1), 1567902229u);
    EXPECT_EQ(tileHash(MAX32, MAX32), 1567902229u);
    // Both products are 2^31, which cancel: the corner of the plane hashes like the origin.
    EXPECT_EQ(tileHash(MIN32, MIN32), 0u);
    EXPECT_EQ(tileHash(MIN32, MAX32), 4073636622u);
    EXPECT_EQ(tileHash(MAX32, MIN32), 440009001u);
}

TEST_F(WorldGen, TreeAtTheOrigin)
{
    // Tree bases at (0, 0) and (-1, 0): trunks up to row -1, crowns on rows -3 and -2.
    EXPECT_EQ(getTile(0, 0), ITEM_WOOD);
    EXPECT_EQ(getTile(0, -1), ITEM_WOOD);
    EXPECT_EQ(getTile(-1, 0), ITEM_WOOD);
    EXPECT_EQ(getTile(-1, -1), ITEM_WOOD);
    for (int32_t y = -3; y <= -2; ++y) {
        for (int32_t x = -2; x <= 1; ++x) {
            EXPECT_EQ(getTile(x, y), ITEM_LEAF) << "tile (" << x << ", " << y << ")";
        }
    }
    EXPECT_EQ(getTile(1, 0), ITEM_GRASS);
    EXPECT_EQ(getTile(0, 1), ITEM_GRASS);
    EXPECT_EQ(getTile(-1, 1), ITEM_GRASS);
    EXPECT_EQ(getTile(-2, -1), ITEM_GRASS);
    EXPECT_EQ(getTile(2, -2), ITEM_GRASS);
    EXPECT_EQ(getTile(0, -4), ITEM_GRASS);
}

TEST_F(WorldGen, StoredTileWinsOnlyOnItsOwnTile)
{
    world[{0, 0}] = ITEM_NONE;
    EXPECT_EQ(getTile(0, 0), ITEM_NONE);
    EXPECT_EQ(getTile(0, -1), ITEM_WOOD) << "the rest of the trunk stays";
    EXPECT_EQ(getTile(-1, -3), ITEM_LEAF) << "the crown stays";
    EXPECT_EQ(getTile(0, -2), ITEM_LEAF);
    EXPECT_EQ(getTile(1, -3), ITEM_LEAF);

    // Overwrite every tile whose hash a lookup of (0, -2) consults, and its neighbours:
    // the lookup still reads only the hash for them.
    resetGameState();
    for (int32_t x = -2; x <= 2; ++x) {
        for (int32_t y = -3; y <= 2; ++y) {
            if (x != 0 || y != -2) {
                world[{x, y}] = ITEM_CRAFTING_TABLE;
            }
        }
    }
    EXPECT_EQ(getTile(0, -2), ITEM_LEAF);

    // Grass keeps reading as grass with its neighbours changed.
    resetGameState();
    world[{0, 1}] = ITEM_NONE;
    world[{2, 0}] = ITEM_WOOD;
    world[{1, 1}] = ITEM_LEAF;
    world[{1, 2}] = ITEM_MEAT;
    EXPECT_EQ(getTile(1, 0), ITEM_GRASS);
}

TEST_F(WorldGen, LookupNeverStoresAnything)
{
    for (int32_t x = -20; x <= 20; ++x) {
        for (int32_t y = -20; y <= 20; ++y) {
            (void)getTile(x, y);
        }
    }
    EXPECT_TRUE(world.empty());

    world[{3, 3}] = ITEM_STICK;
    for (int i = 0; i < 3; ++i) {
        (void)getTile(3, 3);
        (void)getTile(3, 4);
    }
    ASSERT_EQ(world.size(), 1u);
    EXPECT_EQ(world.at({3, 3}), ITEM_STICK);
}

TEST_F(WorldGen, EdgesOfThePlaneWrapAround)
{
    // (MIN, MIN) is a tree base. Its trunk reaches up to (MIN, MAX) and its crown, three
    // wide and two high above that, to the columns MAX, MIN and MIN + 1 of rows MAX - 2
    // and MAX - 1.
    EXPECT_EQ(getTile(MIN32, MIN32), ITEM_WOOD);
    EXPECT_EQ(getTile(MIN32, MAX32), ITEM_WOOD);
    EXPECT_EQ(getTile(MAX32, MAX32 - 1), ITEM_LEAF);
    EXPECT_EQ(getTile(MIN32 + 1, MAX32 - 2), ITEM_LEAF);
    EXPECT_EQ(getTile(MIN32 + 2, MAX32 - 1), ITEM_GRASS);
    EXPECT_EQ(getTile(MIN32, MIN32 + 1), ITEM_GRASS);
    // Every corner reads as a generated tile.
    for (int32_t x : {MIN32, MAX32}) {
        for (int32_t y : {MIN32, MAX32}) {
            const int t = getTile(x, y);
            EXPECT_TRUE(t >= ITEM_GRASS && t <= ITEM_LEAF) << x << ", " << y;
        }
    }
    EXPECT_TRUE(world.empty());

    // Visiting works there too.
    visitTile(MIN32 + 2, MAX32 - 1, ITEM_GRASS);
    EXPECT_EQ(chunks.count({MIN32 + 2, MAX32 - 1}), 1u);
}

TEST(TileOf, RoundsTowardsNegativeInfinity)
{
    EXPECT_EQ(tileOf(-0.5f), -1);
    EXPECT_EQ(tileOf(64.0f), 1);
    EXPECT_EQ(tileOf(63.99f), 0);
    EXPECT_EQ(tileOf(0.0f), 0);
    EXPECT_EQ(tileOf(-64.0f), -1);
    EXPECT_EQ(tileOf(-64.01f), -2);
    EXPECT_EQ(tileOf(-368.0f), -6);

    // Any float brought within reach, however wild, turns into a tile without overflow;
    // one already within reach is left as it is.
    constexpr float INF = std::numeric_limits<float>::infinity();
    for (float wild : {std::numeric_limits<float>::quiet_NaN(), INF, -INF, 1e38f, -1e38f, 1e6f, -1e6f, 0.5f}) {
        const float near = intoReach(wild);
        EXPECT_TRUE(withinReach(near)) << wild;
        EXPECT_EQ(withinReach(wild), near == wild) << wild;
        EXPECT_LT(std::abs(static_cast<double>(tileOf(near + 1e8f))), 2e6) << wild;
    }
}

TEST_F(WorldGen, GrassGetsOneEntryAndOneRoll)
{
    const int rollDraws = firstRollDraws();
    const size_t expectedMobs = rollDraws == 2 ? 1 : 0;

    visitTile(1, 0, getTile(1, 0));
    ASSERT_EQ(chunks.size(), 1u);
    EXPECT_TRUE(chunks.at({1, 0}));
    EXPECT_EQ(drawsSince(), rollDraws);
    EXPECT_EQ(mobs.size(), expectedMobs);

    // Seen again: nothing more.
    resetGameRand();
    visitTile(1, 0, ITEM_GRASS);
    visitTile(1, 0, ITEM_GRASS);
    EXPECT_EQ(drawsSince(), 0);
    EXPECT_EQ(chunks.size(), 1u);
    EXPECT_EQ(mobs.size(), expectedMobs);
}

TEST_F(WorldGen, TilesThatAreNotGrassAreNotEntered)
{
    world[{5, 5}] = ITEM_NONE;            // broken
    world[{6, 6}] = ITEM_CRAFTING_TABLE;  // placed
    world[{7, 7}] = ITEM_MEAT;
    resetGameRand();
    visitTile(0, 0, getTile(0, 0));    // wood
    visitTile(0, -2, getTile(0, -2));  // leaf
    visitTile(5, 5, getTile(5, 5));
    visitTile(6, 6, getTile(6, 6));
    visitTile(7, 7, getTile(7, 7));
    EXPECT_TRUE(chunks.empty());
    EXPECT_TRUE(mobs.empty());
    EXPECT_EQ(drawsSince(), 0);
}

TEST_F(WorldGen, GrassPlacedLaterIsEnteredOnItsFirstVisitAsGrass)
{
    resetGameRand();
    visitTile(0, 0, getTile(0, 0));
    EXPECT_TRUE(chunks.empty());

    world[{0, 0}] = ITEM_GRASS;
    const int rollDraws = firstRollDraws();
    visitTile(0, 0, getTile(0, 0));
    EXPECT_EQ(chunks.count({0, 0}), 1u);
    EXPECT_EQ(drawsSince(), rollDraws);

    resetGameRand();
    visitTile(0, 0, getTile(0, 0));
    EXPECT_EQ(drawsSince(), 0);
}

TEST_F(WorldGen, BrokenGrassKeepsItsEntry)
{
    resetGameRand();
    visitTile(1, 0, getTile(1, 0));
    ASSERT_EQ(chunks.count({1, 0}), 1u);

    world[{1, 0}] = ITEM_NONE;
    resetGameRand();
    visitTile(1, 0, getTile(1, 0));
    EXPECT_TRUE(chunks.at({1, 0}));

    // Grass placed back on it is not a first sight.
    world[{1, 0}] = ITEM_GRASS;
    visitTile(1, 0, getTile(1, 0));
    EXPECT_TRUE(chunks.at({1, 0}));
    EXPECT_EQ(drawsSince(), 0);
    EXPECT_EQ(chunks.size(), 1u);
}

// Walks passing over the tiles the last walk saw leave the same marks, creatures and
// random numbers as whole walks, whatever the camera does (steps, jumps, standing) and
// whatever changes tiles between walks: breaking, grass placed back on a broken tile,
// a tile or a mark changed straight in the maps.
TEST_F(WorldGen, SkippingSeenTilesMatchesWholeWalks)
{
    auto play = [](bool wholeWalks) {
        resetGameState();
        resetGameRand();
        hotbar[0] = {ITEM_GRASS, 64};
        std::mt19937 pick(7);
        std::vector<uint64_t> hashes;
        float cx = 0.0f, cy = 0.0f, brokenX = 0.0f, brokenY = 0.0f;
        for (int step = 0; step < 400; ++step) {
            const float reach = TILE_PX * std::array{40.0f, 9.0f, 0.4f, 0.4f, 0.0f}[pick() % 5];
            std::uniform_real_distribution<float> move(-reach, reach);
            cx += move(pick);
            cy += move(pick);
            const float mx = static_cast<float>(pick() % 800), my = static_cast<float>(pick() % 600);
            switch (pick() % 8) {
            case 0: worldClick(BUTTON_LEFT, mx, my, cx, cy, 0), brokenX = cx + mx, brokenY = cy + my; break;
            case 1: worldClick(BUTTON_RIGHT, brokenX - cx, brokenY - cy, cx, cy, 0); break;
            case 2: world[{tileOf(cx + mx), tileOf(cy + my)}] = ITEM_GRASS; break;
            case 3: chunks.erase({tileOf(cx + mx), tileOf(cy + my)}); break;
            default: break;
            }
            if (wholeWalks) {
                forgetSeenView();
            }
            seeView(cx, cy);
            hashes.push_back(combinedHash(hashState({})));
        }
        return hashes;
    };
    const std::vector<uint64_t> whole = play(true), skipping = play(false);
    for (size_t i = 0; i < whole.size(); ++i) {
        ASSERT_EQ(skipping[i], whole[i]) << "the game differs after walk " << i;
    }
}

// The block the first frame handles with the player at the origin, visited in drawing
// order (columns outer, rows inner), written as a map and the creatures it spawned.
std::string firstFrameText(int& grass, int& wood, int& leaf)
{
    constexpr int32_t X0 = -7, X1 = 8, Y0 = -6, Y1 = 6;
    std::array<std::string, Y1 - Y0 + 1> rows;
    rows.fill(std::string(X1 - X0 + 1, '?'));
    grass = wood = leaf = 0;
    for (int32_t x = X0; x <= X1; ++x) {
        for (int32_t y = Y0; y <= Y1; ++y) {
            const int block = getTile(x, y);
            visitTile(x, y, block);
            char c = '?';
            switch (block) {
            case ITEM_GRASS: c = '.'; ++grass; break;
            case ITEM_WOOD: c = 'W'; ++wood; break;
            case ITEM_LEAF: c = 'L'; ++leaf; break;
            default: break;
            }
            rows[static_cast<size_t>(y - Y0)][static_cast<size_t>(x - X0)] = c;
        }
    }
    std::ostringstream out;
    out << "# First frame: columns -7 to 8 left to right, rows -6 to 6 top to bottom.\n"
        << "# . grass, W wood, L leaf\n";
    for (const auto& r : rows) {
        out << r << '\n';
    }
    out << "# Creatures spawned with srand(1): index tile type (0 pig, 1 cow, 2 sheep)\n";
    for (size_t i = 0; i < mobs.size(); ++i) {
        const Mob& m = mobs[i];
        out << i << " (" << tileOf(m.x) << ", " << tileOf(m.y) << ") " << m.type << '\n';
    }
    return out.str();
}

TEST_F(WorldGen, FirstFrameMatchesGolden)
{
    resetGameRand();
    int grass = 0, wood = 0, leaf = 0;
    const std::string fresh = firstFrameText(grass, wood, leaf);

    EXPECT_EQ(grass, 178);
    EXPECT_EQ(wood, 9);
    EXPECT_EQ(leaf, 21);
    EXPECT_EQ(chunks.size(), 178u);
    EXPECT_TRUE(world.empty());
    // One number per grass tile and one more per creature.
    EXPECT_EQ(drawsSince(), 178 + static_cast<int>(mobs.size()));

    const std::string path = std::string(BRAMBIX_SOURCE_DIR) + "/tests/rules/golden/first_frame.txt";
    std::ifstream in(path);
    ASSERT_TRUE(in) << "cannot read " << path << "; the fresh text is:\n" << fresh;
    std::stringstream golden;
    golden << in.rdbuf();
    EXPECT_EQ(golden.str(), fresh) << "the first frame changed; if that is meant, paste this into " << path
                                   << ":\n"
                                   << fresh;
}

}  // namespace
