-- The demo's start-up script, run after init.lua whenever the game systems
-- start (at launch and at every mode switch).

-- Called by the level once per game tick; a non-zero answer ends the game.
function LuaTick()
    return 0
end

-- Mission scripts replace these when they keep globals in saved games.
function SaveMissionGlobals()
end

function LoadMissionGlobals()
end

-- The missions the demo knows, by mission name: the files that make up each
-- level and how it is shown.
g_missions = {
    demo = {
        level = "Demo",
        path = "data\\levels\\demo",
        world = "data\\levels\\demo\\demo.tsw",
        entities = "scripts\\levels\\demo\\entities.lua",
        mission = "scripts\\levels\\demo\\mission.lua",
        music = "",
    },
}

-- Fills the level info for a mission; 1 when the mission is known.
function InitLevelInfo(info, mission)
    local m = g_missions[mission]
    if m == nil then
        Print("InitLevelInfo: no mission named " .. tostring(mission))
        return 0
    end
    info.missionName:Set(mission)
    info.levelName:Set(m.level)
    info.levelPath:Set(m.path)
    info.worldFilename:Set(m.world)
    info.luaEntityFilename:Set(m.entities)
    info.luaMissionFilename:Set(m.mission)
    info.musicName:Set(m.music)
    return 1
end

-- A new game from the title screen: the demo mission (or the one named).
function OnNewGame(name, mission)
    InitLevelInfo(TsAccess.LevelInfo(), mission or "demo")
end

-- A game started by the developer shell's TestMission and CreateSave.
function OnDefaultGame(name, mission)
    InitLevelInfo(TsAccess.LevelInfo(), mission or "demo")
end

-- The demo has no teams yet.
function SetupTeams()
end
