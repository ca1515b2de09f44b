// Brambix: a top-down sandbox of grass and trees, creatures and crafting.
#include <new>

#include "brambix/options.h"
#include "shell/app/app.h"
#include "shell/app/report.h"
#include "replay/playback.h"
#include "replay/record.h"

int main(int argc, char** argv)
{
    useParentConsole();
    const CommandLine line = parseCommandLine(argc, argv);
    if (int status = answerCommandLine(line); status >= 0) {
        return status;
    }
    // Every data file has a size limit, so this takes a machine already short of memory;
    // it still deserves a word and an orderly status rather than an abort.
    try {
        switch (line.action) {
        case CommandLine::Record:
            return recordGame(line.replay, line.wholePixels);
        case CommandLine::Watch:
            return watchReplay(line.replay, line.wholePixels);
        case CommandLine::Verify: {
            const Verdict v = verifyReplay(line.replay);
            (v.status == 0 ? writeOut : writeErr)(v.line + '\n');
            return v.status;
        }
        default:
            return runGame(line.wholePixels);
        }
    } catch (const std::bad_alloc&) {
        reportFatal("Brambix: cannot go on: out of memory");
        return 1;
    }
}
