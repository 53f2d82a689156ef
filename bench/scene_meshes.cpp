// A scene of 1,000 device meshes of 500 triangles each at 800 x 600, drawn
// three ways in the same run: every subset opaque (the reference), ten
// blended triangles per mesh through the geometry batch, and the same
// blended triangles through the alpha queue and its sorter. Prints the frame
// rates, their ratios to the reference, and the heap allocations per frame
// (the batch and sorter paths must make none). Run it on a display (under
// xvfb-run for llvmpipe).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/OmCamera.h"
#include "engine/OmClass.h"
#include "engine/OmGroup.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmShape.h"
#include "render/OmD3D.h"
#include "testing/AllocationCounter.h"

using namespace plat;

namespace {

constexpr int kMeshes = 1000;
constexpr uint32_t kColumns = 10, kRows = 25; // 250 squares, 500 triangles
constexpr uint32_t kAlphaSquares = 5;         // the last five: ten blended triangles

enum class Path { Opaque, Batch, Sorter };

OmMesh* BuildMesh(uint32_t opaque, uint32_t alpha)
{
    auto* mesh = new OmMesh();
    bench::SetPlainLayout(mesh->layout);
    for (uint32_t y = 0; y <= kRows; ++y) {
        for (uint32_t x = 0; x <= kColumns; ++x) {
            OmMeshVertex v;
            v.position = OmVector3(0.08f * float(x) - 0.4f, 0.032f * float(y) - 0.4f, 0.0f);
            v.normal = OmVector3(0, 0, -1);
            const float c[4] = {float(x) / kColumns, float(y) / kRows, 0.5f, 0.6f};
            for (int k = 0; k < 4; ++k)
                v.colour[k] = c[k];
            v.uv0[0] = v.uv0[1] = v.uv1[0] = v.uv1[1] = 0.0f;
            mesh->vertices.Add(v);
        }
    }
    uint32_t square = 0;
    for (uint32_t y = 0; y < kRows; ++y) {
        for (uint32_t x = 0; x < kColumns; ++x, ++square) {
            const uint32_t a = y * (kColumns + 1) + x, b = a + 1, c = a + kColumns + 1, d = c + 1;
            for (uint32_t i : {a, c, b, b, c, d})
                mesh->indices.Add(i);
            const uint32_t m = square >= kColumns * kRows - kAlphaSquares ? alpha : opaque;
            mesh->triangleMaterials.Add(m);
            mesh->triangleMaterials.Add(m);
        }
    }
    mesh->SortTrianglesByMaterial();
    mesh->ComputeBounds();
    return mesh;
}

struct Scene {
    std::unique_ptr<OmD3D> renderer;
    OmGroup* roots[2] = {nullptr, nullptr}; // all opaque, with blended squares
    OmCamera* camera = nullptr;

    bool Open()
    {
        OmClassRegistry::Instance().AssignClassIds();
        if (!bench::OpenRenderer(renderer, 800, 600))
            return false;
        renderer->SetLighting(false);
        OmMaterial solid(OmColour(1, 1, 1, 1), OmColour(1, 1, 1, 1), OmColour(), OmColour(), 10, 1, 0);
        OmMaterial glass(OmColour(1, 1, 1, 1), OmColour(1, 1, 1, 1), OmColour(), OmColour(), 10, 1, 0x20);
        const uint32_t opaque = uint32_t(renderer->RegisterMaterial(&solid));
        const uint32_t alpha = uint32_t(renderer->RegisterMaterial(&glass));
        camera = bench::MakeCamera();
        for (int r = 0; r < 2; ++r) {
            roots[r] = new OmGroup();
            for (int i = 0; i < kMeshes; ++i) {
                OmMesh* mesh = BuildMesh(opaque, r ? alpha : opaque);
                auto* shape = new OmShape();
                shape->SetGeometry(mesh);
                mesh->Release();
                // 40 x 25 meshes, overlapping a little, filling the view at depth 20.
                shape->LocalPosition() = OmVector3(-19.5f + float(i % 40), -12.0f + float(i / 40), 20.0f);
                roots[r]->AddChild(shape);
                shape->Release();
            }
            if (!CreateRenderMeshes(roots[r], *renderer, 0))
                return false;
            roots[r]->Update(0.0f);
        }
        return true;
    }

    void Frame(Path path)
    {
        if (!renderer->BeginScene(0.0f))
            return;
        renderer->Clear(nullptr, 0);
        camera->Invalidate();
        camera->Apply(*renderer);
        OmD3DBatch& batch = renderer->GetBatch();
        if (path == Path::Batch)
            batch.Begin(0);
        roots[path == Path::Opaque ? 0 : 1]->Render(*renderer);
        if (path == Path::Batch)
            batch.Flush();
        if (path == Path::Sorter)
            renderer->FlushAlphaQueue();
        renderer->EndScene();
        renderer->Present();
    }

    void Close()
    {
        for (OmGroup* root : roots) {
            if (root)
                root->Release();
        }
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

struct Result {
    double fps = 0.0;
    double allocationsPerFrame = 0.0;
};
Result g_results[3];

void Run(benchmark::State& state, Path path)
{
    Scene& s = Shared();
    if (!s.renderer && !s.Open()) {
        state.SkipWithError("no 800 x 600 device");
        return;
    }
    s.Frame(path); // the first frame may grow what lasts (programs, queue storage)
    const uint64_t before = testalloc::Counted();
    uint64_t frames = 0;
    for (auto _ : state) {
        s.Frame(path);
        ++frames;
    }
    Result& r = g_results[int(path)];
    r.allocationsPerFrame = double(testalloc::Counted() - before) / double(frames);
    state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["allocations_per_frame"] = r.allocationsPerFrame;
}

void BM_OpaqueReference(benchmark::State& state) { Run(state, Path::Opaque); }
void BM_BlendedThroughBatch(benchmark::State& state) { Run(state, Path::Batch); }
void BM_BlendedThroughSorter(benchmark::State& state) { Run(state, Path::Sorter); }

BENCHMARK(BM_OpaqueReference)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_BlendedThroughBatch)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_BlendedThroughSorter)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    testalloc::CountEveryThread(true);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char* runs[3] = {"BM_OpaqueReference", "BM_BlendedThroughBatch", "BM_BlendedThroughSorter"};
    for (int i = 0; i < 3; ++i)
        g_results[i].fps = reporter.Fps(runs[i]);
    const Result& ref = g_results[0];
    if (ref.fps > 0.0) {
        std::printf("\n%d meshes of %u triangles at 800 x 600:\n", kMeshes, 2 * kColumns * kRows);
        const char* names[3] = {"all opaque (reference)", "blended through the batch", "blended through the sorter"};
        for (int i = 0; i < 3; ++i)
            std::printf("  %-28s %7.2f fps  ratio %.2f  %.1f allocations per frame\n", names[i], g_results[i].fps,
                        g_results[i].fps / ref.fps, g_results[i].allocationsPerFrame);
    }
    Shared().Close();
    benchmark::Shutdown();
    return 0;
}
