// Every sound of the game: effects placed in 3D on a fixed set of voices,
// flat effects, one dialogue line at a time, the front-end music and the
// level music in three layers (a bed, a passive layer and a combat layer)
// that cross-fade as hostile characters come near the current character.
//
// Sounds are addressed by SoundId (0-239, TsAudioSoundTable.h). Volumes are
// hundredths of a decibel, -10000 (silent) to 0.
//
// An object whose Initialise failed stays usable but silent: every call
// answers false or 0 and plays nothing.
#pragma once

#include <array>
#include <cstdint>

#include "engine/OmArray.h"
#include "engine/OmVector3.h"
#include "game/framework/TsAudioSoundTable.h"
#include "platform/SoundDevice.h"
#include "platform/SoundPath.h"
#include "platform/SoundSegment.h"

// One character as the combat barks see it.
struct TsAudioCharacter {
    const void* identity = nullptr; // tells characters apart
    OmVector3 position;
    bool stunned = false;
    SoundId alertSound = AID_NOSOUND; // its enemy-spotted bark
};

// What the audio needs to know of the level around the current character.
// The level mode provides it each tick.
class TsAudioLevelView {
public:
    virtual ~TsAudioLevelView() = default;
    // Seconds of game time.
    virtual float GameTime() const = 0;
    virtual bool IsInNormalState() const = 0;
    // The local player's current character; false when there is none.
    virtual bool GetCurrentCharacter(TsAudioCharacter& out) const = 0;
    // Characters on the current character's neighbour list whose recorded
    // distance is below `range` and towards which it is hostile.
    virtual int CountHostilesNear(float range) const = 0;
    virtual int SquadSize() const = 0;
    // False for an index outside the local player's squad.
    virtual bool GetSquadMember(int index, TsAudioCharacter& out) const = 0;
};

class TsAudio {
public:
    static constexpr int kVoiceCount = 16;
    static constexpr int kMusicPathCount = 4; // front end, bed, passive, combat
    static constexpr int kEffectChannels = 16;
    static constexpr float kNearListener = 3.0f;   // squared distance
    static constexpr float kAlertRange = 10.0f;
    static constexpr float kAlertHoldSeconds = 5.0f;
    static constexpr float kBarkRangeSquared = 100.0f;

    TsAudio();
    virtual ~TsAudio();
    TsAudio(const TsAudio&) = delete;
    TsAudio& operator=(const TsAudio&) = delete;

    // Opens the output device and makes the music, dialogue, effects and
    // voice paths. False (and silent from then on) when any part fails.
    bool Initialise();
    bool IsInitialised() const { return m_device.IsOpen(); }

    // Plays a loaded effect: at (0,0,0) flat on the effects path (answer 1),
    // elsewhere in 3D on a voice (answer the voice's handle). 0 when nothing
    // was played. Only ids 4-239 are effects. Places and moves in 3D wait
    // for the next Tick, which applies them together with the listener.
    uint32_t PlaySound(SoundId id, float x, float y, float z, bool loop);
    uint32_t LuaPlaySoundNow(SoundId id, float x, float y, float z) { return PlaySound(id, x, y, z, false); }
    // Stops the voice of a handle; the handle is cleared in every case.
    bool StopSound(uint32_t* handle);
    bool UpdateSoundPosition(uint32_t* handle, float x, float y, float z);
    bool IsSoundPlaying(SoundId id) const;

    bool LoadWavFromFile(SoundId id);
    void FlagSoundForLoading(SoundId id);
    bool IsSoundLoaded(SoundId id) const;

    // Loads "data\audio\dialogue\<name>" and, when `play` is set, plays it.
    // A line already held is stopped first, so only one plays at a time.
    bool PlayDialogue(const char* name, bool play);
    bool StartDialogue(const char* name, bool play) { return PlayDialogue(name, play); }
    bool StopDialogue();
    // Stops the last sound played without a position (a volume slider's
    // sample) if it still plays; false when there is none.
    bool StopMusicSegment();
    bool IsDialoguePlaying() const;

    // Each value in -10000..0, else nothing changes.
    void SetVolumes(int effects, int music, int dialogue);
    void GetVolumes(int& effects, int& music, int& dialogue) const;

    // Once per level tick: moves the listener, applies the tick's 3D
    // changes all at once and watches for hostiles. A
    // null view (no level) only moves the listener.
    void Tick(const OmVector3& position, const OmVector3& front, const OmVector3& top,
              const TsAudioLevelView* level);
    // Once per game-mode tick: reclaims finished voices and fades the music layers.
    bool Update();

    // Level start: unloads everything, loads the level music (named by the
    // level info's music name) and runs the script's "LoadInGameSounds()".
    bool ReloadInGameSounds(const char* musicName);
    bool StartLevelMusic();
    bool StartFrontEndAudio();

    void StopAllVoices();
    bool UnloadAllSounds();
    bool StopAll();
    bool StopDialogueAndUnload();

    int GetVoiceCount() const { return static_cast<int>(m_voices.GetCount()); }
    bool IsInCombat() const { return m_combat; }
    bool IsLayering() const { return m_layering; }

private:
    struct Voice {
        uint32_t handle;
        float distanceSquared; // from the listener when it started
    };
    enum MusicPath { kFrontEndPath = 0, kBedPath = 1, kPassivePath = 2, kCombatPath = 3 };

    bool CreatePaths();
    void ReleaseAll();
    const char* FileOf(SoundId id) const;
    float DistanceSquared(float x, float y, float z) const;
    bool FreeFarthestVoice(float distanceSquared);
    void CompactVoices();
    bool StartLoop(SoundId id, MusicPath path);
    void ListenForHostiles(const TsAudioLevelView& level, float now);
    void Bark(const TsAudioLevelView& level, const TsAudioCharacter& current);
    void FadeLayers();
    int MusicLevel() const;
    void RunScript(const char* text) const;

    plat::SoundDevice m_device;
    plat::SoundSegment m_dialogue;
    uint32_t m_dialogueHandle = 0;
    plat::SoundPath m_dialoguePath;
    std::array<plat::SoundPath, kMusicPathCount> m_musicPaths;
    plat::SoundPath m_effectsPath;
    std::array<plat::SoundPath, kVoiceCount> m_voicePaths; // voice i plays on path i
    std::array<plat::SoundSegment, NUM_OF_SOUNDS> m_segments;
    OmArray<Voice> m_voices{64};
    std::array<bool, NUM_OF_SOUNDS> m_loadFlags{};
    std::array<const char*, 3> m_levelMusic{"", "", ""}; // records 1-3
    uint32_t m_flatPlay = 0; // the last play on the effects path
    bool m_combat = false;
    bool m_layering = false;
    float m_lastAlert = 0.0f;
    OmVector3 m_listenerPosition;
    OmVector3 m_listenerFront{0.0f, 0.0f, 1.0f};
    int m_effectsVolume = 0;
    int m_musicVolume = 0;
    int m_dialogueVolume = 0;
    bool m_reportedNoView = false;
};

// Plays effect `sound` at a point (flat at the origin, as PlaySound does)
// through the application's audio, when it has one. 0 when nothing played:
// no audio, or no such loaded effect (a negative id from data among them).
uint32_t TsPlaySoundAt(int32_t sound, const OmVector3& at);
// The same at the origin, flat: the interface's own sounds.
uint32_t TsPlayFlatSound(int32_t sound);
