#include "ui/TsFrameWindow.h"

#include <algorithm>

#include "engine/OmTextureResource.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"

namespace {

using namespace plat;

constexpr uint16_t kStripIndices[4] = {0, 1, 2, 3};
constexpr uint32_t kAlphaBlend = 0x20; // source alpha over inverse source alpha
constexpr const char* kCornerImage = "data\\hud\\WindowCorner.tga";
constexpr const char* kEdgeImage = "data\\hud\\WindowEdge.tga";

// Texture coordinates of a corner whose outer corner sits at vertex outer
// (the image's (0, 0)) and inner corner at the opposite vertex.
void CornerUV(TsScreenQuad& q, float u0, float v0, float u1, float v1, float u2, float v2, float u3, float v3)
{
    const float uv[4][2] = {{u0, v0}, {u1, v1}, {u2, v2}, {u3, v3}};
    for (int i = 0; i < 4; ++i) {
        q.v[i].u = uv[i][0];
        q.v[i].v = uv[i][1];
    }
}

} // namespace

TsScreenQuad::TsScreenQuad()
{
    // Bottom-left, top-left, bottom-right, top-right.
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
        v[i].u = uv[i][0];
        v[i].v = uv[i][1];
    }
}

void TsScreenQuad::Place(float left, float top, float right, float bottom)
{
    v[0].x = left, v[0].y = bottom;
    v[1].x = left, v[1].y = top;
    v[2].x = right, v[2].y = bottom;
    v[3].x = right, v[3].y = top;
}

TsHUDOverlay::TsHUDOverlay()
{
    OmD3D* r = OmD3D::Instance();
    if (!r) {
        return;
    }
    m_active = true;
    m_zWrite = r->GetRenderState(GfxRs::ZWriteEnable);
    m_lighting = r->GetRenderState(GfxRs::Lighting);
    m_shader = r->GetVertexShader();
    r->SetVertexShader(kScreenVertexFormat);
    r->SetBlendMode(kAlphaBlend);
    r->SetLighting(false);
    r->DispatchRenderState(GfxRs::ZWriteEnable, 0);
    r->SetStreamSource(0, -1);
    r->SetIndices(-1, 0);
    r->DispatchRenderState(GfxRs::ZEnable, 0);
    r->DispatchRenderState(GfxRs::CullMode, GfxCull::None);
    r->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    r->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    r->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
}

TsHUDOverlay::~TsHUDOverlay()
{
    OmD3D* r = OmD3D::Instance();
    if (!m_active || !r) {
        return;
    }
    r->SetVertexShader(m_shader);
    r->DispatchRenderState(GfxRs::Lighting, m_lighting);
    r->DispatchRenderState(GfxRs::ZWriteEnable, m_zWrite);
    r->DispatchRenderState(GfxRs::ZEnable, 1);
    r->DispatchRenderState(GfxRs::CullMode, GfxCull::Ccw);
}

void TsHUDOverlay::SetTexture(int32_t textureId)
{
    if (OmD3D* r = OmD3D::Instance(); r && m_active) {
        r->SetTexture(0, textureId);
    }
}

void TsHUDOverlay::Draw(const TsScreenQuad& quad)
{
    DrawIndexed(quad.v, 4, kStripIndices, 0);
}

// A triangle count of 0 draws the four vertices as one strip.
void TsHUDOverlay::DrawIndexed(const TsScreenVertex* vertices, uint32_t vertexCount, const uint16_t* indices,
                               uint32_t triangleCount)
{
    OmD3D* r = OmD3D::Instance();
    if (!r || !m_active) {
        return;
    }
    if (triangleCount == 0) {
        r->DrawIndexedPrimitiveUP(GfxPrimitive::TriangleStrip, 0, vertexCount, 2, indices, GfxFormat::Index16, vertices,
                                  sizeof(TsScreenVertex));
    } else {
        r->DrawIndexedPrimitiveUP(GfxPrimitive::TriangleList, 0, vertexCount, triangleCount, indices,
                                  GfxFormat::Index16, vertices, sizeof(TsScreenVertex));
    }
}

// One corner image and one edge image, drawn for the top-left, serve all
// four sides: the coordinates turn with the piece.
TsFrameWindow::TsFrameWindow()
{
    // Corners: (0, 0) at the outer corner, (1, 1) at the inner one.
    CornerUV(m_pieces[kTopLeft], 0, 1, 0, 0, 1, 1, 1, 0);
    CornerUV(m_pieces[kTopRight], 1, 1, 1, 0, 0, 1, 0, 0);
    CornerUV(m_pieces[kBottomLeft], 0, 0, 0, 1, 1, 0, 1, 1);
    CornerUV(m_pieces[kBottomRight], 1, 0, 1, 1, 0, 0, 0, 1);
    // Edges: v 0 on the outer side, u running clockwise around the frame.
    CornerUV(m_pieces[kTop], 0, 1, 0, 0, 1, 1, 1, 0);
    CornerUV(m_pieces[kRight], 1, 1, 0, 1, 1, 0, 0, 0);
    CornerUV(m_pieces[kBottom], 1, 0, 1, 1, 0, 0, 0, 1);
    CornerUV(m_pieces[kLeft], 0, 0, 1, 0, 0, 1, 1, 1);
    LoadTextures();
}

bool TsFrameWindow::LoadTextures()
{
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer) {
        return true;
    }
    OmTextureResource corner(kCornerImage, -1, 1);
    OmTextureResource edge(kEdgeImage, -1, 1);
    m_cornerTexture = renderer->RegisterTexture(&corner);
    m_edgeTexture = renderer->RegisterTexture(&edge);
    return true;
}

float TsFrameWindow::FitOnScreen(float start, float size, float border, int extent)
{
    if (extent <= 0) {
        return start;
    }
    start = std::min(start, float(extent) - border - size);
    return std::max(start, border);
}

bool TsFrameWindow::Build(const OmVector2& position, const OmVector2& size, float b)
{
    if (m_cornerTexture == -1 || m_edgeTexture == -1) {
        LoadTextures();
    }
    m_position = position;
    const float x = position.x, y = position.y, w = size.x, h = size.y;
    m_pieces[kTopLeft].Place(x - b, y - b, x, y);
    m_pieces[kTopRight].Place(x + w, y - b, x + w + b, y);
    m_pieces[kBottomLeft].Place(x - b, y + h, x, y + h + b);
    m_pieces[kBottomRight].Place(x + w, y + h, x + w + b, y + h + b);
    m_pieces[kLeft].Place(x - b, y, x, y + h);
    m_pieces[kRight].Place(x + w, y, x + w + b, y + h);
    m_pieces[kTop].Place(x, y - b, x + w, y);
    m_pieces[kBottom].Place(x, y + h, x + w, y + h + b);
    return true;
}

void TsFrameWindow::Render()
{
    TsHUDOverlay overlay;
    overlay.SetTexture(m_cornerTexture);
    for (int piece : {kTopLeft, kTopRight, kBottomLeft, kBottomRight}) {
        overlay.Draw(m_pieces[piece]);
    }
    overlay.SetTexture(m_edgeTexture);
    for (int piece : {kTop, kRight, kLeft, kBottom}) {
        overlay.Draw(m_pieces[piece]);
    }
}
