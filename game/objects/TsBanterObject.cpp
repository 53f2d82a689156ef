#include "game/objects/TsBanterObject.h"

#include "engine/OmAnimationFrames.h"
#include "engine/OmArchive.h"
#include "game/objects/TsBanterBehaviour.h"

OM_IMPLEMENT_CLASS(TsBanterObject, TsNPCObject)

// Someone to talk to, not to fight: usable, never a target.
TsBanterObject::TsBanterObject()
{
    SetFlag(TS_ENTITY_USABLE);
    ClearFlag(TS_ENTITY_TARGETABLE);
    SetAnimationClass(0);
    SetRadius(0.25f);
    SetHeight(1.7f);
}

void TsBanterObject::Write(OmArchive& archive)
{
    TsNPCObject::Write(archive);
    archive.WriteI32(m_banterState);
    m_banterScript.Write(archive);
}

void TsBanterObject::Read(OmArchive& archive)
{
    TsNPCObject::Read(archive);
    archive.ReadI32(m_banterState);
    m_banterScript.Read(archive);
}

bool TsBanterObject::Import()
{
    const bool ok = TsNPCObject::Import();
    SetUpMarker();
    return ok;
}

bool TsBanterObject::Initialise()
{
    const bool ok = TsNPCObject::Initialise();
    SetUpMarker();
    return ok;
}

void TsBanterObject::SetUpMarker()
{
    if (GetSprite()) {
        TsBanterBehaviour::SetUpMarker(GetSprite());
    }
}

void TsBanterObject::Tick(uint32_t tickCount)
{
    TsNPCObject::Tick(tickCount);
    if (GetCurrentAnimation() != TsBanterBehaviour::kIdleAnimation) {
        PlayAnimation(TsBanterBehaviour::kIdleAnimation, OM_PLAY_LOOP, false);
    }
}

void TsBanterObject::Use(TsCharacterObject* user)
{
    TsBanterBehaviour::CallBanter(m_banterScript.Get(), *this, user);
}
