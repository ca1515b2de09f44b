// Encoding and decoding replay files (the layout is described in docs/replays.md).
#include "replay/replay_file.h"

#include <bit>
#include <cstring>
#include <utility>

#include "rules/world.h"

namespace {
constexpr char MAGIC[8] = {'\x89', 'B', 'R', 'X', '\r', '\n', '\x1a', '\n'};

// What a frame's first byte says follows it.
constexpr uint8_t HAS_STEP = 0x01;      // a new tick step; else the previous frame's
constexpr uint8_t HAS_KEYS = 0x02;      // the held keys changed
constexpr uint8_t HAS_EVENTS = 0x04;
constexpr uint8_t HAS_POINTER = 0x08;   // the pointer after the steps changed
constexpr uint8_t HAS_CHECKPOINT = 0x10;
constexpr uint8_t IS_LAST = 0x20;
constexpr uint8_t KNOWN_FLAGS = 0x3f;

void putVarint(std::string& out, uint64_t v)
{
    while (v >= 0x80) {
        out.push_back(static_cast<char>((v & 0x7f) | 0x80));
        v >>= 7;
    }
    out.push_back(static_cast<char>(v));
}

void putLittle(std::string& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>(v >> (8 * i)));
    }
}

void putF32(std::string& out, float v)
{
    putLittle(out, std::bit_cast<uint32_t>(v), 4);
}

bool samePointer(float ax, float ay, float bx, float by)
{
    return std::bit_cast<uint32_t>(ax) == std::bit_cast<uint32_t>(bx) &&
           std::bit_cast<uint32_t>(ay) == std::bit_cast<uint32_t>(by);
}
}  // namespace

bool checkpointDue(uint64_t index, bool last)
{
    return last || (index + 1) % CHECKPOINT_FRAMES == 0;
}

std::string ReplayEncoder::header(const ReplayHeader& h)
{
    std::string out(MAGIC, sizeof MAGIC);
    putLittle(out, h.formatVersion, 2);
    const std::string version = h.gameVersion.substr(0, 255);
    out.push_back(static_cast<char>(version.size()));
    out += version;
    putLittle(out, h.recipeDigest, 8);
    putLittle(out, h.startTicks, 8);
    ticks_ = h.startTicks;
    return out;
}

std::string ReplayEncoder::frame(const ReplayFrame& f)
{
    std::string body;
    uint8_t flags = 0;
    // Unsigned: a counter that ran backwards wraps and still decodes to itself.
    const uint64_t step = f.ticks - ticks_;
    if (step != step_) {
        flags |= HAS_STEP;
        putVarint(body, step);
    }
    if (f.keys != keys_) {
        flags |= HAS_KEYS;
        putVarint(body, f.keys);
    }
    if (!f.events.empty()) {
        flags |= HAS_EVENTS;
        putVarint(body, f.events.size());
        for (const ReplayEvent& e : f.events) {
            body.push_back(static_cast<char>(e.kind));
            if (e.kind == ReplayEvent::KeyDown) {
                putVarint(body, static_cast<uint32_t>(e.scancode));
            } else if (e.kind == ReplayEvent::MouseDown) {
                putVarint(body, static_cast<uint32_t>(e.button));
                putF32(body, e.x);
                putF32(body, e.y);
            }
        }
    }
    if (!samePointer(f.pointerX, f.pointerY, pointerX_, pointerY_)) {
        flags |= HAS_POINTER;
        putF32(body, f.pointerX);
        putF32(body, f.pointerY);
    }
    if (f.checkpoint) {
        flags |= HAS_CHECKPOINT;
        for (uint32_t h : f.hashes) {
            putLittle(body, h, 4);
        }
    }
    if (f.last) {
        flags |= IS_LAST;
    }
    ticks_ = f.ticks;
    step_ = step;
    keys_ = f.keys;
    pointerX_ = f.pointerX;
    pointerY_ = f.pointerY;
    return static_cast<char>(flags) + body;
}

ReplayReader::ReplayReader(std::string bytes) : bytes_(std::move(bytes)) {}

bool ReplayReader::fail(const std::string& what)
{
    problem_ = what + " at byte " + std::to_string(pos_);
    return false;
}

bool ReplayReader::byte(uint8_t& out)
{
    if (pos_ >= bytes_.size()) {
        truncated_ = true;
        return false;
    }
    out = static_cast<uint8_t>(bytes_[pos_++]);
    return true;
}

bool ReplayReader::varint(uint64_t& out)
{
    out = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        uint8_t b = 0;
        if (!byte(b)) {
            return false;
        }
        if (shift == 63 && b > 1) {
            return fail("a number too large");
        }
        out |= static_cast<uint64_t>(b & 0x7f) << shift;
        if ((b & 0x80) == 0) {
            return true;
        }
    }
    return fail("a number too large");
}

bool ReplayReader::u64(uint64_t& out)
{
    out = 0;
    for (int i = 0; i < 8; ++i) {
        uint8_t b = 0;
        if (!byte(b)) {
            return false;
        }
        out |= static_cast<uint64_t>(b) << (8 * i);
    }
    return true;
}

