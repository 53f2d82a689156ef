// Full-motion video files (MPEG-1 with an MPEG audio track) decoded with
// FFmpeg: pictures as A8R8G8B8 at their display size with their times, and
// the soundtrack as 16-bit PCM for a SoundStream. The caller owns the clock
// and the drawing: it asks for the picture due at its current time and
// feeds the decoded sound to the stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

class SoundStream;

struct VideoFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // A8R8G8B8, rows top-down, width * height
    double time = 0;                    // seconds from the start of the video
    int index = -1;                     // pictures decoded before this one
};

class VideoFile {
public:
    VideoFile();
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Opens a video named by a game path. False with an error text naming
    // the file when it is missing, unreadable or has no video stream.
    bool Open(std::string_view gamePath, std::string& error);
    void Close();
    bool IsOpen() const { return impl_ != nullptr; }

    int Width() const;   // display size of the pictures
    int Height() const;
    double Duration() const;  // seconds, 0 when unknown
    bool HasAudio() const;
    int AudioRate() const;      // of the PCM handed out
    int AudioChannels() const;  // 1 or 2

    // Decodes the next picture into `frame`. False at the end of the video.
    bool ReadFrame(VideoFrame& frame);
    // The picture to show at time `t` (seconds): the latest one whose time
    // has come, skipping those that are already late. Null when the picture
    // on screen should stay.
    const VideoFrame* FrameDue(double t);
    // True once every picture has been handed out.
    bool AtEnd() const;

    // Decoded soundtrack waiting to be played: moved onto the stream, or
    // appended to `into` (interleaved samples).
    bool QueueAudio(SoundStream& stream);
    void TakeAudio(std::vector<std::int16_t>& into);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace plat
