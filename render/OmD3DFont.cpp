#include "render/OmD3DFont.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/OmReport.h"
#include "engine/OmVector4.h"
#include "platform/FontRaster.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

struct FontVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(FontVertex) == 28);

constexpr uint32_t kMaxTrianglesPerBatch = 98;

uint32_t FirstTextureSize(uint32_t points)
{
    if (points > 40)
        return 1024;
    if (points > 20)
        return 512;
    return 256;
}

// A 4-bit coverage in all four nibbles: white glyphs whose alpha is the ink.
uint16_t GlyphTexel(uint32_t pixel)
{
    const uint32_t a = (pixel & 0xFF) >> 4;
    return a ? static_cast<uint16_t>(a * 0x1111) : 0;
}

} // namespace

OmD3DFont::OmD3DFont(const char* faceName, uint32_t height, uint32_t flags) : m_height(height), m_flags(flags)
{
    if (faceName)
        std::strncpy(m_faceName, faceName, sizeof m_faceName - 1);
}

OmD3DFont::~OmD3DFont() { Destroy(); }

int32_t OmD3DFont::CreateGlyphTexture(OmD3D& renderer)
{
    m_renderer = &renderer;
    GfxDevice* device = renderer.GetDevice();
    if (!device)
        return GfxResult::InvalidCall;
    m_textureSize = FirstTextureSize(m_height);
    m_textScale = 1.0f;
    GfxCaps caps{};
    device->GetDeviceCaps(&caps);
    if (caps.maxTextureWidth && caps.maxTextureWidth < m_textureSize) {
        m_textScale = static_cast<float>(caps.maxTextureWidth) / static_cast<float>(m_textureSize);
        m_textureSize = caps.maxTextureWidth;
    }
    const int32_t created = device->CreateTexture(m_textureSize, m_textureSize, 1, 0, GfxFormat::A4R4G4B4,
                                                  GfxPool::Managed, m_texture.Put());
    if (GfxFailed(created))
        return created;

    FontRaster raster;
    std::string error;
    const int pixels = FontPixelHeight(static_cast<float>(m_height) * m_textScale);
    if (!raster.Open(m_faceName, pixels, (m_flags & kBold) != 0, (m_flags & kItalic) != 0, &error)) {
        ReportError("OmD3DFont: %s", error.c_str());
        return GfxResult::Fail;
    }
    const uint32_t size = m_textureSize;
    std::vector<uint32_t> dib(static_cast<size_t>(size) * size, 0);
    uint32_t x = 0, y = 0;
    bool overflowed = false;
    for (uint32_t c = kFirstChar; c < kLastChar; ++c) {
        const uint32_t w = raster.Advance(static_cast<unsigned char>(c));
        const uint32_t h = raster.CellHeight();
        m_largestWidth = std::max(m_largestWidth, w);
        m_largestHeight = std::max(m_largestHeight, h);
        if (x + w + 1 > size) {
            x = 0;
            y += h + 1;
        }
        // A glyph that no longer fits keeps an empty rectangle and draws
        // nothing, rather than being drawn outside the texture.
        if (y + h > size || w + 1 > size) {
            overflowed = true;
            continue;
        }
        raster.DrawChar(static_cast<unsigned char>(c), static_cast<int>(x), static_cast<int>(y), dib.data(), size,
                        size, size * sizeof(uint32_t), true);
        const float s = static_cast<float>(size);
        m_glyphs[c - kFirstChar] = Glyph{static_cast<float>(x) / s, static_cast<float>(y) / s,
                                         static_cast<float>(x + w) / s, static_cast<float>(y + h) / s};
        x += w + 1;
    }
    if (overflowed)
        ReportError("OmD3DFont: \"%s\" at %u points does not fit its %u x %u texture", m_faceName, m_height, size,
                    size);

    GfxLockedRect locked{};
    if (GfxFailed(m_texture->LockRect(0, &locked, nullptr, 0)) || !locked.bits)
        return GfxResult::Fail;
    for (uint32_t row = 0; row < size; ++row) {
        auto* out = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.bits) + static_cast<size_t>(row) * locked.pitch);
        for (uint32_t col = 0; col < size; ++col)
            out[col] = GlyphTexel(dib[static_cast<size_t>(row) * size + col]);
    }
    m_texture->UnlockRect(0);
    return GfxResult::Ok;
}

