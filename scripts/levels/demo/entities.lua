-- The demo level's entities: run once when the level is first built (not
-- when it comes back from a saved game, which holds them).

dofile("scripts\\levels\\demo\\items.lua")
