// Replays as the game verifies and records them: verdicts on files cut short and forged,
// and the file a recording claims.
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "files/claimed_file.h"
#include "replay/replay_file.h"
#include "shell/replay.h"

namespace {
namespace fs = std::filesystem;

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void spit(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ReplayVerdict, OnlyFramesACheckpointVouchedForAreCalledMatching)
{
    ReplayReader reader(slurp(BRAMBIX_SOURCE_DIR "/tests/replays/craft-and-hunt.brx"));
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
    auto forged = [&](int n) {
        std::string bytes;
        for (int i = 0; i < n; ++i) {
            bytes += click(400.0f);
        }
        return bytes;
    };
    const size_t offPicture = file(420).size() + click(0.0f).size();
    struct Case {
        std::string bytes;
        std::string line;
        int status;
    };
    const std::string all = std::to_string(frames.size());
    const std::vector<Case> cases = {
        {file(frames.size()), all + " frames, state matches", 0},
        {file(420, forged(22)), "442 frames, state matches up to frame 420; the 22 frames after it are not checked "
                            "(the file ends there)", 0},
        {file(121), "121 frames, state matches up to frame 120; the frame after it is not checked (the file ends "
                    "there)", 0},
        {file(120), "120 frames, state matches (cut short: the file ends after frame 120)", 0},
        {file(0, forged(59)),
         "59 frames, none of them checked (the file ends before the first checkpoint)", 0},
        {file(0), "no frames (the file ends after its header)", 0},
        {file(420, click(std::nanf(""))),
         "420 frames, then damaged: a click off the picture in frame 421 at byte " + std::to_string(offPicture), 1},
    };
    const fs::path path = fs::temp_directory_path() / "brambix-verdict.brx";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        spit(path, c.bytes);
        const Verdict v = verifyReplay(path.string());
        EXPECT_EQ(v.line, path.string() + ": " + c.line);
        EXPECT_EQ(v.status, c.status);
    }
    fs::remove(path);
}

TEST(ReplayRecording, AClaimedFileKeepsWhatItHeldAndRefusesASecondWriter)
{
    const fs::path dir = fs::temp_directory_path() / "brambix-claim";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    const std::string old = (dir / "old.brx").string();
    spit(old, "an earlier replay");
    {
        ClaimedFile first;
        ASSERT_TRUE(first.claim(old)) << first.problem();
        ClaimedFile second;
        EXPECT_FALSE(second.claim(old));
        EXPECT_EQ(second.problem(), "another Brambix is writing it");
        EXPECT_EQ(slurp(old), "an earlier replay");
        ASSERT_TRUE(first.write("new")) << first.problem();
        ASSERT_TRUE(first.write(" frames")) << first.problem();
        EXPECT_EQ(slurp(old), "new frames");
        ClaimedFile third;
        EXPECT_FALSE(third.claim(old)) << "a claim on the file that took the name";
    }
    {
        // Given up before a write: the old file as it was, and nothing new left behind.
        ClaimedFile unused;
        ASSERT_TRUE(unused.claim(old));
        ClaimedFile fresh;
        ASSERT_TRUE(fresh.claim((dir / "fresh.brx").string()));
    }
    EXPECT_EQ(slurp(old), "new frames");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "old.brx and folder";

    ClaimedFile folder;
    EXPECT_FALSE(folder.claim((dir / "folder").string()));
    EXPECT_FALSE(folder.problem().empty());
#if !defined(_WIN32)
    ClaimedFile full;
    ASSERT_TRUE(full.claim("/dev/full")) << full.problem();
    EXPECT_FALSE(full.write("frame"));
    EXPECT_EQ(full.problem(), std::strerror(ENOSPC));
#endif
    fs::remove_all(dir);
}

}  // namespace
