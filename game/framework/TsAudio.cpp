#include "game/framework/TsAudio.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsRandom.h"
#include "game/framework/TsScriptHost.h"

namespace {

constexpr int kSilent = plat::kSilentVolume;
// Below this a level is inaudible anyway, and is made silent outright.
constexpr int kAudibleFloor = -2999;
constexpr int kEffectsHeadroom = 360;
constexpr int kMusicHeadroom = 500;
constexpr int kDialogueHeadroom = 1;
constexpr int kPassiveFadeStep = 100;
constexpr int kCombatFadeStep = 500;

constexpr const char* kLevelMusicFiles[3] = {
    "data\\audio\\music\\desertbed.wav",
    "data\\audio\\music\\desertpassive.wav",
    "data\\audio\\music\\desertaction.wav",
};

int Level(int volume, int headroom)
{
    const int level = volume - headroom;
    return level < kAudibleFloor ? kSilent : level;
}

bool InVolumeRange(int v)
{
    return v >= kSilent && v <= 0;
}

plat::SoundVector ToSound(const OmVector3& v)
{
    return {v.x, v.y, v.z};
}

bool Differs(const plat::SoundVector& a, float x, float y, float z)
{
    return a.x != x || a.y != y || a.z != z;
}

} // namespace

TsAudio::TsAudio()
{
    m_voices.Reserve(kVoiceCount); // voices come and go every tick without allocating
}

TsAudio::~TsAudio()
{
    StopAll();
    ReleaseAll();
}

bool TsAudio::Initialise()
{
    ReleaseAll();
    std::string error;
    if (!m_device.Open(error)) {
        LogErrorF("TsAudio: could not open the sound device: %s", error.c_str());
        return false;
    }
    if (!CreatePaths()) {
        // Half an audio object would play some sounds and drop others; all
        // or nothing keeps the failure plain.
        ReleaseAll();
        return false;
    }
    m_device.SetListener(ToSound(m_listenerPosition), ToSound(m_listenerFront), {0.0f, 1.0f, 0.0f});
    return true;
}

bool TsAudio::CreatePaths()
{
    std::string error;
    bool ok = true;
    for (plat::SoundPath& path : m_musicPaths)
        ok = ok && path.Create(m_device, plat::SoundPathKind::Direct, 1, error);
    ok = ok && m_dialoguePath.Create(m_device, plat::SoundPathKind::Direct, 1, error);
    ok = ok && m_effectsPath.Create(m_device, plat::SoundPathKind::Direct, kEffectChannels, error);
    for (plat::SoundPath& path : m_voicePaths)
        ok = ok && path.Create(m_device, plat::SoundPathKind::Positional, 1, error);
    if (!ok)
        LogErrorF("TsAudio: could not make the sound paths: %s", error.c_str());
    return ok;
}

// Segments and paths hold the device open; all of them go before it closes.
void TsAudio::ReleaseAll()
{
    m_voices.RemoveAll();
    m_dialogueHandle = 0;
    m_dialogue.Unload();
    for (plat::SoundSegment& segment : m_segments)
        segment.Unload();
    for (plat::SoundPath& path : m_voicePaths)
        path.Destroy();
    for (plat::SoundPath& path : m_musicPaths)
        path.Destroy();
    m_dialoguePath.Destroy();
    m_effectsPath.Destroy();
    m_device.Close();
}

const char* TsAudio::FileOf(SoundId id) const
{
    if (id >= AID_BED_MUSIC && id <= AID_ACT_MUSIC)
        return m_levelMusic[id - AID_BED_MUSIC];
    return TsAudioSoundTable[id].path;
}

float TsAudio::DistanceSquared(float x, float y, float z) const
{
    const float dx = x - m_listenerPosition.x;
    const float dy = y - m_listenerPosition.y;
    const float dz = z - m_listenerPosition.z;
    return dx * dx + dy * dy + dz * dz;
}

