// Recording a game to a replay file, and playing one back: watched or verified.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "shell/app/frame.h"
#include "files/claimed_file.h"
#include "replay/replay_file.h"

// Plays the game as runGame does and writes, frame by frame, what the frame read through
// its platform to `path`, flushed as play goes. What `path` held stays until the first
// frame is written. Returns 1 with one line on standard error when the file cannot be
// written (with the reason), another recording holds it, or the game cannot start, else 0.
int recordGame(const std::string& path, bool wholePixels = false);

// What verifying a replay found: the one line to print, and the exit status.
struct Verdict {
    int status = 1;    // 0: every checkpoint matched
    std::string line;  // "FILE: N frames, state matches", or what differs or is wrong
};

// Plays the replay at `path` from a fresh game state without a window, as fast as it
// can, against the recipe book of the data folder, and checks every checkpoint. Leaves
// the working folder in the data folder.
Verdict verifyReplay(const std::string& path);

// A replay played onto the game as it stands, some frames at a time: verifying one from
// a fresh game, or a kept run coming back from its snapshot.
struct Playback;
class ReplayPlayer {
public:
    ReplayPlayer();
    ~ReplayPlayer();
    // Reads the replay at `path` and its header; the reason when it cannot be played.
    std::optional<std::string> load(const std::string& path);
    // Plays up to `frames` more frames onto `loop` and the rules' globals, checking each
    // checkpoint unless `checkpoints` is false (a caller that checks the end state alone
    // spares a hash of the whole state every second): nothing while frames remain, else
    // the verdict. A replay recorded with another book than the loaded one plays no frame.
    std::optional<Verdict> play(Loop& loop, uint64_t frames, bool checkpoints = true);
    uint64_t framesPlayed() const;
    uint64_t lastTicks() const;  // the tick of the last frame played

private:
    std::unique_ptr<Playback> p_;
    Platform io_;
};

// Shows the replay at `path` in a window at its own pace, checking it as it goes; the
// verdict goes to standard output when it ends, and the last picture stays until the
// window is closed. Returns the verdict's status (1 also when the game cannot start).
int watchReplay(const std::string& path, bool wholePixels = false);

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
