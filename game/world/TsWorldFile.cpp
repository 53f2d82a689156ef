// The environment archive (.tsw): the world saved as the root of an object
// archive, with the renderer's materials and textures travelling along.
#include "game/world/TsWorld.h"

#include <algorithm>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRenderer.h"
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

// Each root gives back the references the file gave it as a root: one per
// place in the root list, as far as its count goes. Each is held while the
// others let go, so none ends while another still refers to it; one that
// nothing holds (a count of 0 included) goes at the end.
void LetGoOfRoots(const OmArchive& archive)
{
    std::vector<std::pair<OmObject*, uint32_t>> roots; // each once, with its places in the list
    std::unordered_map<const OmObject*, size_t> seen;
    for (uint32_t i = 0; i < archive.GetRootCount(); ++i) {
        if (OmObject* root = archive.GetRoot(i)) {
            const auto [at, added] = seen.try_emplace(root, roots.size());
            if (added)
                roots.emplace_back(root, 0u);
            ++roots[at->second].second;
        }
    }
    for (auto& [root, drops] : roots)
        drops = std::min(drops, root->GetRefCount());
    for (const auto& [root, drops] : roots)
        root->AddRef();
    for (const auto& [root, drops] : roots)
        for (uint32_t i = 0; i < drops; ++i)
            root->Release();
    for (const auto& [root, drops] : roots)
        root->Release();
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
    if (!path || !archive.Load(path)) {
        LogErrorF("TsWorld::LoadWorld - could not load %s", path ? path : "(no path)");
        return nullptr;
    }
    // A world in the file is its only root (the world's reading sees to
    // that); a file whose first root is not one holds no world at all.
    TsWorld* world = TsWorld::Cast(archive.GetRoot(0));
    if (!world) {
        LogErrorF("TsWorld::LoadWorld - the first root of %s is not a world", path);
        LetGoOfRoots(archive);
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
