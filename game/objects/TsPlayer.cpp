#include "game/objects/TsPlayer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsSaveGames.h"
#include "game/framework/TsScriptCall.h"
#include "game/framework/TsScriptHost.h"
#include "game/framework/TsScriptHandles.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"

#include <lua.hpp>

OM_IMPLEMENT_CLASS(TsPlayer, TsObject)

namespace {


} // namespace

TsPlayer::TsPlayer()
    : squad_(OmMakeRef<TsSquadObject>()), levelInfo_(std::make_unique<TsLevelInfo>()), diary_(OmMakeRef<TsDiaryData>())
{
    squad_->SetIndex(0);
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
    // The player is destroyed outright, not released: a script's handle
    // borrows it and is left null.
    TsScriptHandles::KillObject(TsAccess::LuaState(), this, "TsPlayer");
    // A failed load takes its objects down itself: the references are let
    // go of without a release.
    if (OmArchive::IsBeingTakenDown(*this)) {
        diary_.Detach();
        squad_.Detach();
        for (OmRef<TsPCObject>& character : characters_) {
            character.Detach();
        }
        return;
    }
    diary_ = nullptr;
    // The party's members leave the squad first: a script's handle may keep
    // the squad past the level, which must not keep the party too.
    if (squad_) {
        squad_->RemoveAllMembers();
    }
    squad_ = nullptr;
    for (int32_t i = 0; i < characterCount_; ++i) {
        characters_[i] = nullptr;
    }
}

// ---- the party ------------------------------------------------------------------

namespace {

bool g_easterEggs[TsPlayer::EASTEREGGTYPES] = {};

} // namespace

void TsPlayer::_EnableEasterEgg(int32_t mode, bool on)
{
    if (mode >= 0 && mode < EASTEREGGTYPES) {
        g_easterEggs[mode] = on;
    }
}

bool TsPlayer::_IsEasterEggEnabled(int32_t mode)
{
    return mode >= 0 && mode < EASTEREGGTYPES && g_easterEggs[mode];
}

void TsPlayer::Clear()
{
    gagCounter_ = kGagTicks;
    if (squad_) {
        squad_->Reset();
        squad_->SetIndex(0);
    }
    for (int32_t i = 0; i < characterCount_; ++i) {
        if (characters_[i]) {
            characters_[i]->SetPlayer(nullptr);
        }
        characters_[i] = nullptr;
    }
    characterCount_ = 0;
    for (TsPCObject*& member : squadArray_) {
        member = nullptr;
    }
    currentIndex_ = -1;
    squadCount_ = 0;
    kitty_ = 0;
    levelWord_ = 0;
    for (int32_t& word : scriptState_) {
        word = -1;
    }
    saveCounter_ = 0;
    saveTitle_.Set(nullptr);
}

bool TsPlayer::AddCharacter(OmRef<TsPCObject> pc)
{
    if (!pc) {
        return false;
    }
    for (int32_t i = 0; i < characterCount_; ++i) {
        if (characters_[i] == pc) {
            LogErrorF("TsPlayer::AddCharacter - %s is already in the party", pc->GetName() ? pc->GetName() : "");
            return false;
        }
    }
    if (characterCount_ >= kMaxCharacters) {
        LogErrorF("TsPlayer::AddCharacter - the party is full (%d characters); %s is not added", kMaxCharacters,
                  pc->GetName() ? pc->GetName() : "");
        return false;
    }
    characters_[characterCount_++] = std::move(pc);
    return true;
}

TsPCObject* TsPlayer::GetCharacterAt(int32_t i) const
{
    return i >= 0 && i < characterCount_ ? characters_[i] : nullptr;
}

TsPCObject* TsPlayer::GetCharacter(const char* name) const
{
    for (int32_t i = 0; name && i < characterCount_; ++i) {
        if (characters_[i] && characters_[i]->GetName() && std::strcmp(characters_[i]->GetName(), name) == 0) {
            return characters_[i];
        }
    }
    LogErrorF("TsPlayer::GetCharacter - Couldn't find character named '%s'", name ? name : "");
    return nullptr;
}

