// Internal to the sound classes: the OpenAL device and context shared by a
// SoundDevice and everything made on it. Segments, paths and streams hold a
// reference, so the device closes only when the last of them is gone and
// no OpenAL call ever runs on a closed device, whatever order the owner
// destroys them in.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace plat::detail {

struct PathState;

struct SoundContext {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool loopPoints = false;  // AL_SOFT_loop_points
    bool spatialize = false;  // AL_SOFT_source_spatialize
    // AL_SOFT_deferred_updates, null without it: holds the mixer while a
    // batch of changes is made.
    LPALDEFERUPDATESSOFT deferUpdates = nullptr;
    LPALPROCESSUPDATESSOFT processUpdates = nullptr;
    std::chrono::steady_clock::time_point opened;
    // A device that mixes only when asked (tests): its clock counts the
    // frames mixed, at this rate; 0 for a device with its own mixer thread.
    int onDemandRate = 0;
    std::uint64_t mixedFrames = 0;
    std::uint32_t nextPlayId = 2;
    std::vector<PathState*> paths;  // every live path, for device-wide queries

    ~SoundContext();
    // Makes this context current; false when it no longer exists.
    bool Use() const;
    std::int64_t TimeMs() const;
    std::uint32_t NewPlayId();
};

using SoundContextRef = std::shared_ptr<SoundContext>;

// One playing channel (an OpenAL source) of a path.
struct Channel {
    ALuint source = 0;
    ALuint buffer = 0;
    std::uint32_t playId = 0;
    std::int64_t startMs = 0;
    bool loop = false;
};

struct PathState {
    SoundContextRef ctx;
    bool positional = false;
    int volume = 0;
    float position[3] = {0, 0, 0};  // in the game's frame
    bool positionPending = false;   // set deferred, not yet heard
    std::vector<Channel> channels;

    ~PathState();
    bool IsPlaying(const Channel& c) const;
    void ApplyPosition() const;
    // Stops every channel that plays `buffer` and detaches it, so the buffer can change or go.
    void Release(ALuint buffer, bool alsoPlaying);
};

} // namespace plat::detail
