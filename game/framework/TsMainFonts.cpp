// The game's font files, added before the renderer is made; the
// application's four fonts, made once the renderer stands and kept for the
// whole run; and the load screen's prompt written with the HUD's one.
#include "game/framework/TsMain.h"

#include <algorithm>
#include <cstdint>

#include "engine/OmVector4.h"
#include "game/framework/TsLoadScreen.h"
#include "game/framework/TsLog.h"
#include "platform/FontRaster.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"

namespace {

constexpr const char* kFontFiles[] = {"data\\frontend\\tessaran.ttf", "data\\frontend\\arial.ttf"};

struct FontDesc {
    const char* face;
    uint32_t height;
    uint32_t flags;
};

// By TsMain::Font.
constexpr FontDesc kFonts[TsMain::FONT_COUNT] = {
    {"tessaran", 32, 0}, {"tessaran", 20, 0}, {"arial", 10, 1}, {"arial", 8, 1}};

// The device objects are made in this order of sizes.
constexpr TsMain::Font kDeviceOrder[TsMain::FONT_COUNT] = {TsMain::LARGE_FONT, TsMain::TITLE_FONT,
                                                           TsMain::SMALL_FONT, TsMain::SMALLEST_FONT};

} // namespace

bool TsMain::CreateFonts()
{
    if (m_fontsLoaded) {
        return true;
    }
    if (!m_renderer) {
        LogError("Start-up: there is no renderer to make the fonts on");
        return false;
    }
    for (int i = 0; i < FONT_COUNT; ++i) {
        m_fonts[i] = std::make_unique<OmD3DFont>(kFonts[i].face, kFonts[i].height, kFonts[i].flags);
    }
    m_fontsLoaded = true;
    bool made = true;
    for (Font which : kDeviceOrder) {
        if (plat::GfxFailed(m_fonts[which]->CreateGlyphTexture(*m_renderer))) {
            LogErrorF("Start-up: the %u-point font \"%s\" could not be made", kFonts[which].height,
                      kFonts[which].face);
            made = false;
        }
    }
    for (Font which : kDeviceOrder) {
        made = !plat::GfxFailed(m_fonts[which]->Restore()) && made;
    }
    return made;
}

void TsMain::DestroyFonts()
{
    if (!m_fontsLoaded) {
        return;
    }
    for (auto& font : m_fonts) {
        font.reset();
    }
    m_fontsLoaded = false;
}

void TsMain::AddFontFiles()
{
    if (m_fontFilesAdded) {
        return;
    }
    for (const char* file : kFontFiles) {
        if (plat::AddFontFile(file) == 0) {
            LogErrorF("Start-up: the font file %s could not be read; its faces fall back to the default face",
                      file);
        }
    }
    m_fontFilesAdded = true;
}

void TsMain::RemoveFontFiles()
{
    if (!m_fontFilesAdded) {
        return;
    }
    for (const char* file : kFontFiles) {
        plat::RemoveFontFile(file);
    }
    m_fontFilesAdded = false;
}

// Centred on the screen at the load screen's height, fading with its pulse.
void TsMain::DrawLoadScreenText(float alpha)
{
    OmD3DFont* font = GetHUDFont();
    if (!font) {
        return;
    }
    const char* text = g_loadScreen.Text();
    uint32_t size[2] = {0, 0};
    if (plat::GfxFailed(font->GetTextExtent(text, size))) {
        return;
    }
    const uint32_t colour = OmPackARGB(alpha, alpha, alpha, alpha);
    const int x = m_screenWidth / 2 - static_cast<int>(size[0]) / 2;
    font->DrawText(static_cast<float>(x), static_cast<float>(g_loadScreen.textY), colour, text, 0);
}
