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
#include "game/framework/TsLink.h"
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
    float GetTextWidth(const char* text) const;

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
    // The local player's squad member in a slot (none without either), and
    // how many of the squad have a portrait panel.
    static TsPCObject* SquadMember(int32_t slot);
    static int32_t PanelMemberCount();

    // ---- script hooks ----
    bool ExitDialogue(const char* scriptName, const char* text, bool choice);
    void DisplayDialog(const char* text);
    const char* GetExitScript() const { return m_exitScript; }
    bool IsDialogueOpen() const { return m_dialogueOpen != 0; }
    void SetDialogueOpen(bool open) { m_dialogueOpen = open ? 1 : 0; }
    void StartBlink() { m_blinkRequested = 1; }

    // ---- per frame ----
    void Render(float frameFraction);
    void UpdateTargeting();
    void RenderDestinationMarker();
    // The marker drawn over the point (as a move order's destination).
    void DrawDestinationMarkerAt(OmVector3 point);
    // A level's warm-up rehearsing a fight: the character whose bars are
    // drawn when nobody is hovered or targeted, and the portraits drawn
    // without their flicker moving on; null: play.
    void SetRehearsedTarget(TsCharacterObject* character) { m_rehearsedTarget = character; }
    void UpdateBlink(float frameFraction);

    // ---- input and the inventory panel ----
    bool Tick(int mouseX, int mouseY);
    bool TookInput() const { return m_tookInput != 0; }
    void SetTookInput(bool took) { m_tookInput = took ? 1 : 0; }
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
    // Leaving the trade: the panel and both info windows go, the radar and
    // the player's control come back.
    void EndTrade();
    // A trader who went during the trade (killed, sent to sleep by a
    // script, taken off the level) ends it as leaving does, once his talk
    // is over.
    void EndTradeOfAGoneTrader();
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
    void SetTradePanelVisible(bool visible) { m_tradePanelVisible = visible ? 1 : 0; }
    void SetTradeSide(int32_t side) { m_tradeSide = uint8_t(side); }
    // From the click on the trader until the trade is left, or ends with
    // the trader gone.
    bool IsTraderPending() const { return m_trading != 0; }
    bool IsPanelOpen() const { return m_openSlot >= 0 || m_animating != 0; }
    TsCharacterObject* GetTrader() const { return m_trader; }
    void SetTrader(TsCharacterObject* trader)
    {
        m_trader = trader;
        m_trading = trader ? 1 : 0;
    }
    int32_t GetTradeSide() const { return m_tradeSide; }
    bool IsTradePanelVisible() const { return m_tradePanelVisible != 0; }

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
    int32_t GetOpenSlot() const { return m_openSlot; }
    bool IsAnimating() const { return m_animating != 0; }
    bool IsAnimationOpening() const { return m_animOpening != 0; }
    bool IsInventoryAnimated() const { return m_noInventoryAnimation == 0; }
    float GetTabOffset() const { return m_tabOffset; }
    bool IsBlinkActive() const { return m_blinkActive != 0; }
    int GetBlinkPhase() const { return m_blinkPhase; }
    TsHUDMenu& GetMenu() { return m_menu; }
    TsHUDTextWindow& GetInfoWindow() { return m_infoWindow; }
    TsHUDTextWindow& GetPriceWindow() { return m_priceWindow; }
    TsHUDPortrait& GetPortrait(int i) { return m_portraits[i]; }
    TsWorldQuad& GetDestinationMarker() { return m_destinationMarker; }
    OmD3DFont* GetFont() const { return m_font; }
    void SetFont(OmD3DFont* font) { m_font = font; }

private:
    void ReleaseSprites();
    void RenderEquippedWeapon(TsCharacterObject& c, int32_t x, int32_t y);
    void AnimatedSlot(int32_t k, float t, TsInventory* inventory, bool& running);
    bool WeaponChangesAllowed(const TsPCObject* pc) const;
    void WeaponKeys();

    TsRadar* m_radar = nullptr;
    OmRef<OmBaseSprite> m_sprites[HUD_MAX_SPRITES];
    TsHUDPortrait m_portraits[kPortraitCount];
    uint8_t m_dialogueOpen = 0;
    // The characters the HUD keeps across ticks are not held: one that goes
    // reads as none from then on, and never as a newcomer in its cell.
    TsLink<TsCharacterObject> m_rehearsedTarget;
    TsWorldQuad m_destinationMarker;
    int32_t m_openSlot = -1;
    uint8_t m_animating = 0;
    uint8_t m_animOpening = 0;
    uint8_t m_noInventoryAnimation = 0;
    float m_animStart = 0.0f;
    float m_tabOffset = 0.0f;
    uint32_t m_tradePanelVisible = 0;
    TsHUDMenu m_menu;
    uint8_t m_tradeSide = 0;
    uint8_t m_tookInput = 0;
    uint8_t m_blinkActive = 0;
    uint8_t m_blinkRequested = 0;
    uint8_t m_blinkPhase = 1;
    float m_blinkStart = 0.0f;
    float m_blinkDuration = 0.6f;
    float m_blinkPeriod = 0.6f;
    float m_blinkAccumulator = 0.0f;
    float m_blinkLastElapsed = 0.0f;
    char m_exitScript[kExitScriptSize] = {};
    TsLink<TsCharacterObject> m_trader;
    // The trade is under way even once its trader's link reads none.
    uint8_t m_trading = 0;
    // The character the left button went down on, until it comes up.
    TsLink<TsCharacterObject> m_pressedOn;
    OmD3DFont* m_font = nullptr;
    TsHUDTextWindow m_infoWindow;
    TsHUDTextWindow m_priceWindow;
};
