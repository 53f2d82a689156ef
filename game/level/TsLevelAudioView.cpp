#include "game/level/TsLevelAudioView.h"

#include "game/framework/TsAccess.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPlayer.h"

float TsLevelAudioView::GameTime() const
{
    return TsAccess::GameTime();
}

bool TsLevelAudioView::IsInNormalState() const
{
    return m_level.GameIsInNormalState();
}

void TsLevelAudioView::Describe(const TsCharacterObject& character, TsAudioCharacter& out)
{
    out.identity = &character;
    out.position = character.GetPosition();
    out.stunned = character.IsStunned();
    const int32_t alert = character.GetSoundSlot(TS_CHARSOUND_ALERT);
    out.alertSound = alert >= 0 ? SoundId(alert) : AID_NOSOUND;
}

bool TsLevelAudioView::GetCurrentCharacter(TsAudioCharacter& out) const
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    const TsPCObject* current = player ? player->GetCurrentCharacter() : nullptr;
    if (!current) {
        return false;
    }
    Describe(*current, out);
    return true;
}

// The neighbour list keeps the separations its last build measured; only
// characters the current one is hostile towards count.
int TsLevelAudioView::CountHostilesNear(float range) const
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    const TsPCObject* current = player ? player->GetCurrentCharacter() : nullptr;
    if (!current) {
        return 0;
    }
    int hostiles = 0;
    const OmArray<TsCharacterObject::Neighbour>& neighbours = current->GetGatheredNeighbours();
    for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
        if (neighbours[i].separation >= range) {
            continue;
        }
        const TsCharacterObject* other = TsCharacterObject::Cast(neighbours[i].entity);
        hostiles += other && current->IsHostileTo(other) ? 1 : 0;
    }
    return hostiles;
}

int TsLevelAudioView::SquadSize() const
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    return player ? player->GetTeamCount() : 0;
}

bool TsLevelAudioView::GetSquadMember(int index, TsAudioCharacter& out) const
{
    const TsPlayer* player = TsAccess::LocalPlayer();
    const TsPCObject* member = player && index < SquadSize() ? player->GetSquadMember(index) : nullptr;
    if (!member) {
        return false;
    }
    Describe(*member, out);
    return true;
}
