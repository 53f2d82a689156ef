// The game's entry point.
#include <cstdio>

#include "platform/Process.h"

int main()
{
    plat::UseCLocale();
    std::fprintf(stderr,
        "tessaran: the application object is not built yet, so there is no game to start.\n");
    return 1;
}
