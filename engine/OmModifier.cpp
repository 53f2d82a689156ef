#include "engine/OmModifier.h"

#include "engine/OmArchive.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_ABSTRACT_CLASS(OmModifier, OmNode)

bool OmModifier::Register(OmArchive& archive)
{
    if (!OmNode::Register(archive))
        return false;
    for (const OmVoidChain::Link* link = m_targets.GetFirst(); link && link->value; link = link->next)
        OmVoidChain::ValueAt<OmNode>(link)->Register(archive);
    return true;
}

void OmModifier::Write(OmArchive& archive)
{
    OmNode::Write(archive);
    archive.WriteBool(m_enabled != 0);
    archive.WriteVector(m_range.centre).WriteFloat(m_range.radius);
    uint32_t count = 0;
    for (const OmVoidChain::Link* link = m_targets.GetFirst(); link && link->value; link = link->next)
        ++count;
    archive.WriteU32(count);
    for (const OmVoidChain::Link* link = m_targets.GetFirst(); link && link->value; link = link->next)
        archive.WriteObjectRef(OmVoidChain::ValueAt<OmNode>(link));
}

void OmModifier::Read(OmArchive& archive)
{
    OmNode::Read(archive);
    bool enabled = false;
    uint32_t count = 0;
    archive.ReadBool(enabled).ReadVector(m_range.centre).ReadFloat(m_range.radius).ReadU32(count);
    m_enabled = enabled ? 1 : 0;
    // Each target takes at least one word: a count beyond the file is corrupt.
    if (!archive.HasFailed() && !archive.CanRead(uint64_t(count) * 4))
        return archive.Fail("modifier with more targets than the file holds");
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        OmNode* target = nullptr;
        archive.ReadRef(target);
        AddTarget(target);
    }
}

void OmModifier::Update(float time)
{
    OmNode::Update(time);
    if (!m_enabled)
        return;
    for (const OmVoidChain::Link* link = m_targets.GetFirst(); link && link->value; link = link->next)
        OmVoidChain::ValueAt<OmNode>(link)->AddModifier(this);
}

void OmSwitchLights(OmRenderer& renderer, int kind, const OmVoidChain& list, bool on)
{
    if (on)
        renderer.AddLights(kind, list);
    else
        renderer.RemoveLights(kind, list);
}
