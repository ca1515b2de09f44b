// libFuzzer target: arbitrary bytes as a replay file, read to their end.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "replay/replay_file.h"
#include "rules/world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReplayReader reader(std::string(reinterpret_cast<const char*>(data), size));
    if (!reader.readHeader()) {
        return 0;
    }
    ReplayFrame f;
    ReplayReader::Next n;
    // Every frame takes a byte at least: more frames than bytes would be a reader that
    // stopped moving.
    while ((n = reader.next(f)) == ReplayReader::Frame) {
        if (reader.frames() > size) {
            std::fprintf(stderr, "replay reader: more frames than bytes\n");
            std::abort();
        }
        // What a frame hands the game is bounded, and every point of it has a tile.
        bool inReach = withinReach(f.pointerX) && withinReach(f.pointerY);
        for (const ReplayEvent& e : f.events) {
            inReach = inReach && withinReach(e.x) && withinReach(e.y);
        }
        if (f.events.size() > REPLAY_EVENTS_PER_FRAME || !inReach) {
            std::fprintf(stderr, "replay reader: a frame of too many events, or a point out of reach\n");
            std::abort();
        }
    }
    if ((n == ReplayReader::Corrupt) == reader.problem().empty()) {
        std::fprintf(stderr, "replay reader: a problem without damage, or damage without a problem\n");
        std::abort();
    }
    return 0;
}
