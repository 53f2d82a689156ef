// The hologram portrait of a squad member who is not the current
// character: its picture on a 5 x 5 grid whose three inner bands scroll
// upwards at their own speeds, with a brighter row and now and then a
// short glitch.
#pragma once

#include <cstdint>

#include "ui/TsFrameWindow.h"

class TsHUDPortrait {
public:
    static constexpr int kGrid = 5;
    static constexpr int kVertexCount = kGrid * kGrid;
    static constexpr int kIndexCount = 96;
    static constexpr int kGlitchFrames = 15;
    static constexpr uint32_t kColour = 0x8FC34664u;
    static constexpr uint32_t kHighlightColour = 0x8FC346C4u;

    TsHUDPortrait();

    // The index table shared by every portrait: two triangles per grid cell.
    static void BuildIndices();
    static const uint16_t* GetIndices();

    void SetPlace(int32_t x, int32_t y) { m_x = x; m_y = y; }
    void SetSize(int32_t width, int32_t height) { m_width = width; m_height = height; }
    void SetTexture(int32_t id) { m_textureId = id; }
    // Lays the grid out for this frame and moves the bands (dt: the
    // renderer's frame time in seconds; random: a number 0..32767).
    void Update(float dt, int random);
    void Render();

    const TsScreenVertex& GetVertex(int i) const { return m_vertices[i]; }
    float GetBand(int i) const { return m_bands[i]; }
    int32_t GetHighlightedRow() const { return m_highlightedRow; }
    int32_t GetGlitch() const { return m_glitch; }

private:
    float m_bands[4] = {0.0f, 0.25f, 0.5f, 0.75f};
    uint32_t m_spare = 0;
    float m_speeds[3] = {0.13f, 0.19f, 0.07f};
    int32_t m_highlightedRow = 0;
    uint32_t m_vertexCounter = 0;
    int32_t m_glitch = 0;
    int32_t m_textureId = -1;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint8_t m_flag = 0;
    TsScreenVertex m_vertices[kVertexCount];
};
