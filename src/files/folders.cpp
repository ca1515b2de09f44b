// Folders a program looks in: the working folder, and the data folder's candidates.
#include "files/folders.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {
std::string normal(const fs::path& p)
{
    fs::path q = p.lexically_normal();
    // "/a/b/" and "/a/b" are one folder (so are "C:\a\" and "C:\a"); a root keeps its own.
    if (!q.has_filename() && q.has_relative_path()) {
        q = q.parent_path();
    }
    return q.string();
}
}  // namespace

std::string workingFolder(std::error_code& ec)
{
    ec.clear();
#if defined(_WIN32)
    // std::filesystem asks the C library, which reads the folder into a buffer of 260
    // characters and names none when the path is longer: ask Windows for its length.
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetCurrentDirectoryW(size, dir.data());
    if (length == 0 || length >= size) {
        ec.assign(static_cast<int>(GetLastError()), std::system_category());
        return "";
    }
    dir.resize(length);
    return fs::path(dir).string();
#else
    return fs::current_path(ec).string();
#endif
}

std::vector<std::string> dataDirCandidates(const char* variable, const std::string& workingDir,
                                           const std::string& basePath, const std::string& installedData)
{
    std::vector<std::string> out;
    auto add = [&out](const std::string& dir) {
        for (const std::string& seen : out) {
            if (seen == dir) {
                return;
            }
        }
        out.push_back(dir);
    };
    if (variable != nullptr && *variable != '\0') {
        add(normal(fs::path(workingDir) / variable));
    }
    add(normal(workingDir));
    if (!basePath.empty()) {
        add(normal(basePath));
        add(normal(fs::path(basePath) / installedData));
    }
    return out;
}

std::string firstDataDir(const std::vector<std::string>& candidates,
                         const std::function<bool(const std::string&)>& holdsData)
{
    for (const std::string& dir : candidates) {
        if (holdsData(dir)) {
            return dir;
        }
    }
    return "";
}
