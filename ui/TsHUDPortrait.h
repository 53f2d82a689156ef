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

    void SetPlace(int32_t x, int32_t y) { x_ = x; y_ = y; }
    void SetSize(int32_t width, int32_t height) { width_ = width; height_ = height; }
    void SetTexture(int32_t id) { textureId_ = id; }
    // Lays the grid out for this frame and moves the bands (dt: the
    // renderer's frame time in seconds; random: a number 0..32767).
    void Update(float dt, int random);
    void Render();

    const TsScreenVertex& GetVertex(int i) const { return vertices_[i]; }
    float GetBand(int i) const { return bands_[i]; }
    int32_t GetHighlightedRow() const { return highlightedRow_; }
    int32_t GetGlitch() const { return glitch_; }

private:
    float bands_[4] = {0.0f, 0.25f, 0.5f, 0.75f};
    uint32_t spare_ = 0;
    float speeds_[3] = {0.13f, 0.19f, 0.07f};
    int32_t highlightedRow_ = 0;
    uint32_t vertexCounter_ = 0;
    int32_t glitch_ = 0;
    int32_t textureId_ = -1;
    int32_t x_ = 0;
    int32_t y_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
    uint8_t flag_ = 0;
    TsScreenVertex vertices_[kVertexCount];
};
