-- The mission: run every time the level starts, new or loaded. A short cut
-- scene shows the hall; the objective (set with the level info) is to
-- beat the hall's squad. The vault lock, by the door on the party's side,
-- is made every time (saved games keep no locks): the vault key (id 7)
-- turns it, and the switch beside the door works the door from then on.
-- The squad beaten, the mission is won: a message, then the closing screen
-- and the title. A fallen party member ends it in the game-over question.

-- The opening cut scene: -1 until the first tick, which starts it (a level
-- seen before in a saved game skips it); 1 while it runs; 0 after.
g_missionIntro = -1
-- 0 while the squad stands, 1 once it is beaten.
g_missionWon = 0
-- The most of the hall's squad seen standing: the squad counts as beaten
-- only after it has been seen at all.
g_hallSeen = 0

function LuaTick()
    if g_missionIntro < 0 then
        g_missionIntro = 0
        if TsAccess.LocalPlayer():GetScriptState(1) ~= 1 then
            StartMissionIntro()
        end
    elseif g_missionIntro > 0 and not TsAccess.CutScene():IsCutSceneActive() then
        g_missionIntro = 0
    end
    if g_missionWon == 0 and hallSquad ~= nil then
        local standing = hallSquad:AliveMemberCount()
        if standing > g_hallSeen then
            g_hallSeen = standing
        elseif standing == 0 and g_hallSeen > 0 then
            MissionWon()
        end
    end
    return PartyHasFallen()
end

-- 1 (the game-over scene) once a member of the party has fallen: the
-- party goes on only whole.
function PartyHasFallen()
    local player = TsAccess.LocalPlayer()
    local squad = player:GetSquad()
    if g_missionWon == 0 and squad ~= nil and squad:AliveMemberCount() < player:GetTeamCount() then
        return 1
    end
    return 0
end

-- The squad is beaten: the message waits for OK, and then the level ends
-- for the title (through the closing screen).
function MissionWon()
    g_missionWon = 1
    ShowLevelEndMessage(6120, "OnMissionLeft")
end

-- Run when the won message is answered, as the level ends.
function OnMissionLeft()
    g_missionLeft = 1
end

-- The opening: the camera travels down the corridor into the hall in three
-- seconds, then follows the party again. It waits under the objective
-- page, which pauses the level.
function StartMissionIntro()
    TsAccess.CutScene():MoveCamera(20, 1, 6, 3, 1)
    g_missionIntro = 1
end

vaultLock = TsLockObject:new()
vaultLock:SetName("vaultLock")
vaultLock:SetKeyID(7)
vaultLock:SetLocked(true)
vaultLock:SetLockScript("OnVaultLock")
vaultLock:SetOrigin(11.2, 0, 6.2)
vaultLock:SetRadius(0.5)
TsAccess.EntityDB():AddObject(vaultLock)

-- The lock turns for a party that carries the vault key (it is in an
-- inventory: owned, and not just dropped); once it is open the door is
-- unlocked for good and opens, and the party may pass the corridor (its
-- ground is marked for holders of the key).
function OnVaultLock()
    if vaultLock:GetLocked() and vaultKey and vaultKey:HasOwner() and vaultKey:CanPickup() then
        vaultLock:ActivateLock(7)
        if not vaultLock:GetLocked() and vaultDoor then
            vaultDoor:SetLock(false)
            vaultDoor:OpenDoor()
            GivePartyTheCorridor()
            return 1
        end
    end
    return 0
end

function GivePartyTheCorridor()
    local player = TsAccess.LocalPlayer()
    for _, name in ipairs(g_partyNames) do
        local pc = player:GetCharacter(name)
        if pc ~= nil then
            pc:GivePathKeyA()
        end
    end
end

-- Every use of the vault switch: the key turns the lock and the door
-- opens; without it the user says the door is locked; with the lock open
-- the switch opens and closes the door.
function OnVaultSwitch()
    if vaultDoor == nil or OnVaultLock() == 1 then
        return
    end
    if vaultLock:GetLocked() then
        SayLocked()
    elseif vaultDoor:IsOpen() then
        vaultDoor:CloseDoor()
    else
        vaultDoor:OpenDoor()
    end
end

function SayLocked()
    local pc = TsAccess.CurrentCharacter()
    local talk = TsAccess.Conversation()
    if pc ~= nil and not talk:HasConversationStarted() then
        talk:AddFragment(6110, pc, nil)
        talk:Run()
    end
end

function SaveMissionGlobals()
    local player = TsAccess.LocalPlayer()
    player:SetScriptState(0, g_missionWon)
    if g_missionIntro >= 0 then
        player:SetScriptState(1, 1) -- the opening has been seen
    end
end

function LoadMissionGlobals()
    local saved = TsAccess.LocalPlayer():GetScriptState(0)
    if saved >= 0 then
        g_missionWon = saved
    end
end
