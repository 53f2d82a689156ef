// Numbers past every range, given by a script to everything it can set, and
// the HUD drawn on: the sanitizer build stops on any conversion of such a
// number that is not held to its range.
#include <string>

#include "game/framework/TsAccess.h"
#include "tests/app/SquadLevelFixture.h"
#include "tests/fuzz/BindingFuzz.h"
#include "ui/TsHUDTextWindow.h"
#include "ui/TsHUDe.h"

namespace apptest {

namespace {

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

class ExtremeNumbers : public SquadLevel {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SquadLevel::SetUp());
        ann = AddPartyMember("ann", 1.0f, 4.0f);
        AddPartyMember("bob", 2.0f, 4.0f, 1);
        AddPartyMember("cat", 3.0f, 4.0f, 2);
        TsAccess::LocalPlayer()->SetCurrentCharacter(0);
        ASSERT_EQ(RunLua(std::string(kSweep) + kScene + "g_unswept = Complete()"), 0) << log.All();
    }

    TsPCObject* ann = nullptr;
};

TEST_F(ExtremeNumbers, EverySetterTakesThemAndTheHudDrawsThePartyOn)
{
    EXPECT_EQ(LuaString("g_unswept"), "") << "classes with setters that no target belongs to";
    TsHUDe* hud = TsAccess::HUDe();
    ASSERT_TRUE(hud->GetInfoWindow().Show(100.0f, 100.0f, ann, TsHUDTextWindow::kCharacter, 140.0f));
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

} // namespace

} // namespace apptest
