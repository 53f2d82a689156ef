// The environment archive (.tsw): the world saved as the root of an object
// archive, with the renderer's materials and textures travelling along.
#include "game/world/TsWorld.h"

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmMaxLight.h"
#include "engine/OmRenderer.h"
#include "engine/OmShape.h"
#include "game/framework/TsLog.h"

namespace {

// The application numbers the classes at start-up; tools that save or load
// a world without one need the same numbering.
void UseRenderer(OmArchive& archive)
{
    OmClassRegistry::Instance().AssignClassIds();
    if (OmRenderer* renderer = OmRenderer::Current())
        archive.SetResourceOwner(&renderer->GetResourceOwner());
}

} // namespace

bool TsWorld::SaveWorld(const char* path)
{
    OmArchive archive(OmClassRegistry::Instance());
    UseRenderer(archive);
    archive.AddRoot(this);
    if (!path || !archive.SaveReplacing(path)) {
        LogErrorF("TsWorld::SaveWorld - could not write %s", path ? path : "(no path)");
        return false;
    }
    return true;
}

TsWorld* TsWorld::LoadWorld(const char* path)
{
    OmArchive archive(OmClassRegistry::Instance());
    UseRenderer(archive);
    // What a world holds: its lights and its effects' nodes, the shapes
    // whose geometry the import took away. A file holding anything else
    // (a level, say) is no world file, and is refused unread.
    archive.HoldOnly({&TsWorld::s_class, &OmMaxLight::s_class, &OmShape::s_class});
    if (!path || !archive.Load(path)) {
        LogErrorF("TsWorld::LoadWorld - could not load %s", path ? path : "(no path)");
        return nullptr;
    }
    // A world in the file is its only root (the world's reading sees to
    // that); a file whose first root is not one holds no world at all.
    TsWorld* world = TsWorld::Cast(archive.GetRoot(0));
    if (!world) {
        LogErrorF("TsWorld::LoadWorld - the first root of %s is not a world", path);
        archive.RefuseLoad();
        return nullptr;
    }
    // Nothing in a level file refers to its world, so the one reference is
    // the caller's whatever count the file gave it (a larger count would
    // keep the world alive for ever, a zero one end it at once).
    if (world->GetRefCount() != 1) {
        LogErrorF("TsWorld::LoadWorld - the world in %s is counted %u times; it is held once", path,
                  world->GetRefCount());
        world->m_refCount = 1;
    }
    return world;
}
