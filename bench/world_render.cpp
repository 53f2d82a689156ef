// The demo level drawn by the cell renderer at 800 x 600: frames per second
// of whole frames (clear, the world, present) against an empty frame (clear
// and present only) measured in the same run, and the CPU milliseconds per
// frame spent filling the cell batch (decoding the quantised vertices with
// their light colour and copying the indices), with and without the camera
// fade; the target is under 2 ms. Heap allocations per frame are counted
// too: the world's frame must make none. Run it from the source folder
// after tools/make-data, on a display (under xvfb-run for llvmpipe).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "bench/BenchSupport.h"
#include "engine/OmCamera.h"
#include "engine/OmClass.h"
#include "engine/OmGroup.h"
#include "engine/OmMaxLight.h"
#include "engine/OmMesh.h"
#include "engine/OmShape.h"
#include "game/world/TsBlobRenderer.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldCell.h"
#include "game/world/TsWorldDrawing.h"
#include "platform/DebugOutput.h"
#include "render/OmD3D.h"
#include "testing/AllocationCounter.h"

namespace {

constexpr const char* kLevel = "data/levels/demo/demo.tsw";

// A level's archive names the scene classes it holds; making one of each
// links their registrations into this program.
void LinkSceneClasses()
{
    OmObject* objects[] = {new OmGroup(), new OmShape(), new OmMaxLight(), new OmMaxLightNode(), new OmMesh()};
    for (OmObject* object : objects)
        object->Release();
}

struct Level {
    std::unique_ptr<OmD3D> renderer;
    TsWorld* world = nullptr;

    bool Open()
    {
        if (!bench::OpenRenderer(renderer, 800, 600))
            return false;
        LinkSceneClasses();
        world = TsWorld::LoadWorld(kLevel);
        if (!world)
            return false;
        renderer->LoadAllTextures();
        // A three-quarter view over the corridor, both rooms in sight.
        OmCamera* camera = renderer->GetCamera();
        OmProjection projection;
        projection.halfWidth = 0.5f, projection.halfHeight = 0.375f;
        projection.nearDistance = 0.5f, projection.farDistance = 200.0f;
        camera->SetProjection(projection);
        OmVector3 forward(0, -0.8f, 0.6f), up(0, 0.6f, 0.8f);
        camera->SetFrame(OmVector3(10, 14, -9), OmVector3(1, 0, 0), up, forward);
        return true;
    }

    void Frame(bool world)
    {
        if (!renderer->BeginScene(0.0f))
            return;
        renderer->Clear(nullptr, 0);
        renderer->InvalidateCamera(true);
        renderer->ApplyCamera();
        if (world)
            this->world->Render(1.0f, 0.0f);
        renderer->EndScene();
        renderer->Present();
    }

    // Fills the batch with every cell and answers the seconds it took; the
    // draw calls that follow are not counted.
    double FillBatch()
    {
        TsBlobRenderer& cells = TsWorldDrawing::Of(*world).Cells();
        const auto start = std::chrono::steady_clock::now();
        cells.BeginFrame();
        for (int32_t i = 0; i < world->GetCellCount(); ++i) {
            TsWorldCell& cell = world->Cell(i);
            for (int kind = TS_CELL_OPAQUE; kind <= TS_CELL_ALPHA; ++kind)
                cells.AddCell(cell.Group(kind), cell.Planes(kind), cell.GetBoxOrigin(), cell.GetBoxSize(),
                              world->GetLightNodes());
        }
        const auto end = std::chrono::steady_clock::now();
        cells.EndFrame();
        return std::chrono::duration<double>(end - start).count();
    }

    void Close()
    {
        if (world)
            world->Release();
        world = nullptr;
        renderer.reset();
    }
};

Level& Shared()
{
    static Level level;
    return level;
}

double g_allocationsPerFrame[2] = {};

bool Ready(benchmark::State& state)
{
    Level& level = Shared();
    if (!level.renderer)
        level.Open();
    if (!level.world)
        state.SkipWithError("no 800 x 600 device or no demo level (run tools/make-data from the source folder)");
    return level.world != nullptr;
}

void Frames(benchmark::State& state, bool world)
{
    if (!Ready(state))
        return;
    Level& level = Shared();
    level.Frame(world); // the first frame makes what lasts (programs, buffers)
    const uint64_t before = testalloc::Counted();
    uint64_t frames = 0;
    for (auto _ : state) {
        level.Frame(world);
        ++frames;
    }
    g_allocationsPerFrame[world ? 1 : 0] = double(testalloc::Counted() - before) / double(frames);
    state.counters["fps"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["allocations_per_frame"] = g_allocationsPerFrame[world ? 1 : 0];
}

void BatchCpu(benchmark::State& state, bool fade)
{
    if (!Ready(state))
        return;
    Level& level = Shared();
    level.Frame(true);
    TsBlobRenderer& cells = TsWorldDrawing::Of(*level.world).Cells();
    // Faded toward a focus in the corridor, as a level does every frame.
    cells.SetCameraFade(fade ? 0.0f : 1.0f, OmVector3(10, 0, 4), 5.0f);
    for (auto _ : state)
        state.SetIterationTime(level.FillBatch());
    cells.SetCameraFade(1.0f, OmVector3(), 5.0f);
}

void BM_EmptyFrameReference(benchmark::State& state) { Frames(state, false); }
void BM_DemoLevelFrame(benchmark::State& state) { Frames(state, true); }
void BM_CellBatchCpu(benchmark::State& state) { BatchCpu(state, false); }
void BM_CellBatchCpuWithFade(benchmark::State& state) { BatchCpu(state, true); }

BENCHMARK(BM_EmptyFrameReference)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_DemoLevelFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CellBatchCpu)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseManualTime();
BENCHMARK(BM_CellBatchCpuWithFade)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    testalloc::CountEveryThread(true);
    plat::SetDebugOutputHook([](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); });
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double empty = reporter.Fps("BM_EmptyFrameReference");
    const double level = reporter.Fps("BM_DemoLevelFrame");
    if (empty > 0.0 && level > 0.0) {
        std::printf("\nThe demo level at 800 x 600:\n");
        std::printf("  empty frame (reference)   %8.1f fps\n", empty);
        std::printf("  the level                 %8.1f fps  ratio %.3f  %.1f allocations per frame\n", level,
                    level / empty, g_allocationsPerFrame[1]);
        // The run's time is in the unit it was registered with (ms).
        std::printf("  cell batch, CPU           %8.3f ms per frame (target below 2 ms)\n",
                    reporter.Time("BM_CellBatchCpu"));
        std::printf("  cell batch with fade, CPU %8.3f ms per frame\n", reporter.Time("BM_CellBatchCpuWithFade"));
    }
    Shared().Close();
    benchmark::Shutdown();
    return 0;
}
