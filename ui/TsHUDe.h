// The in-level head-up display. The level owns one: Initialise loads it,
// each tick hands it the mouse first, each frame draws it. It draws the
// squad's portrait panels with their bars and buttons, the inventory panel
// that flies out of a portrait, the pop-up menu, the info windows, the
// cursor, the target marker and the destination marker, and writes text
// for the whole game with its font.
#pragma once

#include <cstdint>

#include "engine/OmBaseSprite.h"
#include "engine/OmRef.h"
#include "engine/OmVector3.h"
#include "game/framework/TsWorldQuad.h"
#include "ui/TsHUDMenu.h"
#include "ui/TsHUDPortrait.h"
#include "ui/TsHUDTextWindow.h"

class OmD3DFont;
class TsCharacterObject;
class TsCollectibleObject;
class TsConversation;
class TsInventory;
class TsItemObject;
class TsPCObject;
class TsRadar;

enum HudSpriteId : int32_t {
    HUD_DUMMY = 0,
    HUD_VITALITY,
    HUD_HEALTH,
    HUD_PLATE,
    HUD_FOLLOW_ON,
    HUD_FOLLOW_OFF,
    HUD_SHOOT_ON,
    HUD_SHOOT_OFF,
    HUD_COMMS,
    HUD_INV_EMPTY,
    HUD_INV_ITEM,
    HUD_INV_PHYS,
    HUD_INV_CHEM,
    HUD_INV_ENERGY,
    HUD_INV_ITEM_HI,
    HUD_INV_PHYS_HI,
    HUD_INV_CHEM_HI,
    HUD_INV_ENERGY_HI,
    HUD_HOLO_HADLEY, // portraits of the player-character types 0..6 follow
    HUD_HOLO_RECRUIT = HUD_HOLO_HADLEY + 6,
    HUD_SECONDARY_FIREON,
    HUD_SECONDARY_FIREOFF,
    HUD_DIAG_BAR,
    HUD_TBAR,
    HUD_MAIN_OPEN,
    HUD_CURSOR_NORMAL,
    HUD_CURSOR_NORMAL_HI,
    HUD_CURSOR_SELECT,
    HUD_CURSOR_SELECT_HI,
    HUD_CURSOR_INVALID,
    HUD_BANTER_FRAME,
    HUD_TARGET_LOCKED,
    HUD_COMBAT_ICON,
    HUD_NEG_ICON,
    HUD_TECH_ICON,
    HUD_BETA_BANNER,
    HUD_HAND,
    HUD_MAX_SPRITES
};
static_assert(HUD_MAX_SPRITES == 42, "the HUD has 42 sprite slots");

// A hit rectangle in pixels; its edges are inside.
struct TsScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    void Offset(int32_t dx, int32_t dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    bool Contains(int32_t x, int32_t y) const { return left <= x && x <= right && top <= y && y <= bottom; }
};

class TsHUDe {
public:
    static constexpr int kPortraitCount = 3;
    static constexpr int kSlotCount = 20;
    static constexpr int kExitScriptSize = 260;
    // Sounds the HUD uses.
    enum Sound { kSoundSelect = 204, kSoundClose = 205, kSoundOpen = 206, kSoundToggle = 207, kSoundRefused = 223 };

    // The radar is borrowed from the level, which makes it before the HUD:
    // trading hides it while the price window takes its corner. A HUD made
    // without one has no radar to hide.
    explicit TsHUDe(TsRadar* radar = nullptr);
    ~TsHUDe();
    TsHUDe(const TsHUDe&) = delete;
    TsHUDe& operator=(const TsHUDe&) = delete;

    // ---- loading and the sprite table ----
    bool LoadSprites();
    // False (logged) for a slot outside the table or an image that does
    // not load; a sprite already in the slot is released.
    bool CreateSprite(int32_t id, const char* fileName);
    OmBaseSprite* GetSprite(int32_t id) const;
    // Draws a table sprite at a pixel position; an empty slot draws nothing.
    void DrawSprite(int32_t id, float x, float y);

    // ---- text for the whole game ----
    void DrawText(float x, float y, const float colour[4], const char* text);
    void GetTextExtent(const char* text, float& width, float& height) const;
    static uint32_t PackColour(const float colour[4]);

