#include "game/objects/TsPlayer.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsSaveGames.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHost.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsSquadObject.h"

#include <lua.hpp>

OM_IMPLEMENT_CLASS(TsPlayer, TsObject)

namespace {

void ReportOnce(bool& reported, const char* text)
{
    if (!reported) {
        reported = true;
        LogErrorF("TsPlayer: %s", text);
    }
}

} // namespace

TsPlayer::TsPlayer() : levelInfo_(std::make_unique<TsLevelInfo>()), diary_(new TsDiaryData)
{
    for (int32_t& word : scriptState_) {
        word = -1;
    }
}

TsPlayer::TsPlayer(OmArchive& archive) : TsObject(archive), levelInfo_(std::make_unique<TsLevelInfo>())
{
    for (int32_t& word : scriptState_) {
        word = -1;
    }
}

TsPlayer::~TsPlayer()
{
    // A failed load takes its objects down itself.
    if (OmArchive::IsBeingTakenDown(*this)) {
        return;
    }
    if (diary_) {
        diary_->Release();
    }
    if (squad_) {
        squad_->Release();
    }
}

bool TsPlayer::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive)) {
        return false;
    }
    for (int32_t i = 0; i < characterCount_; ++i) {
        if (characters_[i]) {
            characters_[i]->Register(archive);
        }
    }
    if (squad_) {
        squad_->Register(archive);
    }
    if (diary_) {
        diary_->Register(archive);
    }
    return true;
}

void TsPlayer::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteI32(characterCount_);
    for (int32_t i = 0; i < characterCount_; ++i) {
        archive.WriteObjectRef(characters_[i]);
    }
    archive.WriteObjectRef(squad_);
    archive.WriteI32(currentIndex_);
    archive.WriteI32(kitty_);
    levelInfo_->Write(archive);
    archive.WriteU32(levelWord_);
    for (int32_t word : scriptState_) {
        archive.WriteI32(word);
    }
    archive.WriteI32(saveCounter_);
    saveTitle_.Write(archive);
    saveDate_.Write(archive);
    archive.WriteObjectRef(diary_);
}

// A party never holds more than seven: a larger count is a damaged file,
// refused before any slot is written.
void TsPlayer::ReadCharacters(OmArchive& archive)
{
    archive.ReadI32(characterCount_);
    if (archive.HasFailed()) {
        characterCount_ = 0;
        return;
    }
    if (characterCount_ < 0 || characterCount_ > kMaxCharacters) {
        const int32_t count = characterCount_;
        characterCount_ = 0;
        char why[96];
        std::snprintf(why, sizeof why, "a player holds %d characters (at most %d)", count, kMaxCharacters);
        archive.Fail(why);
        return;
    }
    for (int32_t i = 0; i < characterCount_ && !archive.HasFailed(); ++i) {
        OmObject* object = nullptr;
        archive.ReadObjectRef(object);
        if (object && !OmClass::IsDerivedFromNamed(object->GetClass(), "TsPCObject")) {
            archive.Fail("a player's character is not a player character");
            break;
        }
        characters_[i] = static_cast<TsPCObject*>(static_cast<TsCharacterObject*>(
            static_cast<TsModel*>(static_cast<TsEntity*>(static_cast<TsObject*>(object)))));
    }
}

void TsPlayer::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    ReadCharacters(archive);
    archive.ReadRef(squad_);
    archive.ReadI32(currentIndex_);
    archive.ReadI32(kitty_);
    levelInfo_ = std::make_unique<TsLevelInfo>();
    levelInfo_->Read(archive);
    archive.ReadU32(levelWord_);
    for (int32_t& word : scriptState_) {
        archive.ReadI32(word);
    }
    archive.ReadI32(saveCounter_);
    saveTitle_.Read(archive);
    saveDate_.Read(archive);
    archive.ReadRef(diary_);
    // The squad array is rebuilt from the squad by InitialiseForLevel; an
    // index read from the file is kept only when it can address that array.
    if (currentIndex_ < -1 || currentIndex_ >= kMaxSquadMembers) {
        currentIndex_ = -1;
    }
}

TsPCObject* TsPlayer::GetCurrentCharacter() const
{
    return GetSquadMember(currentIndex_);
}

TsPCObject* TsPlayer::GetSquadMember(int32_t i) const
{
    return i >= 0 && i < kMaxSquadMembers ? squadArray_[i] : nullptr;
}

int32_t TsPlayer::GetKitty() const
{
    return kitty_;
}

void TsPlayer::Tick(uint32_t)
{
    static bool reported = false;
    ReportOnce(reported, "player control is not built yet");
}

int32_t TsPlayer::AddToKitty(int32_t amount)
{
    kitty_ += amount;
    return kitty_;
}

int32_t TsPlayer::GetScriptState(int32_t index) const
{
    return index >= 0 && index < kScriptStateCount ? scriptState_[index] : -1;
}

void TsPlayer::SetScriptState(int32_t index, int32_t value)
{
    if (index >= 0 && index < kScriptStateCount) {
        scriptState_[index] = value;
    }
}

const char* TsPlayer::GetLevelTitle() const
{
    const char* title = TsMain::Instance() ? TsAccess::GetDialogDisplayString(levelInfo_->missionDisplayStringID)
                                           : nullptr;
    if (title && *title) {
        return title;
    }
    return levelInfo_->levelName.IsEmpty() ? levelInfo_->missionName.Get() : levelInfo_->levelName.Get();
}

void TsPlayer::MakeSaveName()
{
    ++saveCounter_;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    char time[32];
    std::strftime(date, sizeof date, "%d/%m/%Y", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    saveDate_ = (std::string(date) + ", " + time).c_str();
    saveTitle_ = TsSaveGames::ComposeSaveName(GetName(), saveCounter_, GetLevelTitle()).c_str();
}

void TsPlayer::ResetTransientState()
{
    static bool reported = false;
    if (characterCount_ > 0 || squad_) {
        ReportOnce(reported, "the squad's and characters' transient state is not reset: "
                             "characters and squads are not built yet");
    }
}

void TsPlayer::SetupPlayerSquad()
{
    lua_State* L = TsAccess::LuaState();
    if (!L || !TsScriptHost::IsFunctionDefined(L, "SetupPlayerSquad")) {
        return;
    }
    const int top = lua_gettop(L);
    lua_getglobal(L, "SetupPlayerSquad");
    lua_pushstring(L, levelInfo_->levelName.Get() ? levelInfo_->levelName.Get() : "");
    TsScriptCall::Protected(L, 1, 0);
    lua_settop(L, top);
}

bool TsPlayer::InitialiseForLevel(int32_t pcType)
{
    static bool reported = false;
    if (characterCount_ == 0) {
        ReportOnce(reported, "the party has no characters: characters and squads are not built yet");
    }
    (void)pcType; // picks the current character once characters exist
    saveCounter_ = TsSaveGames::HighestSaveNumber(GetName());
    return true;
}

void TsPlayer::ChangeLevel()
{
    TsMain* app = TsMain::Instance();
    if (loadedSaveName_.IsEmpty() || !app) {
        return;
    }
    app->SetPendingLoad(loadedSaveName_.Get());
    app->RequestMode(TS_MODE_LEVEL);
}
