-- The demo mission: run every time the level starts, new or loaded. It
-- counts the level's ticks, and the count travels in saved games through
-- the player's first script-state word.

g_demoTicks = 0

function LuaTick()
    g_demoTicks = g_demoTicks + 1
    return 0
end

function SaveMissionGlobals()
    TsAccess.LocalPlayer():SetScriptState(0, g_demoTicks)
end

function LoadMissionGlobals()
    local saved = TsAccess.LocalPlayer():GetScriptState(0)
    if saved >= 0 then
        g_demoTicks = saved
    end
end
