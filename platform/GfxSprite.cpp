#include "platform/GfxSprite.h"

#include <cmath>

#include "platform/GfxDevice.h"

namespace plat {

namespace {

struct SpriteVertex {
    float x, y, z, rhw;
    uint32_t colour;
    float u, v;
};

struct StateValue {
    uint32_t state, value;
};

// The states the sprite draws with.
constexpr StateValue kRenderStates[] = {
    {GfxRs::ZEnable, 0},         {GfxRs::FillMode, GfxFill::Solid}, {GfxRs::ZWriteEnable, 0},
    {GfxRs::AlphaTestEnable, 0}, {GfxRs::SrcBlend, GfxBlend::SrcAlpha}, {GfxRs::DestBlend, GfxBlend::InvSrcAlpha},
    {GfxRs::CullMode, GfxCull::None}, {GfxRs::AlphaBlendEnable, 1}, {GfxRs::FogEnable, 0},
    {GfxRs::StencilEnable, 0},   {GfxRs::Clipping, 1},       {GfxRs::Lighting, 0},
    {GfxRs::VertexBlend, 0},     {GfxRs::ColorWriteEnable, 15}, {GfxRs::BlendOp, GfxBlendOp::Add},
};

constexpr StateValue kStage0States[] = {
    {GfxTss::ColorOp, GfxTop::Modulate},    {GfxTss::ColorArg1, GfxTa::Texture},
    {GfxTss::ColorArg2, GfxTa::Diffuse},    {GfxTss::AlphaOp, GfxTop::Modulate},
    {GfxTss::AlphaArg1, GfxTa::Texture},    {GfxTss::AlphaArg2, GfxTa::Diffuse},
    {GfxTss::TexCoordIndex, 0},             {GfxTss::TextureTransformFlags, 0},
    {GfxTss::AddressU, GfxAddress::Clamp},  {GfxTss::AddressV, GfxAddress::Clamp},
    {GfxTss::MagFilter, GfxFilter::Point},  {GfxTss::MinFilter, GfxFilter::Point},
    {GfxTss::MipFilter, GfxFilter::None},
};

constexpr size_t kRenderCount = sizeof kRenderStates / sizeof kRenderStates[0];
constexpr size_t kStageCount = sizeof kStage0States / sizeof kStage0States[0];

// What the sprite changes, read before it draws and put back after.
struct SavedState {
    uint32_t render[kRenderCount];
    uint32_t stage0[kStageCount];
    uint32_t stage1ColorOp = 0, stage1AlphaOp = 0;
    uint32_t shader = 0;
    GfxTexture* texture = nullptr;
    GfxVertexBuffer* stream = nullptr;
    uint32_t stride = 0;
    GfxIndexBuffer* indices = nullptr;
    uint32_t baseVertex = 0;

    void Read(const GfxDevice& d)
    {
        for (size_t i = 0; i < kRenderCount; ++i)
            d.GetRenderState(kRenderStates[i].state, &render[i]);
        for (size_t i = 0; i < kStageCount; ++i)
            d.GetTextureStageState(0, kStage0States[i].state, &stage0[i]);
        d.GetTextureStageState(1, GfxTss::ColorOp, &stage1ColorOp);
        d.GetTextureStageState(1, GfxTss::AlphaOp, &stage1AlphaOp);
        d.GetVertexShader(&shader);
        d.GetTexture(0, &texture);
        d.GetStreamSource(0, &stream, &stride);
        d.GetIndices(&indices, &baseVertex);
    }