    // ---- the conversation's current line ----
    // Read from the running conversation each frame and drawn as below,
    // under the speaker's display name (his own name without one).
    void RenderConversation(const TsConversation& conversation);
    // The speaker's name in gold over the line's text (wrapped by the
    // conversation), left-aligned in a band as wide as the wrap width,
    // centred above the squad's panels on a dark backing.
    void RenderConversationLine(const char* speaker, const char* text);
    // A text's width in the font of the HUD in play (0 without one): the
    // measure the conversation wraps its lines with, installed by every
    // HUD made.
    static float MeasureConversationText(const char* text);
    static constexpr float kConversationWidth = 510.0f;
    static constexpr float kConversationBottom = 136.0f; // above the panels' weapon slots
    static constexpr float kConversationPad = 6.0f;
    // Where the name and the text go, given the text's height and one row's.
    static void PlaceConversationLine(float textHeight, float rowHeight, float& x, float& nameY, float& textY);

    // ---- script hooks ----
    bool ExitDialogue(const char* scriptName, const char* text, bool choice);
    void DisplayDialog(const char* text);
    const char* GetExitScript() const { return exitScript_; }
    bool IsDialogueOpen() const { return dialogueOpen_ != 0; }
    void SetDialogueOpen(bool open) { dialogueOpen_ = open ? 1 : 0; }
    void StartBlink() { blinkRequested_ = 1; }

    // ---- per frame ----
    void Render(float frameFraction);
    void UpdateTargeting();
    void RenderDestinationMarker();
    // The marker drawn over the point (as a move order's destination).
    void DrawDestinationMarkerAt(OmVector3 point);
    // A level's warm-up rehearsing a fight: the character whose bars are
    // drawn when nobody is hovered or targeted, and the portraits drawn
    // without their flicker moving on; null: play.
    void SetRehearsedTarget(TsCharacterObject* character) { rehearsedTarget_ = character; }
    void UpdateBlink(float frameFraction);

    // ---- input and the inventory panel ----
    bool Tick(int mouseX, int mouseY);
    bool TookInput() const { return tookInput_ != 0; }
    void SetTookInput(bool took) { tookInput_ = took ? 1 : 0; }
    void OpenInventory(int32_t slot);
    void CloseInventory(bool playSound, bool immediately);
    void RenderInventoryPanel(float frameFraction);
    bool UpdateInventoryAnimation(float frameFraction);
    void RenderArticleSlot(float x, float y, TsCollectibleObject* article, TsInventory* inventory);
    void RenderInventoryGrid(float gx, float gy, TsInventory* inventory);
    bool HandleInventoryInput(int x, int y);
    bool HandleMenuButton(int x, int y);
    // The comms (menu) button's square in the bottom-right corner.
    static bool IsCursorOnCommsButton(int x, int y);
    bool HandlePortraitClick(int32_t slot, int x, int y);

    // ---- trading (the trade panel's own operations) ----
    bool HandleTradeInput(int x, int y);
    void RenderTradePanel();
    void OnConversationEnd();
    // The trade panel's steps (TsHUDeTrade.cpp), open for tests.
    void StartTraderConversation(bool clicked);
    TsCharacterObject* ClickedTrader() const;
    void SelectTradeSlot(bool clicked, int x, int y);
    void HandleTradeMemberSwitch(bool clicked, int x, int y);
    void HandleTradeClick(bool clicked, int x, int y);
    void HandleTradeExit(bool clicked, int x, int y);
    void RenderTraderGrid(float gx, float gy, TsInventory* inventory);
    // What trading the article moves and costs: the price window shows
    // what a click then charges or pays. Side 1 buys from the trader into
    // the member's inventory (a stack there is topped up), side 0 sells.
    struct TradeQuote {
        int32_t amount = 1;
        int32_t price = 0;
        TsItemObject* stack = nullptr; // buying: the member's stack of its kind
        bool room = true;              // buying: the member's inventory can take it
        bool removed = true;           // selling: the article leaves the inventory
    };
    static TradeQuote QuoteTrade(TsCollectibleObject& article, int32_t side, TsCharacterObject* member);
    // Buys or sells the article for the member (true when it changed hands).
    bool BuyArticle(TsCharacterObject& member, TsCollectibleObject& article);
    bool SellArticle(TsCharacterObject& member, TsCollectibleObject& article);
    void SetTradePanelVisible(bool visible) { tradePanelVisible_ = visible ? 1 : 0; }
    void SetTradeSide(int32_t side) { tradeSide_ = uint8_t(side); }
    bool IsTraderPending() const { return trader_ != nullptr; }
    bool IsPanelOpen() const { return openSlot_ >= 0 || animating_ != 0; }
    TsCharacterObject* GetTrader() const { return trader_; }
    void SetTrader(TsCharacterObject* trader) { trader_ = trader; }
    int32_t GetTradeSide() const { return tradeSide_; }
    bool IsTradePanelVisible() const { return tradePanelVisible_ != 0; }

