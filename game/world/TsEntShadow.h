// The render-state set-up for blob shadows laid onto world triangles: the
// shadow texture clamped and selected as it stands, drawn with an equal
// depth test over the triangles it lies on (so it never floats or sinks),
// depth writes off. Off when the effects detail is 0.
#pragma once

#include <cstdint>

class TsEntShadow {
public:
    static constexpr uint32_t kVertexCount = 768;

    explicit TsEntShadow(const char* textureFile);
    virtual ~TsEntShadow();
    TsEntShadow(const TsEntShadow&) = delete;
    TsEntShadow& operator=(const TsEntShadow&) = delete;

    static bool IsEnabled() { return s_enabled; }
    bool IsReady() const { return s_enabled && texture >= 0 && vertexBuffer >= 0; }

    void BeginRender();
    void EndRender();

    int32_t vertexBuffer = -1;
    int32_t texture = -1;

private:
    static bool s_enabled;
    static uint32_t s_saved[8];
};
