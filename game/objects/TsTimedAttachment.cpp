#include "game/objects/TsTimedAttachment.h"

#include <cassert>

#include "engine/OmGroup.h"
#include "engine/OmSkinShape.h"

void TsTimedAttachment::Adopt(OmGroup* adopted)
{
    m_node.AdoptNew(adopted);
    m_ticks = 0;
}

void TsTimedAttachment::Show(OmSkinShape* shape, int32_t bone, int32_t ticks)
{
    assert(m_node && "only a loaded attachment is shown");
    OmGroup* node = shape ? shape->AttachNodeToBone(bone) : nullptr;
    if (!node)
        return;
    if (m_node->GetParent() != static_cast<OmNode*>(node))
        node->AddChild(m_node);
    m_ticks = ticks;
}

void TsTimedAttachment::Hide()
{
    if (auto* parent = OmGroup::Cast(m_node->GetParent()))
        parent->RemoveChild(m_node);
}

void TsTimedAttachment::Tick()
{
    if (m_node && m_ticks > 0 && --m_ticks == 0)
        Hide();
}

void TsTimedAttachment::Release()
{
    if (m_node) {
        Hide();
        m_node = nullptr;
    }
}
