#include "art.h"

#include "files/regular_file.h"
#include "png.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <random>
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
// PNG writing, by SDL_image

void save_png(const Image& image, const std::filesystem::path& file) {
    if (image.width <= 0 || image.height <= 0)
        throw ArtError("cannot encode an empty image as PNG");
    const auto pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
    if (image.rgba.size() != pixels * 4)
        throw ArtError("image pixel buffer does not match its size");
    sdlx::Image argb;
    argb.w = image.width;
    argb.h = image.height;
    argb.argb.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = &image.rgba[i * 4];
        argb.argb[i] = std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
    const std::u8string name = file.u8string();  // SDL takes UTF-8 paths on every system
    if (!sdlx::savePng(argb, std::string(name.begin(), name.end())))
        throw ArtError(file.string() + ": cannot write the PNG: " + SDL_GetError());
}

std::vector<std::uint8_t> encode_png(const Image& image) {
    // SDL2 has no stream that grows in memory, so the PNG goes through a scratch file.
    const auto scratch = std::filesystem::temp_directory_path() /
                         ("pixelart-" + std::to_string(std::random_device{}()) + ".png");
    save_png(image, scratch);
    std::ifstream in(scratch, std::ios::binary);
    std::vector<std::uint8_t> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    std::error_code ec;
    std::filesystem::remove(scratch, ec);
    if (png.empty()) throw ArtError(scratch.string() + ": the PNG written there cannot be read back");
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
