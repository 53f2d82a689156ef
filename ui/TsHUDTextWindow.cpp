#include "ui/TsHUDTextWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/OmBaseSprite.h"
#include "engine/OmRenderer.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsDialogStrings.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsPlayer.h"
#include "ui/TsHUDe.h"

namespace {

constexpr const char* kNoDescription = "Needs a descripton.";
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr int kWordSize = 260;

const char* Text(int32_t id)
{
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    const char* text = strings ? strings->GetString(id) : nullptr;
    return text ? text : "";
}

void TextureSize(const OmBaseSprite* sprite, float& w, float& h)
{
    w = h = 0.0f;
    const OmRenderer* renderer = OmRenderer::Current();
    const OmTextureResource* texture = sprite && renderer && sprite->textureId != -1
                                           ? renderer->GetTexture(sprite->textureId)
                                           : nullptr;
    if (texture) {
        w = float(texture->width);
        h = float(texture->height);
    }
}

// Where a window of this size, opened at start, begins so that it and its
// frame stay on a screen of this extent: moved in by what overhangs, the
// start edge kept should it be wider than the screen. A screen not yet
// known (extent 0) moves nothing.
float FitOnScreen(float start, float size, float margin, int extent)
{
    if (extent <= 0) {
        return start;
    }
    start = std::min(start, float(extent) - margin - size);
    return std::max(start, margin);
}

OmBaseSprite* PictureOf(TsObject* object)
{
    const TsModel* model = TsModel::Cast(object);
    OmBaseSprite* sprite = model ? model->GetSprite() : nullptr;
    return sprite && sprite->textureId != -1 ? sprite : nullptr;
}

} // namespace

TsHUDTextWindow::TsHUDTextWindow(TsHUDe& hud) : hud_(hud) {}

void TsHUDTextWindow::Measure(const char* text, float& w, float& h) const
{
    w = 0.0f;
    h = 0.0f;
    hud_.GetTextExtent(text, w, h);
}

float TsHUDTextWindow::Width(const char* text) const
{
    float w = 0.0f, h = 0.0f;
    Measure(text, w, h);
    return w;
}

bool TsHUDTextWindow::Init()
{
    if (OmRenderer* renderer = OmRenderer::Current()) {
        OmTextureResource normal("data\\hud\\WindowMiddle.tga", -1, 1);
        OmTextureResource highlight("data\\hud\\WindowMiddleb.tga", -1, 1);
        normalTexture_ = renderer->RegisterTexture(&normal);
        highlightTexture_ = renderer->RegisterTexture(&highlight);
    }
    return true;
}

bool TsHUDTextWindow::Show(float x, float y, TsObject* object, int32_t kind, float width)
{
    visible_ = visible_ ? 0 : 1;
    if (!visible_) {
        return true;
    }
    kind_ = kind;
    openX_ = x_ = x;
    openY_ = y_ = y;
    object_ = object;
    width_ = width;
    float w = 0.0f, h = 0.0f;
    LayoutText(false, w, h);
    PlaceBackground(w, h);
    return true;
}

// The window follows its content, so it is kept on the screen each time
// it is laid out, from where it was opened.
void TsHUDTextWindow::PlaceBackground(float w, float h)
{
    size_[0] = w;
    size_[1] = h;
    x_ = FitOnScreen(openX_, w, margin_, TsAccess::ScreenWidth());
    y_ = FitOnScreen(openY_, h, margin_, TsAccess::ScreenHeight());
    background_.Place(x_, y_, x_ + w, y_ + h);
    frame_.Build(OmVector2(x_, y_), OmVector2(w, h), margin_);
}

void TsHUDTextWindow::GetRect(int32_t out[4], bool grow) const
{
    out[0] = int32_t(x_);
    out[1] = int32_t(y_);
    out[2] = int32_t(x_ + size_[0]);
    out[3] = int32_t(y_ + size_[1]);
    if (grow) {
        const int32_t m = int32_t(margin_);
        out[0] -= m;
        out[1] -= m;
        out[2] += m;
        out[3] += m;
    }
}

