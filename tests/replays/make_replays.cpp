// Makes the committed replays: scripted play through the real frame steps, recorded
// as the game records. Run it again on purpose when a rule changes:
//   make_replays <folder for the replays> <the source's assets/recipes.json>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "rules/creatures.h"
#include "rules/inventory.h"
#include "rules/items.h"
#include "rules/random.h"
#include "rules/recipe_book.h"
#include "rules/screens.h"
#include "rules/state.h"
#include "rules/world.h"
#include "shell/app/frame.h"
#include "replay/record.h"
#include "shell/platform/sdl.h"

namespace {
constexpr uint64_t START_TICKS = 1234;
constexpr int FRAMES_PER_SECOND = 60;
// The centre of the player's sprite in the picture.
constexpr float PLAYER_CENTRE_X = 400.0f;
constexpr float PLAYER_CENTRE_Y = 300.0f;

[[noreturn]] void fail(const std::string& why)
{
    std::fprintf(stderr, "make_replays: %s\n", why.c_str());
    std::exit(1);
}

// One scripted game: what the platform hands the next frame, and the frames played.
class Player {
public:
    explicit Player(const std::string& path)
    {
        resetGameState();
        resetGameRand();
        if (loadRecipes(book).status != RecipeLoad::Loaded) {
            fail("cannot load " + book);
        }
        rec.path = path;
        if (!rec.file.emplace().claim(path)) {
            fail("cannot write " + path + ": " + rec.file->problem());
        }
        rec.inner = {
            [this] { return ticks; },
            [this](InputEvent& e) {
                if (events.empty()) {
                    return false;
                }
                e = events.front();
                pointer = pointers.front();
                events.erase(events.begin());
                pointers.erase(pointers.begin());
                return true;
            },
            [this] { return pointer; },
            [this] { return held; },
            [](uint32_t) {},
        };
        io = recordingPlatform(rec);
    }

    static std::string book;
    Loop loop;

    // The camera the next frame will place: the frame places it before the keys move.
    float camX() const { return loop.pX - (SCREEN_WIDTH - PLAYER_PX) / 2; }
    float camY() const { return loop.pY - (SCREEN_HEIGHT - PLAYER_PX) / 2; }

    // One frame with the keys now held and the events queued; ticks go 17, 16, 17 ms.
    void frame()
    {
        stepFrame(loop, io);
        pointer = resting;
        io.mouseState();  // as the frame reads it again to draw the carried stack
        recordFrame(rec, loop);
        ++played;
        ticks += played % 3 == 1 ? 16 : 17;
    }
    void frames(int n)
    {
        for (int i = 0; i < n; ++i) {
            frame();
        }
    }
    void seconds(double s) { frames(static_cast<int>(s * FRAMES_PER_SECOND)); }
    void hold(std::initializer_list<int> keys, int n)
    {
        for (int k : keys) {
            held[static_cast<size_t>(k)] = true;
        }
        frames(n);
        held = {};
    }
    void press(int scancode)
    {
        events.push_back({InputEvent::Kind::KeyDown, scancode, 0});
        pointers.push_back(resting);
        frame();
    }
    void click(int button, float x, float y)
    {
        events.push_back({InputEvent::Kind::MouseDown, 0, button});
        pointers.push_back({x, y});
        resting = {x, y};
        frame();
    }
    void clickSlotRect(int button, SlotRect s) { click(button, s.x + s.w / 2, s.y + s.h / 2); }
    // Ends the recording as closing the window does.
    void quit()
    {
        events.push_back({InputEvent::Kind::Quit});
        pointers.push_back(resting);
        frame();
        if (rec.failed) {
            fail("writing " + rec.path + " failed");
        }
        std::printf("%s: %llu frames, %.1f s of play\n", rec.path.c_str(), static_cast<unsigned long long>(played),
                    static_cast<double>(ticks - START_TICKS) / 1000.0);
    }

