#include "ui/TsHUDPortrait.h"

namespace {

uint16_t g_indices[TsHUDPortrait::kIndexCount];
bool g_indicesBuilt = false;

// A glitched vertex is darkened a little and its picture shifted sideways.
constexpr uint32_t kGlitchDim = 51;
constexpr float kGlitchShift = 0.05f;
constexpr uint32_t kGlitchStride = 113;

} // namespace

TsHUDPortrait::TsHUDPortrait()
{
    BuildIndices();
}

void TsHUDPortrait::BuildIndices()
{
    if (g_indicesBuilt) {
        return;
    }
    int n = 0;
    for (int r = 0; r < kGrid - 1; ++r) {
        for (int c = 0; c < kGrid - 1; ++c) {
            const uint16_t v = uint16_t(kGrid * r + c);
            const uint16_t quad[6] = {v, uint16_t(v + 5), uint16_t(v + 6), v, uint16_t(v + 6), uint16_t(v + 1)};
            for (uint16_t index : quad) {
                g_indices[n++] = index;
            }
        }
    }
    g_indicesBuilt = true;
}

const uint16_t* TsHUDPortrait::GetIndices()
{
    BuildIndices();
    return g_indices;
}

void TsHUDPortrait::Update(float dt, int random)
{
    if (glitch_ > 0) {
        --glitch_;
    } else if (float(random) < dt * 327.67f) {
        glitch_ = kGlitchFrames;
    }
    for (int r = 0; r < kGrid; ++r) {
        for (int c = 0; c < kGrid; ++c) {
            TsScreenVertex& v = vertices_[kGrid * r + c];
            v.u = c == kGrid - 1 ? 0.99f : float(c) * 0.25f;
            float y = 0.0f;
            if (r == 0 || r == kGrid - 1) {
                v.v = float(r) * 0.25f;
                y = v.v;
            } else {
                y = bands_[r - 1];
                v.v = y + 0.01f;
            }
            v.x = float(x_) + float(width_) * v.u;
            v.y = float(y_) + float(height_) * y;
            v.z = 0.5f;
            v.rhw = 1.0f;
            v.colour = r == highlightedRow_ ? kHighlightColour : kColour;
            ++vertexCounter_;
            if (glitch_ > 0 && vertexCounter_ % kGlitchStride == 0) {
                v.colour -= kGlitchDim;
                v.u += kGlitchShift;
            }
        }
    }
    for (int i = 1; i <= 3; ++i) {
        bands_[i] -= dt * speeds_[i - 1] * 0.1f;
        if (bands_[i] < 0.0f) {
            bands_[i] = 1.0f;
        }
    }
    // Bands that cross swap speeds, and the row between them lights up.
    for (int i = 1; i <= 2; ++i) {
        if (bands_[i] >= bands_[i + 1]) {
            const float s = speeds_[i - 1];
            speeds_[i - 1] = speeds_[i];
            speeds_[i] = s;
            highlightedRow_ = i + 1;
        }
    }
}

void TsHUDPortrait::Render()
{
    TsHUDOverlay overlay;
    overlay.SetTexture(textureId_);
    overlay.DrawIndexed(vertices_, kVertexCount, GetIndices(), kIndexCount / 3);
}
