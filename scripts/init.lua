-- Run first in every new script state, before the game's own scripts:
-- values that every mode's scripts share.

-- Game time in ticks for a time in seconds, as the game counts it.
function SecondsToTicks(seconds)
    return math.floor(seconds * TsAccess.TicksPerSecond())
end
