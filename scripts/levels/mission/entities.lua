-- The mission's entities: run once when the level is first built. A
-- hostile squad of three patrols the hall; the vault door closes the
-- corridor, its lock turned by the vault key lying in the party's room and
-- worked by the switch beside it; a mine guards the stash in the hall's
-- far corner; items and a weapon lie about.

-- The squads' teams must exist before the hall's squad is imported.
if not g_teamsMade then
    SetupTeams()
end
MakePartyOnce(2, 4)
PlacePartyStarts(2, 4)

-- The hall's patrol: four waypoints round the ramp, each naming the next.
local route = { { "patrol1", 16, 2, "patrol2" }, { "patrol2", 24, 2, "patrol3" },
                { "patrol3", 24, 8, "patrol4" }, { "patrol4", 16, 8, "patrol1" } }
for _, w in ipairs(route) do
    local point = TsWaypointObject:new()
    point:SetName(w[1])
    point:SetOrigin(w[2], 0, w[3])
    point:SetTarget(w[4])
    TsAccess.EntityDB():AddEntity(point)
end

function MakeGuard(name, x, z)
    local guard = TsNPCObject:new()
    guard:SetName(name)
    guard:SetNPCType(TS_NPC_HUMANOID) -- armed from its weapon template
    guard:SetMdl("walker.pbf")
    guard:SetAnimationClass(0)
    guard:SetWaistBone(1) -- the torso turns to aim
    guard:SetRadius(0.3)
    guard:SetHeight(1.8)
    guard:SetOrigin(x, 0, z)
    guard:SetSquadIndex(1)
    guard:SetWeaponName("WeaponTemplateClub")
    -- Thugs, not soldiers: two blaster bolts each bring them down.
    guard:SetMaxHealth(8)
    guard:SetHealth(8)
    guard:SetMaxVitality(0)
    guard:SetVitality(0)
    TsAccess.EntityDB():AddEntity(guard)
    return guard
end

MakeGuard("guard1", 16, 2)
MakeGuard("guard2", 17, 2)
MakeGuard("guard3", 16, 3)

hallSquad = TsSquadObject:new()
hallSquad:SetName("hallSquad")
hallSquad:SetIndex(1)
hallSquad:SetTeam(TEAM_HOSTILE)
-- It walks its patrol while all is quiet (a squad with a patrol path does)
-- and attacks what it notices.
hallSquad:SetBehaviour(10) -- attack
hallSquad:SetPatrolPath("patrol1")
TsAccess.EntityDB():AddObject(hallSquad)

-- The vault door in the corridor and the switch on the party's side: the
-- switch works the door once the vault key has turned its lock
-- (OnVaultSwitch in the mission script).
vaultDoor = PlaceDoor("vaultDoor", 12, 5, true)
vaultSwitch = PlaceSwitch("vaultSwitch", 9.5, 3.5, "OnVaultSwitch")

PlaceItem("vaultKey", "ItemTemplateVaultKey", 6, 8)
PlaceItem("missionMedkit", "ItemTemplateMedkit", 3, 1)
-- Rounds for the blaster, beside it: enough for the hall.
local rounds = PlaceItem("missionAmmo", "ItemTemplateBlasterAmmo", 4, 8)
rounds:SetStack(30)

blaster = TsWeaponObject:new()
blaster:SetName("blaster")
blaster:SetTemplate("WeaponTemplateBlaster")
WeaponTemplateBlaster(blaster)
blaster:SetOrigin(5, 0, 8)
TsAccess.EntityDB():AddObject(blaster)

hallMine = TsMineObject:new()
hallMine:SetName("hallMine")
hallMine:SetMdl("mine.pbf")
MineTemplate(hallMine)
hallMine:SetOrigin(25.2, 0, 10)
TsAccess.EntityDB():AddEntity(hallMine)

local chest = TsStashObject:new()
chest:SetName("hallChest")
chest:SetMdl("chest.pbf")
chest:SetPayloadType("TsItemObject")
chest:SetPayloadTemplate("ItemTemplateMedkit")
chest:SetOrigin(25, 0, 11)
TsAccess.EntityDB():AddObject(chest)
