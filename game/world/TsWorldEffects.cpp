// The liquid surfaces the importer fills. Drawing and the effects are in
// TsWorldDrawing.cpp.
#include "game/world/TsWorld.h"

#include <cstring>

#include "engine/OmMesh.h"
#include "engine/OmVector4.h"
#include "game/framework/TsLog.h"
#include "game/world/TsWorldCell.h"

// Colours are stored as given: drawing brightens them on devices that cannot
// double texture colours, so a saved world never compounds the brightening.
void TsWorld::AddLiquidTriangle(TsLiquid& liquid, const OmMeshVertex* corners[3], const bool still[3])
{
    TsLiquidTriangle triangle;
    for (int c = 0; c < 3; ++c) {
        const OmMeshVertex& in = *corners[c];
        TsLiquidVertex vertex;
        vertex.x = in.position.x - liquid.origin.x;
        vertex.y = in.position.y - liquid.origin.y;
        vertex.z = in.position.z - liquid.origin.z;
        vertex.u = in.uv0[0];
        vertex.v = in.uv0[1];
        vertex.colour = OmPackColour(in.colour);
        vertex.still = still[c] ? 1 : 0;
        int32_t reuse = -1;
        for (uint32_t i = 0; i < liquid.vertices.GetCount(); ++i) {
            TsLiquidVertex& old = liquid.vertices[i];
            if (old.x != vertex.x || old.y != vertex.y || old.z != vertex.z)
                continue;
            old.still = vertex.still = old.still | vertex.still;
            if (reuse < 0 && old.colour == vertex.colour && old.u == vertex.u && old.v == vertex.v)
                reuse = int32_t(i);
        }
        if (reuse < 0) {
            reuse = int32_t(liquid.vertices.GetCount());
            liquid.vertices.Add(vertex);
        }
        triangle.index[c] = uint16_t(reuse);
    }
    liquid.triangles.Add(triangle);
}
