// Frames of 10,000 small batches, each changing render and stage states
// before drawing one triangle, at 800 x 600. Batches come in runs that share
// most of their states, as material-sorted geometry does. The same frame is
// drawn through the renderer's state cache and straight to the device; the
// program prints the device calls the cache saves and the frame rates of
// both. Run it on a display (under xvfb-run for llvmpipe).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "bench/BenchSupport.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

constexpr int kBatches = 10000;
constexpr int kRun = 8; // batches sharing a material

struct Vertex {
    float x, y, z, rhw;
    uint32_t colour;
};

struct BatchStates {
    uint32_t blend, src, dest, factor, colourOp, cull;
};

BatchStates StatesOf(int batch)
{
    const int material = batch / kRun;
    BatchStates s;
    s.blend = material & 1;
    s.src = s.blend ? 5u : 2u;
    s.dest = s.blend ? 6u : 1u;
    s.factor = 0xFF000000u | static_cast<uint32_t>(material * 2654435761u >> 8);
    s.colourOp = (material % 3) == 0 ? GfxTop::SelectArg1 : GfxTop::Modulate;
    s.cull = 1; // the same for every batch
    return s;
}

struct Fixture {
    std::unique_ptr<OmD3D> renderer;
    Vertex triangle[3] = {{10, 10, 0.5f, 1, 0xFFFFFFFFu}, {14, 10, 0.5f, 1, 0xFFFFFFFFu},
                          {10, 14, 0.5f, 1, 0xFFFFFFFFu}};

    bool Open()
    {
        if (!bench::OpenRenderer(renderer, 800, 600))
            return false;
        renderer->SetVertexShader(GfxFvf::RhwDiffuse);
        renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::TFactor);
        return true;
    }

    void MoveTriangle(int batch)
    {
        const float x = static_cast<float>((batch * 7) % 780);
        const float y = static_cast<float>((batch * 13) % 580);
        triangle[0].x = x, triangle[0].y = y;
        triangle[1].x = x + 4, triangle[1].y = y;
        triangle[2].x = x, triangle[2].y = y + 4;
    }

    void FrameCached()
    {
        renderer->BeginScene(0.0f);
        renderer->Clear(nullptr, 0);
        for (int i = 0; i < kBatches; ++i) {
            const BatchStates s = StatesOf(i);
            renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, s.blend);
            renderer->DispatchRenderState(GfxRs::SrcBlend, s.src);
            renderer->DispatchRenderState(GfxRs::DestBlend, s.dest);
            renderer->DispatchRenderState(GfxRs::TextureFactor, s.factor);
            renderer->DispatchRenderState(GfxRs::CullMode, s.cull);
            renderer->SetTextureStageState(0, GfxTss::ColorOp, s.colourOp);
            MoveTriangle(i);
            renderer->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, triangle, sizeof(Vertex));
        }
        renderer->EndScene();
        renderer->Present();
    }

    void FrameDirect()
    {
        GfxDevice* d = renderer->GetDevice();
        renderer->BeginScene(0.0f);
        renderer->Clear(nullptr, 0);
        for (int i = 0; i < kBatches; ++i) {
            const BatchStates s = StatesOf(i);
            d->SetRenderState(GfxRs::AlphaBlendEnable, s.blend);
            d->SetRenderState(GfxRs::SrcBlend, s.src);
            d->SetRenderState(GfxRs::DestBlend, s.dest);
            d->SetRenderState(GfxRs::TextureFactor, s.factor);
            d->SetRenderState(GfxRs::CullMode, s.cull);
            d->SetTextureStageState(0, GfxTss::ColorOp, s.colourOp);
            MoveTriangle(i);
            d->DrawPrimitiveUP(GfxPrimitive::TriangleList, 1, triangle, sizeof(Vertex));
        }
        renderer->EndScene();
        renderer->Present();
    }

    uint64_t StateCalls() const
    {
        const GfxDevice* d = renderer->GetDevice();
        return d->CallCount(GfxCall::SetRenderState) + d->CallCount(GfxCall::SetTextureStageState);
    }
};

Fixture& Shared()
{
    static Fixture fixture;
    return fixture;
}

struct Result {
    double fps = 0.0;
    double stateCallsPerFrame = 0.0;
};
Result g_cached, g_direct;

void Run(benchmark::State& state, bool cached, Result& out)
{
    Fixture& f = Shared();
    if (!f.renderer && !f.Open()) {
        state.SkipWithError("no 800 x 600 device");
        return;
    }
    // The direct frames leave the device ahead of the cache; line them up.
    f.renderer->RestoreDeviceState();
    f.renderer->GetDevice()->ResetCallCounts();
    uint64_t frames = 0;
    for (auto _ : state) {
        cached ? f.FrameCached() : f.FrameDirect();
        ++frames;
    }
    out.stateCallsPerFrame = static_cast<double>(f.StateCalls()) / static_cast<double>(frames);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["state_calls_per_frame"] = out.stateCallsPerFrame;
}

void BM_StateChangesThroughCache(benchmark::State& state)
{
    Run(state, true, g_cached);
}

void BM_StateChangesStraightToDevice(benchmark::State& state)
{
    Run(state, false, g_direct);
}

BENCHMARK(BM_StateChangesStraightToDevice)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_StateChangesThroughCache)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    g_cached.fps = reporter.Fps("BM_StateChangesThroughCache");
    g_direct.fps = reporter.Fps("BM_StateChangesStraightToDevice");
    if (g_direct.stateCallsPerFrame > 0.0 && g_direct.fps > 0.0) {
        std::printf("\nstate calls per frame: %.0f straight to the device, %.0f through the cache "
                    "(%.1f%% saved)\n",
                    g_direct.stateCallsPerFrame, g_cached.stateCallsPerFrame,
                    100.0 * (1.0 - g_cached.stateCallsPerFrame / g_direct.stateCallsPerFrame));
        std::printf("frames per second at 800 x 600: %.2f straight, %.2f cached (ratio %.2f)\n", g_direct.fps,
                    g_cached.fps, g_cached.fps / g_direct.fps);
    }
    Shared().renderer.reset();
    benchmark::Shutdown();
    return 0;
}
