#include "ui/TsHUDTextWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/OmBaseSprite.h"
#include "engine/OmMath.h"
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

OmBaseSprite* PictureOf(TsObject* object)
{
    const TsModel* model = TsModel::Cast(object);
    OmBaseSprite* sprite = model ? model->GetSprite() : nullptr;
    return sprite && sprite->textureId != -1 ? sprite : nullptr;
}

} // namespace

TsHUDTextWindow::TsHUDTextWindow(TsHUDe& hud) : m_hud(hud) {}

bool TsHUDTextWindow::Init()
{
    if (OmRenderer* renderer = OmRenderer::Current()) {
        OmTextureResource normal("data\\hud\\WindowMiddle.tga", -1, 1);
        OmTextureResource highlight("data\\hud\\WindowMiddleb.tga", -1, 1);
        m_normalTexture = renderer->RegisterTexture(&normal);
        m_highlightTexture = renderer->RegisterTexture(&highlight);
    }
    return true;
}

bool TsHUDTextWindow::Show(float x, float y, TsObject* object, int32_t kind, float width)
{
    m_visible = IsVisible() ? 0 : 1;
    if (!m_visible) {
        return true;
    }
    m_kind = kind;
    m_openX = m_x = x;
    m_openY = m_y = y;
    m_object = object;
    m_width = width;
    float w = 0.0f, h = 0.0f;
    LayoutText(false, w, h);
    PlaceBackground(w, h);
    return true;
}

// The window follows its content, so it is kept on the screen each time
// it is laid out, from where it was opened.
void TsHUDTextWindow::PlaceBackground(float w, float h)
{
    m_size[0] = w;
    m_size[1] = h;
    m_x = TsFrameWindow::FitOnScreen(m_openX, w, m_margin, TsAccess::ScreenWidth());
    m_y = TsFrameWindow::FitOnScreen(m_openY, h, m_margin, TsAccess::ScreenHeight());
    m_background.Place(m_x, m_y, m_x + w, m_y + h);
    m_frame.Build(OmVector2(m_x, m_y), OmVector2(w, h), m_margin);
}

void TsHUDTextWindow::GetRect(int32_t out[4], bool grow) const
{
    out[0] = int32_t(m_x);
    out[1] = int32_t(m_y);
    out[2] = int32_t(m_x + m_size[0]);
    out[3] = int32_t(m_y + m_size[1]);
    if (grow) {
        const int32_t m = int32_t(m_margin);
        out[0] -= m;
        out[1] -= m;
        out[2] += m;
        out[3] += m;
    }
}

void TsHUDTextWindow::Render()
{
    if (!IsVisible()) {
        return;
    }
    {
        TsHUDOverlay overlay;
        overlay.SetTexture(m_highlighted ? m_highlightTexture : m_normalTexture);
        overlay.Draw(m_background);
    }
    float w = 0.0f, h = 0.0f;
    LayoutText(true, w, h);
    PlaceBackground(w, h);
    m_frame.Render();
}

