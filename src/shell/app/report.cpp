// Telling a player why the game stopped, or what it plays on without, with or without a terminal.
#include "shell/app/report.h"

#include <cstdio>

#include "shell/platform/sdl.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
std::string notices;
// Set when the game was started with no standard error and no console to send it to.
bool stderrUnread = false;

bool writeAll(std::FILE* to, const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), to) == text.size() && std::fflush(to) == 0;
}
}  // namespace

bool writeOut(const std::string& text)
{
    return writeAll(stdout, text);
}

bool writeErr(const std::string& text)
{
    return writeAll(stderr, text);
}

void reportFatal(const std::string& line)
{
    writeErr(line + '\n');
#if defined(_WIN32)
    // On Linux a box would also stop any test that checks the line; there the terminal
    // or the desktop's session log has it.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Brambix", line.c_str(), nullptr);
#endif
}

void reportNotice(const std::string& line)
{
    writeErr(line + '\n');
    notices += line + '\n';
}

std::string collectedNotices()
{
    return notices;
}

void showNoticesWhereUnread(SDL_Window* window)
{
    // A console, a file or a pipe has a reader (a player, a script, a test) that expects
    // the lines there and nothing more.
    if (stderrUnread && !notices.empty()) {
        const std::string text = notices.substr(0, notices.size() - 1);
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, "Brambix", text.c_str(), window);
    }
}

void useParentConsole()
{
#if defined(_WIN32)
    // A stream already sent to a file or a pipe stays there.
    auto unset = [](DWORD which) {
        const HANDLE h = GetStdHandle(which);
        return h == nullptr || h == INVALID_HANDLE_VALUE || GetFileType(h) == FILE_TYPE_UNKNOWN;
    };
    const bool out = unset(STD_OUTPUT_HANDLE);
    const bool err = unset(STD_ERROR_HANDLE);
    stderrUnread = err;
    if ((out || err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (out) {
            std::freopen("CONOUT$", "w", stdout);
        }
        if (err && std::freopen("CONOUT$", "w", stderr) != nullptr) {
            stderrUnread = false;
        }
    }
#endif
}
