// A renderer on a real device (Mesa under the test display), with adapters
// the test describes, helpers to read back what was drawn, and the error log
// captured.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "engine/OmCamera.h"
#include "engine/OmMaterial.h"
#include "engine/OmMesh.h"
#include "engine/OmRef.h"
#include "platform/GfxSystem.h"
#include "render/OmD3D.h"
#include "render/OmD3DMesh.h"
#include "tests/platform/DebugOutputCapture.h"
#include "tests/platform/GfxTestSupport.h"

namespace rtest {

// Exposes the render pass so tests can draw as the alpha flush does.
class TestRenderer : public OmD3D {
public:
    void SetRenderPass(uint32_t pass) { m_renderPass = pass; }
};

inline plat::GfxTestAdapter AdapterWith(std::vector<plat::GfxDisplayMode> modes)
{
    plat::GfxTestAdapter adapter;
    adapter.modes = std::move(modes);
    return adapter;
}

inline plat::GfxTestAdapter StandardAdapter()
{
    using plat::GfxFormat::R5G6B5;
    using plat::GfxFormat::X8R8G8B8;
    return AdapterWith({{640, 480, 60, R5G6B5}, {640, 480, 60, X8R8G8B8},
                        {800, 600, 60, R5G6B5}, {800, 600, 60, X8R8G8B8}});
}

// The engine mesh converted into device (a fresh object, a plain device
// mesh by default), held only if the conversion worked.
template <class Device = OmD3DMesh, class Engine>
OmRef<Device> Convert(OmD3D& renderer, Engine& mesh, Device* device = new Device())
{
    auto held = OmRef<Device>::Adopt(device);
    return mesh.ConvertForRenderer(renderer, 0, *device) ? held : nullptr;
}

// Corner c (clockwise from the top left) of a square of half side half
// centred on (x, y) at depth z, facing -z.
inline OmMeshVertex SquareCorner(uint32_t c, float x, float y, float z, float half, const float colour[4])
{
    const float corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    OmMeshVertex v{};
    v.position = OmVector3(x + corners[c][0] * half, y + corners[c][1] * half, z);
    v.normal = OmVector3(0, 0, -1);
    std::memcpy(v.colour, colour, sizeof v.colour);
    return v;
}

// An n x n grid of quads. Vertex (i, j) stands at corner(i, j) with the
// normal, colourAt(i, j) (RGBA) and texture place (i / n, j / n); quad
// (i, j) draws with materialAt(i, j). Each quad is split from (i + 1, j) to
// (i, j + 1), its triangles wound so that their fronts face the normal's way.
template <class Corner, class ColourAt, class MaterialAt>
OmRef<OmMesh> GridMesh(uint32_t n, const OmVector3& normal, Corner corner, ColourAt colourAt, MaterialAt materialAt)
{
    auto mesh = OmMakeRef<OmMesh>();
    const uint8_t layout[12] = {0, 1, 1, 1, 2}; // normal, colour, one texture set
    std::memcpy(mesh->layout, layout, sizeof layout);
    for (uint32_t j = 0; j <= n; ++j)
        for (uint32_t i = 0; i <= n; ++i) {
            OmMeshVertex v{};
            v.position = corner(i, j), v.normal = normal;
            const std::array<float, 4> colour = colourAt(i, j);
            std::memcpy(v.colour, colour.data(), sizeof v.colour);
            v.uv0[0] = float(i) / float(n), v.uv0[1] = float(j) / float(n);
            mesh->vertices.Add(v);
        }
    OmVector3 side;
    CrossProduct(corner(1, 0) - corner(0, 0), corner(0, 1) - corner(0, 0), side);
    const bool along = side.Dot(normal) > 0.0f;
    for (uint32_t j = 0; j < n; ++j)
        for (uint32_t i = 0; i < n; ++i) {
            const uint32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
            for (uint32_t k : along ? std::array{a, b, c, b, d, c} : std::array{a, c, b, c, d, b})
                mesh->indices.Add(k);
            mesh->triangleMaterials.Add(materialAt(i, j));
            mesh->triangleMaterials.Add(materialAt(i, j));
        }
    mesh->SortTrianglesByMaterial();
    mesh->ComputeBounds();
    return mesh;
}

// Corner (i, j) of an n x n grid over [-h, h] at depth z, row 0 at the top,
// for a camera looking down +z.
inline auto FacingCamera(uint32_t n, float h, float z)
{
    return [=](uint32_t i, uint32_t j) {
        return OmVector3(-h + 2 * h * float(i) / float(n), h - 2 * h * float(j) / float(n), z);
    };
}

// Places the camera at `at` looking along forward, its view halfWidth to
// either side and three quarters of that up and down at unit distance
// (near 1, far 100), and applies it to the renderer.
inline void AimCamera(OmRenderer& renderer, OmCamera& camera, float halfWidth, const OmVector3& at = OmVector3(),
                      const OmVector3& right = OmVector3(1, 0, 0), const OmVector3& up = OmVector3(0, 1, 0),
                      const OmVector3& forward = OmVector3(0, 0, 1))
{
    OmProjection projection;
    projection.halfWidth = halfWidth, projection.halfHeight = 0.75f * halfWidth;
    projection.nearDistance = 1.0f, projection.farDistance = 100.0f;
    camera.SetProjection(projection);
    camera.SetFrame(at, right, up, forward);
    camera.Invalidate();
    camera.Apply(renderer);
}

// Collects what the engine reports while it lives.
using ErrorLog = DebugOutputCapture;

// Colours as read back from a 32-bit back buffer.
constexpr uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF,
                   kBlack = 0xFF000000;
// One 8-bit channel of such a colour: shift 16 red, 8 green, 0 blue.
inline uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// The smallest box round the pixels `picked` chooses in a picture `width`
// pixels wide, top row first, and how many it chose; empty when none.
struct InkBox {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int count = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    bool Empty() const { return right < 0; }
};
template <class Picked>
InkBox FindInk(const std::vector<uint32_t>& pixels, int width, Picked picked)
{
    InkBox box;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (!picked(pixels[i]))
            continue;
        const int x = int(i % size_t(width)), y = int(i / size_t(width));
        ++box.count;
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
    }
    return box;
}

