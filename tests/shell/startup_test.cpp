// Before the window: the command line and the search for the data folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "brambix/options.h"
#include "shell/app/datadir.h"

namespace {

TEST(CommandLine, OptionsAndWordsAsTheyCome)
{
    struct Case {
        std::vector<const char*> args;
        CommandLine::Action action;
        std::string unknown;
    };
    const std::vector<Case> cases = {
        {{}, CommandLine::Play, ""},
        {{"--help"}, CommandLine::Help, ""},
        {{"-h"}, CommandLine::Help, ""},
        {{"/?"}, CommandLine::Help, ""},  // as Windows players ask, on every system
        {{"--whole-pixels", "/?"}, CommandLine::Help, ""},
        {{"--version"}, CommandLine::Version, ""},
        {{"--version", "--help"}, CommandLine::Help, ""},
        {{"--recipes"}, CommandLine::ListRecipes, ""},
        {{"--recipes", "--controls"}, CommandLine::ListControls, ""},
        {{"--recipes", "--version"}, CommandLine::Version, ""},
        {{"--recipes", "--replay", "a.brx"}, CommandLine::ListRecipes, ""},
        {{"--help", "--version"}, CommandLine::Help, ""},
        {{"world"}, CommandLine::Play, ""},  // words were always ignored
        {{"-"}, CommandLine::Play, ""},
        {{"--bogus"}, CommandLine::Unknown, "--bogus"},
        {{"-x", "--help"}, CommandLine::Unknown, "-x"},
        {{"--help", "--helpx"}, CommandLine::Unknown, "--helpx"},
        {{"--HELP"}, CommandLine::Unknown, "--HELP"},
        {{"--", "--bogus"}, CommandLine::Play, ""},
        {{"--version", "--", "--bogus"}, CommandLine::Version, ""},
        {{"--whole-pixels"}, CommandLine::Play, ""},
        {{"--record", "a.brx"}, CommandLine::Record, ""},
        {{"--replay", "a.brx"}, CommandLine::Watch, ""},
        {{"--verify", "--replay", "a.brx"}, CommandLine::Verify, ""},
        {{"--record"}, CommandLine::Misused, "--record needs a FILE"},
        {{"--verify"}, CommandLine::Misused, "--verify needs --replay FILE"},
        {{"--record", "a", "--replay", "b"}, CommandLine::Misused, "--record and --replay cannot be used together"},
        {{"--help", "--record"}, CommandLine::Help, ""},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"brambix"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CommandLine line = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        std::string shown;
        for (const char* a : c.args) {
            shown += std::string(a) + " ";
        }
        EXPECT_EQ(line.action, c.action) << "args: " << shown;
        EXPECT_EQ(line.unknown, c.unknown) << "args: " << shown;
        EXPECT_EQ(line.wholePixels, shown.find("--whole-pixels") != std::string::npos) << "args: " << shown;
        if (line.action == CommandLine::Record || line.action == CommandLine::Watch ||
            line.action == CommandLine::Verify) {
            EXPECT_EQ(line.replay, "a.brx") << "args: " << shown;
        }
    }
}

TEST(DataDir, PlacesInOrder)
{
    struct Case {
        const char* variable;
        std::string working;
        std::string base;
        std::vector<std::string> expected;
    };
    const std::string up = "../share/brambix";
    const std::vector<Case> cases = {
        // Not set or empty: the working folder, then the program's folder and its data.
        {nullptr, "/home/p", "/usr/bin/", {"/home/p", "/usr/bin", "/usr/share/brambix"}},
        {"", "/home/p", "/usr/bin/", {"/home/p", "/usr/bin", "/usr/share/brambix"}},
        // Set: first of all; relative to the working folder; normalised.
        {"/srv/data/", "/home/p", "/usr/bin/", {"/srv/data", "/home/p", "/usr/bin", "/usr/share/brambix"}},
        {"mine/../data", "/home/p", "/usr/bin/", {"/home/p/data", "/home/p", "/usr/bin", "/usr/share/brambix"}},
        {".", "/home/p", "/usr/bin/", {"/home/p", "/usr/bin", "/usr/share/brambix"}},
        // A build's run folder started from itself: each place once.
        {nullptr, "/b/run", "/b/run/", {"/b/run", "/b/share/brambix"}},
        // SDL could not tell where the program is.
        {nullptr, "/home/p", "", {"/home/p"}},
        {"/d", "/", "", {"/d", "/"}},
        // A prefix of a few levels, and the root.
        {nullptr, "/", "/opt/x/bin/", {"/", "/opt/x/bin", "/opt/x/share/brambix"}},
        {nullptr, "/tmp", "/", {"/tmp", "/", "/share/brambix"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected;  // with Windows' separators there
        for (const std::string& dir : c.expected) {
            expected.push_back(std::filesystem::path(dir).make_preferred().string());
        }
        EXPECT_EQ(dataDirCandidates(c.variable, c.working, c.base, up), expected)
            << "variable " << (c.variable ? c.variable : "(unset)") << ", working " << c.working << ", base "
            << c.base;
    }
}

TEST(DataDir, FirstPlaceHoldingAssetsWinsAndEveryPlaceIsNamedWhenNoneDoes)
{
    const std::vector<std::string> places = {"/env", "/work", "/usr/bin", "/usr/share/brambix"};
    struct Case {
        std::set<std::string> holding;
        std::string found;
    };
    const std::vector<Case> cases = {
        {{"/env", "/work", "/usr/share/brambix"}, "/env"},
        {{"/work", "/usr/share/brambix"}, "/work"},
        {{"/usr/share/brambix"}, "/usr/share/brambix"},
        {{"/usr/bin", "/usr/share/brambix"}, "/usr/bin"},
        {{"/elsewhere"}, ""},
        {{}, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> asked;
        const std::string found = firstDataDir(places, [&](const std::string& dir) {
            asked.push_back(dir);
            return c.holding.count(dir) > 0;
        });
        EXPECT_EQ(found, c.found);
        // Nothing after the match is looked at.
        const size_t expectedAsks = found.empty() ? places.size() : asked.size();
        EXPECT_EQ(asked.size(), expectedAsks);
        EXPECT_EQ(asked.back(), found.empty() ? places.back() : found);
    }
    const std::string message = noDataDirMessage(places);
    EXPECT_EQ(message.find('\n'), std::string::npos);
    size_t last = 0;
    for (const std::string& place : places) {
        const size_t at = message.find(place, last);
        ASSERT_NE(at, std::string::npos) << place << " missing from: " << message;
        last = at;
    }
    EXPECT_NE(message.find(DATA_DIR_VARIABLE), std::string::npos);
}

}  // namespace
