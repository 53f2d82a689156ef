-- The demo mission: run every time the level starts, new or loaded. It
-- counts the level's ticks, and the count travels in saved games through
-- the player's first script-state word.

g_demoTicks = 0

-- Until the party has characters for the camera to follow, the camera
-- looks at the middle of the first room, at a character's eye height.
function LuaTick()
    g_demoTicks = g_demoTicks + 1
    if TsAccess.CurrentCharacter() == nil then
        TsAccess.CutScene():MoveCamera(4.0, 1.0, 4.0, 0)
    end
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

-- The vault's lock, by the corridor's door into room B, made every time
-- the level starts (saved games keep no locks): the vault key (id 7) turns
-- it, and each use runs OnVaultLock.
vaultLock = TsLockObject:new()
vaultLock:SetName("vaultLock")
vaultLock:SetKeyID(7)
vaultLock:SetLocked(true)
vaultLock:SetLockScript("OnVaultLock")
vaultLock:SetOrigin(11.5, 0, 5.2)
vaultLock:SetRadius(0.5)
TsAccess.EntityDB():AddObject(vaultLock)

-- Uses are counted. A use by a character who carries the vault key (it is
-- in an inventory: owned, and not just dropped) turns the lock; once the
-- lock is open, a use opens the vault door when the level has one.
g_vaultLockUses = 0

function OnVaultLock()
    g_vaultLockUses = g_vaultLockUses + 1
    if vaultLock:GetLocked() and vaultKey and vaultKey:HasOwner() and vaultKey:CanPickup() then
        vaultLock:ActivateLock(7)
    end
    if not vaultLock:GetLocked() and vaultDoor then
        vaultDoor:SetLock(false)
        vaultDoor:OpenDoor()
    end
end
