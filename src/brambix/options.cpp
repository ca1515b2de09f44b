// The command line and the texts it prints.
#include "brambix/options.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "controls/player_texts.h"
#include "rules/recipe_book.h"
#include "rules/recipe_list.h"
#include "shell/app/app.h"
#include "shell/app/assets.h"
#include "shell/app/datadir.h"
#include "shell/app/report.h"
#include "shell/input/bindings.h"
#include "shell/platform/sdl.h"

#ifndef BRAMBIX_VERSION
#define BRAMBIX_VERSION "0"
#endif
#ifndef BRAMBIX_DATA_FROM_BIN
#define BRAMBIX_DATA_FROM_BIN "../share/brambix"
#endif

namespace {
struct ReplayOptions {
    const char* record = nullptr;
    const char* replay = nullptr;
    bool verify = false;
    const char* missingFile = nullptr;  // the option given last with no file after it
};

// Takes --record FILE, --replay FILE or --verify at argv[i], moving i past a FILE;
// false for any other argument.
bool takeReplayOption(int argc, const char* const* argv, int& i, ReplayOptions& o)
{
    const std::string_view arg = argv[i];
    if (arg == "--verify") {
        o.verify = true;
        return true;
    }
    if (arg != "--record" && arg != "--replay") {
        return false;
    }
    const char*& file = arg == "--record" ? o.record : o.replay;
    if (i + 1 >= argc) {
        o.missingFile = argv[i];
        return true;
    }
    file = argv[++i];
    return true;
}

void applyReplayOptions(const ReplayOptions& o, CommandLine& line)
{
    const char* misuse = o.missingFile ? "needs a FILE"
                         : o.record && o.replay ? "--record and --replay cannot be used together"
                         : o.verify && !o.replay ? "--verify needs --replay FILE"
                                                 : nullptr;
    if (misuse) {
        line.action = CommandLine::Misused;
        line.unknown = o.missingFile ? std::string(o.missingFile) + " " + misuse : misuse;
    } else if (o.record) {
        line.action = CommandLine::Record;
        line.replay = o.record;
    } else if (o.replay) {
        line.action = o.verify ? CommandLine::Verify : CommandLine::Watch;
        line.replay = o.replay;
    }
}
}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine line;
    bool help = false;
    bool version = false;
    bool controls = false;
    bool recipeList = false;
    ReplayOptions replay;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            break;
        }
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            help = true;
        } else if (arg == "--whole-pixels") {
            line.wholePixels = true;
        } else if (arg == "--version") {
            version = true;
        } else if (arg == "--controls") {
            controls = true;
        } else if (arg == "--recipes") {
            recipeList = true;
        } else if (takeReplayOption(argc, argv, i, replay)) {
            continue;
        } else if (arg.size() > 1 && arg[0] == '-') {
            line.action = CommandLine::Unknown;
            line.unknown = arg;
            return line;
        }
    }
    line.action = help      ? CommandLine::Help
                  : version ? CommandLine::Version
                  : controls ? CommandLine::ListControls
                  : recipeList ? CommandLine::ListRecipes
                               : CommandLine::Play;
    if (line.action == CommandLine::Play) {
        applyReplayOptions(replay, line);
    }
    return line;
}

