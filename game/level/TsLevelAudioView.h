// The level as the audio watches it each tick: the current character, the
// hostiles on its neighbour list and the player's squad, for the combat
// music and the squad's enemy-spotted barks.
#pragma once

#include "game/framework/TsAudio.h"

class TsCharacterObject;
class TsLevel;

class TsLevelAudioView final : public TsAudioLevelView {
public:
    explicit TsLevelAudioView(const TsLevel& level) : m_level(level) {}

    float GameTime() const override;
    bool IsInNormalState() const override;
    bool GetCurrentCharacter(TsAudioCharacter& out) const override;
    int CountHostilesNear(float range) const override;
    int SquadSize() const override;
    bool GetSquadMember(int index, TsAudioCharacter& out) const override;

    static void Describe(const TsCharacterObject& character, TsAudioCharacter& out);

private:
    const TsLevel& m_level;
};
