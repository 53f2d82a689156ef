#include "tests/engine/SceneTestSupport.h"

#include <cstring>

OM_IMPLEMENT_CLASS(TestRenderMesh, OmBaseMesh)

void TestRenderMesh::Render(OmRenderer& renderer)
{
    auto& recorder = static_cast<RecordingRenderer&>(renderer);
    recorder.draws.push_back(NameOrEmpty());
    if (OmCamera* camera = renderer.GetCamera())
        drawMasks.push_back(camera->GetPlaneMask());
}

bool TestRenderMesh::Create(OmRenderer&, uint32_t renderFlags, uint32_t indexCount, uint32_t vertexCount,
                            const uint8_t layout[12])
{
    createdFlags = renderFlags;
    createdIndices = indexCount;
    createdVertices = vertexCount;
    std::memcpy(createdLayout, layout, sizeof createdLayout);
    return !failCreate;
}

bool TestRenderMesh::ConvertFrom(const OmMesh& mesh)
{
    SetBounds(mesh.GetBounds());
    SetName(mesh.GetName());
    return true;
}

RecordingRenderer::~RecordingRenderer()
{
    UseCamera(nullptr);
}

void RecordingRenderer::UseCamera(OmCamera* camera)
{
    if (camera)
        camera->AddRef();
    if (m_camera)
        m_camera->Release();
    m_camera = camera;
}

int32_t RecordingRenderer::SetWorldTransform(const OmMatrix3*, const OmVector3*, float scale)
{
    lastWorldScale = scale;
    return 0;
}

int32_t RecordingRenderer::AddLight(OmLight* light)
{
    for (size_t i = 0; i < addedLights.size(); ++i) {
        if (addedLights[i] == light)
            return int32_t(i);
    }
    addedLights.push_back(light);
    return int32_t(addedLights.size() - 1);
}

void RecordingRenderer::RemoveLight(OmLight* light)
{
    for (OmLight*& slot : addedLights) {
        if (slot == light)
            slot = nullptr;
    }
}

OmBaseMesh* RecordingRenderer::CreateMesh()
{
    auto* mesh = new TestRenderMesh();
    mesh->failCreate = failMeshCreate;
    createdMeshes.push_back(mesh);
    return mesh;
}

void SetStandardCamera(OmCamera& camera)
{
    OmProjection projection;
    projection.halfWidth = 1.0f;
    projection.halfHeight = 1.0f;
    projection.nearDistance = 1.0f;
    projection.farDistance = 100.0f;
    camera.SetProjection(projection);
    camera.SetFrame(OmVector3(0, 0, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
}

OmShape* AddShape(OmGroup& parent, const char* name, OmGeometry* geometry, const OmVector3& position)
{
    OmShape* shape = AddNode<OmShape>(parent, name);
    shape->SetGeometry(geometry);
    shape->LocalPosition() = position;
    return shape;
}

OmMesh* MakeTriangleMesh()
{
    auto* mesh = new OmMesh();
    mesh->SetName("tri");
    for (int i = 0; i < 3; ++i) {
        OmMeshVertex v{};
        v.position = OmVector3(float(i), float(i * i), -1.0f);
        v.normal = OmVector3(0, 0, 1);
        v.colour[0] = 0.25f * float(i);
        v.uv0[0] = 0.5f;
        v.uv1[1] = float(i);
        mesh->vertices.Add(v);
        mesh->indices.Add(uint32_t(2 - i));
    }
    mesh->triangleMaterials.Add(4);
    mesh->SortTrianglesByMaterial();
    mesh->ComputeBounds();
    return mesh;
}
