// Game data paths are written the Windows way ("data\\animdb.tsa",
// "Scripts/NewGame.lua") and were matched without regard to case. Every file
// the game opens goes through ResolvePath, which maps the separators and
// finds each component on disk case-insensitively.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace plat {

// The host path for a game path. Components that exist on disk in another
// case are replaced by their real spelling; the first component that exists
// in no case, and everything after it, is kept as written (so a file about
// to be created lands where the game named it).
std::string ResolvePath(std::string_view gamePath);

// fopen through ResolvePath.
std::FILE* OpenFile(std::string_view gamePath, const char* mode);

// True when the resolved path names an existing file or folder.
bool PathExists(std::string_view gamePath);

// True when the resolved path names an existing folder.
bool FolderExists(std::string_view gamePath);

// Forget the cached folder listings (tests that create files by hand).
void ClearPathCache();

} // namespace plat
