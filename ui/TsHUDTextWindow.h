// The HUD's info window: a textured panel with the framed border, an
// optional picture and word-wrapped white text, sized to its content. It
// shows a character's details, an article's details and price, or the
// party's money.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/framework/TsLink.h"
#include "ui/TsFrameWindow.h"

class TsHUDe;
class TsObject;

class TsHUDTextWindow {
public:
    enum Kind : int32_t { kCharacter = 0, kArticle = 1, kMoney = 2 };
    static constexpr int kLineSize = 260;

    // The HUD that owns the window writes its text and draws its icons.
    explicit TsHUDTextWindow(TsHUDe& hud);

    bool Init();
    // Toggles the window; when it becomes visible it shows the object.
    bool Show(float x, float y, TsObject* object, int32_t kind, float width);
    void SetVisible(bool visible) { m_visible = visible ? 1 : 0; }
    // A window about a character or an article closes as its subject goes:
    // only its empty frame would be left.
    bool IsVisible() const { return m_visible != 0 && (m_kind == kMoney || m_object); }
    void SetHighlight(bool on) { m_highlighted = on ? 1 : 0; }
    bool IsHighlighted() const { return m_highlighted != 0; }
    TsObject* GetObject() const { return m_object; }
    float GetMargin() const { return m_margin; }
    int32_t GetKind() const { return m_kind; }
    // (left, top, right, bottom); grow widens it by the margin on all sides.
    void GetRect(int32_t out[4], bool grow) const;
    void Render();

    const char* GetLine(int i) const { return i == 0 ? m_line1 : i == 1 ? m_line2 : m_line3; }
    float GetWidth() const { return m_size[0]; }
    float GetHeight() const { return m_size[1]; }

    // Shortens a word wider than maxWidth: characters are cut from its end
    // and a hyphen appended until it fits. The removed count goes to cut.
    // False when the word fits as it is, or nothing that fits can be made.
    bool FitWord(char* word, size_t capacity, float maxWidth, int& cut) const;

private:
    // Lays the content out (and draws it when draw is set); out: its size.
    void LayoutText(bool draw, float& w, float& h);
    void FormatLines(const char*& name, const char*& description);
    void FlowString(const char* text, bool draw, float pw, float ph, float& cy, float& used);
    void DrawSkillIcons(float w, float h);
    void PlaceBackground(float w, float h);

    TsHUDe& m_hud;
    TsScreenQuad m_background;
    int32_t m_normalTexture = -1;
    int32_t m_highlightTexture = -1;
    TsFrameWindow m_frame;
    TsLink<TsObject> m_object; // not held: one that goes reads as none
    uint8_t m_visible = 0;
    uint8_t m_highlighted = 0;
    float m_width = 140.0f;
    float m_margin = 10.0f;
    char m_line1[kLineSize] = {};
    char m_line2[kLineSize] = {};
    char m_line3[kLineSize] = {};
    int32_t m_kind = kCharacter;
    // Where Show asked for it, and where it stands: moved in from there by
    // what would overhang the screen.
    float m_openX = 0.0f;
    float m_openY = 0.0f;
    float m_x = 0.0f;
    float m_y = 0.0f;
    float m_size[2] = {0.0f, 0.0f};
};
