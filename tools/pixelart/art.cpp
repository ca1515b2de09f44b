#include "art.h"

#include "files/regular_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>

namespace brambix::art {

std::uint32_t Image::pixel(int x, int y) const {
    const auto i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)) * 4;
    return (std::uint32_t{rgba[i]} << 24) | (std::uint32_t{rgba[i + 1]} << 16) |
           (std::uint32_t{rgba[i + 2]} << 8) | std::uint32_t{rgba[i + 3]};
}

// ---------------------------------------------------------------------------
// Parsing

namespace {

constexpr char kTransparent = '.';
constexpr char kComment = ';';

std::string_view trim(std::string_view s) {
    const auto is_space = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Drops a trailing "; comment" from a keyword or palette line.
std::string_view strip_comment(std::string_view s) {
    if (const auto pos = s.find(kComment); pos != std::string_view::npos) s = s.substr(0, pos);
    return trim(s);
}

std::string describe_char(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x21 && u < 0x7f) return std::string{'\''} + c + '\'';
    if (c == ' ') return "' ' (space)";
    if (c == '\t') return "a tab";
    std::ostringstream out;
    out << "byte 0x" << std::hex << static_cast<int>(u);
    return out.str();
}

std::optional<int> hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

// "#RRGGBB" or "#RRGGBBAA" -> {R, G, B, A}.
std::optional<std::array<std::uint8_t, 4>> parse_colour(std::string_view s) {
    if (s.size() != 7 && s.size() != 9) return std::nullopt;
    if (s[0] != '#') return std::nullopt;
    std::array<std::uint8_t, 4> c{0, 0, 0, 255};
    for (std::size_t i = 0; i * 2 + 1 < s.size(); ++i) {
        const auto hi = hex_digit(s[1 + i * 2]);
        const auto lo = hex_digit(s[2 + i * 2]);
        if (!hi || !lo) return std::nullopt;
        c[i] = static_cast<std::uint8_t>(*hi * 16 + *lo);
    }
    return c;
}

class Parser {
public:
    explicit Parser(std::string_view name) : name_(name) {}

    [[noreturn]] void fail(int line, const std::string& problem) const {
        throw ArtError(name_ + ":" + std::to_string(line) + ": " + problem);
    }

    Image run(std::string_view text) {
        int line_no = 0;
        std::size_t pos = 0;
        while (pos <= text.size()) {
            auto end = text.find('\n', pos);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view raw = text.substr(pos, end - pos);
            if (end == text.size() && raw.empty()) break;  // nothing after the final newline
            ++line_no;
            pos = end + 1;
            line(line_no, raw);
        }
        finish(line_no);
        return image_;
    }

private:
    enum class Section { Size, Palette, Grid, Done };

    void line(int n, std::string_view raw) {
        const std::string_view content = trim(raw);
        if (content.empty() || content.front() == kComment) return;

        switch (section_) {
            case Section::Size: size_line(n, strip_comment(content)); break;
            case Section::Palette: palette_line(n, content); break;
            case Section::Grid: grid_row(n, trim_right(raw)); break;
            case Section::Done:
                fail(n, "too many grid rows: expected " + std::to_string(size_) + " rows");
        }
    }

