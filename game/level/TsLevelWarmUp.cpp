// What a fight draws for the first time - characters flashing from a hit or
// fading once fallen, a move order's marker - is drawn once as the level
// loads, into a frame that is cleared and never shown: the device and its
// driver build those drawing states (programs, shader variants) now, so
// that the fight's own frames allocate nothing.
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPCObject.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"
#include "ui/TsHUDe.h"

void TsLevel::WarmUpFightDrawing()
{
    OmD3D* renderer = OmD3D::Instance();
    const float now = TsAccess::GameTime();
    if (!renderer || !entityDB_ || !renderer->BeginScene(now)) {
        return;
    }
    OmD3DBatch& batch = renderer->GetBatch();
    batch.Begin(0);
    for (OmList::Node* node = entityDB_->GetCharacters().GetFirst(); node; node = node->next) {
        if (auto* character = TsCharacterObject::Cast(static_cast<OmObject*>(node->value))) {
            character->DrawFightLooks(now);
        }
    }
    batch.Flush();
    renderer->FlushAlphaQueue();
    // A move order's destination marker: the party's first one is given in
    // the fight, or by the player's first click.
    if (const TsEntity* character = TsAccess::CurrentCharacter(); character && hud_) {
        hud_->DrawDestinationMarkerAt(character->GetPosition());
    }
    renderer->EndScene();
    renderer->Clear(nullptr, 0);
}