void TsHUDTextWindow::Render()
{
    if (!visible_) {
        return;
    }
    {
        TsHUDOverlay overlay;
        overlay.SetTexture(highlighted_ ? highlightTexture_ : normalTexture_);
        overlay.Draw(background_);
    }
    float w = 0.0f, h = 0.0f;
    LayoutText(true, w, h);
    PlaceBackground(w, h);
    frame_.Render();
}

// Fills the three line buffers for the kind shown; name and description
// are the two strings before them (null when the kind has none).
void TsHUDTextWindow::FormatLines(const char*& name, const char*& description)
{
    name = description = nullptr;
    line1_[0] = line2_[0] = line3_[0] = '\0';
    if (kind_ == kCharacter) {
        TsCharacterObject* c = TsCharacterObject::Cast(object_);
        if (!c) {
            return;
        }
        name = c->GetDisplayName();
        description = c->GetDisplayDescription();
        std::snprintf(line1_, sizeof line1_, "%s: %s", Text(30544), Text(c->GetDisplayRaceID()));
        std::snprintf(line2_, sizeof line2_, "%s: %d out of %d", Text(30546), int(c->GetVitality()),
                      int(c->GetMaxVitality()));
        std::snprintf(line3_, sizeof line3_, "%s: %d out of %d", Text(30548), int(c->GetHealth()),
                      int(c->GetMaxHealth()));
    } else if (kind_ == kArticle) {
        TsCollectibleObject* a = TsCollectibleObject::Cast(object_);
        if (!a) {
            return;
        }
        name = a->GetDisplayName();
        description = a->GetDisplayDescription();
        if (!a->IsForSale()) {
            std::snprintf(line1_, sizeof line1_, "%s", Text(30556));
            return;
        }
        // The HUD's quote: the price shown is the price a click charges.
        const int side = hud_.GetTradeSide();
        TsPlayer* player = TsAccess::LocalPlayer();
        TsCharacterObject* member =
            player && hud_.GetOpenSlot() >= 0 ? player->GetSquadMember(hud_.GetOpenSlot()) : nullptr;
        const TsHUDe::TradeQuote quote = TsHUDe::QuoteTrade(*a, side, member);
        if (quote.amount > 1) {
            std::snprintf(line1_, sizeof line1_, "%s: %d for %d", Text(30550), int(quote.price), int(quote.amount));
        } else {
            std::snprintf(line1_, sizeof line1_, "%s: %d", Text(30550), int(quote.price));
        }
        std::snprintf(line2_, sizeof line2_, "%s", Text(side == 1 ? 30552 : 30554));
    } else {
        const TsPlayer* player = TsAccess::LocalPlayer();
        const int32_t k = player ? player->GetKitty() : 0;
        std::snprintf(line1_, sizeof line1_, "%s %d %s", Text(30558), k, Text(k == 1 ? 30560 : 30562));
        if (hud_.IsTraderPending()) {
            std::snprintf(line2_, sizeof line2_, "%s", Text(30564));
        }
    }
    if (description && !*description) {
        description = kNoDescription;
    }
    if (!description && name) {
        description = kNoDescription;
    }
}

void TsHUDTextWindow::LayoutText(bool draw, float& w, float& h)
{
    OmBaseSprite* picture = PictureOf(object_);
    float pw = 0.0f, ph = 0.0f;
    TextureSize(picture, pw, ph);
    if (draw && picture && OmRenderer::Current()) {
        picture->SetScreenRelative(false);
        picture->SetPosition(kind_ == kArticle ? x_ + width_ * 0.5f : x_, y_);
        picture->Render(*OmRenderer::Current());
    }
    const char* name = nullptr;
    const char* description = nullptr;
    FormatLines(name, description);
    float cy = kind_ == kArticle ? y_ + ph : y_;
    float used = cy;
    for (const char* text : {name, description, static_cast<const char*>(line1_), static_cast<const char*>(line2_),
                             static_cast<const char*>(line3_)}) {
        if (text && *text) {
            FlowString(text, draw, pw, ph, cy, used);
        }
    }
    w = pw + width_;
    h = std::max(used - y_, ph);
    if (draw && kind_ == kCharacter) {
        DrawSkillIcons(w, h);
    }
}

