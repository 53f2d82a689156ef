// 100 skinned figures of 1,000 vertices each, posed and drawn every frame
// at 800 x 600, against the same figures drawn as static meshes (the
// reference, measured in the same run). A third run poses and skins the
// figures without drawing them, which gives the milliseconds of CPU
// skinning per frame. Run it on a display (under xvfb-run for llvmpipe).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/OmBoneAnimation.h"
#include "engine/OmCamera.h"
#include "engine/OmClass.h"
#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "engine/OmShape.h"
#include "engine/OmSkinMesh.h"
#include "engine/OmSkinShape.h"
#include "render/OmD3D.h"
#include "render/OmD3DSkinMesh.h"

namespace {

constexpr int kFigures = 100;
constexpr uint32_t kColumns = 20, kRows = 50; // 1,000 vertices
constexpr uint32_t kBones = 10;               // a chain up the figure
constexpr uint32_t kFrames = 30;
constexpr float kHeight = 2.0f;

// A strip standing on the origin.
OmMeshVertex PlainVertex(uint32_t x, uint32_t y)
{
    OmMeshVertex v;
    v.position = OmVector3(0.5f * float(x) / float(kColumns - 1) - 0.25f, kHeight * float(y) / float(kRows - 1), 0);
    v.normal = OmVector3(0, 0, -1);
    const float c[4] = {float(x) / kColumns, float(y) / kRows, 0.5f, 1.0f};
    for (int k = 0; k < 4; ++k)
        v.colour[k] = c[k];
    v.uv0[0] = v.uv0[1] = v.uv1[0] = v.uv1[1] = 0.0f;
    return v;
}

template <class Mesh>
void AddTriangles(Mesh& mesh, uint32_t material)
{
    for (uint32_t y = 0; y + 1 < kRows; ++y) {
        for (uint32_t x = 0; x + 1 < kColumns; ++x) {
            const uint32_t a = y * kColumns + x, b = a + 1, c = a + kColumns, d = c + 1;
            for (uint32_t i : {a, c, b, b, c, d})
                mesh.indices.Add(i);
            mesh.triangleMaterials.Add(material);
            mesh.triangleMaterials.Add(material);
        }
    }
    const uint32_t triangles = mesh.indices.GetCount() / 3;
    mesh.materialGroups.Resize(1);
    mesh.materialGroups[0] = OmMaterialGroup{material, 0, triangles, 0, kColumns * kRows};
}

OmMesh* StaticFigure(uint32_t material)
{
    auto* mesh = new OmMesh();
    bench::SetPlainLayout(mesh->layout);
    for (uint32_t y = 0; y < kRows; ++y)
        for (uint32_t x = 0; x < kColumns; ++x)
            mesh->vertices.Add(PlainVertex(x, y));
    AddTriangles(*mesh, material);
    mesh->ComputeBounds();
    return mesh;
}

OmSkinMesh* SkinnedFigure(uint32_t material)
{
    auto* mesh = new OmSkinMesh();
    bench::SetPlainLayout(mesh->layout);
    const float step = kHeight / float(kBones - 1);
    for (uint32_t b = 0; b < kBones; ++b) {
        OmBone bone;
        bone.parent = int32_t(b) - 1;
        bone.firstChild = b + 1 < kBones ? int32_t(b + 1) : -1;
        bone.offset = OmVector3(0, b ? step : 0.0f, 0);
        OmMatrix4 bind;
        bind.SetTranslation(OmVector3(0, step * float(b), 0));
        InvertMatrix4(bind, bone.inverseBind);
        mesh->skeleton.bones.Add(bone);
    }
    mesh->skeleton.rootBone = 0;
    // Every vertex shares its weight between the two bones nearest to it.
    for (uint32_t y = 0; y < kRows; ++y) {
        for (uint32_t x = 0; x < kColumns; ++x) {
            OmSkinVertex v{};
            v.vertex = PlainVertex(x, y);
            const float at = v.vertex.position.y / step;
            const uint32_t low = std::min<uint32_t>(uint32_t(at), kBones - 2);
            const float t = std::min(1.0f, at - float(low));
            v.bones[0] = uint8_t(low);
            v.bones[1] = uint8_t(low + 1);
            v.weights[0] = 1.0f - t;
            v.weights[1] = t;
            mesh->vertices.Add(v);
        }
    }
    AddTriangles(*mesh, material);
    mesh->ComputeBounds();
    return mesh;
}

// Every bone bends a little about z, swinging over the second.
OmRef<OmBoneAnimation> Sway()
{
    auto anim = OmMakeRef<OmBoneAnimation>();
    anim->Allocate(kFrames, kBones);
    anim->duration = 1.0f;
    for (uint32_t f = 0; f < kFrames; ++f) {
        const float angle = 0.15f * std::sin(6.2831853f * float(f) / float(kFrames));
        for (uint32_t b = 0; b < kBones; ++b) {
            OmMatrix3 m;
            m.SetRotationZ(b ? angle : 0.0f);
            anim->Key(f, b).SetFromMatrix(m);
        }
        anim->rootPositions[f] = OmVector3();
    }
    return anim;
}

enum class Path { Static, Skinned, SkinningOnly };

struct Scene {
    std::unique_ptr<OmD3D> renderer;
    OmGroup* roots[2] = {nullptr, nullptr}; // static, skinned
    std::vector<OmSkinShape*> shapes;
    OmRef<OmBoneAnimation> animation;
    OmCamera* camera = nullptr;
    float time = 0.0f;

