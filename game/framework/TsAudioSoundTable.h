// The fixed table of the game's sounds: one record per SoundId, naming the
// WAV file (relative to the game folder) that the id loads. Which of them a
// level or the front end loads is up to its scripts.
#pragma once

#include <cstdint>

using SoundId = int32_t;

constexpr SoundId AID_NOSOUND = -1;
constexpr SoundId AID_FRONTEND_MUSIC = 0;
constexpr SoundId AID_BED_MUSIC = 1;     // level music: the bed that always plays
constexpr SoundId AID_AMB_MUSIC = 2;     // the passive layer
constexpr SoundId AID_ACT_MUSIC = 3;     // the combat layer
constexpr SoundId AID_FIRST_SOUND = 4;   // the first id that is an effect rather than music
constexpr SoundId AID_FACTORY_ALARM = 239;
constexpr int NUM_OF_SOUNDS = 240;

struct TsAudioSoundRecord {
    SoundId id;       // equal to the record's index
    const char* path; // empty: no file
};

extern const TsAudioSoundRecord TsAudioSoundTable[NUM_OF_SOUNDS];

// Ids 0 to 239 address the table; anything else (AID_NOSOUND included) does not.
constexpr bool IsSoundId(int id)
{
    return id >= 0 && id < NUM_OF_SOUNDS;
}
