// Brambix: a top-down sandbox of grass and trees, creatures and crafting.
#include "shell/app.h"

int main(int /*argc*/, char** /*argv*/)
{
    return runGame();
}
