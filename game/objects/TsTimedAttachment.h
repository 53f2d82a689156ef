// A node a figure shows on one of its bones for a number of ticks, then
// puts away: the tongue of the one figure that strikes with it. It keeps
// its own reference to the node throughout; the node is hidden until shown.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"

class OmGroup;
class OmNode;
class OmSkinShape;

class TsTimedAttachment {
public:
    // The node to show, adopted.
    void Adopt(OmGroup* adopted);
    bool IsLoaded() const { return m_node != nullptr; }
    // Shown on the node the shape keeps for a bone, for a number of ticks;
    // a shape without that bone shows nothing. Only a loaded attachment is
    // shown.
    void Show(OmSkinShape* shape, int32_t bone, int32_t ticks);
    // Counts the ticks down and puts the node away when they run out.
    void Tick();
    // Put away and let go.
    void Release();

private:
    void Hide();

    OmRef<OmNode> m_node;
    int32_t m_ticks = 0;
};