    void Write(GfxDevice& d)
    {
        for (size_t i = 0; i < kRenderCount; ++i)
            d.SetRenderState(kRenderStates[i].state, render[i]);
        for (size_t i = 0; i < kStageCount; ++i)
            d.SetTextureStageState(0, kStage0States[i].state, stage0[i]);
        d.SetTextureStageState(1, GfxTss::ColorOp, stage1ColorOp);
        d.SetTextureStageState(1, GfxTss::AlphaOp, stage1AlphaOp);
        d.SetVertexShader(shader);
        d.SetTexture(0, texture);
        d.SetStreamSource(0, stream, stride);
        d.SetIndices(indices, baseVertex);
        for (GfxObject* held : {static_cast<GfxObject*>(texture), static_cast<GfxObject*>(stream),
                                static_cast<GfxObject*>(indices)}) {
            if (held)
                held->Release();
        }
    }
};

} // namespace

GfxSprite::GfxSprite(GfxDevice* device) : device_(device) { device_->AddRef(); }

GfxSprite::~GfxSprite() { device_->Release(); }

int32_t GfxSprite::Create(GfxDevice* device, GfxSprite** out)
{
    if (!out)
        return GfxResult::InvalidCall;
    *out = nullptr;
    if (!device)
        return GfxResult::InvalidCall;
    *out = new GfxSprite(device);
    return GfxResult::Ok;
}

int32_t GfxSprite::Begin()
{
    if (begun_)
        return GfxResult::InvalidCall;
    begun_ = true;
    return GfxResult::Ok;
}

int32_t GfxSprite::End()
{
    if (!begun_)
        return GfxResult::InvalidCall;
    begun_ = false;
    // The device gathers consecutive sprites drawn with one texture and
    // state into one draw: the batch's end draws what it gathered.
    device_->FlushBatch();
    return GfxResult::Ok;
}

int32_t GfxSprite::Draw(GfxTexture* texture, const GfxRect* source, const GfxVector2* scaling,
                        const GfxVector2* rotationCenter, float rotation, const GfxVector2* translation,
                        uint32_t colour)
{
    if (!texture)
        return GfxResult::InvalidCall;
    GfxSurfaceDesc desc{};
    texture->GetLevelDesc(0, &desc);
    if (desc.width == 0 || desc.height == 0)
        return GfxResult::InvalidCall;
    const GfxRect r = source ? *source : GfxRect{0, 0, static_cast<int32_t>(desc.width), static_cast<int32_t>(desc.height)};
    const GfxVector2 scale = scaling ? *scaling : GfxVector2{1.0f, 1.0f};
    const GfxVector2 centre = rotationCenter ? *rotationCenter : GfxVector2{0.0f, 0.0f};
    const GfxVector2 move = translation ? *translation : GfxVector2{0.0f, 0.0f};
    const float w = static_cast<float>(r.right - r.left), h = static_cast<float>(r.bottom - r.top);
    const float c = std::cos(rotation), s = std::sin(rotation);
    // Pixel centres lie on whole screen coordinates: half a pixel back puts
    // the texels' centres on them, so a sprite at a whole position shows its
    // texels one for one (on a pixel's edge, a texel could go either way).
    constexpr float kToPixelCentres = -0.5f;
    auto place = [&](float x, float y, float u, float v) {
        // Scale about the origin, rotate about the centre, then translate.
        const float sx = x * scale.x - centre.x, sy = y * scale.y - centre.y;
        return SpriteVertex{sx * c - sy * s + centre.x + move.x + kToPixelCentres,
                            sx * s + sy * c + centre.y + move.y + kToPixelCentres, 0.0f, 1.0f, colour, u, v};
    };
    const float tw = static_cast<float>(desc.width), th = static_cast<float>(desc.height);
    const float u0 = static_cast<float>(r.left) / tw, u1 = static_cast<float>(r.right) / tw;
    const float v0 = static_cast<float>(r.top) / th, v1 = static_cast<float>(r.bottom) / th;
    const SpriteVertex quad[4] = {place(0, 0, u0, v0), place(w, 0, u1, v0), place(0, h, u0, v1), place(w, h, u1, v1)};

    SavedState saved;
    saved.Read(*device_);
    for (const StateValue& sv : kRenderStates)
        device_->SetRenderState(sv.state, sv.value);
    for (const StateValue& sv : kStage0States)
        device_->SetTextureStageState(0, sv.state, sv.value);
    device_->SetTextureStageState(1, GfxTss::ColorOp, GfxTop::Disable);
    device_->SetTextureStageState(1, GfxTss::AlphaOp, GfxTop::Disable);
    device_->SetVertexShader(GfxFvf::RhwDiffuseTex1);
    device_->SetTexture(0, texture);
    const int32_t result = device_->DrawPrimitiveUP(GfxPrimitive::TriangleStrip, 2, quad, sizeof(SpriteVertex));
    saved.Write(*device_);
    ++draws_;
    return result;
}

} // namespace plat
