// Where saved games live and what they are called. Saves are files in the
// "Save Games" folder below the working directory; the game never changes
// its working directory to reach them, it builds the paths. A save is
// written to a temporary file first and renamed over the old one only once
// the whole archive is on disk, so a failed save leaves the previous one.
#pragma once

#include <cstdint>
#include <string>

class OmArchive;

namespace TsSaveGames {

constexpr const char* kFolder = "Save Games";
constexpr const char* kTransferFile = "player.tmp";

// A piece of a file name made safe: path separators, drive colons and
// control characters become '_', and ".." becomes "__", so a player or
// level name can never leave the save folder or hide a file.
std::string CleanNamePart(const char* text);

// "<player> [<number>] - <level>" with both names cleaned.
std::string ComposeSaveName(const char* playerName, int32_t number, const char* levelName);

// The game path of a save of that name inside the save folder.
std::string PathOf(const std::string& name);

// Makes the save folder when it is missing; false when it cannot be made.
bool EnsureFolder();

// Saves the archive under the name (temporary file, then rename); false,
// with the reason logged, when any step fails.
bool Save(OmArchive& archive, const std::string& name);

// The highest n of the saves named exactly "<player> [n]..." (player name
// cleaned as the save names are); 0 when there is none or the folder
// cannot be listed.
int32_t HighestSaveNumber(const char* playerName);

} // namespace TsSaveGames

// The same for the title screens: the number a new game of that player
// name continues from.
inline int32_t GetHighestSaveNumber(const char* name)
{
    return TsSaveGames::HighestSaveNumber(name);
}
