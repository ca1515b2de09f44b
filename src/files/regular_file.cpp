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
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
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
    // Non-blocking, so that opening a FIFO returns at once and is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