uint32_t TsAudio::PlaySound(SoundId id, float x, float y, float z, bool loop)
{
    if (id < AID_FIRST_SOUND || id >= NUM_OF_SOUNDS || !m_segments[id].IsLoaded())
        return 0;
    if (x == 0.0f && y == 0.0f && z == 0.0f) {
        m_flatPlay = m_effectsPath.Play(m_segments[id], false);
        return m_flatPlay != 0 ? 1 : 0;
    }

    const float distanceSquared = DistanceSquared(x, y, z);
    if (m_voices.GetCount() >= kVoiceCount && !FreeFarthestVoice(distanceSquared))
        return 0;
    const uint32_t n = m_voices.GetCount();
    plat::SoundPath& path = m_voicePaths[n];
    // Heard there from the tick's commit, with the listener of that tick.
    path.SetPosition({x, y, z}, plat::SoundApply::Deferred);
    const uint32_t handle = path.Play(m_segments[id], loop);
    if (handle == 0)
        return 0;
    m_voices.Add(Voice{handle, distanceSquared});
    return handle;
}

// All voices are busy: the farthest one-shot gives way to a nearer sound.
bool TsAudio::FreeFarthestVoice(float distanceSquared)
{
    uint32_t farthest = 0;
    for (uint32_t i = 1; i < m_voices.GetCount(); ++i) {
        if (m_voices[i].distanceSquared > m_voices[farthest].distanceSquared)
            farthest = i;
    }
    if (distanceSquared >= m_voices[farthest].distanceSquared)
        return false;
    bool looping = false;
    if (!m_voicePaths[farthest].GetLooping(m_voices[farthest].handle, looping) || looping)
        return false;
    m_voicePaths[farthest].Stop(m_voices[farthest].handle);
    m_voices[farthest].handle = 0;
    CompactVoices();
    return true;
}

// Live records move down over removed ones (handle 0), taking their paths
// with them, so record i always plays on path i.
void TsAudio::CompactVoices()
{
    uint32_t live = 0;
    for (uint32_t i = 0; i < m_voices.GetCount(); ++i) {
        if (m_voices[i].handle == 0)
            continue;
        if (i != live) {
            m_voices[live] = m_voices[i];
            std::swap(m_voicePaths[live], m_voicePaths[i]);
        }
        ++live;
    }
    m_voices.Resize(live);
}

bool TsAudio::StopSound(uint32_t* handle)
{
    if (!handle)
        return false;
    const uint32_t wanted = std::exchange(*handle, 0u);
    if (wanted == 0)
        return false;
    for (uint32_t i = 0; i < m_voices.GetCount(); ++i) {
        if (m_voices[i].handle == wanted) {
            m_voicePaths[i].Stop(wanted);
            m_voices[i].handle = 0;
            CompactVoices();
            return true;
        }
    }
    return false;
}

bool TsAudio::StopMusicSegment()
{
    const uint32_t play = std::exchange(m_flatPlay, 0u);
    return play != 0 && m_device.IsOpen() && m_effectsPath.Stop(play);
}

bool TsAudio::UpdateSoundPosition(uint32_t* handle, float x, float y, float z)
{
    if (!handle || *handle == 0)
        return false;
    for (uint32_t i = 0; i < m_voices.GetCount(); ++i) {
        if (m_voices[i].handle != *handle || !Differs(m_voicePaths[i].Position(), x, y, z))
            continue;
        // A sound on top of the listener would jump from ear to ear as
        // either moves; it is heard as coming from the listener instead.
        if (DistanceSquared(x, y, z) <= kNearListener)
            m_voicePaths[i].SetPosition(ToSound(m_listenerPosition), plat::SoundApply::Deferred);
        else
            m_voicePaths[i].SetPosition({x, y, z}, plat::SoundApply::Deferred);
        return true;
    }
    return false;
}

bool TsAudio::IsSoundLoaded(SoundId id) const
{
    return IsSoundId(id) && m_segments[id].IsLoaded();
}

