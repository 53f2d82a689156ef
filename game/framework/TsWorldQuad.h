// A textured unit square lying flat in the world (x and z from -0.5 to 0.5
// at y 0), moved and scaled as a whole and drawn alpha-blended; the HUD
// marks destinations with one.
#pragma once

#include <cstdint>

#include "engine/OmVector3.h"

class TsWorldQuad {
public:
    TsWorldQuad() = default;
    ~TsWorldQuad();
    TsWorldQuad(const TsWorldQuad&) = delete;
    TsWorldQuad& operator=(const TsWorldQuad&) = delete;

    // Lets go of what it held, makes the four vertices and loads the
    // texture; true when the texture loaded.
    bool Create(const char* textureName);
    void Release();
    // Draws with every render state it changed put back.
    void Render();

    void SetScale(float scale) { m_scale = scale; }
    float GetScale() const { return m_scale; }
    void SetPosition(const OmVector3& position) { m_position = position; }
    const OmVector3& GetPosition() const { return m_position; }
    int32_t GetVertexBufferId() const { return m_vertexBuffer; }
    int32_t GetTextureId() const { return m_texture; }

private:
    float m_scale = 1.0f;
    OmVector3 m_position;
    int32_t m_vertexBuffer = -1;
    int32_t m_texture = -1;
};
