// Brambix: a top-down sandbox of grass and trees, creatures and crafting.
#include "shell/app.h"
#include "shell/options.h"
#include "shell/report.h"

int main(int argc, char** argv)
{
    useParentConsole();
    if (int status = answerCommandLine(parseCommandLine(argc, argv)); status >= 0) {
        return status;
    }
    return runGame();
}