// Fills the three line buffers for the kind shown; name and description
// are the two strings before them (null when the kind has none).
void TsHUDTextWindow::FormatLines(const char*& name, const char*& description)
{
    name = description = nullptr;
    m_line1[0] = m_line2[0] = m_line3[0] = '\0';
    if (m_kind == kCharacter) {
        TsCharacterObject* c = TsCharacterObject::Cast(m_object);
        if (!c) {
            return;
        }
        name = c->GetDisplayName();
        description = c->GetDisplayDescription();
        std::snprintf(m_line1, sizeof m_line1, "%s: %s", Text(30544), Text(c->GetDisplayRaceID()));
        // Scripts set the vitals freely: past the int range each shows its nearest limit.
        std::snprintf(m_line2, sizeof m_line2, "%s: %d out of %d", Text(30546), SaturatingInt(c->GetVitality()),
                      SaturatingInt(c->GetMaxVitality()));
        std::snprintf(m_line3, sizeof m_line3, "%s: %d out of %d", Text(30548), SaturatingInt(c->GetHealth()),
                      SaturatingInt(c->GetMaxHealth()));
    } else if (m_kind == kArticle) {
        TsCollectibleObject* a = TsCollectibleObject::Cast(m_object);
        if (!a) {
            return;
        }
        name = a->GetDisplayName();
        description = a->GetDisplayDescription();
        if (!a->IsForSale()) {
            std::snprintf(m_line1, sizeof m_line1, "%s", Text(30556));
            return;
        }
        // The HUD's quote: the price shown is the price a click charges.
        const int side = m_hud.GetTradeSide();
        TsPlayer* player = TsAccess::LocalPlayer();
        TsCharacterObject* member =
            player && m_hud.GetOpenSlot() >= 0 ? player->GetSquadMember(m_hud.GetOpenSlot()) : nullptr;
        const TsHUDe::TradeQuote quote = TsHUDe::QuoteTrade(*a, side, member);
        if (quote.amount > 1) {
            std::snprintf(m_line1, sizeof m_line1, "%s: %d for %d", Text(30550), int(quote.price), int(quote.amount));
        } else {
            std::snprintf(m_line1, sizeof m_line1, "%s: %d", Text(30550), int(quote.price));
        }
        std::snprintf(m_line2, sizeof m_line2, "%s", Text(side == 1 ? 30552 : 30554));
    } else {
        const TsPlayer* player = TsAccess::LocalPlayer();
        const int32_t k = player ? player->GetKitty() : 0;
        std::snprintf(m_line1, sizeof m_line1, "%s %d %s", Text(30558), k, Text(k == 1 ? 30560 : 30562));
        if (m_hud.IsTraderPending()) {
            std::snprintf(m_line2, sizeof m_line2, "%s", Text(30564));
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
    OmBaseSprite* picture = PictureOf(m_object);
    float pw = 0.0f, ph = 0.0f;
    TextureSize(picture, pw, ph);
    if (draw && picture && OmRenderer::Current()) {
        picture->SetScreenRelative(false);
        picture->SetPosition(m_kind == kArticle ? m_x + m_width * 0.5f : m_x, m_y);
        picture->Render(*OmRenderer::Current());
    }
    const char* name = nullptr;
    const char* description = nullptr;
    FormatLines(name, description);
    float cy = m_kind == kArticle ? m_y + ph : m_y;
    float used = cy;
    for (const char* text : {name, description, static_cast<const char*>(m_line1), static_cast<const char*>(m_line2),
                             static_cast<const char*>(m_line3)}) {
        if (text && *text) {
            FlowString(text, draw, pw, ph, cy, used);
        }
    }
    w = pw + m_width;
    h = std::max(used - m_y, ph);
    if (draw && m_kind == kCharacter) {
        DrawSkillIcons(w, h);
    }
}

// Lays one string out from a new line; lines beside the picture are
// narrower than those below it. used: the lowest line bottom so far.
void TsHUDTextWindow::FlowString(const char* text, bool draw, float pw, float ph, float& cy, float& used)
{
    float tw = 0.0f, lineHeight = 0.0f;
    m_hud.GetTextExtent("Ay", tw, lineHeight);
    const float fullWidth = pw + m_width;
    auto lineStart = [&](float lineY) { return lineY + lineHeight >= m_y + ph ? m_x : m_x + pw; };
    auto lineEnd = [&](float lineY) { return lineY + lineHeight >= m_y + ph ? m_x + fullWidth : m_x + pw + m_width; };
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
        const float ww = m_hud.GetTextWidth(word);
        if (!lineEmpty && (breakNext || cx + ww > lineEnd(lineY))) {
            lineY += lineHeight;
            cx = lineStart(lineY);
        }
        breakNext = false;
        if (draw) {
            m_hud.DrawText(cx + 2.0f, lineY, kWhite, word);
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
    if (m_hud.GetTextWidth(word) <= maxWidth || length < 2 || capacity < 3) {
        return false;
    }
    char trial[kWordSize];
    for (size_t kept = std::min(length - 1, sizeof trial - 2); kept >= 1; --kept) {
        std::memcpy(trial, word, kept);
        trial[kept] = '-';
        trial[kept + 1] = '\0';
        if (m_hud.GetTextWidth(trial) <= maxWidth && kept + 2 <= capacity) {
            std::memcpy(word, trial, kept + 2);
            cut = int(length - kept);
            return true;
        }
    }
    return false;
}

void TsHUDTextWindow::DrawSkillIcons(float w, float h)
{
    const TsCharacterObject* c = TsCharacterObject::Cast(m_object);
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
        TextureSize(m_hud.GetSprite(skill[1]), iw, ih);
        m_hud.DrawSprite(skill[1], m_x + w - iw - (iw + 3.0f) * float(shown) - 3.0f, m_y + h - ih - 3.0f);
        ++shown;
    }
}
