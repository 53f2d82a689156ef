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
