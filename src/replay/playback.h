// Playing a replay back: verified without a window, watched in one, or played onto the
// game some frames at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "shell/app/frame.h"

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
