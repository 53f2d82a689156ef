// The door shape the door tests share: a slab two units wide along the
// model's Z, three high, a quarter thick, scanned into the door's geometry.
#pragma once

#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "engine/OmShape.h"
#include "game/objects/TsDynGeometry.h"

inline void ScanSlab(TsDynGeometry& geometry)
{
    auto* mesh = new OmMesh;
    for (float x : {-0.125f, 0.125f})
        for (float y : {0.0f, 3.0f})
            for (float z : {-1.0f, 1.0f}) {
                OmMeshVertex v;
                v.position = OmVector3(x, y, z);
                mesh->vertices.Add(v);
            }
    auto shape = OmMakeRef<OmShape>();
    shape->SetGeometry(mesh);
    mesh->Release();
    geometry.ScanModelNodes(shape);
}
