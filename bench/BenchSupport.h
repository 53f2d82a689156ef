// What the benchmark programs share: a reporter that keeps each run's time
// and frame rate for the ratios printed at the end, and the renderer, camera
// and vertex layout the drawing benchmarks use.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmCamera.h"
#include "engine/OmProjection.h"
#include "render/OmD3D.h"

namespace bench {

class RunReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
            for (const auto& [counter, value] : run.counters)
                m_counters[counter][run.benchmark_name()] = value.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // By the benchmark's registered name; the run's name may add options
    // ("/min_time:2.000/real_time"). 0 when it did not run.
    double Time(const std::string& name) const { return Find(m_times, name); }
    double Fps(const std::string& name) const { return Counter(name, "fps"); }
    // The clear-only frame's rate measured beside the benchmark's frames.
    double ReferenceFps(const std::string& name) const { return Counter(name, "reference_fps"); }

private:
    double Counter(const std::string& name, const std::string& counter) const
    {
        const auto values = m_counters.find(counter);
        return values == m_counters.end() ? 0.0 : Find(values->second, name);
    }

    static double Find(const std::map<std::string, double>& values, const std::string& name)
    {
        for (const auto& [key, value] : values) {
            if (key == name || key.starts_with(name + "/"))
                return value;
        }
        return 0.0;
    }

    std::map<std::string, double> m_times;
    std::map<std::string, std::map<std::string, double>> m_counters;  // by counter, then benchmark
};

// Makes the renderer and opens a 32-bit display of the given size. The
// renderer is kept even when that fails, so a benchmark tries only once.
inline bool OpenRenderer(std::unique_ptr<OmD3D>& renderer, uint32_t width, uint32_t height)
{
    renderer = std::make_unique<OmD3D>();
    OmDisplayRequest request;
    request.width = width;
    request.height = height;
    request.bitsPerPixel = 32;
    OmRendererSetup setup;
    setup.display = &request;
    return renderer->Initialise(&setup);
}

// A camera at the origin looking down +z with a 4:3 view, seeing from 1 to
// 200 units: the drawing benchmarks place their scenes in front of it.
inline OmCamera* MakeCamera()
{
    auto* camera = new OmCamera();
    OmProjection projection;
    projection.halfWidth = 1.0f;
    projection.halfHeight = 0.75f;
    projection.nearDistance = 1.0f;
    projection.farDistance = 200.0f;
    camera->SetProjection(projection);
    camera->SetFrame(OmVector3(0, 0, 0), OmVector3(1, 0, 0), OmVector3(0, 1, 0), OmVector3(0, 0, 1));
    return camera;
}

// The vertex layout of the benchmark meshes: position, normal, colour, one
// texture set.
inline void SetPlainLayout(uint8_t* layout)
{
    const uint8_t plain[12] = {0, 1, 1, 1, 2};
    for (int i = 0; i < 12; ++i)
        layout[i] = plain[i];
}

} // namespace bench
