// A file written anew under a name that may already hold one: the name is claimed at
// once against a second writer, but what it holds stays untouched until the first write
// has gone into a file beside it, which then takes its place.
#pragma once

#include <string>

class ClaimedFile {
public:
    ClaimedFile() = default;
    ClaimedFile(const ClaimedFile&) = delete;
    ClaimedFile& operator=(const ClaimedFile&) = delete;
    // A claim that wrote nothing is given up: the file beside is removed, and so is an
    // empty one the claim made where nothing was.
    ~ClaimedFile();

    // Claims `path` (a regular file or none; a device or a pipe is written as it is).
    // False with `problem()` the reason: the system's, or "another Brambix is writing it"
    // when another claim holds it.
    bool claim(const std::string& path);

    // Appends `bytes`; the first write puts the new file in place of the old. False with
    // `problem()` the system's reason ("No space left on device").
    bool write(const std::string& bytes);

    const std::string& problem() const { return problem_; }

private:
    bool failed(int err);

    std::string path_;
    std::string beside_;  // path_ + ".part" until the first write has replaced path_
    std::string problem_;
    bool created_ = false;  // nothing was at path_ before the claim
    bool written_ = false;
#if defined(_WIN32)
    void* held_ = nullptr;    // path_, opened so that no one else may write it
    void* target_ = nullptr;  // what is written to
#else
    int held_ = -1;
    int target_ = -1;
#endif
};
