// The HUD on the demo level in the real application: the portrait panels,
// cursor and markers on the screen, the inventory panel and its pop-up menu
// worked by clicks, the exit question, and numbers past every range drawn.
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "engine/OmNode.h"
#include "engine/OmRef.h"
#include "engine/OmRenderer.h"
#include "engine/OmTextureResource.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsInput.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsItemObject.h"
#include "render/OmD3D.h"
#include "testing/AllocationCounter.h"
#include "tests/app/SquadLevelFixture.h"
#include "tests/fuzz/BindingFuzz.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsGuiMessageBox.h"
#include "ui/TsHUDe.h"

namespace apptest {

namespace {

class HudLevel : public SquadLevel {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SquadLevel::SetUp());
        hud = TsAccess::HUDe();
        ASSERT_NE(hud, nullptr);
        // Ann, Bob and Cat, Ann the current character.
        members[0] = AddPartyMember("ann", 1.0f, 4.0f);
        members[1] = AddPartyMember("bob", 2.0f, 4.0f, 1);
        members[2] = AddPartyMember("cat", 3.0f, 4.0f, 2);
        TsAccess::LocalPlayer()->SetCurrentCharacter(0);
        ASSERT_EQ(TsAccess::LocalPlayer()->GetTeamCount(), 3);
    }

    template <class T>
    T* Article(TsPCObject* owner, const char* templateName, int stack = 0)
    {
        T* article = FromTemplate<T>(templateName);
        if constexpr (std::is_same_v<T, TsItemObject>) {
            if (stack > 0)
                article->SetStack(stack);
        }
        EXPECT_TRUE(article->Import());
        EXPECT_TRUE(article->Initialise());
        EXPECT_GT(owner->GetInventory()->AddArticle(article), 0);
        return article;
    }

    void Origin(int slot, int& x, int& y) { TsHUDe::GetPortraitOrigin(slot, x, y); }

    // Ann's inventory flown out, and a right click on the article in its
    // k-th cell: the article's menu opens and the panel stays.
    void OpenMenuOn(int k)
    {
        hud->OpenInventory(0);
        Frames(13, 100);
        int gx = 0, gy = 0, row = 0, column = 0;
        TsHUDe::GetGridOrigin(0, gx, gy);
        TsHUDe::StaircaseCell(k, row, column);
        Click(gx + 64 * column + 32, gy + 64 * row - 32, 1);
        ASSERT_TRUE(hud->GetMenu().IsOpen());
        EXPECT_EQ(hud->GetOpenSlot(), 0) << "the right click keeps the panel open";
    }

    TsHUDe* hud = nullptr;
    TsPCObject* members[3] = {};
};

