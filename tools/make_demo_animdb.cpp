// Writes the demo's animation database, data/animdb.tsa: the game opens it
// at start-up and cannot run without it. The demo has no animated
// characters yet, so the database holds no entries.
//
// Usage: make_demo_animdb DATA_DIR
#include <cstdio>
#include <filesystem>
#include <string>

#include "game/framework/TsAnimationDB.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_animdb DATA_DIR\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    const std::string path = (std::filesystem::path(argv[1]) / "animdb.tsa").string();
    TsAnimationDB database;
    if (!database.WriteBinary(path.c_str())) {
        std::fprintf(stderr, "make_demo_animdb: could not write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