    void size_line(int n, std::string_view s) {
        if (s == "palette" || s == "grid")
            fail(n, "missing 'size N' line before '" + std::string(s) + "'");
        constexpr std::string_view kKeyword = "size";
        if (s.substr(0, kKeyword.size()) != kKeyword)
            fail(n, "expected 'size N', got '" + std::string(s) + "'");
        const std::string_view value = trim(s.substr(kKeyword.size()));
        int size = 0;
        const auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), size);
        if (value.empty() || ec != std::errc{} || ptr != value.data() + value.size() || size <= 0 ||
            size > kPictureSize || kPictureSize % size != 0)
            fail(n, "bad size '" + std::string(value) + "': must be a whole number that divides " +
                        std::to_string(kPictureSize) + " (such as 16 or 32)");
        size_ = size;
        section_ = Section::Palette;
        expect_palette_keyword_ = true;
    }

    void palette_line(int n, std::string_view content) {
        const std::string_view s = strip_comment(content);
        if (expect_palette_keyword_) {
            if (s != "palette") fail(n, "expected 'palette', got '" + std::string(s) + "'");
            expect_palette_keyword_ = false;
            return;
        }
        if (s == "grid") {
            section_ = Section::Grid;
            grid_line_ = n;
            image_.width = kPictureSize;
            image_.height = kPictureSize;
            image_.rgba.assign(static_cast<std::size_t>(kPictureSize) * kPictureSize * 4, 0);
            return;
        }
        // A palette entry: "<char> <colour>".
        const char key = content.front();
        if (content.size() < 2 || (content[1] != ' ' && content[1] != '\t'))
            fail(n, "expected a palette entry '<character> #RRGGBB' or 'grid', got '" +
                        std::string(s) + "'");
        if (key == kTransparent) fail(n, "'.' is reserved for transparent and cannot be redefined");
        if (key == '#' || static_cast<unsigned char>(key) < 0x21 || static_cast<unsigned char>(key) >= 0x7f)
            fail(n, describe_char(key) + " cannot be a palette character");
        const std::string_view colour = strip_comment(content.substr(1));
        const auto rgba = parse_colour(colour);
        if (!rgba) fail(n, "bad colour '" + std::string(colour) + "' for " + describe_char(key) +
                               ": expected #RRGGBB or #RRGGBBAA");
        auto& slot = palette_[static_cast<unsigned char>(key)];
        if (slot) fail(n, "palette character " + describe_char(key) + " is defined twice");
        slot = *rgba;
    }

    void grid_row(int n, std::string_view row) {
        if (row.size() != static_cast<std::size_t>(size_))
            fail(n, "ragged row: expected " + std::to_string(size_) + " characters, got " +
                        std::to_string(row.size()));
        const int scale = kPictureSize / size_;
        for (int x = 0; x < size_; ++x) {
            const char c = row[static_cast<std::size_t>(x)];
            std::array<std::uint8_t, 4> colour{0, 0, 0, 0};
            if (c != kTransparent) {
                const auto& entry = palette_[static_cast<unsigned char>(c)];
                if (!entry)
                    fail(n, "unknown character " + describe_char(c) + " in column " +
                                std::to_string(x + 1) + " (not in the palette)");
                colour = *entry;
            }
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    const auto px = static_cast<std::size_t>(x * scale + dx);
                    const auto py = static_cast<std::size_t>(rows_ * scale + dy);
                    const auto i = (py * kPictureSize + px) * 4;
                    for (std::size_t k = 0; k < 4; ++k) image_.rgba[i + k] = colour[k];
                }
            }
        }
        if (++rows_ == size_) section_ = Section::Done;
    }

    void finish(int last_line) const {
        switch (section_) {
            case Section::Size:
                fail(std::max(last_line, 1), "no 'size N' line: the file holds no picture");
            case Section::Palette:
                fail(last_line, "no 'grid' section");
            case Section::Grid:
                fail(grid_line_, "wrong row count: the grid has " + std::to_string(rows_) +
                                     " rows, expected " + std::to_string(size_));
            case Section::Done:
                return;
        }
    }

    std::string name_;
    Section section_ = Section::Size;
    bool expect_palette_keyword_ = false;
    int size_ = 0;
    int rows_ = 0;
    int grid_line_ = 0;
    std::array<std::optional<std::array<std::uint8_t, 4>>, 256> palette_{};
    Image image_;
};

}  // namespace

Image parse_art(std::string_view text, std::string_view source_name) {
    return Parser(source_name).run(text);
}

Image load_art(const std::filesystem::path& file) {
    return parse_art(read_source(file), file.string());
}

std::string read_source(const std::filesystem::path& file) {
    FileRead read = readRegularFile(file.string(), PICTURE_LIMIT_BYTES);
    switch (read.status) {
        case FileRead::Read:
            return std::move(read.text);
        case FileRead::NotRegular:
            throw ArtError(file.string() + ": not a regular file: it is " + read.problem);
        case FileRead::Missing:
            throw ArtError(file.string() + ": cannot open file: " + read.problem);
        case FileRead::TooLarge:
            throw ArtError(file.string() + ": larger than the limit of " + read.problem);
        case FileRead::Failed:
            break;
    }
    throw ArtError(file.string() + ": cannot read file: " + read.problem);
}

