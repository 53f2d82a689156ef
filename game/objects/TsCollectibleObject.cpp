#include "game/objects/TsCollectibleObject.h"

#include <algorithm>

#include "engine/OmArchive.h"
#include "engine/OmBaseSprite.h"
#include "engine/OmNode.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsCharacterObject.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsCollectibleObject, TsModel)

TsCollectibleObject::TsCollectibleObject()
{
    SetFlag(TS_ENTITY_COLLECTIBLE);
}

bool TsCollectibleObject::Register(OmArchive& archive)
{
    if (!TsModel::Register(archive))
        return false;
    if (m_owner)
        m_owner->Register(archive);
    return true;
}

void TsCollectibleObject::Write(OmArchive& archive)
{
    TsModel::Write(archive);
    m_templateName.Write(archive);
    archive.WriteObjectRef(m_owner).WriteI32(m_pickupDelay);
    archive.WriteU32(m_canEquip).WriteU32(m_canDrop).WriteU32(m_forSale).WriteFloat(m_value);
}

void TsCollectibleObject::Read(OmArchive& archive)
{
    TsModel::Read(archive);
    m_templateName.Read(archive);
    ReadLink(archive, m_owner).ReadI32(m_pickupDelay);
    bool canEquip = false, canDrop = false, forSale = false;
    archive.ReadBool(canEquip).ReadBool(canDrop).ReadBool(forSale).ReadFloat(m_value);
    m_canEquip = canEquip ? 1 : 0;
    m_canDrop = canDrop ? 1 : 0;
    m_forSale = forSale ? 1 : 0;
}

bool TsCollectibleObject::LoadResources()
{
    const bool icon = LoadSprite(kIconFolder);
    const bool model = LoadModel(kModelFolder);
    return icon && model;
}

bool TsCollectibleObject::Import()
{
    return LoadResources();
}

bool TsCollectibleObject::Initialise()
{
    return LoadResources();
}

void TsCollectibleObject::Tick(uint32_t tickCount)
{
    TsModel::Tick(tickCount);
    if (m_pickupDelay > 0)
        SetPickupDelay(m_pickupDelay - 1);
}

void TsCollectibleObject::OnTouch(TsEntity* other, float)
{
    if (other && other == m_owner)
        m_pickupDelay = TsAccess::TicksPerSecond();
}

void TsCollectibleObject::SetOwner(TsEntity* owner)
{
    m_owner = owner;
    m_pickupDelay = 0;
}

void TsCollectibleObject::HoldFor(TsEntity* holder, int32_t ticks)
{
    m_owner = ticks > 0 ? holder : nullptr;
    m_pickupDelay = std::max(ticks, 0);
}

void TsCollectibleObject::SetPickupDelay(int32_t ticks)
{
    if (ticks < 1 && m_pickupDelay > 0)
        m_owner = nullptr;
    m_pickupDelay = std::max(ticks, 0);
}

TsCharacterObject* TsCollectibleObject::GetOwner() const
{
    return TsCharacterObject::Cast(m_owner);
}

bool TsCollectibleObject::RunTemplate()
{
    if (m_templateName.IsEmpty())
        return false;
    return TsScriptHost::RunTemplate(TsAccess::LuaState(), m_templateName.Get(), this);
}

void TsCollectibleObject::CopyFromTemplate(TsCollectibleObject* source)
{
    if (!source)
        return;
    const char* name = source->GetTemplate();
    // The copy is made from the same template, so it can be copied in turn.
    if (m_templateName.IsEmpty())
        m_templateName.Set(name);
    if (!name || !TsScriptHost::RunTemplate(TsAccess::LuaState(), name, this))
        LogErrorF("error running template %s during item creation", name ? name : "");
    // The copy shows the template's model without loading it again, in
    // nodes of its own: a node has one parent, so a shared one would hang
    // from whichever hand took it last. Its icon is the template's icon
    // file, loaded for it.
    if (source->GetModel() && source->GetModel() != GetModel())
        CopyModelOf(*source);
    if (source->GetSprite() && !GetSprite()) {
        SetSpriteName(source->GetSpriteName());
        LoadSprite(kIconFolder);
    }
}

