#include "ui/TsGuiDialog.h"

#include <algorithm>

#include "ui/TsGuiPanel.h"

namespace {

int32_t TilesUp(float length, float tile)
{
    if (tile <= 0.0f || length <= 0.0f) {
        return 0;
    }
    const int32_t t = int32_t(tile), n = int32_t(length);
    return t > 0 ? n / t + (n % t ? 1 : 0) : 0;
}

} // namespace

TsGuiDialog::TsGuiDialog(TsFrontEndBase* frontEnd) : TsGuiWindow(frontEnd) {}

void TsGuiDialog::SetFrameSprites(const TsGuiSpritePlacement (&frame)[TS_FRAME_SLOTS])
{
    std::copy(frame, frame + TS_FRAME_SLOTS, m_frame);
    Layout();
}

void TsGuiDialog::Layout()
{
    const float w = GuiToPixelsX(m_width), h = GuiToPixelsY(m_height);
    const auto width = [this](int slot) { return m_frame[slot].GetPixelWidth(); };
    const auto height = [this](int slot) { return m_frame[slot].GetPixelHeight(); };
    m_edgeTiles[0] = TilesUp(w - width(TS_FRAME_TOP_LEFT) - width(TS_FRAME_TOP_RIGHT), width(TS_FRAME_TOP));
    m_edgeTiles[1] = TilesUp(h - height(TS_FRAME_TOP_LEFT) - height(TS_FRAME_BOTTOM_LEFT), height(TS_FRAME_LEFT));
    m_edgeTiles[2] = TilesUp(h - height(TS_FRAME_TOP_RIGHT) - height(TS_FRAME_BOTTOM_RIGHT), height(TS_FRAME_RIGHT));
    m_edgeTiles[3] = TilesUp(w - width(TS_FRAME_BOTTOM_LEFT) - width(TS_FRAME_BOTTOM_RIGHT), width(TS_FRAME_BOTTOM));
    if (m_edgeTiles[0] > 0) {
        const float rounded =
            width(TS_FRAME_TOP_LEFT) + width(TS_FRAME_TOP_RIGHT) + float(m_edgeTiles[0]) * width(TS_FRAME_TOP);
        m_width = GuiToFractionX(rounded);
    }
}

void TsGuiDialog::Activate(TsGuiArg a, TsGuiArg b)
{
    m_frameWidth = GuiToPixelsX(m_width);
    m_frameHeight = GuiToPixelsY(m_height);
    GuiSnapFrameSize(m_frame, m_frameWidth, m_frameHeight);
    TsGuiWindow::Activate(a, b);
}

void TsGuiDialog::Render(float fraction)
{
    const float x0 = GuiToPixelsX(m_x), y0 = GuiToPixelsY(m_y);
    if (m_shaded) {
        DrawGuiShade(x0, y0, m_frameWidth, m_frameHeight);
    }
    DrawGuiFrame(x0, y0, m_frameWidth, m_frameHeight, m_frame, m_frameLines != 0);
    TsGuiWindow::Render(fraction);
}
