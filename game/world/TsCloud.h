// The cloud layer: a cloud-shadow texture scrolling across the world,
// projected from above onto everything drawn between BeginRender and
// EndRender through the second texture stage (coordinates generated from the
// camera-space position). Off on small devices and at low effects detail.
#pragma once

#include <cstdint>

#include "engine/OmMatrix4.h"

class OmCamera;

class TsCloud {
public:
    explicit TsCloud(const char* textureFile);
    virtual ~TsCloud();
    TsCloud(const TsCloud&) = delete;
    TsCloud& operator=(const TsCloud&) = delete;

    // Decides (and keeps) whether the layer can be shown on this device at
    // the current effects detail.
    static bool IsSupported();
    static bool WasSupported() { return s_supported; }

    // Scrolls the texture to time and rebuilds the projection for the
    // active camera (identity when there is none).
    void Update(float time);
    // Builds textureMatrix from a camera's frame.
    void BuildTextureMatrix(const OmCamera* camera);
    void BeginRender();
    void EndRender();

    bool IsActive() const { return texture >= 0; }

    float uOffset = 0.0f, vOffset = 0.0f;
    OmMatrix4 textureMatrix;
    float lastTime = -1.0f;
    int32_t texture = -1;
    float uSpeed = 0.042f, vSpeed = 0.042f;
    float uScale = 0.013f, vScale = 0.013f;

private:
    static bool s_supported;
};
