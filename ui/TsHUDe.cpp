#include "ui/TsHUDe.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/OmBaseSprite.h"
#include "engine/OmMatrix4.h"
#include "engine/OmNode.h"
#include "engine/OmRand.h"
#include "engine/OmRef.h"
#include "engine/OmTextureResource.h"
#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsScriptHandles.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptQuote.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsInventory.h"
#include "game/objects/TsLevelCursor.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsWeaponObject.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "render/OmD3DFont.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsInGameWindows.h"

namespace {

constexpr const char* kMarkerImage = "data\\hud\\orangecross.tga";
constexpr float kMarkerScale = 0.8f;
constexpr float kMarkerLift = 0.05f;
constexpr int32_t kPanelWidth = 238;
constexpr int32_t kPlayerCharacterTypes = 7;
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kGold[4] = {0.926f, 0.59f, 0.2f, 1.0f};

struct FlatVertex {
    float x, y, z, rhw;
    uint32_t colour;
};

float Clamp(float v, float lo, float hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

TsPlayer* Player()
{
    return TsAccess::LocalPlayer();
}

} // namespace

TsPCObject* TsHUDe::SquadMember(int32_t slot)
{
    TsPlayer* player = Player();
    return player ? player->GetSquadMember(slot) : nullptr;
}

int32_t TsHUDe::PanelMemberCount()
{
    TsPlayer* player = Player();
    return player ? std::min(player->GetTeamCount(), int32_t(kPortraitCount)) : 0;
}

// Conversation lines are wrapped with the font the HUD draws them in.
TsHUDe::TsHUDe(TsRadar* radar) : m_radar(radar), m_menu(*this), m_infoWindow(*this), m_priceWindow(*this)
{
    TsConversation::SetTextMeasure(&MeasureConversationText);
}

TsHUDe::~TsHUDe()
{
    TsScriptHandles::Forget(this, "TsHUDe");
    m_font = nullptr;
    ReleaseSprites();
    // The sounds are the running mode's: the HUD of a level nobody plays
    // (one a script made, one the shell replaced, a new mission built at
    // the title) leaves them playing. With no level in its place, the level
    // going is the running mode's when that mode is a level (or none runs).
    const TsHUDe* shown = TsAccess::HUDe();
    const TsMain* app = TsMain::Instance();
    const TsGameMode* running = app ? app->GetMode() : nullptr;
    TsAudio* audio = TsAccess::Audio();
    if (audio && (shown == this || (!shown && (!running || running->GetModeType() == TS_MODE_LEVEL)))) {
        audio->StopAll();
    }
    m_destinationMarker.Release();
}

void TsHUDe::ReleaseSprites()
{
    for (OmRef<OmBaseSprite>& sprite : m_sprites) {
        sprite = nullptr;
    }
}

bool TsHUDe::LoadSprites()
{
    ReleaseSprites();
    lua_State* L = TsAccess::LuaState();
    if (!L || !TsScriptHost::IsFunctionDefined(L, "LoadHUDSprites")) {
        LogError("TsHUDe::LoadSprites: the script has no LoadHUDSprites");
        return false;
    }
    if (TsScriptHost::CallFunction(L, "LoadHUDSprites") != 0) {
        return false;
    }
    TsMain* app = TsMain::Instance();
    m_font = app ? app->GetHUDFont() : nullptr;
    const TsOptions* options = TsAccess::Options();
    m_noInventoryAnimation = options && options->IsAnimatingInventory() ? 0 : 1;
    m_openSlot = -1;
    SetTrader(nullptr);
    m_tradePanelVisible = 0;
    m_menu.Init();
    m_infoWindow.Init();
    m_priceWindow.Init();
    TsHUDPortrait::BuildIndices();
    for (TsHUDPortrait& portrait : m_portraits) {
        portrait.SetSize(64, 64);
    }
    if (!m_destinationMarker.Create(kMarkerImage)) {
        LogErrorF("TsHUDe::LoadSprites: the destination marker %s did not load", kMarkerImage);
        return false;
    }
    m_destinationMarker.SetScale(kMarkerScale);
    return true;
}

bool TsHUDe::CreateSprite(int32_t id, const char* fileName)
{
    if (id < 0 || id >= HUD_MAX_SPRITES) {
        LogErrorF("TsHUDe::CreateSprite: slot %d is outside the table (0 to %d)", id, HUD_MAX_SPRITES - 1);
        return false;
    }
    OmRenderer* renderer = OmRenderer::Current();
    if (!renderer || !fileName) {
        LogErrorF("TsHUDe::CreateSprite: no renderer or no file for slot %d", id);
        return false;
    }
    OmTextureResource texture(fileName, -1, 1);
    // The texture's registration is the sprite's: given back when the
    // sprite is not made, or when a new one takes its slot.
    const int32_t textureId = renderer->RegisterTexture(&texture);
    if (textureId < 0 || !renderer->LoadTexture(textureId)) {
        LogErrorF("TsHUDe::CreateSprite: the image %s did not load", fileName);
        renderer->ReleaseTexture(textureId);
        return false;
    }
    OmBaseSprite* sprite = renderer->CreateSprite(0);
    if (!sprite) {
        LogErrorF("TsHUDe::CreateSprite: the renderer made no sprite for %s", fileName);
        renderer->ReleaseTexture(textureId);
        return false;
    }
    sprite->textureId = textureId;
    sprite->SetScreenRelative(false);
    sprite->colour = 0xFFFFFFFFu;
    if (m_sprites[id])
        renderer->ReleaseTexture(m_sprites[id]->textureId);
    m_sprites[id].AdoptNew(sprite);
    return true;
}

OmBaseSprite* TsHUDe::GetSprite(int32_t id) const
{
    return id >= 0 && id < HUD_MAX_SPRITES ? m_sprites[id] : nullptr;
}

void TsHUDe::DrawSprite(int32_t id, float x, float y)
{
    OmBaseSprite* sprite = GetSprite(id);
    OmRenderer* renderer = OmRenderer::Current();
    if (!sprite || !renderer) {
        return;
    }
    sprite->SetPosition(x, y);
    sprite->Render(*renderer);
}

void TsHUDe::DrawText(float x, float y, const float colour[4], const char* text)
{
    if (m_font && text) {
        m_font->DrawText(x, y, OmPackColour(colour), text, 0);
    }
}

void TsHUDe::GetTextExtent(const char* text, float& width, float& height) const
{
    if (!m_font || !text) {
        return;
    }
    uint32_t size[2] = {0, 0};
    m_font->GetTextExtent(text, size);
    width = float(size[0]);
    height = float(size[1]);
}

float TsHUDe::GetTextWidth(const char* text) const
{
    float width = 0.0f, height = 0.0f;
    GetTextExtent(text, width, height);
    return width;
}

void TsHUDe::PlaceConversationLine(float textHeight, float rowHeight, float& x, float& nameY, float& textY)
{
    x = float((TsAccess::ScreenWidth() - int32_t(kConversationWidth)) / 2);
    textY = float(TsAccess::ScreenHeight()) - kConversationBottom - textHeight;
    nameY = textY - rowHeight;
}

void TsHUDe::RenderConversationLine(const char* speaker, const char* text)
{
    if (!m_font || !text) {
        return;
    }
    float width = 0.0f, textHeight = 0.0f, rowWidth = 0.0f, row = 0.0f;
    GetTextExtent(text, width, textHeight);
    GetTextExtent(" ", rowWidth, row);
    float x = 0.0f, nameY = 0.0f, textY = 0.0f;
    PlaceConversationLine(textHeight, row, x, nameY, textY);
    // A bar with no maximum is all backing.
    DrawBar(x - kConversationPad, nameY - kConversationPad, kConversationWidth + 2.0f * kConversationPad,
            row + textHeight + 2.0f * kConversationPad, 0.0f, 0.0f, 0);
    if (speaker && *speaker) {
        DrawText(x, nameY, kGold, speaker);
    }
    DrawText(x, textY, kWhite, text);
}

// The HUD in play measures: the conversation keeps this measure for the
// program's life, across the levels and their HUDs.
float TsHUDe::MeasureConversationText(const char* text)
{
    const TsHUDe* hud = TsAccess::HUDe();
    return hud ? hud->GetTextWidth(text) : 0.0f;
}

// The name is read from the table as it stands (a frame allocates
// nothing); a character without a display name shows its own.
void TsHUDe::RenderConversation(const TsConversation& conversation)
{
    const TsConversationFragment* line =
        conversation.HasConversationStarted() ? conversation.GetCurrentFragment() : nullptr;
    if (!line) {
        return;
    }
    const TsCharacterObject* speaker = line->GetSpeaker();
    const TsDialogStrings* strings = TsAccess::DialogStrings();
    const char* name = speaker && strings ? strings->GetString(speaker->GetDisplayNameID()) : nullptr;
    if ((!name || !*name) && speaker) {
        name = speaker->GetName();
    }
    RenderConversationLine(name ? name : "", line->GetText());
}

// The exit script is later called by name, so only an identifier that fits
// the buffer is kept. The message is shown either way: an empty name is a
// message with no exit script, and a bad one is logged and runs nothing.
bool TsHUDe::ExitDialogue(const char* scriptName, const char* text, bool choice)
{
    const char* name = scriptName ? scriptName : "";
    const bool usable = TsIsScriptIdentifier(name) && std::strlen(name) < sizeof m_exitScript;
    if (*name && !usable) {
        LogErrorF("TsHUDe::ExitDialogue: '%s' is no script name; the message runs no script", name);
    }
    std::snprintf(m_exitScript, sizeof m_exitScript, "%s", usable ? name : "");
    TsGameFrontEnd* menu = TsAccess::GameFrontEnd();
    TsLevelState* level = TsAccess::LevelState();
    if (!menu || !level) {
        LogError("TsHUDe::ExitDialogue: there is no level with an in-game menu to ask in");
        return true;
    }
    m_dialogueOpen = 1;
    level->Pause(true);
    ShowMessageBox(text ? text : "", choice ? 2 : 0, menu);
    return true;
}

void TsHUDe::DisplayDialog(const char* text)
{
    if (TsGameFrontEnd* menu = TsAccess::GameFrontEnd()) {
        ShowMessageBox(text ? text : "", 0, menu);
    } else {
        LogError("TsHUDe::DisplayDialog: there is no in-game menu to show the text in");
    }
}

void TsHUDe::GetPortraitOrigin(int32_t slot, int32_t& x, int32_t& y)
{
    const int32_t w = TsAccess::ScreenWidth();
    y = TsAccess::ScreenHeight();
    if (slot == 0) {
        x = 0;
    } else if (slot == 1 && PanelMemberCount() == 3) {
        x = (w - kPanelWidth) / 2;
    } else {
        x = w - kPanelWidth;
    }
}

void TsHUDe::Render(float frameFraction)
{
    const int32_t members = PanelMemberCount();
    for (int32_t slot = 0; slot < members; ++slot) {
        RenderPortraitPanel(slot);
    }
    RenderInventoryPanel(frameFraction);
    DrawSprite(HUD_COMMS, float(TsAccess::ScreenWidth() - 64), float(TsAccess::ScreenHeight() - 64));
    RenderTargetBars();
    m_menu.Render();
    m_infoWindow.Render();
    m_priceWindow.Render();
    RenderTradePanel();
    UpdateBlink(frameFraction);
}

float TsHUDe::BarFraction(float value, float max, float factor)
{
    if (!(max > 0.0f)) {
        return 0.0f;
    }
    // Scripts set the vitals freely: a share that is no number (NaN, or
    // infinity over infinity) shows nothing rather than a picture cut at it.
    const float share = Clamp(value, 0.0f, max) / max;
    return share > 0.0f ? Clamp(share * factor, 0.0f, factor) : 0.0f;
}

void TsHUDe::RenderPortraitPanel(int32_t slot)
{
    TsPlayer* player = Player();
    TsPCObject* c = player ? player->GetSquadMember(slot) : nullptr;
    if (!c) {
        return;
    }
    int32_t x = 0, y = 0;
    GetPortraitOrigin(slot, x, y);
    const int32_t type = c->GetPCType();
    const int32_t holo = type >= 0 && type < kPlayerCharacterTypes ? HUD_HOLO_HADLEY + type : -1;
    if (slot == player->GetCurrentIndex()) {
        DrawSprite(holo, float(x + 65), float(y - 87));
    } else if (OmBaseSprite* sprite = GetSprite(holo)) {
        RenderPortraitHologram(slot, sprite->textureId);
    }
    if (slot == m_openSlot) {
        DrawSprite(HUD_TBAR, float(x + 137), float(y - 67) - m_tabOffset);
    }
    DrawSprite(HUD_PLATE, float(x), float(y - 64));
    DrawSprite(c->GetStay() ? HUD_FOLLOW_OFF : HUD_FOLLOW_ON, float(x + 138), float(y - 23));
    DrawSprite(c->IsShootOn() ? HUD_SHOOT_ON : HUD_SHOOT_OFF, float(x + 138), float(y - 55));
    if (OmBaseSprite* health = GetSprite(HUD_HEALTH)) {
        health->SetUVRect(0.0f, 0.0f, BarFraction(c->GetHealth(), c->GetMaxHealth(), 0.91f), 1.0f);
        DrawSprite(HUD_HEALTH, float(x + 68), float(y - 17));
    }
    if (OmBaseSprite* vitality = GetSprite(HUD_VITALITY)) {
        vitality->SetUVRect(0.0f, 0.0f, BarFraction(c->GetVitality(), c->GetMaxVitality(), 0.76f), 1.0f);
        DrawSprite(HUD_VITALITY, float(x + 74), float(y - 28));
    }
    if (slot == m_openSlot) {
        DrawSprite(HUD_MAIN_OPEN, float(x), float(y - 64));
        return;
    }
    RenderEquippedWeapon(*c, x, y);
}

void TsHUDe::RenderEquippedWeapon(TsCharacterObject& c, int32_t x, int32_t y)
{
    TsInventory* inventory = c.GetInventory();
    TsWeaponObject* weapon = inventory ? inventory->GetEquipped() : nullptr;
    if (!weapon) {
        DrawSprite(HUD_INV_EMPTY, float(x), float(y - 128));
        DrawSprite(HUD_HAND, float(x), float(y - 64));
        DrawSprite(HUD_SECONDARY_FIREOFF, float(x + 43), float(y - 76));
        return;
    }
    const TsWeaponAttributes& current = weapon->Current();
    const TsMatterType matter = current.matterType;
    const int32_t matterSprite = matter == TS_MATTER_CHEMICAL ? HUD_INV_CHEM
                                 : matter == TS_MATTER_ENERGY ? HUD_INV_ENERGY
                                                              : HUD_INV_PHYS;
    DrawSprite(matterSprite, float(x), float(y - 128));
    if (OmBaseSprite* own = weapon->GetSprite(); own && OmRenderer::Current()) {
        own->SetScreenRelative(false);
        own->SetPosition(float(x), float(y - 64));
        own->Render(*OmRenderer::Current());
    }
    DrawSprite(weapon->IsSecondary() ? HUD_SECONDARY_FIREON : HUD_SECONDARY_FIREOFF, float(x + 43), float(y - 76));
    int32_t n = current.ammoPerShot > 0 ? inventory->GetAmmoCount(weapon) : -1;
    const TsWeaponAttributes& primary = weapon->Attributes(false);
    if (primary.weaponType == TS_WEAPON_RADIATION_GENERATOR) {
        n = primary.ChargeCount();
    }
    DrawCount(float(x), float(y - 64), n, kWhite);
}

void TsHUDe::DrawCount(float x, float y, int32_t n, const float colour[4])
{
    if (n < 0) {
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d", n);
    DrawText(x + 12.0f - GetTextWidth(text) / 2.0f, y + 46.0f, colour, text);
}

void TsHUDe::RenderPortraitHologram(int32_t slot, int32_t textureId)
{
    if (slot < 0 || slot >= kPortraitCount) {
        return;
    }
    int32_t x = 0, y = 0;
    GetPortraitOrigin(slot, x, y);
    TsHUDPortrait& portrait = m_portraits[slot];
    portrait.SetPlace(x + 65, y - 87);
    portrait.SetTexture(textureId);
    // A rehearsal draws the portrait as it stands: its flicker moves on in
    // play's frames only.
    const OmRenderer* renderer = OmRenderer::Current();
    if (!m_rehearsedTarget) {
        portrait.Update(renderer ? renderer->GetFrameTime() : 0.0f, OmRand());
    }
    portrait.Render();
}

void TsHUDe::RenderTargetBars()
{
    TsLevelCursor* cursor = TsAccess::LevelCursor();
    TsEntity* hovered = cursor ? cursor->GetHovered() : nullptr;
    TsCharacterObject* subject = TsCharacterObject::Cast(hovered);
    if (!subject) {
        bool locked = false;
        float proximity = 0.0f;
        TsPlayer* player = Player();
        TsEntity* target = player ? player->GetTargetProximity(locked, proximity) : nullptr;
        subject = locked ? TsCharacterObject::Cast(target) : m_rehearsedTarget.Get();
    }
    if (!subject) {
        return;
    }
    const float x = float(TsAccess::ScreenWidth() - 49), y = float(TsAccess::ScreenHeight() - 49);
    DrawBar(x, y, 32, 4, subject->GetHealth(), subject->GetMaxHealth(), 0xFFFFFFFFu);
    DrawBar(x, y + 7, 32, 4, Clamp(subject->GetPhysicalDefence(), 0, 100), 100, 0xFF808080u);
    DrawBar(x, y + 14, 32, 4, Clamp(subject->GetEnergyDefence(), 0, 100), 100, 0xFF0000FFu);
    DrawBar(x, y + 21, 32, 4, Clamp(subject->GetChemicalDefence(), 0, 100), 100, 0xFFFF0000u);
}

// The filled part brightens from half its colour to the full colour; the
// rest of the bar is dark. A bar with no maximum is all rest.
void TsHUDe::DrawBar(float x, float y, float width, float height, float value, float max, uint32_t colour)
{
    OmD3D* r = OmD3D::Instance();
    if (!r) {
        return;
    }
    const float f = max > 0.0f ? x + width * Clamp(value, 0.0f, max) / max : x;
    const uint32_t half = ((colour >> 1) & 0x7F7F7Fu) | (colour & 0xFF000000u);
    r->SetTexture(0, -1);
    r->SetStreamSource(0, -1);
    r->SetIndices(-1, 0);
    r->SetVertexShader(TsHUDOverlay::kFlatVertexFormat);
    auto quad = [r](float left, float right, float top, float bottom, uint32_t c0, uint32_t c1) {
        const FlatVertex v[4] = {{left, bottom, 0, 1, c0}, {left, top, 0, 1, c0}, {right, bottom, 0, 1, c1},
                                 {right, top, 0, 1, c1}};
        r->DrawPrimitiveUP(plat::GfxPrimitive::TriangleStrip, 2, v, sizeof(FlatVertex));
    };
    if (f > x) {
        quad(x, f, y, y + height, half, colour);
    }
    if (!(max > 0.0f) || value < max) {
        quad(f, x + width, y, y + height, 0xA0202020u, 0xA0202020u);
    }
}

void TsHUDe::UpdateTargeting()
{
    TsLevelCursor* cursor = TsAccess::LevelCursor();
    const TsInput* input = TsAccess::Input();
    if (!cursor || !input) {
        return;
    }
    int32_t sprite = HUD_CURSOR_NORMAL;
    switch (cursor->GetState()) {
    case TS_CURSOR_DISABLED: return;
    case TS_CURSOR_UNREACHABLE: sprite = HUD_CURSOR_INVALID; break;
    case TS_CURSOR_ENTITY: sprite = m_blinkPhase ? HUD_CURSOR_SELECT : HUD_CURSOR_SELECT_HI; break;
    default: sprite = m_blinkPhase ? HUD_CURSOR_NORMAL : HUD_CURSOR_NORMAL_HI; break;
    }
    DrawSprite(sprite, float(input->GetCursorX() - 8), float(input->GetCursorY() - 8));

    TsCharacterObject* current = TsCharacterObject::Cast(TsAccess::CurrentCharacter());
    if (current) {
        // Skills and the radiation generator (and any kind past them) get
        // no target marker.
        if (TsWeaponObject* attack = current->GetCurrentAttack();
            attack && attack->GetCurrentWeaponType() > TS_WEAPON_MINE) {
            return;
        }
    }
    TsCutScene* scene = TsAccess::CutScene();
    if ((scene && scene->IsPlayerLockedOut()) || m_dialogueOpen) {
        return;
    }
    bool locked = false;
    float p = 0.0f;
    TsPlayer* player = Player();
    TsEntity* target = player ? player->GetTargetProximity(locked, p) : nullptr;
    if (!target) {
        return;
    }
    p = std::max(p, 0.0f);
    uint32_t colour = locked ? 0xFFFFFFFFu : 0xFFFF8000u;
    if (p < 1.0f) {
        if (!locked) {
            return;
        }
        const float tint[4] = {0.2f, 0.2f + 0.8f * p, 0.0f, 1.0f};
        colour = OmPackColour(tint);
    }
    OmRenderer* renderer = OmRenderer::Current();
    OmBaseSprite* marker = GetSprite(HUD_TARGET_LOCKED);
    if (!renderer || !marker || !renderer->GetViewMatrix() || !renderer->GetProjectionMatrix()) {
        return;
    }
    const TsModel* model = TsModel::Cast(target);
    const OmVector3 point = model && model->GetModel() ? model->GetModel()->GetWorldPosition() : target->GetPosition();
    OmMatrix4 viewProjection;
    MultiplyMatrix4(*renderer->GetViewMatrix(), *renderer->GetProjectionMatrix(), viewProjection);
    OmVector4 clip;
    TransformPoint4W(point, viewProjection, clip);
    if (!(clip.w > 0.0f)) {
        return;
    }
    float viewport[4] = {0, 0, 0, 0};
    renderer->GetViewport(viewport);
    const int32_t halfW = int32_t(TsAccess::ScreenWidth()) >> 1, halfH = int32_t(TsAccess::ScreenHeight()) >> 1;
    const float sx = (clip.x / clip.w + 1.0f) * float(halfW) - 8.0f;
    const float sy = (1.0f - clip.y / clip.w) * float(halfH) - 8.0f;
    const uint32_t before = marker->colour;
    marker->colour = colour;
    DrawSprite(HUD_TARGET_LOCKED, sx, sy);
    marker->colour = before;
}

void TsHUDe::RenderDestinationMarker()
{
    TsCharacterObject* current = TsCharacterObject::Cast(TsAccess::CurrentCharacter());
    OmVector3 point;
    if (current && current->GetMoveTarget(point)) {
        DrawDestinationMarkerAt(point);
    }
}

void TsHUDe::DrawDestinationMarkerAt(OmVector3 point)
{
    point.y += kMarkerLift;
    m_destinationMarker.SetPosition(point);
    m_destinationMarker.Render();
}

void TsHUDe::UpdateBlink(float frameFraction)
{
    if (!m_blinkActive && !m_blinkRequested) {
        return;
    }
    const float now = TsAccess::GameTime() + TsAccess::TickDuration() * frameFraction;
    float elapsed = 0.0f;
    if (m_blinkRequested) {
        m_blinkActive = 1;
        m_blinkPhase = 0;
        m_blinkRequested = 0;
        m_blinkStart = now;
        m_blinkAccumulator = 0.0f;
    } else {
        elapsed = now - m_blinkStart;
        m_blinkAccumulator += elapsed - m_blinkLastElapsed;
    }
    m_blinkLastElapsed = elapsed;
    if (elapsed >= m_blinkDuration) {
        m_blinkActive = 0;
        m_blinkPhase = 1;
        return;
    }
    if (m_blinkAccumulator >= m_blinkPeriod) {
        m_blinkPhase = m_blinkPhase ? 0 : 1;
        m_blinkAccumulator -= m_blinkPeriod;
    }
}
