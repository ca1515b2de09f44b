// Claiming a file's name, then replacing what it holds at the first write.
#include "files/claimed_file.h"

#include <algorithm>
#include <cerrno>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
constexpr const char* BUSY = "another Brambix is writing it";
}  // namespace

bool ClaimedFile::failed(int err)
{
    problem_ = std::error_code(err, std::generic_category()).message();
    return false;
}

#if defined(_WIN32)

namespace {
std::string windowsReason(DWORD err)
{
    std::string text = std::system_category().message(static_cast<int>(err));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

// The game changes its working folder while it writes: a relative name is made whole.
std::string wholePath(const std::string& path)
{
    const DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    std::string whole(size, '\0');
    const DWORD length = size == 0 ? 0 : GetFullPathNameA(path.c_str(), size, whole.data(), nullptr);
    if (length == 0 || length >= size) {
        return path;
    }
    whole.resize(length);
    return whole;
}

// Open for writing, shared with readers and with the rename that replaces it, but with no
// other writer: a second claim of the same name is refused by Windows itself.
HANDLE openShared(const std::string& path, DWORD disposition)
{
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
}  // namespace

ClaimedFile::~ClaimedFile()
{
    for (void* h : {held_, target_}) {
        if (h != nullptr) {
            CloseHandle(h);
        }
    }
    if (!written_ && !beside_.empty()) {
        DeleteFileA(beside_.c_str());
    }
    if (!written_ && created_) {
        DeleteFileA(path_.c_str());
    }
}

bool ClaimedFile::claim(const std::string& path)
{
    path_ = wholePath(path);
    HANDLE h = openShared(path_, OPEN_ALWAYS);
    const DWORD opened = GetLastError();
    if (h == INVALID_HANDLE_VALUE) {
        problem_ = opened == ERROR_SHARING_VIOLATION ? BUSY : windowsReason(opened);
        return false;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        // A device has nothing to keep: written straight.
        target_ = h;
        return true;
    }
    held_ = h;
    created_ = opened != ERROR_ALREADY_EXISTS;
    beside_ = path_ + ".part";
    h = openShared(beside_, CREATE_ALWAYS);
    if (h == INVALID_HANDLE_VALUE) {
        problem_ = windowsReason(GetLastError());
        beside_.clear();
        return false;
    }
    target_ = h;
    return true;
}

bool ClaimedFile::write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(target_, bytes.data() + done, want, &wrote, nullptr) || wrote == 0) {
            problem_ = windowsReason(GetLastError());
            return false;
        }
        done += wrote;
    }
    if (!written_ && !beside_.empty()) {
        // The name's own handle goes first: Windows replaces no file that is open.
        CloseHandle(held_);
        held_ = nullptr;
        if (!MoveFileExA(beside_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
            problem_ = windowsReason(GetLastError());
            return false;
        }
        beside_.clear();
    }
    written_ = true;
    return true;
}

#else

namespace {
// The game changes its working folder while it writes: a relative name is made whole.
std::string wholePath(const std::string& path)
{
    if (path.empty() || path[0] == '/') {
        return path;
    }
    std::string dir(4096, '\0');
    while (::getcwd(dir.data(), dir.size()) == nullptr) {
        if (errno != ERANGE) {
            return path;
        }
        dir.resize(dir.size() * 2);
    }
    dir.resize(std::char_traits<char>::length(dir.c_str()));
    return dir + '/' + path;
}

// Locks `fd` against every other claim; a page in a browser has no other process to lock
// against, nor the call.
bool lockAlone(int fd)
{
#if defined(__EMSCRIPTEN__)
    (void)fd;
    return true;
#else
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
#endif
}
}  // namespace

ClaimedFile::~ClaimedFile()
{
    // Removed while still locked, so no other claim can have taken them meanwhile.
    if (!written_ && !beside_.empty()) {
        ::unlink(beside_.c_str());
    }
    if (!written_ && created_) {
        ::unlink(path_.c_str());
    }
    for (int fd : {held_, target_}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

bool ClaimedFile::claim(const std::string& path)
{
    constexpr int FLAGS = O_CLOEXEC | O_NOCTTY;
    path_ = wholePath(path);
    bool made = false;
    held_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | FLAGS);
    if (held_ < 0 && errno == ENOENT) {
        held_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | FLAGS, 0666);
        made = held_ >= 0;
    }
    struct stat st {};
    if (held_ < 0 || ::fstat(held_, &st) != 0) {
        return failed(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        return failed(EISDIR);
    }
    // A file the player made read-only is kept so, though its folder would let it be replaced.
    if (!made && S_ISREG(st.st_mode) && ::access(path_.c_str(), W_OK) != 0) {
        return failed(errno);
    }
    if (!lockAlone(held_)) {
        return errno == EWOULDBLOCK ? (problem_ = BUSY, false) : failed(errno);
    }
    created_ = made;
    if (!S_ISREG(st.st_mode)) {
        // A device or a pipe has nothing to keep: written straight.
        target_ = ::open(path_.c_str(), O_WRONLY | FLAGS);
        return target_ >= 0 || failed(errno);
    }
    // The lock was won on a file another claim has just put a new one in place of.
    struct stat now {};
    if (::stat(path_.c_str(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev) {
        created_ = false;
        problem_ = BUSY;
        return false;
    }
    beside_ = path_ + ".part";
    target_ = ::open(beside_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | FLAGS, 0666);
    if (target_ < 0) {
        const int err = errno;
        beside_.clear();
        return failed(err);
    }
    // Locked before it takes the name, so the name is never free.
    lockAlone(target_);
    return true;
}

bool ClaimedFile::write(const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(target_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return failed(n < 0 ? errno : EIO);
        }
        done += static_cast<size_t>(n);
    }
    if (!written_ && !beside_.empty()) {
        if (::rename(beside_.c_str(), path_.c_str()) != 0) {
            return failed(errno);
        }
        beside_.clear();
        ::close(held_);
        held_ = -1;
    }
    written_ = true;
    return true;
}

#endif
