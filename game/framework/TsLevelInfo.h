// The mission being played: which files make up the level, its music, video
// and the dialogue-string ids of its title, objective and hint. Scripts fill
// it ("InitLevelInfo"); it lives in the local player and is saved with it,
// so a loaded game knows which world and scripts to bring back.
#pragma once

#include <cstdint>

#include "engine/OmString.h"

class OmArchive;

struct TsLevelInfo {
    static constexpr int kExitTextCount = 4;

    OmString missionName;
    OmString levelName;
    OmString levelPath;
    int32_t missionDisplayStringID = 0;
    OmString worldFilename;
    OmString luaEntityFilename;
    OmString luaMissionFilename;
    OmString musicName;
    int32_t iActNumber = 0;
    OmString fmvName;
    int32_t exitTextStringIDs[kExitTextCount] = {};
    uint8_t bIsTown = 0;
    // A sneak level has its guards on the alert: they sense three times as
    // far, and only stealth gear gets a crouching character past them.
    uint8_t bIsSneakLevel = 0;
    // Set when the player came over from the previous level through the
    // transfer file; the next load then keeps the script globals it has.
    uint8_t loadedFromTransfer = 0;
    int32_t missionObjectiveID = 0;
    int32_t missionHintID = 0;

    // A script's handles of the record, of its texts and of its array
    // borrow: they die with it.
    ~TsLevelInfo();
    TsLevelInfo() = default;
    TsLevelInfo(const TsLevelInfo&) = default;
    TsLevelInfo& operator=(const TsLevelInfo&) = default;

    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);
};
