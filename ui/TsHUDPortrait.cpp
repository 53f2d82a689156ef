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
    if (m_glitch > 0) {
        --m_glitch;
    } else if (float(random) < dt * 327.67f) {
        m_glitch = kGlitchFrames;
    }
    for (int r = 0; r < kGrid; ++r) {
        for (int c = 0; c < kGrid; ++c) {
            TsScreenVertex& v = m_vertices[kGrid * r + c];
            v.u = c == kGrid - 1 ? 0.99f : float(c) * 0.25f;
            float y = 0.0f;
            if (r == 0 || r == kGrid - 1) {
                v.v = float(r) * 0.25f;
                y = v.v;
            } else {
                y = m_bands[r - 1];
                v.v = y + 0.01f;
            }
            v.x = float(m_x) + float(m_width) * v.u;
            v.y = float(m_y) + float(m_height) * y;
            v.z = 0.5f;
            v.rhw = 1.0f;
            v.colour = r == m_highlightedRow ? kHighlightColour : kColour;
            ++m_vertexCounter;
            if (m_glitch > 0 && m_vertexCounter % kGlitchStride == 0) {
                v.colour -= kGlitchDim;
                v.u += kGlitchShift;
            }
        }
    }
    for (int i = 1; i <= 3; ++i) {
        m_bands[i] -= dt * m_speeds[i - 1] * 0.1f;
        if (m_bands[i] < 0.0f) {
            m_bands[i] = 1.0f;
        }
    }
    // Bands that cross swap speeds, and the row between them lights up.
    for (int i = 1; i <= 2; ++i) {
        if (m_bands[i] >= m_bands[i + 1]) {
            const float s = m_speeds[i - 1];
            m_speeds[i - 1] = m_speeds[i];
            m_speeds[i] = s;
            m_highlightedRow = i + 1;
        }
    }
}

void TsHUDPortrait::Render()
{
    TsHUDOverlay overlay;
    overlay.SetTexture(m_textureId);
    overlay.DrawIndexed(m_vertices, kVertexCount, GetIndices(), kIndexCount / 3);
}
