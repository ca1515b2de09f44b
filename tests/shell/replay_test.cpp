// Replays as the game verifies them: verdicts on files cut short, forged and damaged.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/regular_file.h"
#include "replay/replay_file.h"
#include "replay/playback.h"

namespace {
namespace fs = std::filesystem;

TEST(ReplayVerdict, OnlyFramesACheckpointVouchedForAreCalledMatching)
{
    ReplayReader reader(readRegularFile(BRAMBIX_SOURCE_DIR "/tests/replays/craft-and-hunt.brx", REPLAY_LIMIT_BYTES).text);
    ASSERT_TRUE(reader.readHeader());
    std::vector<ReplayFrame> frames;
    for (ReplayFrame f; reader.next(f) == ReplayReader::Frame;) {
        frames.push_back(f);
    }
    ASSERT_GT(frames.size(), 420u);
    // The first `count` frames encoded again, then `tail` as it is.
    auto file = [&](size_t count, const std::string& tail = "") {
        ReplayEncoder enc;
        std::string bytes = enc.header(reader.header());
        for (size_t i = 0; i < count; ++i) {
            bytes += enc.frame(frames[i]);
        }
        return bytes + tail;
    };
    // A left click that adds nothing else: no new tick step, keys or pointer.
    auto click = [](float x) {
        std::string bytes = "\x04\x01\x02\x01";
        const float xy[2] = {x, 300.0f};
        return bytes + std::string(reinterpret_cast<const char*>(xy), sizeof xy);
    };
    std::vector<std::string> forged = {""};  // forged[n]: n clicks
    while (forged.size() < 60) {
        forged.push_back(forged.back() + click(400.0f));
    }
    const size_t offPicture = file(420).size() + click(0.0f).size();
    struct Case {
        std::string bytes;
        std::string line;
        int status;
    };
    const std::string all = std::to_string(frames.size());
    const std::vector<Case> cases = {
        {file(frames.size()), all + " frames, state matches", 0},
        {file(420, forged[22]), "442 frames, state matches up to frame 420; the 22 frames after it are not checked "
                            "(the file ends there)", 0},
        {file(121), "121 frames, state matches up to frame 120; the frame after it is not checked (the file ends "
                    "there)", 0},
        {file(120), "120 frames, state matches (cut short: the file ends after frame 120)", 0},
        {file(0, forged[59]), "59 frames, none of them checked (the file ends before the first checkpoint)", 0},
        {file(0), "no frames (the file ends after its header)", 0},
        {file(420, click(std::nanf(""))),
         "420 frames, then damaged: a click off the picture in frame 421 at byte " + std::to_string(offPicture), 1},
    };
    const fs::path path = fs::temp_directory_path() / "brambix-verdict.brx";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::ofstream(path, std::ios::binary) << c.bytes;
        const Verdict v = verifyReplay(path.string());
        EXPECT_EQ(v.line, path.string() + ": " + c.line);
        EXPECT_EQ(v.status, c.status);
    }
    fs::remove(path);
}

}  // namespace
