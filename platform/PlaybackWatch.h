// What ends a full-screen video early, seen as the events arrive: Enter,
// Escape or Space going down, the left mouse button coming up, or a
// window's close button. Keys and clicks are not window messages, so the
// video cannot learn of them from the message queue.
#pragma once

union SDL_Event;

namespace plat {

class PlaybackWatch {
public:
    PlaybackWatch();
    ~PlaybackWatch();
    PlaybackWatch(const PlaybackWatch&) = delete;
    PlaybackWatch& operator=(const PlaybackWatch&) = delete;

    bool SkipRequested() const { return skip_; }
    bool CloseRequested() const { return close_; }

    // Lets events waiting outside SDL's queue reach the watch.
    static void PumpEvents();

private:
    static int Watch(void* self, SDL_Event* event);

    bool skip_ = false;
    bool close_ = false;
};

} // namespace plat
