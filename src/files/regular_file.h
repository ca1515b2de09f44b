// Reading a whole file that must be a regular one, without ever blocking: a FIFO or a
// device named where a data file belongs is refused before the first read.
#pragma once

#include <cstddef>
#include <string>

struct FileRead {
    enum Status { Read, Missing, NotRegular, TooLarge, Failed } status = Read;
    std::string text;     // Read: the whole file
    std::string problem;  // NotRegular: what it is ("a directory"); TooLarge: the limit
                          // ("64 MiB"); Missing, Failed: the system's reason
};

// The most any data file may hold: far above what the game ships, far below what would
// exhaust memory on the way in.
constexpr size_t RECIPE_BOOK_LIMIT_BYTES = size_t{64} << 20;
constexpr size_t PICTURE_LIMIT_BYTES = size_t{16} << 20;
constexpr size_t FONT_LIMIT_BYTES = size_t{16} << 20;

// Reads `path` whole. Missing when nothing is there (or a folder on the way is not
// one); NotRegular for a directory, FIFO, device or socket; TooLarge when it holds, or
// grows while read to, more than `limitBytes` (reading stops there); Failed for any
// other fault of opening or reading, such as a permission or an I/O error. May throw
// std::bad_alloc.
FileRead readRegularFile(const std::string& path, size_t limitBytes);

// The limit as a message names it: "64 MiB", or bytes below one MiB.
std::string sizeLimitText(size_t limitBytes);
