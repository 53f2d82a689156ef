// The trade rules: the call that starts a trader's conversation, and what
// buying and selling cost and pay.
#include <gtest/gtest.h>

#include <climits>

#include "tests/game/framework/LogCapture.h"
#include "ui/TsTrade.h"

namespace {

// The character's name becomes script text: only an identifier may, and a
// call that does not fit is not cut into another one.
TEST(TradeRules, TheTraderCallTakesOnlyAnIdentifierAndNeverOverruns)
{
    LogCapture log;
    char out[64];
    ASSERT_TRUE(TsTrade::TraderCall("TechTrader", "Ann_2", out, sizeof out));
    EXPECT_STREQ(out, "RunTechTraderConversation(Ann_2)");
    for (const char* bad : {"a) os.exit(", "two words", "", "1abc"}) {
        EXPECT_FALSE(TsTrade::TraderCall("TechTrader", bad, out, sizeof out)) << bad;
    }
    EXPECT_TRUE(log.Contains("not a script identifier"));
    for (const char* notTrader : {"Nobody", "techtrader", "TechTrader2", ""})
        EXPECT_FALSE(TsTrade::TraderCall(notTrader, "Ann", out, sizeof out)) << "traders go by their exact name";
    ASSERT_TRUE(TsTrade::TraderCall("HerbTrader", "Ann", out, sizeof out));
    char small[16];
    EXPECT_FALSE(TsTrade::TraderCall("TechTrader", "Ann", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST(TradeRules, PricesAsBoughtAndSold)
{
    // A pack of 10 at 3 costs 30; the player character of type 1 pays 27
    // (in single precision 0.9 would make it 26).
    EXPECT_EQ(TsTrade::BuyCost(3, 10, 0), 30);
    EXPECT_EQ(TsTrade::BuyCost(3, 10, 1), 27);
    EXPECT_EQ(TsTrade::BuyCost(7, 1, 1), 6);
    EXPECT_EQ(TsTrade::SellPrice(3, 4), 8);
    EXPECT_EQ(TsTrade::SellPrice(3, 3), 6);
    EXPECT_EQ(TsTrade::SellPrice(0, 5), 0);
    EXPECT_EQ(TsTrade::BuyCost(3e38f, 10, 0), INT32_MAX) << "a script's value past what a price holds";
}

TEST(TradeRules, ASaleTakesAPackFromALargerStackElseTheWholeArticle)
{
    // A pack sold and 8 kept; less than a pack, exactly a pack, an article
    // that does not stack, a single unit that keeps no count: all of it.
    const struct {
        int32_t stack, pack, maxStack, amount;
        bool removed;
    } cases[] = {{12, 4, 20, 4, false}, {3, 4, 20, 3, true}, {4, 4, 20, 4, true}, {1, 1, 0, 1, true},
                 {0, 4, 20, 1, true}};
    for (const auto& c : cases) {
        bool removed = !c.removed;
        EXPECT_EQ(TsTrade::SellAmount(c.stack, c.pack, c.maxStack, removed), c.amount) << c.stack;
        EXPECT_EQ(removed, c.removed) << c.stack;
    }
}

TEST(TradeRules, ABuyTopsAStackUpToItsMaximumAPackAtATime)
{
    EXPECT_EQ(std::pair(TsTrade::TopUpAmount(10, 25, 20), TsTrade::TopUpAmount(10, 25, 5)), std::pair(5, 10));
    EXPECT_EQ(TsTrade::TopUpAmount(10, 25, 30), 0) << "an overfull stack buys nothing";
}

TEST(TradeRules, TheTraderGridIsTheSmallestStaircaseThatHoldsTheArticles)
{
    const int32_t cases[][2] = {{0, 1}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {6, 3}, {7, 4}, {10, 4}, {11, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(TsTrade::TraderRowLength(c[0]), c[1]) << c[0];
}

} // namespace