    // Walks, one key per axis, until the player's top-left corner is within a step of (x, y).
    void walkTo(float x, float y, int most = 20000)
    {
        for (int guard = 0; guard < most; ++guard) {
            const float dx = x - loop.pX;
            const float dy = y - loop.pY;
            if (std::fabs(dx) < PLAYER_SPEED_PX && std::fabs(dy) < PLAYER_SPEED_PX) {
                held = {};
                return;
            }
            held = {};
            if (std::fabs(dx) >= PLAYER_SPEED_PX) {
                held[static_cast<size_t>(dx > 0 ? SDL_SCANCODE_D : SDL_SCANCODE_A)] = true;
            }
            if (std::fabs(dy) >= PLAYER_SPEED_PX) {
                held[static_cast<size_t>(dy > 0 ? SDL_SCANCODE_S : SDL_SCANCODE_W)] = true;
            }
            frame();
        }
        held = {};
        if (most == 20000) {
            fail("cannot walk there");
        }
    }

    // Left-clicks every tile of `id` in the picture, nearest the player first, up to `most`.
    int breakAll(int id, int most)
    {
        int broken = 0;
        for (int ring = 0; ring < 7 && broken < most; ++ring) {
            for (int ty = -ring; ty <= ring; ++ty) {
                for (int tx = -ring; tx <= ring && broken < most; ++tx) {
                    if (std::max(std::abs(tx), std::abs(ty)) != ring) {
                        continue;
                    }
                    const float x = PLAYER_CENTRE_X + static_cast<float>(tx * TILE_PX);
                    const float y = PLAYER_CENTRE_Y + static_cast<float>(ty * TILE_PX);
                    if (x < 1 || y < 1 || x >= SCREEN_WIDTH - 1 || y >= 520) {
                        continue;
                    }
                    if (getTile(tileOf(x + camX()), tileOf(y + camY())) == id) {
                        click(BUTTON_LEFT, x, y);
                        ++broken;
                    }
                }
            }
        }
        return broken;
    }

    // The storage slot (hotbar 0-4, inventory 5-25) holding `id`, or -1.
    static int slotOf(int id)
    {
        for (int i = 0; i < HOTBAR_SLOTS + INV_SLOTS; ++i) {
            if (storage(i).id == id) {
                return i;
            }
        }
        return -1;
    }
    static ItemStack& storage(int i)
    {
        return i < HOTBAR_SLOTS ? hotbar[static_cast<size_t>(i)] : inv[static_cast<size_t>(i - HOTBAR_SLOTS)];
    }
    static SlotRect slotRect(int i) { return i < HOTBAR_SLOTS ? hotbarSlotRect(i) : inventorySlotRect(i - HOTBAR_SLOTS); }

    // On an open screen: lays one item of each id of `cells` (grid cell k, 0 for none)
    // from storage, takes the product, which must be `product`, and stores it.
    void craft(const std::vector<int>& cells, int product)
    {
        const bool is3x3 = showCraft;
        for (size_t k = 0; k < cells.size(); ++k) {
            if (cells[k] == 0) {
                continue;
            }
            const int from = slotOf(cells[k]);
            if (from < 0) {
                fail("no " + std::string(ITEMS[static_cast<size_t>(cells[k])].name) + " to craft with");
            }
            clickSlotRect(BUTTON_LEFT, slotRect(from));
            clickSlotRect(BUTTON_RIGHT, gridCellRect(static_cast<int>(k), is3x3));
            clickSlotRect(BUTTON_LEFT, slotRect(from));
        }
        if (craftRes.id != product) {
            fail("the grid makes " + std::to_string(craftRes.id) + ", not " + std::to_string(product));
        }
        clickSlotRect(BUTTON_LEFT, resultSlotRect(is3x3));
        const int into = slotOf(product) >= 0 && storage(slotOf(product)).count < MAX_STACK ? slotOf(product) : slotOf(0);
        clickSlotRect(BUTTON_LEFT, slotRect(into));
    }

