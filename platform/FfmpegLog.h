// FFmpeg reports damaged streams and encoder advice on standard error by
// default. Those are notes for a developer, not the player: they are sent to
// the debugger output channel instead.
#pragma once

namespace plat {

// Installs the routing once; later calls do nothing.
void RouteFfmpegLog();

} // namespace plat