    // ---- layout ----
    // Bottom-left corner of a squad slot's panel.
    static void GetPortraitOrigin(int32_t slot, int32_t& x, int32_t& y);
    static void GetGridOrigin(int32_t side, int32_t& gx, int32_t& gy);
    // Row and column of a staircase cell (rows of 2, 3, 4, 5, 6 cells).
    static void StaircaseCell(int32_t k, int32_t& row, int32_t& column);

    // ---- drawing pieces ----
    void RenderPortraitPanel(int32_t slot);
    void RenderPortraitHologram(int32_t slot, int32_t textureId);
    void RenderTargetBars();
    void DrawCount(float x, float y, int32_t n, const float colour[4]);
    static void DrawBar(float x, float y, float width, float height, float value, float max, uint32_t colour);
    // The part of a bar image shown: clamp(value, 0, max) / max x factor;
    // a bar with no maximum is empty.
    static float BarFraction(float value, float max, float factor);

    // ---- state the level and the tests read ----
    int32_t GetOpenSlot() const { return openSlot_; }
    bool IsAnimating() const { return animating_ != 0; }
    bool IsAnimationOpening() const { return animOpening_ != 0; }
    bool IsInventoryAnimated() const { return noInventoryAnimation_ == 0; }
    float GetTabOffset() const { return tabOffset_; }
    bool IsBlinkActive() const { return blinkActive_ != 0; }
    int GetBlinkPhase() const { return blinkPhase_; }
    TsHUDMenu& GetMenu() { return menu_; }
    TsHUDTextWindow& GetInfoWindow() { return infoWindow_; }
    TsHUDTextWindow& GetPriceWindow() { return priceWindow_; }
    TsHUDPortrait& GetPortrait(int i) { return portraits_[i]; }
    TsWorldQuad& GetDestinationMarker() { return destinationMarker_; }
    OmD3DFont* GetFont() const { return font_; }
    void SetFont(OmD3DFont* font) { font_ = font; }

private:
    void ReleaseSprites();
    void RenderEquippedWeapon(TsCharacterObject& c, int32_t x, int32_t y);
    void AnimatedSlot(int32_t k, float t, TsInventory* inventory, bool& running);
    bool WeaponChangesAllowed(const TsPCObject* pc) const;
    void WeaponKeys();

    TsRadar* radar_ = nullptr;
    OmRef<OmBaseSprite> sprites_[HUD_MAX_SPRITES];
    TsHUDPortrait portraits_[kPortraitCount];
    uint8_t dialogueOpen_ = 0;
    TsCharacterObject* rehearsedTarget_ = nullptr;
    TsWorldQuad destinationMarker_;
    int32_t openSlot_ = -1;
    uint8_t animating_ = 0;
    uint8_t animOpening_ = 0;
    uint8_t noInventoryAnimation_ = 0;
    float animStart_ = 0.0f;
    float tabOffset_ = 0.0f;
    uint32_t tradePanelVisible_ = 0;
    TsHUDMenu menu_;
    uint8_t tradeSide_ = 0;
    uint8_t tookInput_ = 0;
    uint8_t blinkActive_ = 0;
    uint8_t blinkRequested_ = 0;
    uint8_t blinkPhase_ = 1;
    float blinkStart_ = 0.0f;
    float blinkDuration_ = 0.6f;
    float blinkPeriod_ = 0.6f;
    float blinkAccumulator_ = 0.0f;
    float blinkLastElapsed_ = 0.0f;
    char exitScript_[kExitScriptSize] = {};
    TsCharacterObject* trader_ = nullptr;
    // The character the left button went down on, until it comes up.
    TsCharacterObject* pressedOn_ = nullptr;
    OmD3DFont* font_ = nullptr;
    TsHUDTextWindow infoWindow_;
    TsHUDTextWindow priceWindow_;
};