    // Walks up to the creature nearest the player, kills it and walks onto its meat.
    void huntOne()
    {
        if (mobs.empty()) {
            fail("no creature to hunt");
        }
        size_t nearest = 0;
        auto away = [this](const Mob& m) { return std::fabs(m.x - loop.pX) + std::fabs(m.y - loop.pY); };
        for (size_t i = 1; i < mobs.size(); ++i) {
            if (away(mobs[i]) < away(mobs[nearest])) {
                nearest = i;
            }
        }
        // Spawns only append, so the index holds while walking; the creature wanders on.
        for (int guard = 0; away(mobs[nearest]) > 3 * TILE_PX; ++guard) {
            walkTo(mobs[nearest].x, mobs[nearest].y, 10);
            if (guard > 200) {
                fail("cannot reach a creature");
            }
        }
        const Mob m = mobs[nearest];
        click(BUTTON_LEFT, m.x - camX() + MOB_PX / 2, m.y - camY() + MOB_PX / 2);
        walkTo(m.x, m.y);
    }

    // Moves `id` from storage into hotbar slot `slot`; a screen must be open.
    void toHotbar(int id, int slot)
    {
        const int from = slotOf(id);
        if (from < 0) {
            fail("nothing of item " + std::to_string(id) + " in storage");
        }
        if (from != slot) {
            clickSlotRect(BUTTON_LEFT, slotRect(from));
            clickSlotRect(BUTTON_LEFT, slotRect(slot));
            clickSlotRect(BUTTON_LEFT, slotRect(from));
        }
    }

private:
    ReplayRecorder rec;
    Platform io;
    uint64_t ticks = START_TICKS;
    uint64_t played = 0;
    KeyState held{};
    std::vector<InputEvent> events;
    std::vector<PointerPos> pointers;
    PointerPos pointer{};
    PointerPos resting{PLAYER_CENTRE_X, PLAYER_CENTRE_Y};
};
std::string Player::book;

// Far in every direction and along the diagonals, then standing about until health
// runs out and the player starts again at the origin.
void walkFar(const std::string& path)
{
    Player p(path);
    const int leg = 40 * FRAMES_PER_SECOND;
    p.hold({SDL_SCANCODE_D}, leg);
    p.hold({SDL_SCANCODE_S}, leg);
    p.hold({SDL_SCANCODE_A}, 2 * leg);
    p.hold({SDL_SCANCODE_W}, 2 * leg);
    p.hold({SDL_SCANCODE_D}, leg);
    p.hold({SDL_SCANCODE_S, SDL_SCANCODE_D}, leg / 2);
    p.hold({SDL_SCANCODE_W, SDL_SCANCODE_A}, leg);
    p.hold({SDL_SCANCODE_S, SDL_SCANCODE_D}, leg / 4);
    while (hp > 1) {
        p.seconds(10);
    }
    const float farX = p.loop.pX;
    p.seconds(61);
    if (hp != MAX_HP || p.loop.pX != 0.0f || farX == 0.0f) {
        fail("the player did not start again at the origin");
    }
    p.seconds(5);
    p.quit();
}

// Wood and leaves, every recipe, a table placed and used, creatures hunted and their
// meat eaten, a stack filled, storage filled, and what finds no room dropped.
void craftAndHunt(const std::string& path)
{
    Player p(path);
    int wood = 0;
    for (int step = 0; wood < 12; ++step) {
        wood += p.breakAll(ITEM_WOOD, 12 - wood);
        p.breakAll(ITEM_LEAF, 2);
        p.hold({step % 4 < 2 ? SDL_SCANCODE_D : SDL_SCANCODE_S}, 90);
        if (step > 40) {
            fail("too few trees");
        }
    }
    constexpr int P = ITEM_PLANKS;
    constexpr int S = ITEM_STICK;
    p.press(SDL_SCANCODE_E);
    for (int i = 0; i < 7; ++i) {
        p.craft({ITEM_WOOD, 0, 0, 0}, P);
    }
    for (int i = 0; i < 3; ++i) {
        p.craft({P, 0, P, 0}, S);
    }
    p.craft({P, P, P, P}, ITEM_CRAFTING_TABLE);
    p.toHotbar(ITEM_CRAFTING_TABLE, 4);
    p.press(SDL_SCANCODE_E);
    p.hold({SDL_SCANCODE_1 + 4}, 1);
    const float tableX = PLAYER_CENTRE_X + TILE_PX;
    const float tableLeft = static_cast<float>(tileOf(tableX + p.camX()) * TILE_PX);
    const float tableTop = static_cast<float>(tileOf(PLAYER_CENTRE_Y + p.camY()) * TILE_PX);
    p.click(BUTTON_RIGHT, tableX, PLAYER_CENTRE_Y);
    p.click(BUTTON_RIGHT, tableX, PLAYER_CENTRE_Y);
    if (!showCraft) {
        fail("the table did not open");
    }
    p.craft({P, P, 0, P, S, 0, 0, S, 0}, ITEM_WOODEN_AXE);
    p.craft({P, P, P, 0, S, 0, 0, S, 0}, ITEM_WOODEN_PICKAXE);
    p.craft({0, P, 0, 0, S, 0, 0, S, 0}, ITEM_WOODEN_SHOVEL);
    p.craft({P, P, 0, 0, S, 0, 0, S, 0}, ITEM_WOODEN_HOE);
    p.craft({0, 0, P, 0, 0, P, 0, 0, S}, ITEM_WOODEN_SWORD);
    p.craft({0, 0, 0, 0, ITEM_WOOD, 0, 0, 0, 0}, P);
    p.craft({0, 0, 0, 0, P, 0, 0, P, 0}, S);
    p.press(SDL_SCANCODE_E);  // at the table, E switches to the inventory
    p.press(SDL_SCANCODE_E);

    for (int i = 0; i < 3; ++i) {
        p.huntOne();
    }
    while (hp == MAX_HP) {
        p.seconds(1);
    }
    p.press(SDL_SCANCODE_E);
    p.toHotbar(ITEM_MEAT, 1);
    p.press(SDL_SCANCODE_E);
    p.hold({SDL_SCANCODE_1 + 1}, 1);
    p.click(BUTTON_RIGHT, PLAYER_CENTRE_X, PLAYER_CENTRE_Y - TILE_PX);
    if (hp != MAX_HP) {
        fail("the meat was not eaten");
    }

    // A grass stack fills to 128 and the next grass starts another.
    int grass = 0;
    for (int step = 0; grass < MAX_STACK + 5; ++step) {
        grass += p.breakAll(ITEM_GRASS, MAX_STACK + 5 - grass);
        p.hold({step % 2 == 0 ? SDL_SCANCODE_A : SDL_SCANCODE_W}, 120);
    }
    // Storage filled: one grass in every empty slot.
    p.press(SDL_SCANCODE_E);
    const int full = p.slotOf(ITEM_GRASS);
    p.clickSlotRect(BUTTON_LEFT, p.slotRect(full));
    for (int i = 0; i < HOTBAR_SLOTS + INV_SLOTS; ++i) {
        if (p.storage(i).id == 0 && i != full) {
            p.clickSlotRect(BUTTON_RIGHT, p.slotRect(i));
        }
    }
    p.clickSlotRect(BUTTON_LEFT, p.slotRect(full));
    p.press(SDL_SCANCODE_E);
    // The table broken finds no room and lies on its tile; walking onto it takes nothing.
    p.walkTo(tableLeft, tableTop);
    p.click(BUTTON_LEFT, PLAYER_CENTRE_X, PLAYER_CENTRE_Y);
    const size_t lying = drops.size();
    p.seconds(2);
    // With the sticks on the pointer their slot takes the table; closing drops the sticks.
    p.press(SDL_SCANCODE_E);
    p.clickSlotRect(BUTTON_LEFT, p.slotRect(p.slotOf(S)));
    p.frames(2);
    p.press(SDL_SCANCODE_E);
    if (lying == 0 || drops.empty() || drops.back().id != S) {
        fail("nothing was dropped for want of room");
    }
    p.seconds(3);
    p.quit();
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fail("usage: make_replays <folder> <recipes.json>");
    }
    Player::book = argv[2];
    const std::string dir = argv[1];
    walkFar(dir + "/walk-far.brx");
    craftAndHunt(dir + "/craft-and-hunt.brx");
    return 0;
}
