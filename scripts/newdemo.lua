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
    -- The demo campaign: the town, then the mission.
    town = {
        level = "Town",
        path = "data\\levels\\town",
        world = "data\\levels\\town\\town.tsw",
        entities = "scripts\\levels\\town\\entities.lua",
        mission = "scripts\\levels\\town\\mission.lua",
        music = "",
        fmv = "intro.mpg", -- the campaign opens with the intro
    },
    mission = {
        level = "Mission",
        path = "data\\levels\\mission",
        world = "data\\levels\\mission\\mission.tsw",
        entities = "scripts\\levels\\mission\\entities.lua",
        mission = "scripts\\levels\\mission\\mission.lua",
        music = "",
        objective = 6100, -- text table: clear the hall
    },
    -- The title's Tutorial button: a level of its own, left for the title
    -- when its lessons are done.
    Tutorial = {
        level = "Tutorial",
        path = "data\\levels\\tutorial",
        world = "data\\levels\\tutorial\\tutorial.tsw",
        entities = "scripts\\levels\\tutorial\\entities.lua",
        mission = "scripts\\levels\\tutorial\\mission.lua",
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
    info.fmvName:Set(m.fmv or "")
    info.missionObjectiveID = m.objective or 0
    return 1
end

-- A new game from the title screen: the campaign's first level, the town
-- (or the mission named).
function OnNewGame(name, mission)
    InitLevelInfo(TsAccess.LevelInfo(), mission or "town")
end

-- A game started by the developer shell's TestMission and CreateSave.
function OnDefaultGame(name, mission)
    InitLevelInfo(TsAccess.LevelInfo(), mission or "demo")
end

-- The teams every level knows: the player's (0) and the hostiles (1),
-- each hostile to the other.
TEAM_PLAYER = 0
TEAM_HOSTILE = 1
TS_ALLIANCE_HOSTILE = 2
g_teamsMade = false

function SetupTeams()
    g_teamsMade = true
    local player = TsTeam:new()
    player:SetTeamID(TEAM_PLAYER)
    player:SetAlliance(TEAM_HOSTILE, TS_ALLIANCE_HOSTILE)
    TsAccess.EntityDB():AddObject(player)
    local hostile = TsTeam:new()
    hostile:SetTeamID(TEAM_HOSTILE)
    hostile:SetAlliance(TEAM_PLAYER, TS_ALLIANCE_HOSTILE)
    TsAccess.EntityDB():AddObject(hostile)
end

-- The campaign's party: two characters, made once by the first level's
-- entity script and carried from level to level by the player.
function MakePartyMember(name, pcType, x, z)
    local pc = TsPCObject:new()
    pc:SetName(name)
    pc:SetPCType(pcType)
    -- Name, description and role from the game text, ten ids a member.
    local text = 6410 + 10 * pcType
    pc:SetDisplayNameID(text)
    pc:SetDisplayDescriptionID(text + 1)
    pc:SetDisplayRaceID(text + 2)
    pc:SetMdl("walker.pbf")
    pc:SetAnimationClass(0)
    pc:SetWaistBone(1) -- the walker's torso turns to aim
    pc:SetAttackBone(7) -- the weapon in hand is carried on the right hand
    pc:SetRadius(0.3)
    pc:SetHeight(1.8)
    pc:SetOrigin(x, 0, z)
    -- Tougher than the thugs of the hall: a fight of two against three is
    -- to be won.
    pc:SetMaxHealth(30)
    pc:SetHealth(30)
    local player = TsAccess.LocalPlayer()
    player:AddCharacter(pc)
    player:AddCharacterToSquad(pc, nil)
    -- Each sets out with a medkit in the pack.
    local kit = TsItemObject:new()
    kit:SetName(name .. "Medkit")
    kit:SetTemplate("ItemTemplateMedkit")
    ItemTemplateMedkit(kit)
    pc:GetInventory():AddArticle(kit)
    return pc
end

-- The party joins the player's team in every level; where each member
-- stands comes from the level's start markers.
function SetupPlayerSquad(levelName)
    local squad = TsAccess.LocalPlayer():GetSquad()
    if squad ~= nil then
        squad:SetTeam(TEAM_PLAYER)
    end
end

-- The party's members by name.
g_partyNames = { "Ann", "Bob" }

-- The party is made once, by the entity script of the first level played,
-- with the money it sets out with; the player's script-state word 7
-- remembers it, in saved games too.
function MakePartyOnce(x, z)
    local player = TsAccess.LocalPlayer()
    if player:GetScriptState(7) == 1 then
        return
    end
    player:SetScriptState(7, 1)
    player:AddToKitty(100)
    -- A new game's party joins the player's team here; a party carried to
    -- the next level joins again through SetupPlayerSquad.
    player:GetSquad():SetTeam(TEAM_PLAYER)
    for i, name in ipairs(g_partyNames) do
        MakePartyMember(name, i - 1, x, z + i - 1)
    end
end

-- A start marker for each member of the party, side by side along Z.
function PlacePartyStarts(x, z)
    for i = 0, 1 do
        local start = TsPCStartObject:new()
        start:SetName("partyStart" .. i)
        start:SetOrigin(x, 0, z + i)
        TsAccess.EntityDB():AddEntity(start)
    end
end

-- A door of the demo's model (an up-slider) standing at (x, z).
function PlaceDoor(name, x, z, locked)
    local door = TsDoorObject:new()
    door:SetName(name)
    door:SetMdl("door.pbf")
    door:SetPosition(x, 0, z)
    door:SetDoorType(TsDoorObject.eDoorType_UpSlider)
    door:SetLock(locked)
    TsAccess.EntityDB():AddEntity(door)
    return door
end

-- A switch of the demo's model at (x, z); each use runs the named script.
function PlaceSwitch(name, x, z, script)
    local switch = TsSwitchObject:new()
    switch:SetName(name)
    switch:SetMdl("switch.pbf")
    switch:SetPosition(x, 0, z)
    switch:SetActivateScript(script)
    TsAccess.EntityDB():AddEntity(switch)
    return switch
end

-- The level's sounds: the demo's levels use the shared sound table only.
function LoadInGameSounds()
end

-- The title's sounds: its music bed.
function LoadFrontEndSounds()
    TsAccess.Audio():LoadWavFromFile(AID_FRONTEND_MUSIC)
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

-- The projectile types, read once when the game systems start (32 records,
-- fetched with TsProjectileAttributes:_Attributes).
-- Type 0: a laser bolt, a straight fast ray with a red streak.
-- Type 1: a homing rocket that steers toward its target and explodes.
-- Type 2: a slow grenade that falls under gravity and explodes.
function LoadProjectileAttributes()
    local laser = TsProjectileAttributes:_Attributes(0)
    laser.m_lifetime = 2
    laser.m_initialSpeed = 40
    laser.m_bRay = 1
    laser:SetLaserColour(255, 40, 40)
    laser.m_laserLength = 3
    laser.m_laserScale = 0.1
    laser.m_szLaserTexture:Set("laser")

    local rocket = TsProjectileAttributes:_Attributes(1)
    rocket.m_lifetime = 4
    rocket.m_initialSpeed = 8
    rocket.m_thrust = 4
    rocket.m_thrustDuration = 2
    rocket.m_steerForce = 20
    rocket.m_targetAttractConstant = 10
    rocket.m_drag = 0.5
    rocket.m_bExplode = 1
    rocket.m_iExposionID = 0
    rocket.m_fExplosionRangeInner = 1
    rocket.m_fExplosionRangeOuter = 3
    rocket.m_szExhaustEffect1:Set("smoke")

    local grenade = TsProjectileAttributes:_Attributes(2)
    grenade.m_lifetime = 3
    grenade.m_gravity = 9.8
    grenade.m_initialSpeed = 6
    grenade.m_verticalSpeed = 4
    grenade.m_bExplode = 1
    grenade.m_iExposionID = 0
    grenade.m_fExplosionRangeInner = 1.5
    grenade.m_fExplosionRangeOuter = 4
end

-- Weapon templates: each fills a new weapon's attribute blocks and sounds.
function WeaponTemplateBlaster(weapon)
    weapon:SetDisplayNameID(6250)
    weapon:SetDisplayDescriptionID(6251)
    local a = weapon:Attributes(false)
    a:SetWeaponType(TS_WEAPON_RANGED_MANUAL)
    a:SetEquipType(TS_EQUIP_RANGED_1HAND)
    a:SetMatterType(TS_MATTER_ENERGY)
    a:SetAmmoType(1)
    a:SetAmmoPerShot(1)
    a:SetEfficiency(4)
    a:SetRange(20)
    a:SetReload(0.5)
    a:SetProjectileID(0)
    weapon:SetMdl("blaster.pbf")
    weapon:SetMuzzleOffset(0.1, 0, 0.3) -- the mouth of the barrel, held in the hand
    weapon:SetSpriteName("blaster.tga")
    weapon:SetCanEquip(true)
    weapon:SetForSale(true)
    weapon:SetValue(60)
end

function WeaponTemplateRocketLauncher(weapon)
    weapon:SetDisplayNameID(6260)
    weapon:SetDisplayDescriptionID(6261)
    local a = weapon:Attributes(false)
    a:SetWeaponType(TS_WEAPON_ROCKET)
    a:SetEquipType(TS_EQUIP_RANGED_2HAND)
    a:SetAmmoType(2)
    a:SetEfficiency(12)
    a:SetRange(30)
    a:SetReload(2)
    a:SetProjectileID(1)
end

function WeaponTemplateClub(weapon)
    weapon:SetDisplayNameID(6270)
    weapon:SetDisplayDescriptionID(6271)
    local a = weapon:Attributes(false)
    a:SetWeaponType(TS_WEAPON_MELEE)
    a:SetEquipType(TS_EQUIP_MELEE_1HAND)
    a:SetAmmoType(-1)
    a:SetEfficiency(5)
    a:SetRange(2)
    a:SetSpread(90)
    a:SetReload(1)
end

-- A mine that arms on touch and goes off two seconds later with the
-- grenade's blast.
function MineTemplate(mine)
    mine:SetDetonationDelay(2)
    mine:SetProjectileID(2)
    mine:SetDamage(20)
    mine:SetMatterType(TS_MATTER_PHYSICAL)
end

-- The item templates.
dofile("scripts\\items.lua")

-- The HUD's sprite table.
dofile("scripts\\hud.lua")

-- The message that ends a level: it waits for OK, then exitScript runs as
-- the level goes.
function ShowLevelEndMessage(textId, exitScript)
    local text = TsAccess:GetDialogDisplayString(textId)
    TsAccess.HUDe():ExitDialogue(exitScript, text and text:Get() or "", false)
end
