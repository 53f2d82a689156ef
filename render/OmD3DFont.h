// Screen text from one texture: the printable ASCII glyphs of a TrueType
// face are drawn once into a square alpha texture, and each text becomes
// two pre-transformed triangles per character in a fixed dynamic buffer,
// drawn between two recorded state blocks so the caller's state comes back.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "platform/GfxTexture.h"

class OmD3D;

class OmD3DFont {
public:
    // Face flags: 1 bold, 2 italic (the small fonts are made bold).
    static constexpr uint32_t kBold = 0x1;
    static constexpr uint32_t kItalic = 0x2;
    // Drawing flags.
    static constexpr uint32_t kFiltered = 0x4;
    static constexpr uint32_t kSlanted = 0x8;
    static constexpr uint32_t kFirstChar = 32;
    static constexpr uint32_t kLastChar = 127;
    static constexpr uint32_t kBufferVertices = 300;

    struct Glyph {
        float left = 0, top = 0, right = 0, bottom = 0; // texture coordinates
    };

    OmD3DFont(const char* faceName, uint32_t height, uint32_t flags);
    ~OmD3DFont();
    OmD3DFont(const OmD3DFont&) = delete;
    OmD3DFont& operator=(const OmD3DFont&) = delete;

    // Builds the texture and glyph table; a result code.
    int32_t CreateGlyphTexture(OmD3D& renderer);
    // The vertex buffer and the two state blocks.
    int32_t Restore();
    void Invalidate();
    void DeleteDeviceObjects();
    void Destroy();

    // Width and height in pixels; E_FAIL for a null text or size.
    int32_t GetTextExtent(const char* text, uint32_t size[2]) const;
    // (x, y) in pixels, colour A8R8G8B8. A null text draws nothing.
    int32_t DrawText(float x, float y, uint32_t colour, const char* text, uint32_t flags);

    uint32_t GetTextureSize() const { return m_textureSize; }
    float GetTextScale() const { return m_textScale; }
    const Glyph& GetGlyph(unsigned char c) const { return m_glyphs[c - kFirstChar]; }
    // Whether a character has a glyph (printable ASCII, not DEL).
    static bool IsDrawn(unsigned char c) { return c >= kFirstChar && c < kLastChar; }
    // One line's height in screen pixels.
    float RowHeight() const;
    uint32_t GetDrawBatches() const { return m_batches; }

private:
    float GlyphWidth(unsigned char c) const;
    float GlyphHeight(unsigned char c) const;
    int32_t FlushBatch(uint32_t triangles);

    char m_faceName[80] = {};
    uint32_t m_height;
    uint32_t m_flags;
    OmD3D* m_renderer = nullptr;
    OmRef<plat::GfxTexture> m_texture;
    int32_t m_vertexBuffer = -1;
    uint32_t m_textureSize = 0;
    float m_textScale = 1.0f;
    Glyph m_glyphs[kLastChar - kFirstChar + 1];
    uint32_t m_largestWidth = 0, m_largestHeight = 0;
    uint32_t m_savedBlock = 0, m_drawBlock = 0;
    uint32_t m_batches = 0; // draws of the last DrawText
};
