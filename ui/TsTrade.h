// The level's trade object and the rules of trading: which characters are
// traders (by exact name) and what buying and selling an article costs and
// pays. The HUD's trade panel asks these rules; the object itself only
// keeps its frame and is saved with the level.
#pragma once

#include <cstdint>

#include "engine/OmVector2.h"
#include "game/framework/TsObject.h"

class TsTrade : public TsObject {
    OM_DECLARE_CLASS(TsTrade)

    // In double: 0.9 in single precision makes a pack of 10 at 3 cost 26.
    static constexpr double kSellFactor = 0.66667;
    static constexpr double kBuyDiscount = 0.9;

    TsTrade() = default;
    explicit TsTrade(OmArchive& archive) : TsObject(archive) {}

    bool Import() override { return true; }
    bool Initialise() override;
    void Tick(uint32_t) override {}
    void Render(float, float) override {}

    // The conversation script a trader runs; null for a character that is
    // no trader (names match exactly, letter case included).
    static const char* TraderScript(const char* objectName);
    // The script text that starts the trader's conversation with the
    // character; false (nothing written) when either name is unfit.
    static bool TraderCall(const char* objectName, const char* characterName, char* out, size_t size);
    // The price of an amount of an article of the value; the player
    // character of type 1 buys at a discount.
    static int32_t BuyCost(float value, int32_t amount, int32_t playerCharacterType);
    static int32_t SellPrice(float value, int32_t amount);
    // How many units a sale takes from a stack: a pack when the stack holds
    // more than a pack, else all of it (removed: the article goes).
    static int32_t SellAmount(int32_t stackCount, int32_t packSize, int32_t maxStack, bool& removed);
    // How many units topping up a stack buys.
    static int32_t TopUpAmount(int32_t packSize, int32_t maxStack, int32_t stackCount);
    // The trader grid's first row length: the smallest L whose staircase
    // 1 + 2 + ... + L holds the articles.
    static int32_t TraderRowLength(int32_t articles);

    // The frame rectangle Initialise sets.
    const OmVector2& GetFramePosition() const { return m_framePosition; }
    const OmVector2& GetFrameSize() const { return m_frameSize; }

private:
    // The frame (position, size) and its border.
    OmVector2 m_framePosition{0.0f, 0.0f};
    OmVector2 m_frameSize{0.0f, 0.0f};
    float m_border = 0.0f;
    const char* m_text = "";
    uint8_t m_flags[4] = {};
    OmVector2 m_vectors[3];
    int32_t m_words[3] = {};
};