bool ReplayReader::u32(uint32_t& out)
{
    uint64_t wide = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t b = 0;
        if (!byte(b)) {
            return false;
        }
        wide |= static_cast<uint64_t>(b) << (8 * i);
    }
    out = static_cast<uint32_t>(wide);
    return true;
}

bool ReplayReader::f32(float& out)
{
    uint32_t bits = 0;
    if (!u32(bits)) {
        return false;
    }
    out = std::bit_cast<float>(bits);
    return true;
}

bool ReplayReader::readHeader()
{
    if (bytes_.size() < sizeof MAGIC || std::memcmp(bytes_.data(), MAGIC, sizeof MAGIC) != 0) {
        problem_ = "not a Brambix replay";
        return false;
    }
    pos_ = sizeof MAGIC;
    uint8_t lo = 0;
    uint8_t hi = 0;
    uint8_t length = 0;
    if (!byte(lo) || !byte(hi)) {
        problem_ = "the header is cut short";
        return false;
    }
    header_.formatVersion = static_cast<uint16_t>(lo | (hi << 8));
    if (header_.formatVersion == 0) {
        return fail("format version 0");
    }
    if (header_.formatVersion > REPLAY_FORMAT_VERSION) {
        problem_ = "made by a newer Brambix (replay format " + std::to_string(header_.formatVersion) +
                   "; this one reads format " + std::to_string(REPLAY_FORMAT_VERSION) + ")";
        return false;
    }
    if (!byte(length) || bytes_.size() - pos_ < length) {
        problem_ = "the header is cut short";
        return false;
    }
    header_.gameVersion = bytes_.substr(pos_, length);
    pos_ += length;
    if (!u64(header_.recipeDigest) || !u64(header_.startTicks)) {
        problem_ = "the header is cut short";
        return false;
    }
    frame_.ticks = header_.startTicks;
    return true;
}

ReplayReader::Next ReplayReader::next(ReplayFrame& out)
{
    if (ended_) {
        return pos_ == bytes_.size() ? Ended : (fail("bytes after the last frame"), Corrupt);
    }
    if (pos_ == bytes_.size()) {
        return CutShort;
    }
    // Decoded into a copy, so a frame cut short in the middle leaves nothing half read.
    ReplayFrame f = frame_;
    f.events.clear();
    f.checkpoint = false;
    uint8_t flags = 0;
    byte(flags);
    if ((flags & ~KNOWN_FLAGS) != 0) {
        --pos_;
        fail("unknown frame flags");
        return Corrupt;
    }
    uint64_t step = step_;
    bool ok = (flags & HAS_STEP) == 0 || varint(step);
    ok = ok && ((flags & HAS_KEYS) == 0 || varint(f.keys));
    if (ok && (flags & HAS_EVENTS) != 0) {
        uint64_t count = 0;
        ok = varint(count);
        // Every event takes a byte at least, so a count beyond the file's end means a cut.
        if (ok && (count == 0 || count > REPLAY_EVENTS_PER_FRAME)) {
            fail(count == 0 ? "a bad event count" : "more than " + std::to_string(REPLAY_EVENTS_PER_FRAME) +
                                                         " events in frame " + std::to_string(frames_ + 1));
            return Corrupt;
        }
        for (uint64_t i = 0; ok && i < count && !truncated_; ++i) {
            ReplayEvent e;
            uint8_t kind = 0;
            uint64_t value = 0;
            ok = byte(kind);
            if (ok && kind >= ReplayEvent::KINDS) {
                fail("an unknown event");
                return Corrupt;
            }
            e.kind = static_cast<ReplayEvent::Kind>(kind);
            if (ok && e.kind != ReplayEvent::Quit) {
                ok = varint(value);
                if (ok && value > UINT32_MAX) {
                    fail("a bad key or button");
                    return Corrupt;
                }
                (e.kind == ReplayEvent::KeyDown ? e.scancode : e.button) = static_cast<int32_t>(value);
            }
            if (ok && e.kind == ReplayEvent::MouseDown) {
                ok = f32(e.x) && f32(e.y);
                if (ok && !(withinReach(e.x) && withinReach(e.y))) {
                    fail("a click off the picture in frame " + std::to_string(frames_ + 1));
                    return Corrupt;
                }
            }
            f.events.push_back(e);
        }
    }
    ok = ok && ((flags & HAS_POINTER) == 0 || (f32(f.pointerX) && f32(f.pointerY)));
    if (ok && !(withinReach(f.pointerX) && withinReach(f.pointerY))) {
        fail("a pointer off the picture in frame " + std::to_string(frames_ + 1));
        return Corrupt;
    }
    if (ok && (flags & HAS_CHECKPOINT) != 0) {
        f.checkpoint = true;
        for (uint32_t& h : f.hashes) {
            ok = ok && u32(h);
        }
    }
    if (!ok) {
        return truncated_ && problem_.empty() ? CutShort : Corrupt;
    }
    f.last = (flags & IS_LAST) != 0;
    if (f.checkpoint != checkpointDue(frames_, f.last)) {
        fail(f.checkpoint ? "a checkpoint out of place" : "a missing checkpoint");
        return Corrupt;
    }
    f.ticks += step;
    step_ = step;
    ended_ = f.last;
    ++frames_;
    out = f;
    // What the next frame starts from; its events are its own.
    f.events.clear();
    frame_ = std::move(f);
    return Frame;
}