// Sweep(v) gives v to every setter of every target: each bound function
// named Set<Name> of the target's class table and its bases' (of the
// globals for _G), called with one to four copies of v until the binding
// takes the call, and each variable of those tables. What the binding
// registers is what is called, so a new setter is swept without a line
// here. Complete() makes an object of each class with setters that no
// target belongs to, and names those a script cannot make.
constexpr const char* kSweep = R"(
local function Tables(target)
  local tables, t = {}, type(target) == 'table' and target or getmetatable(target)
  while t do tables[#tables + 1], t = t, getmetatable(t) end
  return tables
end
local function Setters(t)
  local found = {}
  for name, f in pairs(t) do
    if type(name) == 'string' and string.find(name, 'Set%u') and type(f) == 'function' and not pcall(string.dump, f) then
      found[name] = f
    end
  end
  return found
end
local function Call(f, self, v)
  for n = 1, 4 do
    if self and pcall(f, self, unpack({v, v, v, v}, 1, n)) or not self and pcall(f, unpack({v, v, v, v}, 1, n)) then
      return true
    end
  end
end
local swept = {}
function Swept(name) return swept[name] and 1 or 0 end
function Sweep(v)
  for _, target in ipairs(Targets) do
    for _, t in ipairs(Tables(target)) do
      for name, f in pairs(Setters(t)) do swept[name] = Call(f, target ~= _G and target, v) or swept[name] end
      for name in pairs(rawget(t, '.set') or {}) do
        swept[name] = pcall(function() target[name] = v end) or swept[name]
      end
    end
  end
end
function Complete()
  local reached, missing = {}, ''
  for _, target in ipairs(Targets) do
    for _, t in ipairs(Tables(target)) do reached[t] = true end
  end
  for name, t in pairs(_G) do
    if type(t) == 'table' and not reached[t] and (next(Setters(t)) or rawget(t, '.set')) then
      if rawget(t, 'new') then Targets[#Targets + 1] = t:new() else missing = missing .. ' ' .. name end
    end
  end
  return missing
end
)";

// The targets: the globals, the level's own objects, the records every shot
// and blast reads, the party and all they hold (Ann a radiation generator,
// ammunition, a medkit and a vest; Bob a blaster).
constexpr const char* kScene = R"(
local player = TsAccess:LocalPlayer()
local ann, bob = player:GetCharacter('ann'), player:GetCharacter('bob')
Targets = {_G, TsAccess, player, player:GetSquad(), TsAccess:Options(), TsAccess:Level(), TsAccess:LevelInfo(),
           TsAccess:CutScene(), TsAccess:Radar(), TsAccess:Conversation(), FxGetExplosionType(0),
           TsProjectileAttributes:_Attributes(0)}
for _, member in ipairs({ann, bob, player:GetCharacter('cat')}) do
  Targets[#Targets + 1], Targets[#Targets + 2] = member, member:GetInventory()
end
local function Give(member, class, template)
  local article = class:new()
  template(article)
  article:Import()
  member:GetInventory():AddArticle(article)
  if class == TsWeaponObject then member:GetInventory():EquipArticle(article) end
  Targets[#Targets + 1] = article
  return article
end
Generator, Blaster = Give(ann, TsWeaponObject, WeaponTemplateBlaster), Give(bob, TsWeaponObject, WeaponTemplateBlaster)
for _, template in ipairs({ItemTemplateBlasterAmmo, ItemTemplateMedkit, ItemTemplateVest}) do
  Give(ann, TsItemObject, template)
end
for _, weapon in ipairs({Generator, Blaster}) do
  Targets[#Targets + 1], Targets[#Targets + 2] = weapon:Attributes(false), weapon:Attributes(true)
end
)";

// What the sweep's whole numbers (each 0 by the script rule) undid and the
// HUD needs to draw its counts: the generator's kind, what each weapon
// spends in either mode.
constexpr const char* kRoles = R"(
Generator:Attributes(false):SetWeaponType(TS_WEAPON_RADIATION_GENERATOR)
for _, weapon in ipairs({Generator, Blaster}) do
  weapon:Attributes(false):SetAmmoPerShot(1)
  weapon:Attributes(true):SetAmmoPerShot(1)
end
)";

} // namespace

TEST_F(HudLevel, TheScriptFillsTheSpriteTableAndTheMarkerAndFontLoad)
{
    for (int id = HUD_DUMMY; id < HUD_MAX_SPRITES; ++id)
        EXPECT_NE(hud->GetSprite(id), nullptr) << "slot " << id;
    EXPECT_GE(hud->GetDestinationMarker().GetTextureId(), 0);
    EXPECT_NE(hud->GetFont(), nullptr);
}

TEST_F(HudLevel, ShowsThreePanelsWithTheirBarsAndPortraitsAndTheArrowCursor)
{
    members[1]->SetHealth(0.0f); // an empty health bar
    MouseTo(400, 300);
    const Picture screen = LookAfter(2);
    const int w = screen.width, h = screen.height;
    ASSERT_EQ(w, TsAccess::ScreenWidth());
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Origin(0, x0, y0);
    Origin(1, x1, y1);
    Origin(2, x2, y2);
    EXPECT_EQ(x1, (w - 238) / 2); // three members: the second in the middle
    EXPECT_EQ(x2, w - 238);
    for (int x : {x0, x1, x2}) {
        const uint32_t vitality = screen.At(x + 74 + 10, h - 28 + 4);
        EXPECT_GT(Blue(vitality), Red(vitality) + 60) << std::hex << vitality;
    }
    for (int x : {x0, x2}) {
        const uint32_t health = screen.At(x + 68 + 10, h - 17 + 4);
        EXPECT_GT(Red(health), Green(health) + 60) << std::hex << health;
    }
    const uint32_t emptyHealth = screen.At(x1 + 68 + 10, h - 17 + 4);
    EXPECT_LT(Red(emptyHealth), Green(emptyHealth) + 60) << "no health, no bar";
    // The current character's portrait is drawn whole, in its type's colour.
    const uint32_t face = screen.At(x0 + 65 + 32, h - 87 + 15);
    EXPECT_GT(Red(face), 150);
    // The others show as holograms, reddish-purple over the scene.
    const uint32_t holo = screen.At(x1 + 65 + 32, h - 87 + 15);
    EXPECT_NE(holo, face);
    // The cursor: the arrow's white stem at the pointer.
    ASSERT_EQ(TsAccess::Input()->GetCursorX(), 400);
    ASSERT_NE(TsAccess::LevelCursor()->GetState(), TS_CURSOR_DISABLED);
    const uint32_t cursor = screen.At(400 - 8, 300 - 8 + 6);
    EXPECT_GT(Red(cursor) + Green(cursor) + Blue(cursor), 600) << std::hex << cursor;
}

TEST_F(HudLevel, AMoveOrderPutsTheOrangeCrossOnTheGround)
{
    auto orange = [&](const Picture& s) {
        return s.Count(0, 0, s.width, s.height,
                       [](uint32_t p) { return Red(p) > 180 && Green(p) > 80 && Green(p) < 170 && Blue(p) < 60; });
    };
    MouseTo(400, 300); // the pointer on the scene, not the HUD
    const int before = orange(LookAfter(2));
    members[0]->MoveTo(OmVector3(6.0f, 0.0f, 4.0f));
    Frames(1, 100);
    OmVector3 target;
    ASSERT_TRUE(members[0]->GetMoveTarget(target));
    EXPECT_GT(orange(Look()), before + 20);
}

TEST_F(HudLevel, APortraitClickPicksItsCharacterAndItsFollowButtonTogglesStay)
{
    Frames(2, 100);
    OmVector3 target;
    int x = 0, y = 0;
    Origin(2, x, y);
    Click(x + 97, y - 55);
    EXPECT_EQ(TsAccess::LocalPlayer()->GetCurrentIndex(), 2);
    EXPECT_EQ(TsAccess::CurrentCharacter(), members[2]);
    EXPECT_FALSE(members[2]->GetMoveTarget(target)) << "a click the HUD takes is no move order";
    Click(x + 138 + 8, y - 23 + 8);
    EXPECT_TRUE(members[2]->GetStay());
}

// A move ordered onto ground above the walker's head (a figure half a unit
// tall sent up the ramp of room B, to where it stands 0.9 high): the
// destination marker stands on the ramp, not on the floor under it.
TEST_F(HudLevel, TheMarkerOfAMoveOntoGroundAboveTheWalkersHeadStandsOnThatGround)
{
    TsPCObject* ann = members[0];
    ann->SetHeight(0.5f);
    ann->SetOrigin(13.0f, 0.0f, 2.0f);
    Ticks(1);
    ann->MoveTo(OmVector3(17.6f, 0.9f, 2.0f));
    OmVector3 target;
    ASSERT_TRUE(ann->GetMoveTarget(target));
    ASSERT_GT(target.x, 16.0f) << "the path ends up the ramp";
    EXPECT_NEAR(target.y, (target.x - 14.0f) / 4.0f, 0.05f) << "the ramp's height there";
}

TEST_F(HudLevel, TheInventoryFliesOutEquipsAndClosesOnClicks)
{
    TsWeaponObject* blaster = Article<TsWeaponObject>(members[0], "WeaponTemplateBlaster");
    Article<TsItemObject>(members[0], "ItemTemplateBlasterAmmo", 10);
    TsInventory* inventory = members[0]->GetInventory();
    inventory->UnequipArticle();
    ASSERT_EQ(inventory->GetEquipped(), nullptr);
    ASSERT_TRUE(hud->IsInventoryAnimated());
    int px = 0, py = 0;
    Origin(0, px, py);
    const Picture closed = Look();
    Click(px + 32, py - 32); // the weapon slot
    EXPECT_EQ(hud->GetOpenSlot(), 0);
    EXPECT_TRUE(hud->IsAnimating());
    EXPECT_TRUE(TsAccess::CurrentLevel()->GetPlayerLockout());
    // Half way the slots are on their way; after 1.2 s they have arrived.
    const Picture flying = Look();
    Frames(12, 100);
    EXPECT_FALSE(hud->IsAnimating());
    EXPECT_FALSE(TsAccess::CurrentLevel()->GetPlayerLockout());
    EXPECT_EQ(hud->GetOpenSlot(), 0);
    const Picture open = Look();
    int gx = 0, gy = 0;
    TsHUDe::GetGridOrigin(0, gx, gy);
    // The first cell holds the blaster (an energy weapon: the blue slot).
    ASSERT_GE(gy - 64 + 30, 0);
    const uint32_t cell = open.At(gx + 10, gy - 64 + 30);
    EXPECT_GT(Blue(cell), Red(cell)) << std::hex << cell;
    EXPECT_NE(closed.At(gx + 10, gy - 64 + 30), cell);
    EXPECT_NE(flying.pixels, open.pixels);

    Click(gx + 32, gy - 32);
    EXPECT_EQ(inventory->GetEquipped(), blaster);
    EXPECT_TRUE(hud->IsAnimating());
    EXPECT_FALSE(hud->IsAnimationOpening());
    Frames(13, 100);
    EXPECT_EQ(hud->GetOpenSlot(), -1);
    EXPECT_FALSE(hud->IsAnimating());
}

TEST_F(HudLevel, ThePopUpMenuUsesGivesAndDrops)
{
    TsItemObject* medkit = Article<TsItemObject>(members[0], "ItemTemplateMedkit", 3);
    TsItemObject* ammo = Article<TsItemObject>(members[0], "ItemTemplateBlasterAmmo", 17);
    TsInventory* inventory = members[0]->GetInventory();
    auto entryCentre = [&](int entry, int& x, int& y) {
        const TsScreenQuad& strip = hud->GetMenu().GetEntry(entry)->strip;
        x = int((strip.v[1].x + strip.v[3].x) / 2);
        y = int((strip.v[1].y + strip.v[0].y) / 2);
    };
    ASSERT_EQ(inventory->GetArticle(0), ammo);
    ASSERT_EQ(inventory->GetArticle(1), medkit);

    members[0]->SetHealthRecovery(0.0f);
    members[0]->SetHealth(2.0f);
    OpenMenuOn(1);
    int x = 0, y = 0;
    EXPECT_TRUE(hud->GetMenu().GetEntry(TsHUDMenu::kUse)->enabled);
    // On the screen: the entries' pale strips inside the frame.
    const TsScreenQuad& dropStrip = hud->GetMenu().GetEntry(TsHUDMenu::kDrop)->strip;
    const uint32_t strip = Look().At(int(dropStrip.v[1].x) + 1, int(dropStrip.v[1].y) + 1);
    EXPECT_GT(Red(strip), 150) << std::hex << strip;
    EXPECT_GT(Green(strip), 140) << std::hex << strip;
    entryCentre(TsHUDMenu::kUse, x, y);
    Click(x, y);
    EXPECT_FALSE(hud->GetMenu().IsOpen());
    EXPECT_FLOAT_EQ(members[0]->GetHealth(), 7.0f);
    EXPECT_EQ(medkit->GetStack(), 2);
    hud->CloseInventory(false, true);

    // Give: 17 rounds in packs of 10 hand 10 to the first other member.
    OpenMenuOn(0);
    entryCentre(TsHUDMenu::kGiveFirst, x, y);
    Click(x, y);
    EXPECT_EQ(ammo->GetStack(), 7);
    EXPECT_EQ(members[1]->GetInventory()->GetAmmoCount(), 1);
    hud->CloseInventory(false, true);

    OpenMenuOn(1);
    entryCentre(TsHUDMenu::kDrop, x, y);
    Click(x, y);
    EXPECT_FALSE(inventory->Holds(medkit));
}

// A menu opened on the top row is moved down until its frame, and the
// article's name under it, show whole.
TEST_F(HudLevel, APopUpMenuOnTheTopRowShowsItsFrameWhole)
{
    Article<TsItemObject>(members[0], "ItemTemplateMedkit", 3);
    ASSERT_NO_FATAL_FAILURE(OpenMenuOn(0));
    EXPECT_GE(hud->GetMenu().GetFrame().GetPiece(TsFrameWindow::kTopLeft).v[1].y, 0.0f);
}

// The HUD's own drawing each frame: portraits, the open inventory, the
// menu, the windows, cursor, target and marker.
TEST_F(HudLevel, HudDrawingAllocatesNothingFrameAfterFrame)
{
    Article<TsItemObject>(members[0], "ItemTemplateMedkit", 3);
    Article<TsWeaponObject>(members[0], "WeaponTemplateBlaster");
    members[0]->MoveTo(OmVector3(6.0f, 0.0f, 4.0f));
    hud->OpenInventory(0);
    Frames(13, 100);
    int px = 0, py = 0;
    TsHUDe::GetPortraitOrigin(1, px, py);
    hud->GetInfoWindow().Show(float(px - 48), float(py - 192), members[1], TsHUDTextWindow::kCharacter, 140.0f);
    hud->GetPriceWindow().Show(100.0f, 100.0f, nullptr, TsHUDTextWindow::kMoney, 80.0f);
    OmD3D* renderer = OmD3D::Instance();
    uint64_t counted = 0;
    for (int frame = 0; frame < 102; ++frame) {
        ASSERT_TRUE(renderer->BeginScene(float(frame) * 0.016f));
        testalloc::Count(frame >= 2);
        const uint64_t before = testalloc::Counted();
        hud->RenderDestinationMarker();
        hud->Render(0.5f);
        hud->UpdateTargeting();
        counted += testalloc::Counted() - before;
        testalloc::Count(false);
        renderer->EndScene();
        renderer->Present();
    }
    EXPECT_EQ(counted, 0u);
}

// The giver is never left an empty stack.
TEST_F(HudLevel, GivingSplitsByPackAndRespectsTheReceiversMaximum)
{
    TsItemObject* rounds = Article<TsItemObject>(members[0], "ItemTemplateBlasterAmmo", 17);
    rounds->SetPackSize(5);
    TsHUDMenu::GiveArticle(rounds, 0, 1);
    EXPECT_EQ(rounds->GetStack(), 12);
    ASSERT_EQ(members[1]->GetInventory()->GetAmmoCount(), 1);
    TsItemObject* theirs = members[1]->GetInventory()->GetAmmo(0);
    EXPECT_EQ(theirs->GetStack(), 5);
    // The receiver's stack is two short of its maximum: two move, ten stay.
    theirs->SetStack(theirs->GetMaxStack() - 2);
    TsHUDMenu::GiveArticle(rounds, 0, 1);
    EXPECT_EQ(theirs->GetStack(), theirs->GetMaxStack());
    EXPECT_EQ(rounds->GetStack(), 10);
    // A full receiver takes nothing.
    TsHUDMenu::GiveArticle(rounds, 0, 1);
    EXPECT_EQ(rounds->GetStack(), 10);
    // The last few go to the third member and the giver's stack is gone.
    rounds->SetStack(3);
    TsHUDMenu::GiveArticle(rounds, 0, 2);
    EXPECT_EQ(members[0]->GetInventory()->GetAmmoCount(), 0);
    ASSERT_EQ(members[2]->GetInventory()->GetAmmoCount(), 1);
    EXPECT_EQ(members[2]->GetInventory()->GetAmmo(0)->GetStack(), 3);
    // A weapon moves whole.
    TsWeaponObject* blaster = Article<TsWeaponObject>(members[0], "WeaponTemplateBlaster");
    TsHUDMenu::GiveArticle(blaster, 0, 1);
    EXPECT_FALSE(members[0]->GetInventory()->Holds(blaster));
    EXPECT_TRUE(members[1]->GetInventory()->Holds(blaster));
    EXPECT_EQ(blaster->GetOwner(), members[1]);
}

// The exit script is called by name later: only an identifier that fits is
// kept, and the answer is true either way. The message shows and pauses the
// level whatever the name: an empty one runs no script, and a bad one is
// logged and runs none either.
TEST_F(HudLevel, ExitDialogueKeepsOnlyAScriptNameThatFits)
{
    TsGameFrontEnd* menu = Level()->GetGameFrontEnd();
    ASSERT_EQ(RunLua("g_exit = TsAccess.HUDe():ExitDialogue('OnDone', 'Leave?', true)"), 0);
    EXPECT_STREQ(hud->GetExitScript(), "OnDone");
    EXPECT_TRUE(TsAccess::CurrentLevel()->IsPaused()) << "asked over the paused level";
    const std::string longName(400, 'a');
    for (const std::string& name : {longName, std::string("os.exit()"), std::string("")}) {
        hud->SetDialogueOpen(false);
        while (menu->HasOpenWindows())
            menu->PopWindow();
        TsAccess::CurrentLevel()->Pause(false);
        log.Clear();
        EXPECT_TRUE(hud->ExitDialogue(name.c_str(), "Farewell", false));
        EXPECT_STREQ(hud->GetExitScript(), "") << name;
        EXPECT_EQ(log.Contains("no script name"), !name.empty()) << name;
        EXPECT_TRUE(hud->IsDialogueOpen() && TsAccess::CurrentLevel()->IsPaused()) << name;
        auto* box = dynamic_cast<TsGuiMessageBox*>(menu->GetTopWindow());
        ASSERT_NE(box, nullptr) << name;
        EXPECT_STREQ(box->GetText(), "Farewell");
    }
}

TEST_F(HudLevel, TextIsNotMeasuredBeforeTheFontIsThere)
{
    OmD3DFont* font = hud->GetFont();
    hud->SetFont(nullptr);
    float w = -1, h = -1;
    hud->GetTextExtent("abc", w, h);
    EXPECT_EQ(w, -1);
    hud->SetFont(font);
}

TEST_F(HudLevel, CreateSpriteWithArgumentsOfTheWrongKindsIsRefused)
{
    EXPECT_NE(RunLua("TsAccess.HUDe():CreateSprite('x', 3)"), 0);
    EXPECT_TRUE(log.Contains("CreateSprite"));
}

// A short word is left alone.
TEST_F(HudLevel, AWordTooLongForItsWindowIsHyphenatedToFit)
{
    char word[260] = "Supercalifragilisticexpialidocious";
    int cut = 0;
    ASSERT_TRUE(hud->GetInfoWindow().FitWord(word, sizeof word, 60.0f, cut));
    EXPECT_GT(cut, 0);
    EXPECT_EQ(word[std::strlen(word) - 1], '-');
    float w = 0, h = 0;
    hud->GetTextExtent(word, w, h);
    EXPECT_LE(w, 60.0f);
    char shortWord[260] = "ok";
    EXPECT_FALSE(hud->GetInfoWindow().FitWord(shortWord, sizeof shortWord, 60.0f, cut));
    EXPECT_STREQ(shortWord, "ok");
}

// The last line says so whichever side of the trade the article is on.
TEST_F(HudLevel, AnArticlesTradeWindowSaysAClickOnItBuysOrSellsIt)
{
    TsWeaponObject* blaster = Article<TsWeaponObject>(members[0], "WeaponTemplateBlaster");
    blaster->SetForSale(true);
    TsHUDTextWindow& window = hud->GetInfoWindow();
    for (const auto& [side, line] : {std::pair(1, "Click here to buy it"), std::pair(0, "Click here to sell it")}) {
        hud->SetTradeSide(side);
        window.SetVisible(false);
        ASSERT_TRUE(window.Show(100.0f, 100.0f, blaster, TsHUDTextWindow::kArticle, 140.0f));
        EXPECT_STREQ(window.GetLine(1), line) << "side " << side;
    }
}

TEST_F(HudLevel, TheCharacterWindowNamesTheRoleAndHoldsEachLineOnOneRow)
{
    TsPCObject* ann = members[0];
    ann->SetDisplayNameID(6400); // a name line too
    ann->SetDisplayRaceID(6400); // "Smith" in the demo's texts
    ann->SetMaxVitality(10.0f);
    ann->SetVitality(10.0f);
    ann->SetMaxHealth(30.0f);
    ann->SetHealth(30.0f);
    TsHUDTextWindow& window = hud->GetInfoWindow();
    ASSERT_TRUE(window.Show(100.0f, 100.0f, ann, TsHUDTextWindow::kCharacter, 140.0f));
    EXPECT_STREQ(window.GetLine(0), "Role: Smith");
    ASSERT_STREQ(window.GetLine(1), "Vitality: 10 out of 10");
    float width = 0.0f, row = 0.0f;
    hud->GetTextExtent("Ay", width, row);
    ASSERT_GT(row, 0.0f);
    // The name, "Needs a descripton.", the role, vitality and health.
    EXPECT_FLOAT_EQ(window.GetHeight(), 5.0f * row);
}

// A script may set any vitals: past the int's range a number reads as the
// nearest limit, and one that is no number as 0.
TEST_F(HudLevel, TheCharacterWindowShowsVitalsPastTheIntRangeAtItsNearestLimit)
{
    TsPCObject* ann = members[0];
    ann->SetVitality(std::nanf(""));
    ann->SetMaxVitality(1e30f);
    ann->SetHealth(-1e30f);
    ann->SetMaxHealth(INFINITY);
    TsHUDTextWindow& window = hud->GetInfoWindow();
    ASSERT_TRUE(window.Show(100.0f, 100.0f, ann, TsHUDTextWindow::kCharacter, 140.0f));
    EXPECT_STREQ(window.GetLine(1), "Vitality: 0 out of 2147483647");
    EXPECT_STREQ(window.GetLine(2), "Health: -2147483648 out of 2147483647");
}

// The frame moves in too; a window that fits stays where it was opened.
TEST_F(HudLevel, AnInfoWindowIsMovedInByWhatOverhangsTheScreen)
{
    const int w = TsAccess::ScreenWidth(), h = TsAccess::ScreenHeight();
    TsHUDTextWindow& window = hud->GetInfoWindow();
    const int margin = int(window.GetMargin());
    enum Edge { kLeft, kTop, kRight, kBottom };
    const struct {
        const char* where;
        float x, y;
        Edge edge; // the edge of the framed window checked
        int at;
    } rows[] = {
        {"inside", 100.0f, 100.0f, kLeft, 100 - margin},
        {"over the left edge", -48.0f, 100.0f, kLeft, 0},
        {"over the top edge", 100.0f, -30.0f, kTop, 0},
        {"over the right edge", float(w - 20), 100.0f, kRight, w},
        {"over the bottom edge", 100.0f, float(h - 10), kBottom, h},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.where);
        window.SetVisible(false);
        ASSERT_TRUE(window.Show(row.x, row.y, members[0], TsHUDTextWindow::kCharacter, 140.0f));
        int32_t rect[4] = {};
        window.GetRect(rect, true);
        EXPECT_EQ(rect[row.edge], row.at);
        EXPECT_TRUE(rect[kLeft] >= 0 && rect[kTop] >= 0 && rect[kRight] <= w && rect[kBottom] <= h)
            << rect[kLeft] << ", " << rect[kTop] << " to " << rect[kRight] << ", " << rect[kBottom];
    }
}

