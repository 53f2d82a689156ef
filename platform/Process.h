// Process-wide set-up shared by the game and the test programs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Numbers are written to and read from scripts and text files with a '.'
// decimal point whatever the user's locale says.
void UseCLocale();

// How a request to open a document with the desktop went.
enum class OpenResult { kStarted, kNoOpener, kFailed };

// Opens a document (an absolute host path) with the desktop's opener
// ("xdg-open", found on PATH) started in folder (empty: the current one),
// without waiting for it: the opener runs detached, so the game never waits
// on an editor or a viewer.
OpenResult OpenWithDesktop(const std::string& document, const std::string& folder);

// True when path names a regular file this process may run.
bool IsProgram(const std::string& path);

// The full path of a program found on PATH, or empty when there is none.
std::string FindProgram(std::string_view name);

// Starts a program (a host path) with the given arguments, no shell in
// between, in folder (empty: the current one), detached as above.
OpenResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& folder);

} // namespace plat
