// Reading a recipe book under limits and checking its entries; a book that passes goes
// to crafting's index.
#include "rules/recipe_book.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <new>
#include <vector>

#include "files/regular_file.h"
#include "rules/crafting.h"
#include "rules/items.h"

namespace {
constexpr size_t SHOWN_STRING_BYTES = 40;    // of a bad string value in a message
constexpr size_t SHOWN_PROBLEM_BYTES = 240;  // of the JSON library's own description
// A recipe book nests three levels deep; far deeper is no book, and building it would
// cost memory many times the file's size before any other fault could be found.
constexpr size_t NESTING_LIMIT = 256;

// The first `limit` bytes of `text`, cut before a UTF-8 continuation byte, with "..."
// when something was cut.
std::string shortened(const std::string& text, size_t limit)
{
    if (text.size() <= limit) {
        return text;
    }
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end) + "...";
}

std::string counted(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A value as a message shows it: numbers, true, false and null as written, the start
// of a string, and only the kind and size of an array or object, which may nest far
// deeper than any message (or stack) should follow.
std::string describe(const json& v)
{
    switch (v.type()) {
    case json::value_t::array:
        return "an array of " + counted(v.size(), "entry", "entries");
    case json::value_t::object:
        return "an object of " + counted(v.size(), "key", "keys");
    case json::value_t::string: {
        const auto& s = v.get_ref<const json::string_t&>();
        std::string shown = json(shortened(s, SHOWN_STRING_BYTES)).dump(-1, ' ', false, json::error_handler_t::replace);
        return s.size() > SHOWN_STRING_BYTES ? "a string starting " + shown : shown;
    }
    default:
        return v.dump();
    }
}

// Whether `v` is a whole number from `lo` to `hi`: what ids and amounts in a book must be.
bool isIntIn(const json& v, int64_t lo, int64_t hi)
{
    return v.is_number_integer() && v.get<int64_t>() >= lo && v.get<int64_t>() <= hi;
}

// Empty when `v` is an array of `n` item ids (0 to ITEM_COUNT - 1) naming at least one item, else
// what is wrong with it.
std::optional<std::string> checkLayout(const json& v, size_t n, const char* key, bool nullable)
{
    // Built only for a message: a book of a million recipes is checked at every start.
    auto want = [&] {
        return std::string(1, '"').append(key) + "\" must be an array of " + std::to_string(n) + " item ids (0 to " +
               std::to_string(ITEM_COUNT - 1) + ")" + (nullable ? " or null" : "");
    };
    if (!v.is_array()) {
        return want() + ", not " + v.type_name();
    }
    if (v.size() != n) {
        return want() + ", not " + counted(v.size(), "entry", "entries");
    }
    bool anyItem = false;
    for (size_t k = 0; k < n; ++k) {
        if (!isIntIn(v[k], 0, ITEM_COUNT - 1)) {
            return want() + "; entry " + std::to_string(k) + " is " + describe(v[k]);
        }
        anyItem = anyItem || v[k].get<int64_t>() != 0;
    }
    if (!anyItem) {
        // It would match an empty grid and hand out its product for nothing, forever.
        return std::string(1, '"').append(key) + "\" names no item, so it would match an empty grid";
    }
    return std::nullopt;
}

std::optional<std::string> checkEntry(const json& entry)
{
    if (!entry.is_object()) {
        return std::string("must be an object, not ") + entry.type_name();
    }
    auto pattern = entry.find("pattern");
    if (pattern == entry.end()) {
        return std::string("has no \"pattern\"");
    }
    if (auto bad = checkLayout(*pattern, PATTERN_CELLS, "pattern", false)) {
        return bad;
    }
    if (auto eq = entry.find("eq_pattern"); eq != entry.end() && !eq->is_null()) {
        if (auto bad = checkLayout(*eq, EQ_PATTERN_CELLS, "eq_pattern", true)) {
            return bad;
        }
    }
    auto result = entry.find("result");
    if (result == entry.end()) {
        return std::string("has no \"result\"");
    }
    if (!isIntIn(*result, 1, ITEM_COUNT - 1)) {
        return "\"result\" must be an item id from 1 to " + std::to_string(ITEM_COUNT - 1) +
               ", not " + describe(*result);
    }
    auto amount = entry.find("amount");
    if (amount == entry.end()) {
        return std::string("has no \"amount\"");
    }
    if (!isIntIn(*amount, 1, INT32_MAX)) {
        return "\"amount\" must be a whole number from 1 to " + std::to_string(INT32_MAX) +
               ", not " + describe(*amount);
    }
    return std::nullopt;
}

// The library's description of `e` without its "[json.exception.parse_error.101] ".
std::string withoutId(const json::exception& e)
{
    std::string what = e.what();
    if (auto close = what.find("] "); close != std::string::npos) {
        what.erase(0, close + 2);
    }
    return what;
}

// Empties `v` from its innermost values outwards. The JSON library's own destructor
// first copies an array's or object's entries into a new list, which fails, and ends
// the program, when a book has taken all memory; one value at a time needs none.
// Recursion is bounded by NESTING_LIMIT.
void dismantle(json& v)
{
    if (v.is_array()) {
        auto& items = v.get_ref<json::array_t&>();
        while (!items.empty()) {
            dismantle(items.back());
            items.pop_back();
        }
    } else if (v.is_object()) {
        auto& entries = v.get_ref<json::object_t&>();
        while (!entries.empty()) {
            dismantle(entries.begin()->second);
            entries.erase(entries.begin());
        }
    }
}

// Builds the document from the JSON library's parse events without recursion, so any
// depth of nesting costs heap, not stack, and keeps where parsing stopped and why.
class BookBuilder {
public:
    BookBuilder() = default;
    BookBuilder(const BookBuilder&) = delete;
    BookBuilder& operator=(const BookBuilder&) = delete;
    ~BookBuilder() { dismantle(root); }

    json root;
    const char* input = nullptr;  // the text being parsed
    size_t read = 0;         // bytes the library has taken so far
    bool complete = false;   // the top-level value has ended
    size_t documentEnd = 0;  // the byte after it
    bool failed = false;
    size_t failedAt = 0;    // bytes read when the library gave up
    std::string lastToken;
    std::string problem;    // the library's description, without its exception id
    bool tooDeep = false;   // an array or object opened NESTING_LIMIT levels deep

    bool null() { return add(json(nullptr)); }
    bool boolean(bool b) { return add(json(b)); }
    bool number_integer(json::number_integer_t n) { return add(json(n)); }
    bool number_unsigned(json::number_unsigned_t n) { return add(json(n)); }
    bool number_float(json::number_float_t n, const json::string_t& /*text*/) { return add(json(n)); }
    bool string(json::string_t& text) { return add(json(std::move(text))); }
    bool binary(json::binary_t& bytes) { return add(json::binary(std::move(bytes))); }
    bool start_object(size_t /*size*/) { return open(json::object()); }
    bool key(json::string_t& name)
    {
        key_ = std::move(name);
        return true;
    }
    bool end_object() { return close(); }
    bool start_array(size_t /*size*/) { return open(json::array()); }
    bool end_array() { return close(); }
    bool parse_error(size_t position, const std::string& token, const json::exception& e)
    {
        failed = true;
        failedAt = position;
        lastToken = token;
        problem = withoutId(e);
        return false;
    }

private:
    std::vector<json*> open_;  // the arrays and objects still open, outermost first
    std::string key_;

    // Puts `v` into the innermost open container (or makes it the document); the
    // pointer stays valid while `v` is open, as its parent only grows after it closes.
    json* place(json&& v)
    {
        if (open_.empty()) {
            root = std::move(v);
            return &root;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            auto& items = parent.get_ref<json::array_t&>();
            items.push_back(std::move(v));
            return &items.back();
        }
        json& slot = parent[key_];  // a repeated key keeps its last value
        slot = std::move(v);
        return &slot;
    }
    bool add(json&& v)
    {
        const bool number = v.is_number();
        place(std::move(v));
        if (open_.empty()) {
            // A number is known to end only once the byte after it has been read,
            // unless the input ended with its last digit.
            const bool pastIt = number && read > 0 && (input[read - 1] < '0' || input[read - 1] > '9');
            ended(pastIt ? read - 1 : read);
        }
        return true;
    }
    void ended(size_t at)
    {
        complete = true;
        documentEnd = at;
    }
    bool open(json&& empty)
    {
        if (open_.size() >= NESTING_LIMIT) {
            tooDeep = true;
            failed = true;
            failedAt = read > 0 ? read - 1 : 0;  // the bracket just read
            return false;
        }
        open_.push_back(place(std::move(empty)));
        return true;
    }
    bool close()
    {
        open_.pop_back();
        if (open_.empty()) {
            ended(read);
        }
        return true;
    }
};

// Hands the text to the JSON library byte by byte, counting how far it has read, so
// the end of the document is known when the library finds more after it.
struct CountingReader {
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    const char* start;
    const char* at;
    size_t* read;

    reference operator*() const { return *at; }
    CountingReader& operator++()
    {
        ++at;
        *read = static_cast<size_t>(at - start);
        return *this;
    }
    bool operator==(const CountingReader& other) const { return at == other.at; }
};

// "line L, column C" of the byte at `offset`, both from 1, as the JSON library counts.
std::string placeOf(const std::string& text, size_t offset)
{
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

RecipeLoad invalid(std::string message)
{
    return {RecipeLoad::Invalid, std::move(message)};
}

}  // namespace

std::optional<std::string> checkRecipeDocument(const json& doc)
{
    if (!doc.is_object()) {
        return std::string("the top level must be an object with a \"recipes\" array, not ") +
               doc.type_name();
    }
    auto list = doc.find("recipes");
    if (list == doc.end()) {
        return std::string("the top level has no \"recipes\" array");
    }
    if (!list->is_array()) {
        return std::string("\"recipes\" must be an array, not ") + list->type_name();
    }
    for (size_t i = 0; i < list->size(); ++i) {
        if (auto bad = checkEntry((*list)[i])) {
            return "recipe " + std::to_string(i) + " (counting from 0): " + *bad;
        }
    }
    return std::nullopt;
}

RecipeLoad loadRecipeText(const std::string& text, const std::string& name)
{
    recipes = json();
    indexRecipes();
    // An editor may save the book as UTF-16, which the JSON library can only call an
    // invalid literal; its byte order mark says what it is. (A UTF-8 one is skipped.)
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        return invalid(name + ": not valid JSON: UTF-16 text (its byte order mark says so) at " + placeOf(text, 0) +
                       ": save the book as UTF-8");
    }
    BookBuilder book;
    book.input = text.data();
    try {
        json::sax_parse(CountingReader{text.data(), text.data(), &book.read},
                        CountingReader{text.data(), text.data() + text.size(), nullptr}, &book);
    } catch (const json::exception& e) {
        // The library reports parse faults to the builder; this is for anything else.
        return invalid(name + ": not valid JSON: " + shortened(withoutId(e), SHOWN_PROBLEM_BYTES));
    } catch (const std::bad_alloc&) {
        dismantle(book.root);
        return invalid(name + ": too large to load into memory");
    }
    if (book.tooDeep) {
        return invalid(name + ": not valid JSON: nested deeper than " + std::to_string(NESTING_LIMIT) + " levels at " +
                       placeOf(text, book.failedAt));
    }
    // The library takes a NUL byte for the end of its input, so what follows the
    // document is looked at here, whatever the library made of it.
    size_t after = book.documentEnd;
    while (book.complete && after < text.size() &&
           (text[after] == ' ' || text[after] == '\t' || text[after] == '\n' || text[after] == '\r')) {
        ++after;
    }
    if (book.complete && after < text.size()) {
        return invalid(name + ": not valid JSON: text after the document at " + placeOf(text, after));
    }
    if (book.failed) {
        std::string problem = shortened(book.problem, SHOWN_PROBLEM_BYTES);
        if (problem.rfind("parse error", 0) != 0) {
            // Syntax errors name their place themselves; a number out of range does not,
            // but the number is the last token read.
            size_t at = text.rfind(book.lastToken, book.failedAt);
            problem = "parse error at " + placeOf(text, at == std::string::npos ? book.failedAt : at) + ": " + problem;
        }
        return invalid(name + ": not valid JSON: " + problem);
    }
    if (auto bad = checkRecipeDocument(book.root)) {
        return invalid(name + ": " + *bad);
    }
    recipes = std::move(book.root);
    indexRecipes();
    return {RecipeLoad::Loaded, ""};
}

RecipeLoad loadRecipes(const std::string& path)
{
    recipes = json();
    indexRecipes();
    try {
        const FileRead file = readRegularFile(path, RECIPE_BOOK_LIMIT_BYTES);
        switch (file.status) {
        case FileRead::Read:
            return loadRecipeText(file.text, path);
        case FileRead::Missing: {
            std::error_code ec;
            if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
                return invalid(path + ": cannot read: it is a symbolic link to a file that does not exist");
            }
            return {RecipeLoad::Missing, ""};
        }
        case FileRead::NotRegular:
            return invalid(path + ": cannot read: it is " + file.problem + ", not a regular file");
        case FileRead::TooLarge:
            return invalid(path + ": cannot read: larger than the limit of " + file.problem + " for a recipe book");
        case FileRead::Failed:
            return invalid(path + ": cannot read: " + file.problem);
        }
    } catch (const std::bad_alloc&) {
        recipes = json();
        indexRecipes();
    }
    return invalid(path + ": too large to load into memory");
}
