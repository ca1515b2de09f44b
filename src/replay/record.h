// Recording a game to a replay file, frame by frame.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shell/app/frame.h"
#include "files/claimed_file.h"
#include "replay/replay_file.h"
#include "replay/state_hash.h"

// Plays the game as runGame does and writes, frame by frame, what the frame read through
// its platform to `path`, flushed as play goes. What `path` held stays until the first
// frame is written. Returns 1 with one line on standard error when the file cannot be
// written (with the reason), another recording holds it, or the game cannot start, else 0.
int recordGame(const std::string& path, bool wholePixels = false);

// A recording under way: the platform it wraps and the frame it is filling.
struct ReplayRecorder {
    std::optional<ClaimedFile> file;  // claimed; a kept run claims a fresh one after each snapshot
    std::string path;  // for the message when writing fails
    Platform inner;
    ReplayEncoder encoder;
    ReplayFrame frame;
    PointerPos pointer;  // the last pointer read that no click took
    bool clickAwaitsPointer = false;
    uint64_t index = 0;  // frames written
    bool failed = false;
};

// `r.inner` as the frame sees it, noting in `r.frame` what each call returns.
Platform recordingPlatform(ReplayRecorder& r);

// Appends the frame just played (the header before the first), with a checkpoint when
// one is due, and flushes it. A write that fails stops the recording with one line on
// standard error; the game plays on.
void recordFrame(ReplayRecorder& r, const Loop& loop);

// The hashes a checkpoint holds: the state, with the player where the frame loop keeps it.
StateHashes checkpointHashes(const Loop& loop);
