// Building a world from a level's scene file: the scene is loaded into a
// temporary tree, its box measured, and the world importer dices it.
#include "engine/OmRef.h"
#include "game/world/TsWorld.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>

#include "engine/OmGroup.h"
#include "engine/OmMesh.h"
#include "engine/OmRenderer.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmShape.h"
#include "game/framework/TsLog.h"
#include "game/world/TsWorldImporter.h"

namespace {

// A world this flat gets a little height, so its cells' boxes have a Y
// extent to quantise over.
constexpr float kMinHeight = 0.01f;
constexpr float kFlatPadding = 0.5f;

// The box of every mesh vertex under the group, each through its shape's
// world transform (the same transform the importer dices with).
void GrowBounds(OmGroup* group, OmVector3& min, OmVector3& max)
{
    OmGroup::Visit visit(*group);
    if (visit.Refused())
        return;
    for (int32_t i = 0; i < group->GetChildCount(); ++i) {
        OmNode* child = group->GetChild(uint32_t(i));
        if (OmGroup* inner = OmGroup::Cast(child)) {
            GrowBounds(inner, min, max);
            continue;
        }
        OmShape* shape = OmShape::Cast(child);
        OmMesh* mesh = shape ? OmMesh::Cast(shape->GetGeometry()) : nullptr;
        if (!mesh)
            continue;
        for (uint32_t v = 0; v < mesh->vertices.GetCount(); ++v) {
            const OmVector3 p = shape->GetWorldPosition() +
                                shape->GetWorldRotation().Transform(mesh->vertices[v].position) * shape->GetWorldScale();
            // A place that is not finite (a damaged scene) is left out, as
            // the importer leaves its triangles out.
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                continue;
            min.Set(std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z));
            max.Set(std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z));
        }
    }
}

// The folder part of a path, separator included ("" for a bare name).
std::string FolderOf(const char* path)
{
    const std::string text = path;
    const size_t cut = text.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : text.substr(0, cut + 1);
}

} // namespace

bool TsWorld::ImportWorld(const char* scenePath, const char* dynObjFolder, const TsWorldImportSettings& settings)
{
    const auto group = OmMakeRef<OmGroup>();
    OmSceneImporter sceneImporter;
    const std::string folder = scenePath ? FolderOf(scenePath) : std::string();
    if (!scenePath || !sceneImporter.SetTextureDirectory((folder + "textures\\").c_str()) ||
        !sceneImporter.Load(scenePath, group)) {
        LogInfoF("TsWorld::ImportWorld - Invalid world pbf path - '%s'", scenePath ? scenePath : "");
        return false;
    }
    group->Update(0.0f);
    OmVector3 min(FLT_MAX, FLT_MAX, FLT_MAX), max(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    GrowBounds(group, min, max);
    if (!(min.x <= max.x)) {
        // No mesh at all: an empty world.
        min.SetAll(0.0f);
        max.SetAll(0.0f);
    }
    if (!(max.y - min.y >= kMinHeight)) {
        min.y -= kFlatPadding;
        max.y += kFlatPadding;
    }
    SetWorldBounds(min, max);
    {
        TsWorldImporter importer(*this, group, min, max, settings.cellEdge, settings.vertexColours);
        importer.Run(group, OmRenderer::Current());
        const std::string dynObj = std::string(dynObjFolder ? dynObjFolder : "") + "dynobj.lua";
        if (!importer.WriteDynamicObjects(dynObj.c_str()))
            LogErrorF("TsWorld::ImportWorld - could not write %s", dynObj.c_str());
    }
    return true;
}
