// A recording renderer, a render mesh that logs its draws, scene builders.
#pragma once

#include <string>
#include <vector>

#include "engine/OmBaseMesh.h"
#include "engine/OmCamera.h"
#include "engine/OmGroup.h"
#include "engine/OmLight.h"
#include "engine/OmMesh.h"
#include "engine/OmRenderer.h"
#include "engine/OmShape.h"
#include "render/OmD3D.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/TestClass.h"

// Made by RecordingRenderer::CreateMesh; each draw appends its name to the log.
class TestRenderMesh : public OmBaseMesh {
    OM_DECLARE_TEST_CLASS(TestRenderMesh, OmBaseMesh)

    void Render(OmRenderer& renderer) override;
    bool Create(OmRenderer&, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                const uint8_t layout[12]) override;
    bool ConvertFrom(const OmMesh& mesh) override;

    bool failCreate = false;
    uint32_t createdFlags = 0, createdIndices = 0, createdVertices = 0;
    uint8_t createdLayout[12] = {};
    // The camera's plane mask at each draw.
    std::vector<uint32_t> drawMasks;
};

// A renderer without a device that records what the scene asks of it.
class RecordingRenderer : public OmD3D {
public:
    ~RecordingRenderer() override;

    void UseCamera(OmCamera* camera);

    int32_t SetWorldTransform(const OmMatrix3* rotation, const OmVector3* translation, float scale) override;
    int32_t AddLight(OmLight* light) override;
    void RemoveLight(OmLight* light) override;
    OmBaseMesh* CreateMesh() override;

    std::vector<std::string> draws; // names of the meshes drawn, in order
    float lastWorldScale = 0.0f;
    std::vector<OmLight*> addedLights;
    std::vector<TestRenderMesh*> createdMeshes;
    bool failMeshCreate = false;
};

// Camera at the origin looking down +z with a 90-degree view and far 100.
void SetStandardCamera(OmCamera& camera);

// A node named name under parent, which holds the only reference.
template <class T>
T* AddNode(OmGroup& parent, const char* name)
{
    auto* node = new T();
    node->SetName(name);
    parent.AddChild(node);
    node->Release();
    return node;
}

OmShape* AddShape(OmGroup& parent, const char* name, OmGeometry* geometry, const OmVector3& position = {});

// A vertex at (x, y, z) with an upward normal and texture coordinates (u, v).
inline OmMeshVertex Vertex(float x, float y = 0.0f, float z = 0.0f, float u = 0.0f, float v = 0.0f)
{
    OmMeshVertex vertex{};
    vertex.position = OmVector3(x, y, z);
    vertex.normal = OmVector3(0, 1, 0);
    vertex.uv0[0] = u;
    vertex.uv0[1] = v;
    return vertex;
}

// One triangle, every vertex attribute set, in one material group, bounded.
OmMesh* MakeTriangleMesh();
