// Process-wide set-up shared by the game and the test programs.
#pragma once

namespace plat {

// Numbers are written to and read from scripts and text files with a '.'
// decimal point whatever the user's locale says.
void UseCLocale();

} // namespace plat
