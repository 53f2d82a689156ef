-- The town: run every time the level starts, new or loaded. Talking to the
-- smith plays the town's conversation once; the trader's conversation ends
-- in the trade panel; the way out leads to the mission.

g_townTalked = 0

function LuaTick()
    return 0
end

-- The conversation with the Smith (text table 6000-6020).
function TalkToSmith()
    local ann = TsAccess.CurrentCharacter()
    if Smith == nil or ann == nil then
        return
    end
    local talk = TsAccess.Conversation()
    talk:AddFragment(6000, Smith, ann)
    talk:AddFragment(6010, ann, Smith)
    talk:AddFragment(6020, Smith, ann)
    talk:Run()
    g_townTalked = 1
end

function TalkToTrader()
    local ann = TsAccess.CurrentCharacter()
    if WeaponTrader == nil or ann == nil then
        return
    end
    local talk = TsAccess.Conversation()
    talk:AddFragment(6030, WeaponTrader, ann)
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