// A model loads its sprite on import and again on initialising; it holds
// one registration of the sprite's texture all the same, and gives it back
// when it goes.
TEST_F(HudLevel, AModelHoldsOneRegistrationOfItsSpriteTextureUntilItGoes)
{
    auto rounds = OmRef<TsItemObject>::Adopt(FromTemplate<TsItemObject>("ItemTemplateBlasterAmmo"));
    ASSERT_TRUE(rounds->Import());
    ASSERT_NE(rounds->GetSprite(), nullptr);
    OmRenderer* renderer = OmRenderer::Current();
    const int32_t id = rounds->GetSprite()->textureId;
    OmTextureResource* texture = renderer->GetTexture(id);
    ASSERT_NE(texture, nullptr);
    texture->AddRef(); // this test's, to read the count by
    const uint32_t once = texture->GetRefCount();

    ASSERT_TRUE(rounds->Initialise());
    EXPECT_EQ(rounds->GetSprite()->textureId, id);
    EXPECT_EQ(texture->GetRefCount(), once);
    rounds = nullptr;
    CollectScriptHandles(); // the template script's handle
    EXPECT_EQ(texture->GetRefCount(), once - 1);
    renderer->ReleaseTexture(id);
}

TEST_F(HudLevel, ASpriteWhoseImageDoesNotLoadGivesItsTextureBack)
{
    OmRenderer* renderer = OmRenderer::Current();
    EXPECT_FALSE(hud->CreateSprite(HUD_PLATE, "data\\hud\\no such image.tga"));
    const OmTextureResource description("data\\hud\\no such image.tga", -1, 1);
    const int32_t id = renderer->RegisterTexture(&description);
    ASSERT_NE(renderer->GetTexture(id), nullptr);
    EXPECT_EQ(renderer->GetTexture(id)->GetRefCount(), 1u) << "only this test's registration";
    renderer->ReleaseTexture(id);
}

