// Telling a player why the game stopped, with or without a terminal.
#include "shell/report.h"

#include <cstdio>
#include <iostream>

#include "shell/sdl.h"

#if defined(_WIN32)
#include <windows.h>
#endif

void reportFatal(const std::string& line)
{
    std::cerr << line << '\n' << std::flush;
#if defined(_WIN32)
    // On Linux a box would also stop any test that checks the line; there the terminal
    // or the desktop's session log has it.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Brambix", line.c_str(), nullptr);
#endif
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
    if ((out || err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (out && std::freopen("CONOUT$", "w", stdout) != nullptr) {
            std::cout.clear();
        }
        if (err && std::freopen("CONOUT$", "w", stderr) != nullptr) {
            std::cerr.clear();
        }
    }
#endif
}