bool TsAudio::IsSoundPlaying(SoundId id) const
{
    return IsSoundLoaded(id) && m_device.IsPlaying(m_segments[id]);
}

bool TsAudio::LoadWavFromFile(SoundId id)
{
    if (!IsSoundId(id)) {
        LogErrorF("TsAudio: sound id %d is not 0-%d", id, NUM_OF_SOUNDS - 1);
        return false;
    }
    if (!m_device.IsOpen() || m_segments[id].IsLoaded())
        return false;
    const char* file = FileOf(id);
    if (!file || !*file)
        return false;
    std::string error;
    if (!m_segments[id].Load(m_device, file, error)) {
        LogErrorF("TsAudio: sound %d: %s", id, error.c_str());
        return false;
    }
    return true;
}

void TsAudio::FlagSoundForLoading(SoundId id)
{
    if (!IsSoundId(id)) {
        LogErrorF("TsAudio: sound id %d is not 0-%d", id, NUM_OF_SOUNDS - 1);
        return;
    }
    m_loadFlags[id] = true;
}

bool TsAudio::PlayDialogue(const char* name, bool play)
{
    StopDialogue();
    if (!m_device.IsOpen() || !name)
        return false;
    char path[512];
    std::snprintf(path, sizeof path, "data\\audio\\dialogue\\%s", name);
    std::string error;
    if (!m_dialogue.Load(m_device, path, error)) {
        LogErrorF("TsAudio: Couldn't load dialogue file %s", path);
        return false;
    }
    if (!play)
        return true;
    m_dialogueHandle = m_dialoguePath.Play(m_dialogue, false);
    return m_dialogueHandle != 0;
}

bool TsAudio::StopDialogue()
{
    if (!m_dialogue.IsLoaded())
        return false;
    m_dialoguePath.Stop(m_dialogueHandle);
    m_dialogueHandle = 0;
    m_dialogue.Unload();
    return true;
}

// Nothing held is nothing playing: a caller waiting for the line to end
// must not wait for a line that never started.
bool TsAudio::IsDialoguePlaying() const
{
    return m_dialogue.IsLoaded() && m_dialogueHandle != 0 && m_dialoguePath.IsPlaying(m_dialogueHandle);
}

int TsAudio::MusicLevel() const
{
    return Level(m_musicVolume, kMusicHeadroom);
}

void TsAudio::SetVolumes(int effects, int music, int dialogue)
{
    if (!InVolumeRange(effects) || !InVolumeRange(music) || !InVolumeRange(dialogue))
        return;
    m_effectsVolume = effects;
    m_musicVolume = music;
    m_dialogueVolume = dialogue;
    const int effectsLevel = Level(effects, kEffectsHeadroom);
    const int musicLevel = MusicLevel();
    m_effectsPath.SetVolume(effectsLevel);
    for (plat::SoundPath& path : m_voicePaths)
        path.SetVolume(effectsLevel);
    m_musicPaths[kFrontEndPath].SetVolume(musicLevel);
    m_musicPaths[kBedPath].SetVolume(musicLevel);
    if (m_layering && m_combat) {
        for (MusicPath layer : {kPassivePath, kCombatPath}) {
            if (m_musicPaths[layer].Volume() > musicLevel)
                m_musicPaths[layer].SetVolume(musicLevel);
        }
    } else {
        m_musicPaths[kPassivePath].SetVolume(musicLevel);
        m_musicPaths[kCombatPath].SetVolume(kSilent);
    }
    m_dialoguePath.SetVolume(Level(dialogue, kDialogueHeadroom));
}

void TsAudio::GetVolumes(int& effects, int& music, int& dialogue) const
{
    effects = m_effectsVolume;
    music = m_musicVolume;
    dialogue = m_dialogueVolume;
}

