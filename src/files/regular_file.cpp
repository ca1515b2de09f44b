// Whole regular files, opened without blocking.
#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>
#include <vector>

namespace {
constexpr size_t READ_CHUNK_BYTES = 65536;

#if defined(_WIN32)
// Windows has no FIFOs to block on, no exec to leak into and no controlling terminal;
// its files open in text mode (CR LF turned into LF) unless asked for bytes.
constexpr int OPEN_FLAGS = O_RDONLY | O_BINARY;
#else
// Non-blocking, so that opening a FIFO returns at once and is refused below.
constexpr int OPEN_FLAGS = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
#endif

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO (named pipe)";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
#if defined(S_ISSOCK)
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
#endif
    return "a special file";
}

std::string reason(int err)
{
    return std::error_code(err, std::generic_category()).message();
}

FileRead fault(FileRead::Status status, std::string problem)
{
    return {status, "", std::move(problem)};
}
}  // namespace

std::string sizeLimitText(size_t limitBytes)
{
    constexpr size_t MIB = size_t{1} << 20;
    if (limitBytes >= MIB && limitBytes % MIB == 0) {
        return std::to_string(limitBytes / MIB) + " MiB";
    }
    return std::to_string(limitBytes) + " bytes";
}

FileRead readRegularFile(const std::string& path, size_t limitBytes)
{
    const int fd = ::open(path.c_str(), OPEN_FLAGS);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        if (err == ENOENT || err == ENOTDIR) {
            return fault(FileRead::Missing, reason(err));
        }
        if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
            return fault(FileRead::NotRegular, kindOf(st.st_mode));
        }
        return fault(FileRead::Failed, reason(err));
    }
    FileRead result;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result = fault(FileRead::Failed, reason(errno));
    } else if (!S_ISREG(st.st_mode)) {
        result = fault(FileRead::NotRegular, kindOf(st.st_mode));
    } else if (st.st_size > 0 && static_cast<uintmax_t>(st.st_size) > limitBytes) {
        result = fault(FileRead::TooLarge, sizeLimitText(limitBytes));
    } else {
        // One allocation for a file that keeps its size; one byte more shows growth.
        result.text.reserve(static_cast<size_t>(st.st_size) + 1);
        // On the heap: 64 KiB is the whole stack of a browser build.
        std::vector<char> chunk(READ_CHUNK_BYTES);
        for (;;) {
            // A file that grows while read (one being written, a device behind a
            // regular name) stops one byte past the limit, never at exhaustion.
            const size_t want = std::min(chunk.size(), limitBytes + 1 - result.text.size());
            const ssize_t got = ::read(fd, chunk.data(), want);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                result = fault(FileRead::Failed, reason(errno));
                break;
            }
            if (got == 0) {
                break;
            }
            result.text.append(chunk.data(), static_cast<size_t>(got));
            if (result.text.size() > limitBytes) {
                result = fault(FileRead::TooLarge, sizeLimitText(limitBytes));
                break;
            }
        }
    }
    ::close(fd);
    return result;
}
