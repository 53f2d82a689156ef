// A device-less renderer, a scene to save, an importer that loads it into a
// group, and a scratch folder for the scene files that is the working
// directory, where a skinned model looks for its bone file.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmPbfScene.h"
#include "engine/OmSceneImporter.h"
#include "engine/OmShape.h"
#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"
#include "testing/ScratchDir.h"

namespace importtest {

// A node named name under parent, drawing scene object object (-1 none).
inline OmPbfNode* Child(OmPbfNode& parent, const char* name, int32_t object)
{
    auto* node = new OmPbfNode();
    node->name.Assign(name);
    node->object = object;
    parent.AddChild(node);
    return node;
}

class ImportTest : public ::testing::Test {
protected:
    // The scene saved under the name, then loaded into root by the importer.
    bool SaveAndLoad(const std::string& name)
    {
        const std::string path = files.File(name);
        return scene.Save(path.c_str()) && importer.Load(path.c_str(), root);
    }

    static OmMesh* MeshOf(OmNode* node)
    {
        auto* shape = dynamic_cast<OmShape*>(node);
        return shape ? dynamic_cast<OmMesh*>(shape->GetGeometry()) : nullptr;
    }

    std::string TextureName(int32_t materialId, uint32_t layer = 0, uint32_t frame = 0)
    {
        const OmMaterial* material = renderer.GetMaterial(materialId);
        if (!material || layer >= material->layers.GetCount() ||
            frame >= material->layers[layer].frames.GetCount())
            return "";
        const OmTextureResource* texture = renderer.GetTexture(material->layers[layer].frames[frame]);
        return texture && texture->fileName ? texture->fileName : "";
    }

    ScratchDir files;
    OmD3D renderer;
    OmRef<OmGroup> root = OmMakeRef<OmGroup>();
    OmPbfScene scene;
    OmSceneImporter importer;
};

} // namespace importtest
