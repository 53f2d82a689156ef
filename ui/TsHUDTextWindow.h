// The HUD's info window: a textured panel with the framed border, an
// optional picture and word-wrapped white text, sized to its content. It
// shows a character's details, an article's details and price, or the
// party's money.
#pragma once

#include <cstddef>
#include <cstdint>

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
    void SetVisible(bool visible) { visible_ = visible ? 1 : 0; }
    bool IsVisible() const { return visible_ != 0; }
    void SetHighlight(bool on) { highlighted_ = on ? 1 : 0; }
    bool IsHighlighted() const { return highlighted_ != 0; }
    TsObject* GetObject() const { return object_; }
    float GetMargin() const { return margin_; }
    int32_t GetKind() const { return kind_; }
    // (left, top, right, bottom); grow widens it by the margin on all sides.
    void GetRect(int32_t out[4], bool grow) const;
    void Render();

    const char* GetLine(int i) const { return i == 0 ? line1_ : i == 1 ? line2_ : line3_; }
    float GetWidth() const { return size_[0]; }
    float GetHeight() const { return size_[1]; }

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
    void Measure(const char* text, float& w, float& h) const;
    float Width(const char* text) const;

    TsHUDe& hud_;
    TsScreenQuad background_;
    int32_t normalTexture_ = -1;
    int32_t highlightTexture_ = -1;
    TsFrameWindow frame_;
    TsObject* object_ = nullptr;
    uint8_t visible_ = 0;
    uint8_t highlighted_ = 0;
    float width_ = 140.0f;
    float margin_ = 10.0f;
    char line1_[kLineSize] = {};
    char line2_[kLineSize] = {};
    char line3_[kLineSize] = {};
    int32_t kind_ = kCharacter;
    // Where Show asked for it, and where it stands: moved in from there by
    // what would overhang the screen.
    float openX_ = 0.0f;
    float openY_ = 0.0f;
    float x_ = 0.0f;
    float y_ = 0.0f;
    float size_[2] = {0.0f, 0.0f};
};
