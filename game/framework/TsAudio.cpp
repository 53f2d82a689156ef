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
    voices_.Reserve(kVoiceCount); // voices come and go every tick without allocating
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
    if (!device_.Open(error)) {
        LogErrorF("TsAudio: could not open the sound device: %s", error.c_str());
        return false;
    }
    if (!CreatePaths()) {
        // Half an audio object would play some sounds and drop others; all
        // or nothing keeps the failure plain.
        ReleaseAll();
        return false;
    }
    device_.SetListener(ToSound(listenerPosition_), ToSound(listenerFront_), {0.0f, 1.0f, 0.0f});
    return true;
}

bool TsAudio::CreatePaths()
{
    std::string error;
    bool ok = true;
    for (plat::SoundPath& path : musicPaths_)
        ok = ok && path.Create(device_, plat::SoundPathKind::Direct, 1, error);
    ok = ok && dialoguePath_.Create(device_, plat::SoundPathKind::Direct, 1, error);
    ok = ok && effectsPath_.Create(device_, plat::SoundPathKind::Direct, kEffectChannels, error);
    for (plat::SoundPath& path : voicePaths_)
        ok = ok && path.Create(device_, plat::SoundPathKind::Positional, 1, error);
    if (!ok)
        LogErrorF("TsAudio: could not make the sound paths: %s", error.c_str());
    return ok;
}

// Segments and paths hold the device open; all of them go before it closes.
void TsAudio::ReleaseAll()
{
    voices_.RemoveAll();
    dialogueHandle_ = 0;
    dialogue_.Unload();
    for (plat::SoundSegment& segment : segments_)
        segment.Unload();
    for (plat::SoundPath& path : voicePaths_)
        path.Destroy();
    for (plat::SoundPath& path : musicPaths_)
        path.Destroy();
    dialoguePath_.Destroy();
    effectsPath_.Destroy();
    device_.Close();
}

const char* TsAudio::FileOf(SoundId id) const
{
    if (id >= AID_BED_MUSIC && id <= AID_ACT_MUSIC)
        return levelMusic_[id - AID_BED_MUSIC];
    return TsAudioSoundTable[id].path;
}

float TsAudio::DistanceSquared(float x, float y, float z) const
{
    const float dx = x - listenerPosition_.x;
    const float dy = y - listenerPosition_.y;
    const float dz = z - listenerPosition_.z;
    return dx * dx + dy * dy + dz * dz;
}

uint32_t TsAudio::PlaySound(SoundId id, float x, float y, float z, bool loop)
{
    if (id < AID_FIRST_SOUND || id >= NUM_OF_SOUNDS || !segments_[id].IsLoaded())
        return 0;
    if (x == 0.0f && y == 0.0f && z == 0.0f) {
        flatPlay_ = effectsPath_.Play(segments_[id], false);
        return flatPlay_ != 0 ? 1 : 0;
    }

    const float distanceSquared = DistanceSquared(x, y, z);
    if (voices_.GetCount() >= kVoiceCount && !FreeFarthestVoice(distanceSquared))
        return 0;
    const uint32_t n = voices_.GetCount();
    plat::SoundPath& path = voicePaths_[n];
    // Heard there from the tick's commit, with the listener of that tick.
    path.SetPosition({x, y, z}, plat::SoundApply::Deferred);
    const uint32_t handle = path.Play(segments_[id], loop);
    if (handle == 0)
        return 0;
    voices_.Add(Voice{handle, distanceSquared});
    return handle;
}

// All voices are busy: the farthest one-shot gives way to a nearer sound.
bool TsAudio::FreeFarthestVoice(float distanceSquared)
{
    uint32_t farthest = 0;
    for (uint32_t i = 1; i < voices_.GetCount(); ++i) {
        if (voices_[i].distanceSquared > voices_[farthest].distanceSquared)
            farthest = i;
    }
    if (distanceSquared >= voices_[farthest].distanceSquared)
        return false;
    bool looping = false;
    if (!voicePaths_[farthest].GetLooping(voices_[farthest].handle, looping) || looping)
        return false;
    voicePaths_[farthest].Stop(voices_[farthest].handle);
    voices_[farthest].handle = 0;
    CompactVoices();
    return true;
}

// Live records move down over removed ones (handle 0), taking their paths
// with them, so record i always plays on path i.
void TsAudio::CompactVoices()
{
    uint32_t live = 0;
    for (uint32_t i = 0; i < voices_.GetCount(); ++i) {
        if (voices_[i].handle == 0)
            continue;
        if (i != live) {
            voices_[live] = voices_[i];
            std::swap(voicePaths_[live], voicePaths_[i]);
        }
        ++live;
    }
    voices_.Resize(live);
}

bool TsAudio::StopSound(uint32_t* handle)
{
    if (!handle)
        return false;
    const uint32_t wanted = std::exchange(*handle, 0u);
    if (wanted == 0)
        return false;
    for (uint32_t i = 0; i < voices_.GetCount(); ++i) {
        if (voices_[i].handle == wanted) {
            voicePaths_[i].Stop(wanted);
            voices_[i].handle = 0;
            CompactVoices();
            return true;
        }
    }
    return false;
}

