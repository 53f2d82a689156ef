// Helpers for the tests of blended drawing: the error log captured, plain
// coloured materials, and a renderer set up so that positions are screen
// fractions (identity matrices) with lighting off.
#pragma once

#include <string>
#include <string_view>

#include "engine/OmMaterial.h"
#include "platform/DebugOutput.h"
#include "tests/render/RendererFixture.h"

namespace rtest {

// Collects what the engine reports while it lives.
class ErrorLog {
public:
    ErrorLog()
    {
        plat::SetDebugOutputHook([this](std::string_view text) { m_text += text; });
    }
    ~ErrorLog() { plat::SetDebugOutputHook(nullptr); }
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    size_t Count(std::string_view what) const
    {
        size_t n = 0;
        for (size_t at = m_text.find(what); at != std::string::npos; at = m_text.find(what, at + 1))
            ++n;
        return n;
    }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
};

// A coloured-source vertex (position, diffuse, one texture set).
struct ColouredVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(ColouredVertex) == 24);

class BlendTest : public RendererTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Open(640, 480));
        renderer->SetWorldMatrix(&OmMatrix4::Identity());
        renderer->SetViewMatrix(&OmMatrix4::Identity());
        renderer->SetProjectionMatrix(&OmMatrix4::Identity());
        renderer->SetLighting(false);
        ClearTo(0.0f, 0.0f, 0.0f);
        ASSERT_TRUE(Device()->BeginScene() == plat::GfxResult::Ok);
    }
    void TearDown() override
    {
        if (renderer && renderer->GetDevice())
            Device()->EndScene();
        RendererTest::TearDown();
    }

    // A registered material whose emissive colour tells it apart.
    int32_t Material(float tag, uint32_t blend = 0x20)
    {
        const OmColour white(1, 1, 1, 1), none(0, 0, 0, 0);
        OmMaterial m(white, white, none, OmColour(tag, 0, 0, 1), 10.0f, 1.0f, blend);
        return renderer->RegisterMaterial(&m);
    }

    uint64_t Draws() const
    {
        return renderer->GetDevice()->CallCount(plat::GfxCall::DrawIndexedPrimitive)
            + renderer->GetDevice()->CallCount(plat::GfxCall::DrawPrimitive);
    }
};

} // namespace rtest