    bool Open()
    {
        OmClassRegistry::Instance().AssignClassIds();
        if (!bench::OpenRenderer(renderer, 800, 600))
            return false;
        renderer->SetLighting(false);
        OmMaterial solid(OmColour(1, 1, 1, 1), OmColour(1, 1, 1, 1), OmColour(), OmColour(), 10, 1, 0);
        const uint32_t material = uint32_t(renderer->RegisterMaterial(&solid));
        camera = bench::MakeCamera();
        animation = Sway();
        for (int r = 0; r < 2; ++r) {
            roots[r] = new OmGroup();
            for (int i = 0; i < kFigures; ++i) {
                OmShape* shape = nullptr;
                if (r == 0) {
                    OmMesh* mesh = StaticFigure(material);
                    shape = new OmShape();
                    shape->SetGeometry(mesh);
                    mesh->Release();
                } else {
                    OmSkinMesh* mesh = SkinnedFigure(material);
                    auto* device = static_cast<OmD3DSkinMesh*>(renderer->CreateSkinMesh());
                    const bool ok = mesh->ConvertForRenderer(*renderer, 0, *device);
                    mesh->Release();
                    if (!ok)
                        return false;
                    auto* skinned = new OmSkinShape();
                    skinned->SetGeometry(device);
                    device->Release();
                    skinned->PlayAnimation(animation, 0);
                    shapes.push_back(skinned);
                    shape = skinned;
                }
                // 20 x 5 figures filling the view at depth 12.
                shape->LocalPosition() = OmVector3(-9.5f + float(i % 20), -6.0f + 2.4f * float(i / 20), 12.0f);
                roots[r]->AddChild(shape);
                shape->Release();
            }
            if (r == 0 && !CreateRenderMeshes(roots[r], *renderer, 0))
                return false;
            roots[r]->Update(0.0f);
        }
        return true;
    }

    void Frame(Path path)
    {
        time += 1.0f / 60.0f;
        if (path != Path::Static)
            roots[1]->Update(time); // poses every skeleton
        if (path == Path::SkinningOnly) {
            for (OmSkinShape* s : shapes) {
                auto* device = static_cast<OmD3DSkinMesh*>(s->GetGeometry());
                device->SetBoneMatrices(s->GetBones().GetData(), s->GetBones().GetCount());
            }
            return;
        }
        if (!renderer->BeginScene(0.0f))
            return;
        renderer->Clear(nullptr, 0);
        camera->Invalidate();
        camera->Apply(*renderer);
        roots[path == Path::Static ? 0 : 1]->Render(*renderer);
        renderer->EndScene();
        renderer->Present();
    }

    void Close()
    {
        for (OmGroup* root : roots)
            if (root)
                root->Release();
        if (camera)
            camera->Release();
        renderer.reset();
    }
};

Scene& Shared()
{
    static Scene scene;
    return scene;
}

double g_rate[3] = {};      // frames per second
double g_msPerFrame[3] = {}; // milliseconds per frame

void Run(benchmark::State& state, Path path)
{
    Scene& s = Shared();
    if (!s.renderer && !s.Open()) {
        state.SkipWithError("no 800 x 600 device");
        return;
    }
    s.Frame(path);
    for (auto _ : state)
        s.Frame(path);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_StaticReference(benchmark::State& state) { Run(state, Path::Static); }
void BM_SkinnedFigures(benchmark::State& state) { Run(state, Path::Skinned); }
void BM_SkinningOnly(benchmark::State& state) { Run(state, Path::SkinningOnly); }

BENCHMARK(BM_StaticReference)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SkinnedFigures)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_SkinningOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char* runs[3] = {"BM_StaticReference", "BM_SkinnedFigures", "BM_SkinningOnly"};
    for (int i = 0; i < 3; ++i) {
        g_rate[i] = reporter.Fps(runs[i]);
        g_msPerFrame[i] = g_rate[i] > 0.0 ? 1000.0 / g_rate[i] : 0.0;
    }
    if (g_rate[0] > 0.0 && g_rate[1] > 0.0) {
        std::printf("\n%d figures of %u vertices, %u bones, at 800 x 600:\n", kFigures, kColumns * kRows, kBones);
        std::printf("  static meshes (reference)   %7.2f fps\n", g_rate[0]);
        std::printf("  posed, skinned and drawn    %7.2f fps  ratio %.2f\n", g_rate[1], g_rate[1] / g_rate[0]);
        std::printf("  posing and skinning alone   %7.2f ms per frame (%.0f%% of a skinned frame)\n", g_msPerFrame[2],
                    100.0 * g_msPerFrame[2] / g_msPerFrame[1]);
    }
    Shared().Close();
    benchmark::Shutdown();
    return 0;
}