std::string usageText()
{
    const auto firstKeyOf = [](Action a) { return std::string(CONTROL_ROWS[static_cast<size_t>(a)].defaults[0]); };
    return std::string(
               "Usage: brambix [--help | --version | --controls | --recipes | --whole-pixels |\n"
               "                --record FILE | --replay FILE [--verify]]\n"
               "A top-down sandbox of grass and trees, creatures and crafting.\n"
               "\n"
               "Options:\n"
               "  -h, --help, /?          show this help and exit\n"
               "  --version               show the version and exit\n"
               "  --controls              show the controls in use and the file they are read from\n"
               "  --recipes               show what can be crafted, and how, from the recipe book\n"
               "  --whole-pixels          start with whole-pixel scaling (") +
           firstKeyOf(Action::WholePixels) +
           " switches it)\n"
           "  --record FILE           play, and record the game to FILE as a replay\n"
           "  --replay FILE           watch the replay in FILE\n"
           "  --replay FILE --verify  play it back without a window and check its state\n"
           "\n"
           "Controls (the defaults; controls.json in the configuration folder changes them):\n" +
           controlsUsage() +
           "  on a screen         the first button moves a whole stack, the second one item;\n"
           "                      a click on the result takes the product\n"
           "  gamepad             left stick or d-pad walk, right stick moves a pointer,\n"
           "                      shoulders the previous or next slot; Pad Confirm is\n"
           "                      A (cross), Pad Clockwise the next button round (X,\n"
           "                      square; B on Nintendo pads), Pad Top the top button\n"
           "  touch               a thumb on the stick's side walks, a tap is a left click,\n"
           "                      a hold of " + holdText(HOLD_MS_DEFAULT) + " a right click, a tap on a hotbar\n"
           "                      slot selects it, the button low on the other side is " +
           firstKeyOf(Action::Inventory) + "\n"
           "\n"
           "Data: the first of these folders whose assets/ holds the game's files is used:\n"
           "  1. the folder named by " +
           DATA_DIR_VARIABLE +
           ", when set\n"
           "  2. the working folder\n"
           "  3. the program's own folder\n"
           "  4. <the program's folder>/" BRAMBIX_DATA_FROM_BIN " (an installed copy)\n";
}

std::string controlsText(const std::string& path, const ControlsRead& read)
{
    std::string out = controlsListing(read.controls);
    if (path.empty()) {
        return out + "file: none (no configuration folder is named by the environment)\n";
    }
    return out + "file: " + path + (read.status == ControlsRead::Absent ? " (none there: the defaults)\n" : "\n");
}

std::string recipesText(const std::string& path, bool missing)
{
    if (missing) {
        return "no recipe book: crafting makes nothing\nfile: " + path + " (none there)\n";
    }
    return recipeListText(listRecipes(recipes)) + "\nfile: " + path + "\n";
}

std::string versionText()
{
    return std::string("brambix ") + BRAMBIX_VERSION + " (" + sdlx::flavour() + ")\n";
}

namespace {
// Writes `text`, the answer to an option, to standard output: status 0, or where it
// cannot all be written (a full disk, a closed output) a line on standard error saying
// so and status 1, so that a script never takes a cut answer for a whole one.
int answerWith(const std::string& text, const char* what)
{
    errno = 0;
    if (writeOut(text)) {
        return 0;
    }
    const int err = errno;
    writeErr(std::string("brambix: cannot write ") + what + " to standard output" +
             (err != 0 ? ": " + std::error_code(err, std::generic_category()).message() : std::string()) + '\n');
    return 1;
}

// The recipes of the book the game would load, from the data folder it would use; a
// book with faults stops this as it would stop the game.
int answerRecipes()
{
    if (!enterDataDir()) {
        return 1;
    }
    const RecipeLoad::Status status = loadGameRecipes();
    if (status == RecipeLoad::Invalid) {
        return 1;
    }
    const std::string path = (std::filesystem::path(dataFolder()) / RECIPES_PATH).make_preferred().string();
    return answerWith(recipesText(path, status == RecipeLoad::Missing), "the recipes");
}
}  // namespace

int answerCommandLine(const CommandLine& line)
{
    switch (line.action) {
    case CommandLine::Help:
        return answerWith(usageText(), "the help");
    case CommandLine::Version:
        return answerWith(versionText(), "the version");
    case CommandLine::ListRecipes:
        return answerRecipes();
    case CommandLine::ListControls: {
        const std::string path = controlsPath();
        const ControlsRead read = readControlsFile(path);
        for (const std::string& fault : read.faults) {
            writeErr("brambix: controls: " + fault + '\n');
        }
        return answerWith(controlsText(path, read), "the controls");
    }
    case CommandLine::Unknown:
        writeErr("brambix: unknown option " + line.unknown + '\n' + usageText());
        return 2;
    case CommandLine::Misused:
        writeErr("brambix: " + line.unknown + '\n' + usageText());
        return 2;
    case CommandLine::Play:
    case CommandLine::Record:
    case CommandLine::Watch:
    case CommandLine::Verify:
        break;
    }
    return -1;
}
