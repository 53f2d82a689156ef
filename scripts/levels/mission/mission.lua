-- The mission: run every time the level starts, new or loaded. A short cut
-- scene shows the hall; the objective (set with the level info) is to
-- beat the hall's squad. The
-- vault lock, by the door on the party's side, is made every time (saved
-- games keep no locks): the vault key (id 7) turns it, and the door opens.

-- Ticks of the opening cut scene still to run; -1 until the first tick,
-- which starts it (a level seen before in a saved game skips it).
g_missionIntro = -1
g_missionWon = 0

function LuaTick()
    if g_missionIntro < 0 then
        g_missionIntro = 0
        if TsAccess.LocalPlayer():GetScriptState(1) ~= 1 then
            StartMissionIntro()
        end
    elseif g_missionIntro > 0 then
        g_missionIntro = g_missionIntro - 1
    end
    if g_missionWon == 0 and hallSquad ~= nil and hallSquad:AliveMemberCount() == 0 then
        g_missionWon = 1
    end
    return 0
end

-- The opening: the camera looks down the corridor into the hall for two
-- seconds before it follows the party again.
function StartMissionIntro()
    TsAccess.CutScene():MoveCamera(20, 1, 6, 0)
    g_missionIntro = 60
end

vaultLock = TsLockObject:new()
vaultLock:SetName("vaultLock")
vaultLock:SetKeyID(7)
vaultLock:SetLocked(true)
vaultLock:SetLockScript("OnVaultLock")
vaultLock:SetOrigin(11.2, 0, 6.2)
vaultLock:SetRadius(0.5)
TsAccess.EntityDB():AddObject(vaultLock)

function OnVaultLock()
    if vaultLock:GetLocked() and vaultKey and vaultKey:HasOwner() and vaultKey:CanPickup() then
        vaultLock:ActivateLock(7)
    end
    if not vaultLock:GetLocked() and vaultDoor then
        vaultDoor:SetLock(false)
        vaultDoor:OpenDoor()
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
