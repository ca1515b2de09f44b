// Prints the player's texts about the controls, made from the controls table the game
// plays by, for the build: the manual page's and the Windows README's (as a CMake
// script), the controls of --help, and the game's own keys as the page names them.
//
//   playertexts cmake [OUT]      the CMake script the templates are filled from
//   playertexts web-keys [OUT]   the game's own keys as a JSON array of the browser's codes
//   playertexts usage [OUT]      the controls part of --help
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include "controls/player_texts.h"

int main(int argc, char** argv)
{
    const std::string_view what = argc >= 2 ? argv[1] : "";
    std::string text;
    if (what == "cmake") {
        text = playerTextsCMake();
    } else if (what == "web-keys") {
        text = gameKeysWebJson();
    } else if (what == "usage") {
        text = controlsUsage();
    }
    if (text.empty() || argc > 3) {
        std::fprintf(stderr, "usage: playertexts cmake|web-keys|usage [OUT]\n");
        return 2;
    }
    if (argc < 3) {
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0 ? 0 : 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "playertexts: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
