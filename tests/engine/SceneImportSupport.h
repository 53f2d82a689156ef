// A device-less renderer, a group to import into and temporary scene files.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmShape.h"
#include "engine/OmTextureResource.h"
#include "render/OmD3D.h"

namespace importtest {

class ImportTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        root->Release();
        for (const std::string& path : m_files)
            std::remove(path.c_str());
    }

    std::string TempPath(const std::string& name)
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string path =
            (std::filesystem::temp_directory_path() / (std::string("om_") + info->name() + "_" + name)).string();
        m_files.push_back(path);
        return path;
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

    OmD3D renderer;
    OmGroup* root = new OmGroup();

private:
    std::vector<std::string> m_files;
};

} // namespace importtest
