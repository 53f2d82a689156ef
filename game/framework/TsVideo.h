// Full-motion video: one MPEG-1 file at a time, drawn full screen through
// the renderer's device with its soundtrack, blocking the main loop until the
// video ends or the player skips it (Enter, Escape, Space or a left click).
// The window's messages keep flowing while it plays; closing the window
// ends the video and leaves the quit message for the main loop.
#pragma once

#include <cstdint>

class TsVideo {
public:
    static constexpr int32_t kPlayed = 0;
    static constexpr int32_t kSkipped = 1;
    // The file does not exist, or could not be played.
    static constexpr int32_t kFailed = static_cast<int32_t>(0x80004005u);

    // Plays the file named by a game path. A missing file is no error for
    // the caller: it answers kFailed at once, having only cleared the screen.
    static int32_t PlayFMV(const char* path);
    // Ends the playback in progress at its next step.
    static void Stop();
    static bool IsPlaying();

    // Called after each picture is on screen, with the picture's number;
    // tests look at the screen through it. Null removes it.
    using FrameObserver = void (*)(int frameIndex, void* user);
    static void SetFrameObserver(FrameObserver observer, void* user);
};