void TsAudio::Tick(const OmVector3& position, const OmVector3& front, const OmVector3& top,
                   const TsAudioLevelView* level)
{
    m_listenerPosition = position;
    m_listenerFront = front;
    m_device.SetListener(ToSound(position), ToSound(front), ToSound(top), plat::SoundApply::Deferred);
    m_device.CommitDeferredSettings();
    if (!level) {
        LogInfoOnce(m_reportedNoView, "TsAudio::Tick: no level to watch; combat music and barks are off");
        return;
    }
    const float now = level->GameTime();
    // A quiet spell ends the combat music; near hostiles start it again at
    // once, with a fresh bark.
    if (now - m_lastAlert > kAlertHoldSeconds) {
        m_combat = false;
        m_lastAlert = now;
    }
    if (level->IsInNormalState())
        ListenForHostiles(*level, now);
}

void TsAudio::ListenForHostiles(const TsAudioLevelView& level, float now)
{
    TsAudioCharacter current;
    if (!level.GetCurrentCharacter(current) || level.CountHostilesNear(kAlertRange) <= 0)
        return;
    if (!m_combat && level.SquadSize() > 1)
        Bark(level, current);
    m_combat = true;
    m_lastAlert = now;
}

// A squad member calls out the enemy; one too far from the current
// character to have seen it leaves the call to the current character.
void TsAudio::Bark(const TsAudioLevelView& level, const TsAudioCharacter& current)
{
    const int index = RandByte() * level.SquadSize() / 256;
    TsAudioCharacter caller;
    if (!level.GetSquadMember(index, caller))
        caller = current;
    if (caller.identity != current.identity) {
        const OmVector3 d(caller.position.x - current.position.x, caller.position.y - current.position.y,
                          caller.position.z - current.position.z);
        if (d.x * d.x + d.y * d.y + d.z * d.z > kBarkRangeSquared)
            caller = current;
    }
    if (!caller.stunned)
        PlaySound(caller.alertSound, caller.position.x, caller.position.y, caller.position.z, false);
}

bool TsAudio::Update()
{
    bool removed = false;
    for (uint32_t i = 0; i < m_voices.GetCount(); ++i) {
        const uint32_t handle = m_voices[i].handle;
        if (m_voicePaths[i].IsPlaying(handle))
            continue;
        // A play its path no longer knows was stopped under us; it can
        // never finish on its own, so it is reclaimed too.
        bool looping = false;
        if (!m_voicePaths[i].GetLooping(handle, looping) || !looping) {
            m_voicePaths[i].Stop(handle);
            m_voices[i].handle = 0;
            removed = true;
        }
    }
    if (removed)
        CompactVoices();
    if (m_layering)
        FadeLayers();
    return true;
}

// Combat brings its layer in fast and lets the passive one go slowly; peace
// does the reverse.
void TsAudio::FadeLayers()
{
    const int musicLevel = MusicLevel();
    plat::SoundPath& passive = m_musicPaths[kPassivePath];
    plat::SoundPath& combat = m_musicPaths[kCombatPath];
    if (m_combat) {
        passive.SetVolume(std::max(passive.Volume() - kPassiveFadeStep, kSilent));
        combat.SetVolume(std::min(combat.Volume() + kCombatFadeStep, musicLevel));
    } else {
        passive.SetVolume(std::min(passive.Volume() + kPassiveFadeStep, musicLevel));
        combat.SetVolume(std::max(combat.Volume() - kCombatFadeStep, kSilent));
    }
}

void TsAudio::RunScript(const char* text) const
{
    lua_State* L = TsAccess::LuaState();
    if (!L) {
        LogErrorF("TsAudio: there is no script state to run %s", text);
        return;
    }
    TsScriptHost::DoString(L, text);
}

