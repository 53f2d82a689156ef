// The liquid surfaces the importer fills. Drawing and the effects are in
// TsWorldDrawing.cpp.
#include "game/world/TsWorld.h"

#include <cstring>

#include "engine/OmMesh.h"
#include "engine/OmVector4.h"
#include "game/framework/TsLog.h"
#include "game/world/TsWorldCell.h"

namespace {

TsLiquidVertex LiquidVertex(const TsLiquid& liquid, const OmMeshVertex& in, bool still)
{
    TsLiquidVertex vertex;
    vertex.x = in.position.x - liquid.origin.x;
    vertex.y = in.position.y - liquid.origin.y;
    vertex.z = in.position.z - liquid.origin.z;
    vertex.u = in.uv0[0];
    vertex.v = in.uv0[1];
    vertex.colour = OmPackColour(in.colour);
    vertex.still = still ? 1 : 0;
    return vertex;
}

bool SameVertex(const TsLiquidVertex& a, const TsLiquidVertex& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.colour == b.colour && a.u == b.u && a.v == b.v;
}

// How many vertices the triangle would add: corners that neither the
// surface nor an earlier corner already has.
uint32_t FreshVertices(const TsLiquid& liquid, const TsLiquidVertex (&corners)[3])
{
    uint32_t fresh = 0;
    for (int c = 0; c < 3; ++c) {
        bool known = false;
        for (int earlier = 0; earlier < c && !known; ++earlier)
            known = SameVertex(corners[earlier], corners[c]);
        for (uint32_t i = 0; i < liquid.vertices.GetCount() && !known; ++i)
            known = SameVertex(liquid.vertices[i], corners[c]);
        fresh += known ? 0 : 1;
    }
    return fresh;
}

} // namespace

// Colours are stored as given: drawing brightens them on devices that cannot
// double texture colours, so a saved world never compounds the brightening.
bool TsWorld::AddLiquidTriangle(TsLiquid& liquid, const OmMeshVertex* corners[3], const bool still[3])
{
    TsLiquidVertex vertices[3];
    for (int c = 0; c < 3; ++c)
        vertices[c] = LiquidVertex(liquid, *corners[c], still[c]);
    // Only near the limit are the new vertices worth counting.
    const uint32_t count = liquid.vertices.GetCount(), indices = 3 * liquid.triangles.GetCount();
    if (!TsLiquid::kLimits.Admits(count, 3, indices) &&
        !TsLiquid::kLimits.Admits(count, FreshVertices(liquid, vertices), indices))
        return false;
    TsLiquidTriangle triangle;
    for (int c = 0; c < 3; ++c) {
        TsLiquidVertex& vertex = vertices[c];
        int32_t reuse = -1;
        for (uint32_t i = 0; i < liquid.vertices.GetCount(); ++i) {
            TsLiquidVertex& old = liquid.vertices[i];
            if (old.x != vertex.x || old.y != vertex.y || old.z != vertex.z)
                continue;
            old.still = vertex.still = old.still | vertex.still;
            if (reuse < 0 && SameVertex(old, vertex))
                reuse = int32_t(i);
        }
        if (reuse < 0) {
            reuse = int32_t(liquid.vertices.GetCount());
            liquid.vertices.Add(vertex);
        }
        triangle.index[c] = uint16_t(reuse);
    }
    liquid.triangles.Add(triangle);
    return true;
}
