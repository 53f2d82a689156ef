// A device on a hidden window, with helpers to draw and read pixels back.
#pragma once

#include "platform/DebugOutput.h"
#include "platform/GfxDevice.h"
#include "platform/GfxSystem.h"
#include "tests/platform/ImageTestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace gfxtest {

using namespace plat;
using imgtest::Near;

struct RhwVertex {
    float x, y, z, rhw;
    uint32_t color;
};
struct RhwTexVertex : RhwVertex {
    float u, v;
};

// Writes 32-bit texels into level 0 of a texture, width to a row.
inline void FillTexture(GfxTexture* texture, uint32_t width, const std::vector<uint32_t>& texels)
{
    GfxLockedRect locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), GfxResult::Ok);
    for (size_t i = 0; i < texels.size(); ++i)
        std::memcpy(static_cast<uint8_t*>(locked.bits) + i / width * locked.pitch + i % width * 4, &texels[i], 4);
    texture->UnlockRect(0);
}

// A request for a width x height back buffer of format, discarded at each
// present, with an automatic depth buffer of format depth (none for 0).
inline GfxPresentParameters Presentation(uint32_t width, uint32_t height, uint32_t format, uint32_t depth)
{
    GfxPresentParameters p{};
    p.backBufferWidth = width;
    p.backBufferHeight = height;
    p.backBufferFormat = format;
    p.swapEffect = GfxSwap::Discard;
    p.enableAutoDepthStencil = depth != 0;
    p.autoDepthStencilFormat = depth;
    return p;
}

inline uint32_t Expand565(uint32_t v)
{
    const uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
    return 0xFF000000u | ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}

// The back buffer as A8R8G8B8 words, top row first, with its size; 16-bit
// pixels widened to 8 bits a channel.
inline std::vector<uint32_t> ReadBackBuffer(GfxDevice& device, uint32_t& width, uint32_t& height)
{
    GfxSurface* back = nullptr;
    EXPECT_EQ(device.GetBackBuffer(0, GfxBackBufferMono, &back), GfxResult::Ok);
    std::vector<uint32_t> pixels;
    GfxLockedRect locked{};
    if (back && back->LockRect(&locked, nullptr, GfxLock::ReadOnly) == GfxResult::Ok) {
        width = back->Width();
        height = back->Height();
        pixels.resize(size_t(width) * height);
        const uint32_t bytes = GfxFormatBytes(back->Format());
        for (uint32_t y = 0; y < height; ++y) {
            const auto* row = static_cast<const uint8_t*>(locked.bits) + size_t(y) * locked.pitch;
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t v = 0;
                std::memcpy(&v, row + size_t(x) * bytes, bytes);
                pixels[size_t(y) * width + x] = bytes == 2 ? Expand565(v) : (v | 0xFF000000u);
            }
        }
        back->UnlockRect();
    }
    if (back)
        back->Release();
    return pixels;
}

// Draws the rectangle l..r, t..b (pre-transformed, pixel edges at half
// pixels) as a strip at depth z, texture u 0..uMax and v 0..1 across it, on
// a device or a renderer.
template <class Target>
void DrawTexQuad(Target& target, float l, float t, float r, float b, uint32_t colour, float z = 0.5f, float uMax = 1)
{
    const RhwTexVertex v[4] = {{{l, t, z, 1, colour}, 0, 0}, {{r, t, z, 1, colour}, uMax, 0},
                               {{l, b, z, 1, colour}, 0, 1}, {{r, b, z, 1, colour}, uMax, 1}};
    target.SetVertexShader(GfxFvf::RhwDiffuseTex1);
    EXPECT_EQ(target.DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, v, sizeof v[0]), GfxResult::Ok);
}

class DeviceTest : public ::testing::Test {
protected:
    // Every test ends without OpenGL errors or programs that failed to build.
    void TearDown() override
    {
        Destroy();
        if (hooked) {
            SetDebugOutputHook(nullptr);
            hooked = false;
        }
        for (const std::string& line : glTrouble)
            ADD_FAILURE() << line;
    }

    bool Make(uint32_t width, uint32_t height, uint32_t format = GfxFormat::X8R8G8B8, uint32_t depth = GfxFormat::D16)
    {
        Destroy();
        if (!hooked) {
            SetDebugOutputHook([this](std::string_view text) {
                if (text.find("OpenGL error") != text.npos || text.find("does not") != text.npos)
                    glTrouble.emplace_back(text);
            });
            hooked = true;
        }
        system = GfxSystem::Create(220);
        params = Presentation(width, height, format, depth);
        params.windowed = 1;
        return system && system->CreateDevice(0, GfxDevType::Hal, nullptr, GfxCreate::MixedVertexProcessing,
                                              &params, &device) == GfxResult::Ok;
    }