// Unlimited (no maximum stack): every round joins the receiver's stack.
TEST_F(HudLevel, GivingUnlimitedAmmunitionToAStackReleasesTheGivenArticle)
{
    TsItemObject* rounds = Article<TsItemObject>(members[0], "ItemTemplateBlasterAmmo", 4);
    rounds->SetMaxStack(0);
    rounds->SetCanDrop(true);
    TsItemObject* theirs = Article<TsItemObject>(members[1], "ItemTemplateBlasterAmmo", 6);
    theirs->SetMaxStack(0);
    const uint32_t live = TsItemObject::s_pool.GetLiveCount();

    TsHUDMenu::GiveArticle(rounds, 0, 1);
    CollectScriptHandles();
    EXPECT_EQ(theirs->GetStack(), 10);
    EXPECT_EQ(members[0]->GetInventory()->GetAmmoCount(), 0);
    EXPECT_EQ(TsItemObject::s_pool.GetLiveCount(), live - 1);
}

TEST_F(HudLevel, ALockedEnemyGetsTheMarkerAndItsBars)
{
    TsAccess::LocalPlayer()->GetSquad()->SetTeam(kPlayerTeam);
    ASSERT_TRUE(TsAccess::LocalPlayer()->InitialiseForLevel(-1));
    TsAccess::LocalPlayer()->SetCurrentCharacter(0);
    TsNPCObject* enemy = AddNPC("enemy", 6.0f, 4.0f, 7);
    MakeSquad(7, kEnemyTeam, TS_BEHAVIOUR_ATTACK);
    Frames(2, 100);
    members[0]->SetLockedTarget(enemy);
    ASSERT_EQ(members[0]->GetLockedTarget(), enemy);
    bool locked = false;
    float closeness = 0.0f;
    ASSERT_EQ(TsAccess::LocalPlayer()->GetTargetProximity(locked, closeness), enemy);
    EXPECT_TRUE(locked);
    const Picture screen = LookAfter(1);
    const int w = screen.width, h = screen.height;
    // The health bar: full, white towards its right end.
    const uint32_t bar = screen.At(w - 49 + 30, h - 49 + 2);
    EXPECT_GT(Red(bar) + Green(bar) + Blue(bar), 600) << std::hex << bar;
    // The red chemical-defence bar is empty (no defence): dark.
    const uint32_t chemical = screen.At(w - 49 + 30, h - 49 + 21 + 2);
    EXPECT_LT(Red(chemical), 100) << std::hex << chemical;
    // The marker: a ring over the enemy, tinted from dark to bright green
    // by closeness (no blue), where the enemy's point falls on the screen.
    ASSERT_LT(closeness, 1.0f);
    const OmVector3 point = enemy->GetModel() ? enemy->GetModel()->GetWorldPosition() : enemy->GetPosition();
    int sx = 0, sy = 0;
    ASSERT_TRUE(ScreenPoint(point, sx, sy));
    sx -= 8; // the ring's corner
    sy -= 8;
    ASSERT_TRUE(sx >= 0 && sy >= 0 && sx + 16 < w && sy + 16 < h) << sx << "," << sy;
    const uint32_t ring = screen.At(sx + 8, sy + 1);
    EXPECT_LT(Blue(ring), 20) << std::hex << ring;
    EXPECT_GE(Green(ring) + 2, Red(ring)) << std::hex << ring;
    EXPECT_NEAR(Red(ring), 51, 6) << std::hex << ring;
}

