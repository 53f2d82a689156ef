-- The town: run every time the level starts, new or loaded. Talking to the
-- smith plays the town's conversation; the trader's conversation ends in
-- the trade panel; the way out leads to the mission.

g_townTalked = 0

-- The town's talks are framed: the camera turns to show who speaks.
TsAccess.Level():SetConversationCamera(true)

function LuaTick()
    return 0
end

-- The smith's banter (text table 6000-6020): the whole talk the first
-- time, his last word after that. Called with the smith's and the user's
-- names when the smith is used (clicked); a talk under way is left to
-- finish.
function TalkToSmith(smithName, userName)
    local talk = TsAccess.Conversation()
    local pc = TsAccess.CurrentCharacter()
    if Smith == nil or pc == nil or talk:HasConversationStarted() then
        return
    end
    if g_townTalked == 0 then
        talk:AddFragment(6000, Smith, pc)
        talk:AddFragment(6010, pc, Smith)
    end
    talk:AddFragment(6020, Smith, pc)
    talk:Run()
    g_townTalked = 1
end

-- Clicking the trader runs this (the HUD knows traders by name); when the
-- talk ends the HUD opens the trade panel beside the member's inventory.
function RunWeaponTraderConversation(characterName)
    local talk = TsAccess.Conversation()
    local buyer = TsAccess.CurrentCharacter()
    if WeaponTrader == nil or buyer == nil then
        return
    end
    talk:AddFragment(6030, WeaponTrader, buyer)
    talk:Run()
end

-- The party is carried over to the mission: the level info names it
-- before the player is written out for the next level.
function OnWayOut()
    InitLevelInfo(TsAccess.LevelInfo(), "mission")
    NextLevel()
end

function SaveMissionGlobals()
    TsAccess.LocalPlayer():SetScriptState(0, g_townTalked)
end

function LoadMissionGlobals()
    local saved = TsAccess.LocalPlayer():GetScriptState(0)
    if saved >= 0 then
        g_townTalked = saved
    end
end