std::vector<std::filesystem::path> png_targets(const std::filesystem::path& out_dir,
                                               const std::vector<std::filesystem::path>& sources) {
    std::vector<std::filesystem::path> targets;
    std::map<std::filesystem::path, std::filesystem::path> first_source;  // by target
    std::string problems;
    for (const auto& source : sources) {
        auto target = out_dir / std::filesystem::path(source.stem()).concat(".png");
        if (auto [it, fresh] = first_source.emplace(target, source); !fresh) {
            // Appended piece by piece: one long temporary draws a false -Wrestrict from GCC 12.
            if (!problems.empty()) problems += '\n';
            problems += source.string();
            problems += ": would write ";
            problems += target.string();
            problems += ", as ";
            problems += it->second.string();
            problems += " does";
        }
        targets.push_back(std::move(target));
    }
    if (!problems.empty()) throw ArtError(problems);
    return targets;
}

// ---------------------------------------------------------------------------
// Checksums

namespace {

constexpr std::array<std::uint32_t, 256> make_crc_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1U) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr auto kCrcTable = make_crc_table();

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
    crc = ~crc;
    for (const std::uint8_t b : bytes) crc = kCrcTable[(crc ^ b) & 0xFFU] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t adler32(std::span<const std::uint8_t> bytes, std::uint32_t adler) {
    constexpr std::uint32_t kMod = 65521;
    std::uint32_t a = adler & 0xFFFFU;
    std::uint32_t b = adler >> 16;
    // 5552 is the largest run for which the sums cannot overflow 32 bits.
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t run_end = std::min(bytes.size(), i + 5552);
        for (; i < run_end; ++i) {
            a += bytes[i];
            b += a;
        }
        a %= kMod;
        b %= kMod;
    }
    return (b << 16) | a;
}

// ---------------------------------------------------------------------------
// PNG writing

namespace {

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void put_chunk(std::vector<std::uint8_t>& out, const char (&type)[5], std::span<const std::uint8_t> data) {
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t type_start = out.size();
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(type[i]));
    out.insert(out.end(), data.begin(), data.end());
    put_u32(out, crc32(std::span(out).subspan(type_start)));
}

// Deflate bits, least significant first; Huffman codes go most significant first.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) put((value >> i) & 1U);
    }
    void code(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) put((code >> i) & 1U);
    }
    void flush() {
        if (used_ > 0) out_.push_back(byte_);
        byte_ = 0;
        used_ = 0;
    }

private:
    void put(std::uint32_t bit) {
        byte_ = static_cast<std::uint8_t>(byte_ | (bit << used_));
        if (++used_ == 8) flush();
    }
    std::vector<std::uint8_t>& out_;
    std::uint8_t byte_ = 0;
    int used_ = 0;
};

// The fixed Huffman code of a literal (0-255), the end of the block (256) or a length
// code (257-285).
void put_symbol(BitWriter& w, int symbol) {
    if (symbol < 144) w.code(static_cast<std::uint32_t>(0x30 + symbol), 8);
    else if (symbol < 256) w.code(static_cast<std::uint32_t>(0x190 + symbol - 144), 9);
    else if (symbol < 280) w.code(static_cast<std::uint32_t>(symbol - 256), 7);
    else w.code(static_cast<std::uint32_t>(0xC0 + symbol - 280), 8);
}

constexpr std::array<int, 29> kLengthBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 30> kDistanceBase{1,   2,   3,   4,    5,    7,    9,    13,   17,    25,
                                            33,  49,  65,  97,   129,  193,  257,  385,  513,   769,
                                            1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};


void put_match(BitWriter& w, int length, int distance) {
    int lc = 28;
    while (kLengthBase[static_cast<std::size_t>(lc)] > length) --lc;
    put_symbol(w, 257 + lc);
    const int length_extra = lc < 8 || lc == 28 ? 0 : (lc - 4) / 4;  // four codes per extra bit
    w.bits(static_cast<std::uint32_t>(length - kLengthBase[static_cast<std::size_t>(lc)]), length_extra);
    int dc = 29;
    while (kDistanceBase[static_cast<std::size_t>(dc)] > distance) --dc;
    w.code(static_cast<std::uint32_t>(dc), 5);
    w.bits(static_cast<std::uint32_t>(distance - kDistanceBase[static_cast<std::size_t>(dc)]), dc < 4 ? 0 : (dc - 2) / 2);  // two per bit
}