bool TsAudio::StopMusicSegment()
{
    const uint32_t play = std::exchange(flatPlay_, 0u);
    return play != 0 && device_.IsOpen() && effectsPath_.Stop(play);
}

bool TsAudio::UpdateSoundPosition(uint32_t* handle, float x, float y, float z)
{
    if (!handle || *handle == 0)
        return false;
    for (uint32_t i = 0; i < voices_.GetCount(); ++i) {
        if (voices_[i].handle != *handle || !Differs(voicePaths_[i].Position(), x, y, z))
            continue;
        // A sound on top of the listener would jump from ear to ear as
        // either moves; it is heard as coming from the listener instead.
        if (DistanceSquared(x, y, z) <= kNearListener)
            voicePaths_[i].SetPosition(ToSound(listenerPosition_), plat::SoundApply::Deferred);
        else
            voicePaths_[i].SetPosition({x, y, z}, plat::SoundApply::Deferred);
        return true;
    }
    return false;
}

bool TsAudio::IsSoundLoaded(SoundId id) const
{
    return IsSoundId(id) && segments_[id].IsLoaded();
}

bool TsAudio::IsSoundPlaying(SoundId id) const
{
    return IsSoundLoaded(id) && device_.IsPlaying(segments_[id]);
}

bool TsAudio::LoadWavFromFile(SoundId id)
{
    if (!IsSoundId(id)) {
        LogErrorF("TsAudio: sound id %d is not 0-%d", id, NUM_OF_SOUNDS - 1);
        return false;
    }
    if (!device_.IsOpen() || segments_[id].IsLoaded())
        return false;
    const char* file = FileOf(id);
    if (!file || !*file)
        return false;
    std::string error;
    if (!segments_[id].Load(device_, file, error)) {
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
    loadFlags_[id] = true;
}

bool TsAudio::PlayDialogue(const char* name, bool play)
{
    StopDialogue();
    if (!device_.IsOpen() || !name)
        return false;
    char path[512];
    std::snprintf(path, sizeof path, "data\\audio\\dialogue\\%s", name);
    std::string error;
    if (!dialogue_.Load(device_, path, error)) {
        LogErrorF("TsAudio: Couldn't load dialogue file %s", path);
        return false;
    }
    if (!play)
        return true;
    dialogueHandle_ = dialoguePath_.Play(dialogue_, false);
    return dialogueHandle_ != 0;
}

bool TsAudio::StopDialogue()
{
    if (!dialogue_.IsLoaded())
        return false;
    dialoguePath_.Stop(dialogueHandle_);
    dialogueHandle_ = 0;
    dialogue_.Unload();
    return true;
}

// Nothing held is nothing playing: a caller waiting for the line to end
// must not wait for a line that never started.
bool TsAudio::IsDialoguePlaying() const
{
    return dialogue_.IsLoaded() && dialogueHandle_ != 0 && dialoguePath_.IsPlaying(dialogueHandle_);
}

int TsAudio::MusicLevel() const
{
    return Level(musicVolume_, kMusicHeadroom);
}

void TsAudio::SetVolumes(int effects, int music, int dialogue)
{
    if (!InVolumeRange(effects) || !InVolumeRange(music) || !InVolumeRange(dialogue))
        return;
    effectsVolume_ = effects;
    musicVolume_ = music;
    dialogueVolume_ = dialogue;
    const int effectsLevel = Level(effects, kEffectsHeadroom);
    const int musicLevel = MusicLevel();
    effectsPath_.SetVolume(effectsLevel);
    for (plat::SoundPath& path : voicePaths_)
        path.SetVolume(effectsLevel);
    musicPaths_[kFrontEndPath].SetVolume(musicLevel);
    musicPaths_[kBedPath].SetVolume(musicLevel);
    if (layering_ && combat_) {
        for (MusicPath layer : {kPassivePath, kCombatPath}) {
            if (musicPaths_[layer].Volume() > musicLevel)
                musicPaths_[layer].SetVolume(musicLevel);
        }
    } else {
        musicPaths_[kPassivePath].SetVolume(musicLevel);
        musicPaths_[kCombatPath].SetVolume(kSilent);
    }
    dialoguePath_.SetVolume(Level(dialogue, kDialogueHeadroom));
}

void TsAudio::GetVolumes(int& effects, int& music, int& dialogue) const
{
    effects = effectsVolume_;
    music = musicVolume_;
    dialogue = dialogueVolume_;
}

void TsAudio::Tick(const OmVector3& position, const OmVector3& front, const OmVector3& top,
                   const TsAudioLevelView* level)
{
    listenerPosition_ = position;
    listenerFront_ = front;
    device_.SetListener(ToSound(position), ToSound(front), ToSound(top), plat::SoundApply::Deferred);
    device_.CommitDeferredSettings();
    if (!level) {
        LogInfoOnce(reportedNoView_, "TsAudio::Tick: no level to watch; combat music and barks are off");
        return;
    }
    const float now = level->GameTime();
    // A quiet spell ends the combat music; near hostiles start it again at
    // once, with a fresh bark.
    if (now - lastAlert_ > kAlertHoldSeconds) {
        combat_ = false;
        lastAlert_ = now;
    }
    if (level->IsInNormalState())
        ListenForHostiles(*level, now);
}

void TsAudio::ListenForHostiles(const TsAudioLevelView& level, float now)
{
    TsAudioCharacter current;
    if (!level.GetCurrentCharacter(current) || level.CountHostilesNear(kAlertRange) <= 0)
        return;
    if (!combat_ && level.SquadSize() > 1)
        Bark(level, current);
    combat_ = true;
    lastAlert_ = now;
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
    for (uint32_t i = 0; i < voices_.GetCount(); ++i) {
        const uint32_t handle = voices_[i].handle;
        if (voicePaths_[i].IsPlaying(handle))
            continue;
        // A play its path no longer knows was stopped under us; it can
        // never finish on its own, so it is reclaimed too.
        bool looping = false;
        if (!voicePaths_[i].GetLooping(handle, looping) || !looping) {
            voicePaths_[i].Stop(handle);
            voices_[i].handle = 0;
            removed = true;
        }
    }
    if (removed)
        CompactVoices();
    if (layering_)
        FadeLayers();
    return true;
}

// Combat brings its layer in fast and lets the passive one go slowly; peace
// does the reverse.
void TsAudio::FadeLayers()
{
    const int musicLevel = MusicLevel();
    plat::SoundPath& passive = musicPaths_[kPassivePath];
    plat::SoundPath& combat = musicPaths_[kCombatPath];
    if (combat_) {
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
    device_.StopAll();
    layering_ = true;
    for (SoundId id = AID_BED_MUSIC; id <= AID_ACT_MUSIC; ++id) {
        loadFlags_[id] = true;
        levelMusic_[id - AID_BED_MUSIC] = kLevelMusicFiles[id - AID_BED_MUSIC];
    }
    // Quiet places have no combat music.
    if (musicName && (std::strcmp(musicName, "Halcyon") == 0 || std::strcmp(musicName, "Town") == 0)) {
        loadFlags_[AID_ACT_MUSIC] = false;
        layering_ = false;
    }
    for (SoundId id = 0; id < NUM_OF_SOUNDS; ++id) {
        segments_[id].Unload();
        if (loadFlags_[id] && *FileOf(id))
            LoadWavFromFile(id);
    }
    RunScript("LoadInGameSounds()");
    combat_ = false;
    lastAlert_ = 0.0f;
    return true;
}

// Loops a whole music segment on its path from the start.
bool TsAudio::StartLoop(SoundId id, MusicPath path)
{
    plat::SoundSegment& segment = segments_[id];
    musicPaths_[path].StopAll();
    return segment.SetLoopPoints(0, 0) && musicPaths_[path].Play(segment, true) != 0;
}

bool TsAudio::StartLevelMusic()
{
    if (!device_.IsOpen())
        return false;
    // Playing a layer that never loaded would leave the level silent with
    // no word of why.
    for (SoundId id = AID_BED_MUSIC; id <= (layering_ ? AID_ACT_MUSIC : AID_AMB_MUSIC); ++id) {
        if (!segments_[id].IsLoaded()) {
            LogErrorF("TsAudio: level music %d (%s) is not loaded", id, FileOf(id));
            return false;
        }
    }
    bool ok = StartLoop(AID_BED_MUSIC, kBedPath);
    ok = StartLoop(AID_AMB_MUSIC, kPassivePath) && ok;
    if (layering_) {
        musicPaths_[kCombatPath].SetVolume(kSilent);
        ok = StartLoop(AID_ACT_MUSIC, kCombatPath) && ok;
    }
    return ok;
}

bool TsAudio::StartFrontEndAudio()
{
    layering_ = false;
    RunScript("LoadFrontEndSounds()");
    if (!segments_[AID_FRONTEND_MUSIC].IsLoaded())
        return false;
    musicPaths_[kFrontEndPath].StopAll();
    return musicPaths_[kFrontEndPath].Play(segments_[AID_FRONTEND_MUSIC], true) != 0;
}

void TsAudio::StopAllVoices()
{
    for (uint32_t i = 0; i < voices_.GetCount(); ++i)
        voicePaths_[i].Stop(voices_[i].handle);
    voices_.RemoveAll();
}

bool TsAudio::UnloadAllSounds()
{
    for (MusicPath path : {kBedPath, kCombatPath, kPassivePath, kFrontEndPath})
        musicPaths_[path].StopAll();
    dialoguePath_.StopAll();
    device_.StopAll();
    for (SoundId id = NUM_OF_SOUNDS - 1; id >= 0; --id) {
        segments_[id].Unload();
        loadFlags_[id] = false;
    }
    return true;
}

bool TsAudio::StopAll()
{
    if (!device_.IsOpen())
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
