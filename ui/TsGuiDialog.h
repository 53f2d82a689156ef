// The framed window most screens derive from: eight frame sprites (edges
// without one drawn as lines when asked) over an optional shade.
#pragma once

#include "ui/TsGuiSprite.h"
#include "ui/TsGuiWindow.h"

class TsGuiDialog : public TsGuiWindow {
public:
    explicit TsGuiDialog(TsFrontEndBase* frontEnd);

    // Fixes the frame's pixel size, snapped to whole tiles.
    void Activate(TsGuiArg a, TsGuiArg b) override;
    void Render(float fraction) override;
    // The edge tile counts; the width rounded up to whole top tiles.
    void Layout() override;

    void SetFrameSprites(const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS]);
    const TsGuiSpritePlacement& GetFrameSprite(int slot) const { return m_frame[slot]; }
    void SetShaded(bool shaded) { m_shaded = shaded ? 1 : 0; }
    void SetFrameLines(bool lines) { m_frameLines = lines ? 1 : 0; }
    float GetFrameWidth() const { return m_frameWidth; }
    float GetFrameHeight() const { return m_frameHeight; }
    int32_t GetEdgeTiles(int edge) const { return m_edgeTiles[edge]; } // top, left, right, bottom

protected:
    int32_t m_edgeTiles[4] = {};
    TsGuiSpritePlacement m_frame[TS_FRAME_SLOTS];
    uint8_t m_frameLines = 0;
    uint8_t m_shaded = 0;
    float m_frameWidth = 0.0f, m_frameHeight = 0.0f;
};