// One pre-transformed vertex: pixels, y down.
using gfxtest::RhwVertex;

class RendererTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (inScene && renderer && renderer->GetDevice())
            Device()->EndScene();
        renderer.reset();
        plat::ClearGfxTestAdapters();
    }

    // A full-screen device of the given size and colour depth on the
    // standard test adapter (or the adapter asked for).
    bool Open(uint32_t width, uint32_t height, uint32_t bits = 32,
              plat::GfxTestAdapter adapter = StandardAdapter(), uint32_t adapterIndex = 0)
    {
        plat::SetGfxTestAdapters({std::move(adapter)});
        renderer = std::make_unique<TestRenderer>();
        OmDisplayRequest request;
        request.width = width;
        request.height = height;
        request.bitsPerPixel = bits;
        request.adapter = adapterIndex;
        OmRendererSetup setup;
        setup.display = &request;
        return renderer->Initialise(&setup);
    }

    plat::GfxDevice* Device() { return renderer->GetDevice(); }
    // The buffer the device has on stream 0 (not held for the caller), and its stride.
    plat::GfxVertexBuffer* DeviceStream(uint32_t* stride = nullptr)
    {
        plat::GfxVertexBuffer* bound = nullptr;
        uint32_t ignored = 0;
        Device()->GetStreamSource(0, &bound, stride ? stride : &ignored);
        if (bound)
            bound->Release();
        return bound;
    }

    // Identity matrices (positions are screen fractions), lighting off, the
    // screen cleared to black, and the device's scene open (the test's end
    // closes it).
    void BeginScreenFractionScene()
    {
        renderer->SetWorldMatrix(&OmMatrix4::Identity());
        renderer->SetViewMatrix(&OmMatrix4::Identity());
        renderer->SetProjectionMatrix(&OmMatrix4::Identity());
        renderer->SetLighting(false);
        ClearTo(0.0f, 0.0f, 0.0f);
        inScene = Device()->BeginScene() == plat::GfxResult::Ok;
        ASSERT_TRUE(inScene);
    }

    // The back buffer as A8R8G8B8 words, top row first.
    std::vector<uint32_t> ReadPixels() { return gfxtest::ReadBackBuffer(*Device(), width, height); }

    uint32_t Pixel(const std::vector<uint32_t>& pixels, uint32_t x, uint32_t y) const
    {
        return pixels[size_t(y) * width + x];
    }

    void ExpectStates(std::initializer_list<std::pair<uint32_t, uint32_t>> states) const
    {
        for (const auto& [state, value] : states)
            EXPECT_EQ(renderer->GetRenderState(state), value) << "state " << state;
    }

    void ExpectCacheMatchesDevice(std::initializer_list<uint32_t> states)
    {
        for (uint32_t state : states) {
            uint32_t onDevice = 0;
            Device()->GetRenderState(state, &onDevice);
            EXPECT_EQ(onDevice, renderer->GetRenderState(state)) << "state " << state;
        }
    }

    struct Probe {
        uint32_t x, y, colour;
    };
    void ExpectPixels(const std::vector<uint32_t>& pixels, std::initializer_list<Probe> probes) const
    {
        for (const Probe& p : probes)
            EXPECT_EQ(Pixel(pixels, p.x, p.y), p.colour) << std::hex << "at " << std::dec << p.x << "," << p.y;
    }

    void ClearTo(float r, float g, float b)
    {
        const float rgb[3] = {r, g, b};
        renderer->SetClearColour(rgb);
        renderer->Clear(nullptr, 0);
    }

    // One frame cleared to black and drawn by draw, read back.
    template <class Draw>
    std::vector<uint32_t> DrawFrame(Draw draw)
    {
        EXPECT_TRUE(renderer->BeginScene(0.0f));
        ClearTo(0, 0, 0);
        draw();
        renderer->EndScene();
        return ReadPixels();
    }

    // A registered material: the diffuse colour over a black ambient, an
    // emissive colour that may tell it apart, and the blend mode.
    int32_t Material(const OmColour& diffuse, uint32_t blend = 0, const OmColour& emissive = OmColour())
    {
        OmMaterial m(diffuse, OmColour(0, 0, 0, 1), OmColour(), emissive, 10.0f, 1.0f, blend);
        return renderer->RegisterMaterial(&m);
    }

    std::unique_ptr<TestRenderer> renderer;
    uint32_t width = 0, height = 0;
    bool inScene = false;
};

// A 640 x 480 screen of 32 bits opened for every test.
class ScreenTest : public RendererTest {
protected:
    void SetUp() override { ASSERT_TRUE(Open(640, 480)); }
};

// A renderer set up for blended drawing: positions are screen fractions
// (identity matrices) with lighting off, inside a scene.
class BlendTest : public RendererTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Open(640, 480));
        BeginScreenFractionScene();
    }

    uint64_t Draws() const
    {
        return renderer->GetDevice()->CallCount(plat::GfxCall::DrawIndexedPrimitive)
            + renderer->GetDevice()->CallCount(plat::GfxCall::DrawPrimitive);
    }
};

} // namespace rtest