// Wraps raw bytes in a zlib stream of one deflate block with the fixed Huffman codes,
// repeats found by a hash chain over the last 32 KiB: pixel art repeats whole runs
// and rows, so a picture shrinks to a small part of its size. Deterministic.
std::vector<std::uint8_t> zlib_deflate(std::span<const std::uint8_t> raw) {
    constexpr std::size_t kWindow = 32768;
    constexpr std::size_t kMinMatch = 3;
    constexpr std::size_t kMaxMatch = 258;
    constexpr int kChainLimit = 64;
    constexpr std::size_t kHashSize = 1U << 15;
    // Header: deflate with a 32 KiB window, no preset dictionary (a multiple of 31).
    std::vector<std::uint8_t> out{0x78, 0x01};
    BitWriter w(out);
    w.bits(1, 1);  // BFINAL
    w.bits(1, 2);  // BTYPE = 01, fixed Huffman codes
    std::vector<std::int64_t> head(kHashSize, -1);
    std::vector<std::int64_t> prev(raw.size(), -1);
    auto hash = [&](std::size_t i) {
        return ((raw[i] << 10) ^ (raw[i + 1] << 5) ^ raw[i + 2]) & (kHashSize - 1);
    };
    auto insert = [&](std::size_t i) {
        if (i + kMinMatch <= raw.size()) {
            const std::size_t h = hash(i);
            prev[i] = head[h];
            head[h] = static_cast<std::int64_t>(i);
        }
    };
    std::size_t i = 0;
    while (i < raw.size()) {
        std::size_t best = 0;
        std::size_t best_distance = 0;
        if (i + kMinMatch <= raw.size()) {
            const std::size_t limit = std::min(kMaxMatch, raw.size() - i);
            std::int64_t candidate = head[hash(i)];
            for (int tries = 0; candidate >= 0 && tries < kChainLimit; ++tries) {
                const auto c = static_cast<std::size_t>(candidate);
                if (i - c > kWindow) break;
                std::size_t len = 0;
                while (len < limit && raw[c + len] == raw[i + len]) ++len;
                if (len > best) {
                    best = len;
                    best_distance = i - c;
                    if (len == limit) break;
                }
                candidate = prev[c];
            }
        }
        if (best >= kMinMatch) {
            put_match(w, static_cast<int>(best), static_cast<int>(best_distance));
            for (std::size_t k = 0; k < best; ++k) insert(i + k);
            i += best;
        } else {
            put_symbol(w, raw[i]);
            insert(i);
            ++i;
        }
    }
    put_symbol(w, 256);
    w.flush();
    put_u32(out, adler32(raw));
    return out;
}

}  // namespace

std::vector<std::uint8_t> encode_png(const Image& image) {
    if (image.width <= 0 || image.height <= 0)
        throw ArtError("cannot encode an empty image as PNG");
    const auto w = static_cast<std::size_t>(image.width);
    const auto h = static_cast<std::size_t>(image.height);
    if (image.rgba.size() != w * h * 4)
        throw ArtError("image pixel buffer does not match its size");

    // Each row: filter type 0 (None), then the row's RGBA bytes.
    std::vector<std::uint8_t> raw;
    raw.reserve(h * (1 + w * 4));
    for (std::size_t y = 0; y < h; ++y) {
        raw.push_back(0);
        const auto row = image.rgba.begin() + static_cast<std::ptrdiff_t>(y * w * 4);
        raw.insert(raw.end(), row, row + static_cast<std::ptrdiff_t>(w * 4));
    }

    std::vector<std::uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    put_u32(ihdr, static_cast<std::uint32_t>(image.width));
    put_u32(ihdr, static_cast<std::uint32_t>(image.height));
    ihdr.push_back(8);  // bit depth
    ihdr.push_back(6);  // colour type: truecolour with alpha
    ihdr.push_back(0);  // compression: deflate
    ihdr.push_back(0);  // filter method 0
    ihdr.push_back(0);  // no interlace
    put_chunk(png, "IHDR", ihdr);
    put_chunk(png, "IDAT", zlib_deflate(raw));
    put_chunk(png, "IEND", {});
    return png;
}

void write_file(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) throw ArtError(file.string() + ": cannot open for writing");
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw ArtError(file.string() + ": write failed");
}

}  // namespace brambix::art