// A member that leaves goes to the level's garbage, which keeps the level's
// reference until the level goes: it may still be in this tick's lists. The
// squad lets go last, as its reference may be the last one.
void TsPlayer::LeaveSquad(TsPCObject* pc)
{
    if (!pc || !squad_ || !squad_->HasMember(pc)) {
        return;
    }
    pc->SetPlayer(nullptr);
    if (TsEntityDB* db = TsAccess::EntityDB()) {
        db->RemoveEntity(pc);
    }
    squad_->RemoveMember(pc);
}

void TsPlayer::AddCharacterToSquad(TsPCObject* add, TsPCObject* remove)
{
    LeaveSquad(remove);
    if (add && squad_ && add->GetSquad() != squad_) {
        if (squad_->GetMemberCount() >= kMaxSquadMembers) {
            LogErrorF("Player squad full, cannot add character %s", add->GetName() ? add->GetName() : "");
        } else {
            squad_->AddMember(add);
            add->SetPlayer(this);
            if (TsEntityDB* db = TsAccess::EntityDB(); db && !db->ContainsEntity(add)) {
                db->AddEntity(OmRef<TsEntity>(add));
            }
        }
    }
    RebuildSquadArray();
}

void TsPlayer::RemoveAllSquadMembers()
{
    while (squad_ && squad_->GetMemberCount() > 0) {
        TsPCObject* pc = TsPCObject::Cast(squad_->GetMember(0));
        if (pc) {
            LeaveSquad(pc);
        } else {
            squad_->RemoveMember(squad_->GetMember(0));
        }
    }
    RebuildSquadArray();
}

void TsPlayer::RemoveSquadMember(TsCharacterObject* character)
{
    if (TsPCObject* pc = TsPCObject::Cast(character)) {
        LeaveSquad(pc);
    } else if (squad_ && character) {
        squad_->RemoveMember(character);
    }
    RebuildSquadArray();
}

void TsPlayer::RebuildSquadArray()
{
    squadCount_ = 0;
    for (TsPCObject*& member : squadArray_) {
        member = nullptr;
    }
    for (int32_t i = 0; squad_ && i < squad_->GetMemberCount() && squadCount_ < kMaxSquadMembers; ++i) {
        if (TsPCObject* pc = TsPCObject::Cast(squad_->GetMember(i))) {
            squadArray_[squadCount_++] = pc;
        }
    }
    currentIndex_ = 0;
}

void TsPlayer::ChooseCurrentCharacter(int32_t pcType)
{
    if (squadCount_ >= 2) {
        int32_t highest = 0;
        for (int32_t i = 1; i < squadCount_; ++i) {
            if (squadArray_[i]->GetPCType() > squadArray_[highest]->GetPCType()) {
                highest = i;
            }
        }
        const int32_t last = squadCount_ - 1;
        TsPCObject* moved = squadArray_[highest];
        for (int32_t i = highest; i < last; ++i) {
            squadArray_[i] = squadArray_[i + 1];
        }
        squadArray_[last] = moved;
        if (currentIndex_ == highest) {
            currentIndex_ = last;
        }
    }
    for (int32_t i = 0; pcType != TS_PC_NONE && i < squadCount_; ++i) {
        if (squadArray_[i]->GetPCType() == pcType) {
            currentIndex_ = i;
        }
    }
    if (squadCount_ > 0) {
        SetCurrentCharacter(currentIndex_);
    }
}

void TsPlayer::SetCurrentCharacter(int32_t i)
{
    if (i < 0 || i >= squadCount_ || !squadArray_[i]) {
        return;
    }
    if (squad_) {
        squad_->SetLeader(squadArray_[i]);
    }
    currentIndex_ = i;
}

void TsPlayer::SetSquad(TsSquadObject* squad)
{
    if (!squad) {
        LogError("TsPlayer::SetSquad - the player always has a squad; none given");
        return;
    }
    if (squad == squad_) {
        return;
    }
    squad_.Reset(squad);
}

void TsPlayer::MakeSquadImmune()
{
    for (int32_t i = 0; squad_ && i < squad_->GetMemberCount(); ++i) {
        squad_->GetMember(i)->SetLifeState(0);
    }
}

void TsPlayer::HoldSquad()
{
    for (TsPCObject* member : squadArray_) {
        if (member) {
            member->StopMoving();
            member->SetBusyTicks(10);
        }
    }
}