bool TsAudio::ReloadInGameSounds(const char* musicName)
{
    StopAllVoices();
    m_device.StopAll();
    m_layering = true;
    for (SoundId id = AID_BED_MUSIC; id <= AID_ACT_MUSIC; ++id) {
        m_loadFlags[id] = true;
        m_levelMusic[id - AID_BED_MUSIC] = kLevelMusicFiles[id - AID_BED_MUSIC];
    }
    // Quiet places have no combat music.
    if (musicName && (std::strcmp(musicName, "Halcyon") == 0 || std::strcmp(musicName, "Town") == 0)) {
        m_loadFlags[AID_ACT_MUSIC] = false;
        m_layering = false;
    }
    for (SoundId id = 0; id < NUM_OF_SOUNDS; ++id) {
        m_segments[id].Unload();
        if (m_loadFlags[id] && *FileOf(id))
            LoadWavFromFile(id);
    }
    RunScript("LoadInGameSounds()");
    m_combat = false;
    m_lastAlert = 0.0f;
    return true;
}

// Loops a whole music segment on its path from the start.
bool TsAudio::StartLoop(SoundId id, MusicPath path)
{
    plat::SoundSegment& segment = m_segments[id];
    m_musicPaths[path].StopAll();
    return segment.SetLoopPoints(0, 0) && m_musicPaths[path].Play(segment, true) != 0;
}

bool TsAudio::StartLevelMusic()
{
    if (!m_device.IsOpen())
        return false;
    // Playing a layer that never loaded would leave the level silent with
    // no word of why.
    for (SoundId id = AID_BED_MUSIC; id <= (m_layering ? AID_ACT_MUSIC : AID_AMB_MUSIC); ++id) {
        if (!m_segments[id].IsLoaded()) {
            LogErrorF("TsAudio: level music %d (%s) is not loaded", id, FileOf(id));
            return false;
        }
    }
    bool ok = StartLoop(AID_BED_MUSIC, kBedPath);
    ok = StartLoop(AID_AMB_MUSIC, kPassivePath) && ok;
    if (m_layering) {
        m_musicPaths[kCombatPath].SetVolume(kSilent);
        ok = StartLoop(AID_ACT_MUSIC, kCombatPath) && ok;
    }
    return ok;
}

bool TsAudio::StartFrontEndAudio()
{
    m_layering = false;
    RunScript("LoadFrontEndSounds()");
    if (!m_segments[AID_FRONTEND_MUSIC].IsLoaded())
        return false;
    m_musicPaths[kFrontEndPath].StopAll();
    return m_musicPaths[kFrontEndPath].Play(m_segments[AID_FRONTEND_MUSIC], true) != 0;
}

void TsAudio::StopAllVoices()
{
    for (uint32_t i = 0; i < m_voices.GetCount(); ++i)
        m_voicePaths[i].Stop(m_voices[i].handle);
    m_voices.RemoveAll();
}

bool TsAudio::UnloadAllSounds()
{
    for (MusicPath path : {kBedPath, kCombatPath, kPassivePath, kFrontEndPath})
        m_musicPaths[path].StopAll();
    m_dialoguePath.StopAll();
    m_device.StopAll();
    for (SoundId id = NUM_OF_SOUNDS - 1; id >= 0; --id) {
        m_segments[id].Unload();
        m_loadFlags[id] = false;
    }
    return true;
}

bool TsAudio::StopAll()
{
    if (!m_device.IsOpen())
        return false;
    StopAllVoices();
    StopDialogue();
    UnloadAllSounds();
    return true;
}

bool TsAudio::StopDialogueAndUnload()
{
    StopDialogue();
    return UnloadAllSounds();
}

uint32_t TsPlaySoundAt(int32_t sound, const OmVector3& at)
{
    TsAudio* audio = IsSoundId(sound) ? TsAccess::Audio() : nullptr;
    return audio ? audio->PlaySound(SoundId(sound), at.x, at.y, at.z, false) : 0;
}

uint32_t TsPlayFlatSound(int32_t sound) { return TsPlaySoundAt(sound, OmVector3(0.0f, 0.0f, 0.0f)); }
