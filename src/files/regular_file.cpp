// Whole regular files, opened without blocking.
#include "files/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

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

FileRead readRegularFile(const std::string& path)
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
    } else {
        std::array<char, READ_CHUNK_BYTES> chunk{};
        for (;;) {
            const ssize_t got = ::read(fd, chunk.data(), chunk.size());
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
        }
    }
    ::close(fd);
    return result;
}
