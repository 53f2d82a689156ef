#include "ui/TsTrade.h"

#include <cstdio>
#include <cstring>

#include "engine/OmMath.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptQuote.h"

OM_IMPLEMENT_CLASS(TsTrade, TsObject)

namespace {

struct Trader {
    const char* name;
    const char* script;
};

const Trader kTraders[] = {
    {"WeaponTrader", "RunWeaponTraderConversation"},
    {"TechTrader", "RunTechTraderConversation"},
    {"HerbTrader", "RunHerbTraderConversation"},
};

} // namespace

bool TsTrade::Initialise()
{
    m_framePosition.Set(200.0f, 200.0f);
    m_frameSize.Set(100.0f, 100.0f);
    m_border = 2.0f;
    m_text = "";
    for (uint8_t& flag : m_flags)
        flag = 0;
    for (OmVector2& v : m_vectors)
        v.Set(0.0f, 0.0f);
    for (int32_t& word : m_words)
        word = 0;
    return true;
}

const char* TsTrade::TraderScript(const char* objectName)
{
    if (!objectName)
        return nullptr;
    for (const Trader& trader : kTraders)
        if (std::strcmp(objectName, trader.name) == 0)
            return trader.script;
    return nullptr;
}

bool TsTrade::TraderCall(const char* objectName, const char* characterName, char* out, size_t size)
{
    const char* script = TraderScript(objectName);
    if (!script || !out || size == 0)
        return false;
    // The character's name becomes script text: only a plain identifier may.
    if (!characterName || !TsIsScriptIdentifier(characterName)) {
        LogErrorF("Trade: the character name \"%s\" is not a script identifier; the trader is not called",
                  characterName ? characterName : "(none)");
        return false;
    }
    const int n = std::snprintf(out, size, "%s(%s)", script, characterName);
    if (n < 0 || size_t(n) >= size) {
        out[0] = 0;
        LogErrorF("Trade: the call of %s for \"%s\" is too long", script, characterName);
        return false;
    }
    return true;
}

int32_t TsTrade::BuyCost(float value, int32_t amount, int32_t playerCharacterType)
{
    const double discount = playerCharacterType == 1 ? kBuyDiscount : 1.0;
    return SaturatingInt(double(value) * double(amount) * discount);
}

int32_t TsTrade::SellPrice(float value, int32_t amount)
{
    return SaturatingInt(double(value) * double(amount) * kSellFactor);
}

int32_t TsTrade::SellAmount(int32_t stackCount, int32_t packSize, int32_t maxStack, bool& removed)
{
    if (maxStack >= 1 && packSize > 0 && stackCount > packSize) {
        removed = false;
        return packSize;
    }
    removed = true;
    return stackCount > 0 ? stackCount : 1;
}

int32_t TsTrade::TopUpAmount(int32_t packSize, int32_t maxStack, int32_t stackCount)
{
    const int32_t room = maxStack - stackCount;
    const int32_t amount = packSize < room ? packSize : room;
    return amount > 0 ? amount : 0;
}

int32_t TsTrade::TraderRowLength(int32_t articles)
{
    int32_t length = 1;
    while (length * (length + 1) / 2 < articles)
        ++length;
    return length;
}