// Lays one string out from a new line; lines beside the picture are
// narrower than those below it. used: the lowest line bottom so far.
void TsHUDTextWindow::FlowString(const char* text, bool draw, float pw, float ph, float& cy, float& used)
{
    float tw = 0.0f, lineHeight = 0.0f;
    Measure("Ay", tw, lineHeight);
    const float fullWidth = pw + width_;
    auto lineStart = [&](float lineY) { return lineY + lineHeight >= y_ + ph ? x_ : x_ + pw; };
    auto lineEnd = [&](float lineY) { return lineY + lineHeight >= y_ + ph ? x_ + fullWidth : x_ + pw + width_; };
    float lineY = cy;
    float cx = lineStart(lineY);
    bool lineEmpty = true;
    bool breakNext = false;
    size_t pos = 0;
    const size_t length = std::strlen(text);
    char word[kWordSize];
    while (pos < length) {
        size_t end = pos;
        while (end < length && text[end] != ' ' && text[end] != '\n') {
            ++end;
        }
        size_t n = std::min(end - pos, size_t(kWordSize - 2));
        std::memcpy(word, text + pos, n);
        word[n] = '\0';
        // A word too long for the buffer goes on as the next word.
        bool joined = n < end - pos; // the word's rest follows without a gap
        if (const char* hyphen = std::strrchr(word, '-'); hyphen && hyphen[1] != '\0') {
            n = size_t(hyphen - word) + 1;
            word[n] = '\0';
            joined = true;
        }
        int cut = 0;
        if (FitWord(word, sizeof word, fullWidth, cut)) {
            n -= size_t(cut);
            joined = true;
        }
        const float ww = Width(word);
        if (!lineEmpty && (breakNext || cx + ww > lineEnd(lineY))) {
            lineY += lineHeight;
            cx = lineStart(lineY);
        }
        breakNext = false;
        if (draw) {
            hud_.DrawText(cx + 2.0f, lineY, kWhite, word);
        }
        cx += joined ? ww : ww + 4.0f;
        lineEmpty = false;
        pos += n;
        if (!joined && pos < length) {
            breakNext = text[pos] == '\n';
            ++pos; // the separator
        }
    }
    cy = lineY + lineHeight;
    used = std::max(used, cy);
}

bool TsHUDTextWindow::FitWord(char* word, size_t capacity, float maxWidth, int& cut) const
{
    cut = 0;
    const size_t length = std::strlen(word);
    if (Width(word) <= maxWidth || length < 2 || capacity < 3) {
        return false;
    }
    char trial[kWordSize];
    for (size_t kept = std::min(length - 1, sizeof trial - 2); kept >= 1; --kept) {
        std::memcpy(trial, word, kept);
        trial[kept] = '-';
        trial[kept + 1] = '\0';
        if (Width(trial) <= maxWidth && kept + 2 <= capacity) {
            std::memcpy(word, trial, kept + 2);
            cut = int(length - kept);
            return true;
        }
    }
    return false;
}

void TsHUDTextWindow::DrawSkillIcons(float w, float h)
{
    const TsCharacterObject* c = TsCharacterObject::Cast(object_);
    if (!c) {
        return;
    }
    const int32_t skills[3][2] = {{2, HUD_TECH_ICON}, {4, HUD_COMBAT_ICON}, {8, HUD_NEG_ICON}};
    int shown = 0;
    for (const auto& skill : skills) {
        if (!(c->GetSkill() & skill[0])) {
            continue;
        }
        float iw = 0.0f, ih = 0.0f;
        TextureSize(hud_.GetSprite(skill[1]), iw, ih);
        hud_.DrawSprite(skill[1], x_ + w - iw - (iw + 3.0f) * float(shown) - 3.0f, y_ + h - ih - 3.0f);
        ++shown;
    }
}
