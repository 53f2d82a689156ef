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

-- The explosion types, read once when the game systems start. Type 0: a
-- burst of smoke thrown out in six arms with a bright ring on the ground.
function LoadExplosionAttributes()
    FxSetNumExplosionTypes(1)
    local burst = FxGetExplosionType(0)
    burst.m_szParticleType:Set("smoke")
    burst.m_numArms = 6
    burst.m_speed = 6
    burst.m_gravity = -9.8
    burst.m_friction = 0.6
    burst.m_restitution = 0.4
    burst.m_spread = 0.6
    burst.m_fade = 1
    burst.m_shockwave = 1
    burst.m_szShockTexture:Set("data\\fx\\sprites\\shockring.tga")
    burst.m_shockLifetime = 0.8
    burst:SetColourBias(1.0, 0.8, 0.5)
    burst.m_shockMinRadius = 0.5
    burst.m_shockMaxRadius = 4
    burst.m_shockWidth = 1
    burst.m_shockDelay = 0
end