int32_t OmD3DFont::Restore()
{
    if (!m_renderer || !m_texture)
        return GfxResult::InvalidCall;
    if (m_vertexBuffer < 0)
        m_vertexBuffer = m_renderer->CreateVertexBuffer(GfxFvf::RhwDiffuseTex1, kBufferVertices, false, false, true);
    if (m_vertexBuffer < 0)
        return GfxResult::Fail;
    OmD3D& r = *m_renderer;
    for (uint32_t* block : {&m_savedBlock, &m_drawBlock}) {
        *block = r.BeginStateBlock();
        r.SetD3DTexture(0, m_texture);
        r.DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
        r.DispatchRenderState(GfxRs::SrcBlend, GfxBlend::SrcAlpha);
        r.DispatchRenderState(GfxRs::DestBlend, GfxBlend::InvSrcAlpha);
        r.DispatchRenderState(GfxRs::AlphaTestEnable, 0);
        r.DispatchRenderState(GfxRs::FillMode, GfxFill::Solid);
        r.DispatchRenderState(GfxRs::CullMode, GfxCull::Ccw);
        r.DispatchRenderState(GfxRs::ZEnable, 0);
        r.DispatchRenderState(GfxRs::StencilEnable, 0);
        r.DispatchRenderState(GfxRs::Clipping, 1);
        r.DispatchRenderState(GfxRs::EdgeAntialias, 0);
        r.DispatchRenderState(GfxRs::ClipPlaneEnable, 0);
        r.DispatchRenderState(GfxRs::VertexBlend, 0);
        r.DispatchRenderState(GfxRs::IndexedVertexBlendEnable, 0);
        r.DispatchRenderState(GfxRs::FogEnable, 0);
        r.SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
        r.SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
        r.SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
        r.SetTextureStageState(0, GfxTss::AlphaOp, GfxTop::Modulate);
        r.SetTextureStageState(0, GfxTss::AlphaArg1, GfxTa::Texture);
        r.SetTextureStageState(0, GfxTss::AlphaArg2, GfxTa::Diffuse);
        r.SetTextureStageState(0, GfxTss::MinFilter, GfxFilter::Linear);
        r.SetTextureStageState(0, GfxTss::MagFilter, GfxFilter::Linear);
        r.SetTextureStageState(0, GfxTss::MipFilter, GfxFilter::Linear);
        r.SetTextureStageState(0, GfxTss::TexCoordIndex, 0);
        r.SetTextureStageState(0, GfxTss::TextureTransformFlags, 0);
        r.SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
        r.SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Disable);
        r.EndStateBlock();
    }
    return GfxResult::Ok;
}

void OmD3DFont::Invalidate()
{
    if (!m_renderer)
        return;
    if (m_vertexBuffer >= 0)
        m_renderer->ReleaseVertexBuffer(m_vertexBuffer);
    m_vertexBuffer = -1;
    if (m_savedBlock)
        m_renderer->DeleteStateBlock(m_savedBlock);
    if (m_drawBlock)
        m_renderer->DeleteStateBlock(m_drawBlock);
    m_savedBlock = m_drawBlock = 0;
}

void OmD3DFont::DeleteDeviceObjects()
{
    m_texture = nullptr;
}

void OmD3DFont::Destroy()
{
    Invalidate();
    DeleteDeviceObjects();
}

float OmD3DFont::GlyphWidth(unsigned char c) const
{
    const Glyph& g = GetGlyph(c);
    return (g.right - g.left) * static_cast<float>(m_textureSize) / m_textScale;
}

float OmD3DFont::GlyphHeight(unsigned char c) const
{
    const Glyph& g = GetGlyph(c);
    return (g.bottom - g.top) * static_cast<float>(m_textureSize) / m_textScale;
}

float OmD3DFont::RowHeight() const { return GlyphHeight(' '); }

int32_t OmD3DFont::GetTextExtent(const char* text, uint32_t size[2]) const
{
    if (!text || !size)
        return GfxResult::Fail;
    // Measured in screen pixels, as drawn: both divide by the text scale.
    const float row = RowHeight();
    float width = 0.0f, line = 0.0f, height = row;
    for (const char* p = text; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\n') {
            line = 0.0f;
            height += row;
        } else if (IsDrawn(c)) {
            line += GlyphWidth(c);
            width = std::max(width, line);
        }
    }
    size[0] = static_cast<uint32_t>(width);
    size[1] = static_cast<uint32_t>(height);
    return GfxResult::Ok;
}