    void Destroy()
    {
        for (GfxObject* object : held)
            object->Release();
        held.clear();
        if (device)
            device->Release();
        if (system)
            system->Release();
        device = nullptr, system = nullptr;
    }

    // The back buffer's colour at (x, y), without the alpha byte.
    uint32_t Rgb(int x, int y)
    {
        uint32_t width = 0, height = 0;
        const std::vector<uint32_t> pixels = ReadBackBuffer(*device, width, height);
        return pixels.empty() ? 0 : pixels[size_t(y) * width + size_t(x)] & 0xFFFFFF;
    }

    struct Probe {
        int x, y;
        uint32_t rgb;
    };
    void ExpectRgb(std::initializer_list<Probe> probes)
    {
        for (const Probe& p : probes)
            EXPECT_EQ(Rgb(p.x, p.y), p.rgb) << "at " << p.x << ", " << p.y;
    }

    void ClearTo(uint32_t color)
    {
        ASSERT_EQ(device->Clear(0, nullptr, GfxClear::Target | GfxClear::ZBuffer, color, 1.0f, 0), GfxResult::Ok);
    }

    // Two triangles covering [x0, x1) x [y0, y1) in pixels at depth z, clockwise on screen.
    void DrawRect(float x0, float y0, float x1, float y1, uint32_t color, float z = 0.5f)
    {
        const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
        const RhwVertex v[6] = {{l, t, z, 1, color}, {r, t, z, 1, color}, {l, b, z, 1, color},
                                {r, t, z, 1, color}, {r, b, z, 1, color}, {l, b, z, 1, color}};
        device->SetVertexShader(GfxFvf::RhwDiffuse);
        ASSERT_EQ(device->DrawPrimitiveUP(GfxPrimitive::TriangleList, 2, v, sizeof(RhwVertex)), GfxResult::Ok);
    }

    // A quad filling a size x size target, texture u from 0 to uMax, v from 0 to 1.
    void DrawTexturedQuad(float size, uint32_t color, float uMax = 1)
    {
        device->BeginScene();
        ClearTo(0xFF000000);
        DrawTexQuad(*device, -0.5f, -0.5f, size - 0.5f, size - 0.5f, color, 0.5f, uMax);
        device->EndScene();
    }

    // A managed texture of one level holding width x height 32-bit texels.
    GfxTexture* MakeTexture(uint32_t width, uint32_t height, const std::vector<uint32_t>& texels,
                            uint32_t format = GfxFormat::A8R8G8B8)
    {
        GfxTexture* texture = nullptr;
        EXPECT_EQ(device->CreateTexture(width, height, 1, 0, format, GfxPool::Managed, &texture), GfxResult::Ok);
        if (texture)
            FillTexture(texture, width, texels);
        return texture;
    }

    // Released with the device, first.
    template <class T>
    T* Hold(T* object)
    {
        if (object)
            held.push_back(object);
        return object;
    }

    // Level 0 of a new render-target texture (held, and given in *texture when asked).
    GfxSurface* TargetLevel(uint32_t size = 32, uint32_t format = GfxFormat::X8R8G8B8, GfxTexture** texture = nullptr)
    {
        GfxTexture* made = nullptr;
        EXPECT_EQ(device->CreateTexture(size, size, 1, GfxUsage::RenderTarget, format, GfxPool::Default, &made),
                  GfxResult::Ok);
        if (texture)
            *texture = made;
        return Level(Hold(made));
    }
    GfxSurface* Level(GfxTexture* texture)
    {
        GfxSurface* level = nullptr;
        if (texture)
            texture->GetSurfaceLevel(0, &level);
        return Hold(level);
    }
    GfxSurface* Depth(uint32_t size = 32, uint32_t format = GfxFormat::D16)
    {
        GfxSurface* depth = nullptr;
        EXPECT_EQ(device->CreateDepthStencilSurface(size, size, format, 0, &depth), GfxResult::Ok);
        return Hold(depth);
    }
    GfxSurface* Back()
    {
        GfxSurface* back = nullptr;
        EXPECT_EQ(device->GetRenderTarget(&back), GfxResult::Ok);
        return Hold(back);
    }
    GfxSurface* BackDepth()
    {
        GfxSurface* depth = nullptr;
        EXPECT_EQ(device->GetDepthStencilSurface(&depth), GfxResult::Ok);
        return Hold(depth);
    }

    std::vector<GfxObject*> held;
    GfxSystem* system = nullptr;
    GfxDevice* device = nullptr;
    bool hooked = false;
    std::vector<std::string> glTrouble;
    GfxPresentParameters params{};
};

// Copies data to the start of a vertex or index buffer.
template <class Buffer, class T>
void Fill(Buffer* buffer, const T& data)
{
    uint8_t* p = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &p, 0), GfxResult::Ok);
    std::memcpy(p, &data, sizeof data);
    buffer->Unlock();
}

} // namespace gfxtest
