// Reading a whole file that must be a regular one, without ever blocking: a FIFO or a
// device named where a data file belongs is refused before the first read.
#pragma once

#include <string>

struct FileRead {
    enum Status { Read, Missing, NotRegular, Failed } status = Read;
    std::string text;     // Read: the whole file
    std::string problem;  // NotRegular: what it is ("a directory"); Missing, Failed: the system's reason
};

// Reads `path` whole. Missing when nothing is there (or a folder on the way is not
// one); NotRegular for a directory, FIFO, device or socket; Failed for any other
// fault of opening or reading, such as a permission or an I/O error.
FileRead readRegularFile(const std::string& path);
