// What a fight draws for the first time - characters flashing from a hit or
// fading once fallen - is drawn once as the level loads, into a frame that
// is cleared and never shown: the device and its driver build those drawing
// states (programs, shader variants) now, so that the fight's own frames
// allocate nothing.
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "render/OmD3D.h"
#include "render/OmD3DBatch.h"

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
    renderer->EndScene();
    renderer->Clear(nullptr, 0);
}