TEST_F(HudLevel, ACutSceneLeavesTheInventoryOpenForAWaitingTrader)
{
    TsCutScene* scene = TsAccess::CurrentLevel()->GetCutScene();
    ASSERT_NE(scene, nullptr);
    hud->OpenInventory(0);
    hud->SetTrader(members[2]); // any character stands in for the waiting trader
    scene->SetCutSceneActive(true);
    EXPECT_EQ(hud->GetOpenSlot(), 0) << "the trade takes the screen next";
    scene->SetCutSceneActive(false);
}

TEST_F(HudLevel, TheConversationCameraHoldsTheWholeSquad)
{
    TsCutScene* scene = TsAccess::CurrentLevel()->GetCutScene();
    ASSERT_NE(scene, nullptr);
    for (TsPCObject* member : members)
        member->MoveTo(OmVector3(member->GetPosition().x, 0.0f, 9.0f));
    ASSERT_EQ(members[1]->GetPendingCommand(), 1) << "walking";
    scene->SetupConversationCamera(members[0]->GetPosition(), members[2]->GetPosition(), 3);
    OmVector3 held[3];
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(members[i]->GetPendingCommand(), 0);
        EXPECT_EQ(members[i]->GetTrack().GetCount(), 0u);
        EXPECT_GT(members[i]->GetBusyTicks(), 0) << "held, not only stopped";
        held[i] = members[i]->GetPosition();
    }
    Frames(5, 100);
    for (int i = 0; i < 3; ++i)
        EXPECT_LT((members[i]->GetPosition() - held[i]).Length(), 0.01f) << "the party stays while framed";
    scene->SetCutSceneActive(false);
}