int32_t OmD3DFont::FlushBatch(uint32_t triangles)
{
    OmD3DVertexBuffer* buffer = m_renderer->GetVertexBuffer(m_vertexBuffer);
    buffer->Unlock();
    if (triangles == 0)
        return GfxResult::Ok;
    ++m_batches;
    return m_renderer->GetDevice()->DrawPrimitive(GfxPrimitive::TriangleList, 0, triangles);
}

int32_t OmD3DFont::DrawText(float x, float y, uint32_t colour, const char* text, uint32_t flags)
{
    m_batches = 0;
    if (!m_renderer || !m_renderer->GetDevice() || !m_texture)
        return GfxResult::Fail;
    OmD3DVertexBuffer* buffer = m_renderer->GetVertexBuffer(m_vertexBuffer);
    if (!text || !buffer || !m_savedBlock)
        return GfxResult::Ok;
    OmD3D& r = *m_renderer;
    const float startX = static_cast<float>(static_cast<int32_t>(x));
    x = startX;
    y = static_cast<float>(static_cast<int32_t>(y));
    r.CaptureStateBlock(m_savedBlock);
    r.ApplyStateBlock(m_drawBlock);
    r.SetVertexShader(GfxFvf::RhwDiffuseTex1);
    r.SetD3DStreamSource(0, nullptr, 0);
    r.SetStreamSource(0, m_vertexBuffer);
    if (flags & kFiltered) {
        r.SetTextureStageState(0, GfxTss::MinFilter, GfxFilter::Linear);
        r.SetTextureStageState(0, GfxTss::MagFilter, GfxFilter::Linear);
    }
    const float slant = (flags & kSlanted) ? GlyphWidth('=') * 0.5f : 0.0f;
    const float row = RowHeight();
    auto* v = static_cast<FontVertex*>(buffer->Lock(0, 0, false));
    uint32_t triangles = 0;
    int32_t result = GfxResult::Ok;
    for (const char* p = text; *p && v; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '\n') {
            x = startX;
            y += row;
            continue;
        }
        if (!IsDrawn(c))
            continue;
        const Glyph& g = GetGlyph(c);
        const float w = GlyphWidth(c), h = GlyphHeight(c);
        const float l = x - 0.5f, t = y - 0.5f, rr = x + w - 0.5f, b = y + h - 0.5f;
        *v++ = FontVertex{l, b, 0.9f, 1.0f, colour, g.left, g.bottom};
        *v++ = FontVertex{l + slant, t, 0.9f, 1.0f, colour, g.left, g.top};
        *v++ = FontVertex{rr, b, 0.9f, 1.0f, colour, g.right, g.bottom};
        *v++ = FontVertex{rr + slant, t, 0.9f, 1.0f, colour, g.right, g.top};
        *v++ = FontVertex{rr, b, 0.9f, 1.0f, colour, g.right, g.bottom};
        *v++ = FontVertex{l + slant, t, 0.9f, 1.0f, colour, g.left, g.top};
        triangles += 2;
        x += w;
        if (triangles > kMaxTrianglesPerBatch) {
            result = FlushBatch(triangles);
            triangles = 0;
            buffer->SetDiscard();
            v = static_cast<FontVertex*>(buffer->Lock(0, 0, false));
        }
    }
    if (v || buffer->IsLocked())
        result = FlushBatch(triangles);
    r.ApplyStateBlock(m_savedBlock);
    return result;
}

// ---- the renderer's font ------------------------------------------------------------

void OmD3D::CreateFont()
{
    if (m_font || !m_device)
        return;
    auto* font = new OmD3DFont("Arial", 10, 0);
    if (GfxFailed(font->CreateGlyphTexture(*this)) || GfxFailed(font->Restore())) {
        ReportError("OmD3D: the text font could not be made; texts are not drawn");
        delete font;
        return;
    }
    m_font = font;
}

void OmD3D::DeleteFont()
{
    delete m_font;
    m_font = nullptr;
}

void OmD3D::DrawText(float x, float y, const char* text, const float* colour, float)
{
    if (!m_font || !text)
        return;
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const float* c = colour ? colour : white;
    const uint32_t packed = OmPackColour(c);
    m_font->DrawText(x * static_cast<float>(m_backBuffer.width), y * static_cast<float>(m_backBuffer.height), packed,
                     text, 0);
}

float OmD3D::GetTextExtent(const char* text, float* width, float* height)
{
    uint32_t size[2] = {0, 0};
    if (m_font)
        m_font->GetTextExtent(text, size);
    if (width)
        *width = static_cast<float>(size[0]);
    if (height)
        *height = static_cast<float>(size[1]);
    return static_cast<float>(size[1]);
}
