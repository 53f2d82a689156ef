-- The demo's start-up script, run after init.lua whenever the game systems
-- start (at launch and at every mode switch).

-- Called by the level once per game tick; a non-zero answer ends the game.
function LuaTick()
    return 0
end

-- The demo keeps no mission globals between levels yet.
function SaveMissionGlobals()
end

function LoadMissionGlobals()
end