// A conversation or a cut scene takes the inventory away at once, in the
// middle of its fly-out: the panel's lockout goes with it (a conversation
// keeps its own until it ends), and so does the sound of its closing, which
// belongs to the player's own closing.
TEST_F(HudLevel, AConversationOrCutSceneClosesTheInventoryAtOnceAndSilently)
{
    TsAudio* audio = TsAccess::Audio();
    ASSERT_TRUE(audio && audio->LoadWavFromFile(TsHUDe::kSoundClose));
    TsLevel* level = TsAccess::CurrentLevel();
    TsConversation* talk = level->GetIncidentalConversation();
    TsCutScene* scene = level->GetCutScene();
    ASSERT_NE(scene, nullptr);
    ASSERT_TRUE(hud->IsInventoryAnimated());
    const struct {
        const char* what;
        std::function<void()> begin, end;
        bool lockedOut; // by what took the inventory, while it lasts
    } rows[] = {
        {"a conversation",
         [&] {
             talk->AddFragment(-1, members[0], members[1]);
             talk->Run();
         },
         [&] { talk->End(); }, true},
        {"a cut scene", [&] { scene->SetCutSceneActive(true); }, [&] { scene->SetCutSceneActive(false); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        hud->OpenInventory(0);
        FrameAfter(100);
        ASSERT_TRUE(hud->IsAnimating());
        ASSERT_TRUE(level->GetPlayerLockout());
        row.begin();
        EXPECT_EQ(hud->GetOpenSlot(), -1);
        EXPECT_FALSE(hud->IsAnimating()) << "closed at once";
        EXPECT_EQ(level->GetPlayerLockout(), row.lockedOut);
        EXPECT_FALSE(level->GameIsInNormalState());
        EXPECT_FALSE(audio->IsSoundPlaying(TsHUDe::kSoundClose));
        row.end();
        EXPECT_FALSE(level->GetPlayerLockout());
    }
    hud->CloseInventory(true, false); // closing a closed panel does nothing
    EXPECT_FALSE(hud->IsAnimating());
    hud->OpenInventory(0);
    hud->CloseInventory(true, true);
    EXPECT_TRUE(audio->IsSoundPlaying(TsHUDe::kSoundClose)) << "the player's own closing is heard";
}

// A trader's talk that begins while the inventory flies home: no trade
// panel turns up over the talk as the panel's flight home would have ended,
// and the trade opens when the talk ends.
TEST_F(HudLevel, ATradersTalkOverAClosingInventoryOpensTheTradeOnlyAtItsEnd)
{
    TsConversation* talk = TsAccess::CurrentLevel()->GetIncidentalConversation();
    hud->OpenInventory(0);
    Frames(15, 100);
    ASSERT_FALSE(hud->IsAnimating());
    hud->CloseInventory(true, false);
    hud->SetTrader(members[2]); // any character stands in for the trader
    for (int line = 0; line < 4; ++line)
        talk->AddFragment(-1, members[2], members[0]);
    talk->Run();
    Frames(15, 100); // longer than the flight home
    ASSERT_TRUE(talk->HasConversationStarted());
    EXPECT_FALSE(hud->IsTradePanelVisible());
    EXPECT_FALSE(hud->IsPanelOpen());
    talk->End();
    Frames(15, 100);
    EXPECT_TRUE(hud->IsTradePanelVisible()) << "the trade opens as the talk ends";
    EXPECT_EQ(hud->GetOpenSlot(), 0);
}

// The pointer rested on a trader as the inventory opened (the player
// pointed at him and pressed the inventory key): a click inside the panel
// is the panel's, and calls no trader.
TEST_F(HudLevel, AClickInTheOpenInventoryNeverStartsATradersTalk)
{
    TsNPCObject* trader = AddNPC("WeaponTrader", 6.0f, 4.0f, 7);
    ASSERT_EQ(RunLua("g_talks = 0 function RunWeaponTraderConversation() g_talks = g_talks + 1 end"), 0);
    Frames(2, 100);
    int x = 0, y = 0, gx = 0, gy = 0;
    ASSERT_TRUE(ScreenPoint(MiddleOf(trader), x, y));
    MouseTo(x, y);
    Frames(2, 100);
    ASSERT_EQ(TsAccess::LevelCursor()->GetHovered(), trader);
    hud->OpenInventory(0);
    Frames(13, 100);
    TsHUDe::GetGridOrigin(0, gx, gy);
    Click(gx + 32, gy - 32);
    Frames(2, 100);
    EXPECT_EQ(LuaNumber("g_talks"), 0.0);
}

// What the HUD keeps across ticks may go (a script deletes it), and the
// next object of its class be made in the cell it left: the HUD has let go
// of the one that went and does not take the newcomer for it.
TEST_F(HudLevel, TheHudTakesNoNewcomerForTheObjectWhoseCellItFills)
{
    const auto character = [] { return OmRef<TsEntity>(OmMakeRef<TsNPCObject>()); };
    const auto article = [] { return OmRef<TsEntity>(OmMakeRef<TsItemObject>()); };
    const struct {
        const char* holder;
        std::function<OmRef<TsEntity>()> make;
        std::function<void(TsEntity*)> keep;
        std::function<TsObject*()> kept;
    } rows[] = {
        {"the trader", character, [&](TsEntity* e) { hud->SetTrader(TsCharacterObject::Cast(e)); },
         [&]() -> TsObject* { return hud->GetTrader(); }},
        {"the info window", character,
         [&](TsEntity* e) { hud->GetInfoWindow().Show(100.0f, 100.0f, e, TsHUDTextWindow::kCharacter, 140.0f); },
         [&] { return hud->GetInfoWindow().GetObject(); }},
        {"the pop-up menu", article, [&](TsEntity* e) { hud->GetMenu().Open(TsCollectibleObject::Cast(e), 0); },
         [&]() -> TsObject* { return hud->GetMenu().GetArticle(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.holder);
        OmRef<TsEntity> gone = row.make();
        row.keep(gone);
        const void* cell = gone.Get();
        gone = nullptr;
        // The pool hands the cell out again (under the sanitizer once it
        // has left the quarantine of freed cells).
        OmRef<TsEntity> newcomer;
        for (int made = 0; made < 100 && newcomer.Get() != cell; ++made)
            newcomer = row.make();
        ASSERT_EQ(newcomer.Get(), cell);
        EXPECT_EQ(row.kept(), nullptr);
    }
}

// No empty frame is left on the screen.
TEST_F(HudLevel, TheInfoWindowOfACharacterThatGoesCloses)
{
    OmRef<TsEntity> character(OmMakeRef<TsNPCObject>());
    hud->GetInfoWindow().Show(100.0f, 100.0f, character, TsHUDTextWindow::kCharacter, 140.0f);
    ASSERT_TRUE(hud->GetInfoWindow().IsVisible());
    character = nullptr;
    EXPECT_FALSE(hud->GetInfoWindow().IsVisible());
}

// Numbers past every range, given by a script to everything it can set, and
// the HUD drawn on: the sanitizer build stops on any conversion of such a
// number that is not held to its range.
TEST_F(HudLevel, EverySetterTakesExtremeNumbersAndTheHudDrawsThePartyOn)
{
    ASSERT_EQ(RunLua(std::string(kSweep) + kScene + "g_unswept = Complete()"), 0) << log.All();
    EXPECT_EQ(LuaString("g_unswept"), "") << "classes with setters that no target belongs to";
    ASSERT_TRUE(hud->GetInfoWindow().Show(100.0f, 100.0f, members[0], TsHUDTextWindow::kCharacter, 140.0f));
    for (const char* number : bindingfuzz::kExtremeNumbers) {
        SCOPED_TRACE(number);
        ASSERT_EQ(RunLua(std::string("Sweep(") + number + ")" + kRoles), 0) << log.All();
        Frames(10);
        // Ann's inventory too (the sweep's choice of the current member
        // closed it): her generator in its slot as well as on her panel.
        hud->OpenInventory(0);
        Frames(10);
        ASSERT_TRUE(hud->IsPanelOpen() && hud->GetInfoWindow().IsVisible());
    }
    // The sweep reached the setters behind what the HUD draws.
    RunLua("g_swept = Swept('SetStun') + Swept('SetMaxHealth') + Swept('m_shockWidth') + "
           "Swept('FxSetNumExplosionTypes')");
    EXPECT_EQ(LuaNumber("g_swept"), 4.0);
}

} // namespace apptest
