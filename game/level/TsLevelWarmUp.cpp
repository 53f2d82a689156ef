// What a fight draws for the first time - characters flashing from a hit or
// fading once fallen, a move order's marker, a target's bars, the game-over
// fade - is drawn as the level loads, in a frame that is cleared and never
// shown: the device and its driver build those drawing states (programs,
// shader variants) now, so that the fight's own frames allocate nothing.
// A drawing state takes over what the draws before it left, so the fight's
// looks are drawn where a frame draws them, in a second frame after one
// drawn as play draws it.
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "render/OmD3D.h"
#include "ui/TsHUDe.h"

void TsLevel::WarmUpFightDrawing()
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer || !m_entityDB || !m_hud) {
        return;
    }
    const float now = TsAccess::GameTime();
    const OmList::Node* first = m_entityDB->GetCharacters().GetFirst();
    m_hud->SetRehearsedTarget(first ? TsCharacterObject::Cast(OmList::ValueAt<OmObject>(first)) : nullptr);
    m_warmingUp = true;
    DrawFrame(now, 0.0f);
    m_rehearsingFight = true;
    DrawFrame(now, 0.0f);
    m_rehearsingFight = false;
    m_warmingUp = false;
    m_hud->SetRehearsedTarget(nullptr);
    renderer->ClearQueuedText();
    renderer->Clear(nullptr, 0);
}

void TsLevel::RehearseCharacterLooks(float renderTime)
{
    for (OmList::Node* node = m_entityDB->GetCharacters().GetFirst(); node; node = node->next) {
        if (auto* character = TsCharacterObject::Cast(OmList::ValueAt<OmObject>(node))) {
            character->DrawFightLooks(renderTime);
        }
    }
}

// A move order's destination marker: the party's first one is given in the
// fight, or by the player's first click.
void TsLevel::RehearseDestinationMarker()
{
    if (const TsEntity* character = TsAccess::CurrentCharacter()) {
        m_hud->DrawDestinationMarkerAt(character->GetPosition());
    }
}
