#include "game/framework/TsLevelInfo.h"

#include "engine/OmArchive.h"
#include "game/framework/TsScriptHandles.h"

namespace {

void ReadFlag(OmArchive& archive, uint8_t& flag)
{
    uint32_t word = 0;
    archive.ReadU32(word);
    flag = word != 0 ? 1 : 0;
}

} // namespace

// The record's texts and its array reach scripts as its views, and go with it.
TsLevelInfo::~TsLevelInfo() { TsScriptHandles::Forget(this, "TsLevelInfo"); }

// The transfer flag is stored ahead of the two level kinds: saved games
// already written keep that order.
void TsLevelInfo::Write(OmArchive& archive) const
{
    missionName.Write(archive);
    levelName.Write(archive);
    levelPath.Write(archive);
    archive.WriteI32(missionDisplayStringID);
    worldFilename.Write(archive);
    luaEntityFilename.Write(archive);
    luaMissionFilename.Write(archive);
    musicName.Write(archive);
    archive.WriteI32(iActNumber);
    fmvName.Write(archive);
    for (int32_t id : exitTextStringIDs) {
        archive.WriteI32(id);
    }
    archive.WriteBool(loadedFromTransfer != 0);
    archive.WriteBool(bIsTown != 0);
    archive.WriteBool(bIsSneakLevel != 0);
    archive.WriteI32(missionObjectiveID);
    archive.WriteI32(missionHintID);
}

void TsLevelInfo::Read(OmArchive& archive)
{
    missionName.Read(archive);
    levelName.Read(archive);
    levelPath.Read(archive);
    archive.ReadI32(missionDisplayStringID);
    worldFilename.Read(archive);
    luaEntityFilename.Read(archive);
    luaMissionFilename.Read(archive);
    musicName.Read(archive);
    archive.ReadI32(iActNumber);
    fmvName.Read(archive);
    for (int32_t& id : exitTextStringIDs) {
        archive.ReadI32(id);
    }
    ReadFlag(archive, loadedFromTransfer);
    ReadFlag(archive, bIsTown);
    ReadFlag(archive, bIsSneakLevel);
    archive.ReadI32(missionObjectiveID);
    archive.ReadI32(missionHintID);
}