TsEntity* TsPlayer::GetTargetProximity(bool& isLocked, float& proximity) const
{
    isLocked = false;
    proximity = 0.0f;
    TsPCObject* current = GetCurrentCharacter();
    if (!current) {
        return nullptr;
    }
    TsEntity* target = current->GetLockedTarget();
    isLocked = target != nullptr;
    if (!target) {
        target = current->GetFirstValidTarget();
    }
    if (!target) {
        return nullptr;
    }
    const float dx = target->GetPosition().x - current->GetPosition().x;
    const float dz = target->GetPosition().z - current->GetPosition().z;
    proximity = (kLockRange - std::sqrt(dx * dx + dz * dz)) / (kLockRange - TsCharacterObject::kMeleeReach);
    return target;
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
    // The class is checked against the file's class table: the character
    // may not be constructed yet when its reference is read.
    for (int32_t i = 0; i < characterCount_ && !archive.HasFailed(); ++i) {
        archive.ReadRef(characters_[i]);
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
    return _IsEasterEggEnabled(EGG_RICH) ? kRichKitty : kitty_;
}

int32_t TsPlayer::AddToKitty(int32_t amount)
{
    if (_IsEasterEggEnabled(EGG_RICH)) {
        return kRichKitty;
    }
    // The kitty holds at the ends of its range rather than wrapping round.
    kitty_ = int32_t(std::clamp<int64_t>(int64_t(kitty_) + amount, INT32_MIN, INT32_MAX));
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
    if (squad_) {
        squad_->ResetTransientState();
    }
    for (int32_t i = 0; i < characterCount_; ++i) {
        if (characters_[i]) {
            characters_[i]->ResetState();
        }
    }
}

// A squad carried over in the transfer file is in no level yet: each member
// joins this one. The member's saved reference count still holds the
// reference the level left behind gave it, and the new level takes that
// reference over.
void TsPlayer::BringSquadIntoLevel(TsEntityDB& db)
{
    for (int32_t i = 0; squad_ && i < squad_->GetMemberCount(); ++i) {
        TsPCObject* pc = TsPCObject::Cast(squad_->GetMember(i));
        if (pc && !db.ContainsEntity(pc)) {
            pc->SetPlayer(this);
            db.AddEntity(OmRef<TsEntity>::Adopt(pc));
        }
    }
}

void TsPlayer::SetupPlayerSquad()
{
    TsEntityDB* db = TsAccess::EntityDB();
    if (db) {
        BringSquadIntoLevel(*db);
    }
    for (int32_t i = 0; i < characterCount_; ++i) {
        if (characters_[i]) {
            if (db) {
                db->MakeLuaGlobal(characters_[i]);
            }
            characters_[i]->StopMoving();
        }
    }
    lua_State* L = TsAccess::LuaState();
    if (L && TsScriptHost::IsFunctionDefined(L, "SetupPlayerSquad")) {
        const int top = lua_gettop(L);
        lua_getglobal(L, "SetupPlayerSquad");
        lua_pushstring(L, levelInfo_->levelName.Get() ? levelInfo_->levelName.Get() : "");
        TsScriptCall::Protected(L, 1, 0);
        lua_settop(L, top);
    }
    for (int32_t i = 0; squad_ && i < squad_->GetMemberCount(); ++i) {
        if (TsPCObject* pc = TsPCObject::Cast(squad_->GetMember(i))) {
            pc->SetStartPosition();
        }
    }
}

bool TsPlayer::InitialiseForLevel(int32_t pcType)
{
    const bool ok = TsObject::Initialise();
    RebuildSquadArray();
    ChooseCurrentCharacter(pcType);
    if (squad_) {
        squad_->SetIndex(0);
        // The team is the level's: a squad carried over from the last level
        // still names the team it had there.
        TsTeam* team = nullptr;
        const TsEntityDB* db = TsAccess::EntityDB();
        for (OmList::Node* n = db ? db->GetTeams().GetFirst() : nullptr; n && !team; n = n->next) {
            TsTeam* candidate = TsTeam::Cast(static_cast<TsObject*>(n->value));
            if (candidate && candidate->GetTeamId() == squad_->GetTeamId()) {
                team = candidate;
            }
        }
        if (db) {
            squad_->SetTeamObject(team);
        }
        squad_->SetBehaviour(TS_BEHAVIOUR_ATTACK);
        squad_->SetFormation(FORMATION_NONE);
        squad_->ChooseIdleBehaviour();
    }
    saveCounter_ = TsSaveGames::HighestSaveNumber(GetName());
    return ok;
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
