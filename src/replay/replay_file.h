// The replay file: a header, then one compact record per frame of what the frame read
// through its platform seam, with the state's hashes every CHECKPOINT_FRAMES frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "replay/state_hash.h"

constexpr uint16_t REPLAY_FORMAT_VERSION = 1;
constexpr uint64_t CHECKPOINT_FRAMES = 60;
// The most a replay file may hold: days of play, far below what would exhaust memory.
constexpr size_t REPLAY_LIMIT_BYTES = size_t{256} << 20;
// The most events one frame may hold. A player's frame holds a few; even a frame held up
// for seconds with a key repeating gathers a few hundred. It bounds what reading a frame
// costs, whatever the file says.
constexpr uint64_t REPLAY_EVENTS_PER_FRAME = 4096;

struct ReplayHeader {
    uint16_t formatVersion = REPLAY_FORMAT_VERSION;
    std::string gameVersion;   // at most 255 bytes
    uint64_t recipeDigest = 0;  // recipeBookDigest() of the book it was played with
    uint64_t startTicks = 0;    // the tick counter at the first frame
};

// One input event the frame acted on; the pointer only for a click.
struct ReplayEvent {
    enum Kind : uint8_t { Quit = 0, KeyDown = 1, MouseDown = 2, KINDS = 3 } kind = Quit;
    int32_t scancode = 0;
    int32_t button = 0;
    float x = 0.0f;  // MouseDown: the pointer in picture pixels as the click read it,
    float y = 0.0f;  // within reach of the picture (see withinReach)
};

struct ReplayFrame {
    uint64_t ticks = 0;
    uint64_t keys = 0;  // bit i: the key of scancode i held
    std::vector<ReplayEvent> events;
    float pointerX = 0.0f;  // the pointer after the frame's steps, for drawing the carried stack
    float pointerY = 0.0f;
    bool checkpoint = false;  // `hashes` hold the state after this frame
    StateHashes hashes{};
    bool last = false;  // the player ended the recording here
};

// Whether frame `index` (from 0) carries a checkpoint: every CHECKPOINT_FRAMES-th, and the last.
bool checkpointDue(uint64_t index, bool last);

// Encodes a header and then frames in order; each result is appended to the file as is.
class ReplayEncoder {
public:
    std::string header(const ReplayHeader& h);
    std::string frame(const ReplayFrame& f);

private:
    uint64_t ticks_ = 0;
    uint64_t step_ = 0;
    uint64_t keys_ = 0;
    float pointerX_ = 0.0f;
    float pointerY_ = 0.0f;
};

// Decodes a whole file held in memory, frame by frame; never reads past its end.
class ReplayReader {
public:
    explicit ReplayReader(std::string bytes = {});

    // Reads the header. False with `problem()` set when the file is no replay, comes from
    // a newer format or is damaged there.
    bool readHeader();
    const ReplayHeader& header() const { return header_; }

    enum Next { Frame, Ended, CutShort, Corrupt };
    // The next frame into `f`; Ended after the last frame, CutShort where the file
    // stops before the recording ended, Corrupt (with `problem()`) on damage: among it
    // more than REPLAY_EVENTS_PER_FRAME events, or a click or pointer out of reach.
    Next next(ReplayFrame& f);

    uint64_t frames() const { return frames_; }  // whole frames read so far
    const std::string& problem() const { return problem_; }

private:
    bool fail(const std::string& what);
    bool byte(uint8_t& out);
    bool varint(uint64_t& out);
    bool f32(float& out);
    bool u32(uint32_t& out);
    bool u64(uint64_t& out);

    std::string bytes_;
    size_t pos_ = 0;
    bool truncated_ = false;  // a read ran into the end of the file
    ReplayHeader header_;
    ReplayFrame frame_;
    uint64_t step_ = 0;
    uint64_t frames_ = 0;
    bool ended_ = false;
    std::string problem_;
};
