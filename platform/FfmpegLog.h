// FFmpeg reports damaged streams and encoder advice on standard error by
// default. Those are notes for a developer, not the player: they are sent to
// the debugger output channel instead. Error codes are turned into text here too.
#pragma once

#include <string>

namespace plat {

// Installs the routing once; later calls do nothing.
void RouteFfmpegLog();

// The text FFmpeg gives for one of its error codes.
std::string AvError(int code);

} // namespace plat
