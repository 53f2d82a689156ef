// Process-wide set-up shared by the game and the test programs.
#pragma once

#include <string>

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

} // namespace plat
