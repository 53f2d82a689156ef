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
    : m_squad(OmMakeRef<TsSquadObject>()), m_levelInfo(std::make_unique<TsLevelInfo>()), m_diary(OmMakeRef<TsDiaryData>())
{
    m_squad->SetIndex(0);
    for (int32_t& word : m_scriptState) {
        word = -1;
    }
}

TsPlayer::TsPlayer(OmArchive& archive) : TsObject(archive), m_levelInfo(std::make_unique<TsLevelInfo>())
{
    for (int32_t& word : m_scriptState) {
        word = -1;
    }
}

TsPlayer::~TsPlayer()
{
    // The player is destroyed outright, not released: a script's handle
    // borrows it and is left null.
    TsScriptHandles::Forget(this, "TsPlayer");
    // A failed load takes its objects down itself: the references are let
    // go of without a release.
    if (OmArchive::IsBeingTakenDown(*this)) {
        m_diary.Detach();
        m_squad.Detach();
        for (OmRef<TsPCObject>& character : m_characters) {
            character.Detach();
        }
        return;
    }
    m_diary = nullptr;
    // The party's members leave the squad first: a script's handle may keep
    // the squad past the level, which must not keep the party too.
    if (m_squad) {
        m_squad->RemoveAllMembers();
    }
    m_squad = nullptr;
    for (int32_t i = 0; i < m_characterCount; ++i) {
        m_characters[i] = nullptr;
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
    m_gagCounter = kGagTicks;
    if (m_squad) {
        m_squad->Reset();
        m_squad->SetIndex(0);
    }
    for (int32_t i = 0; i < m_characterCount; ++i) {
        if (m_characters[i]) {
            m_characters[i]->SetPlayer(nullptr);
        }
        m_characters[i] = nullptr;
    }
    m_characterCount = 0;
    for (TsPCObject*& member : m_squadArray) {
        member = nullptr;
    }
    m_currentIndex = -1;
    m_squadCount = 0;
    m_kitty = 0;
    m_levelWord = 0;
    for (int32_t& word : m_scriptState) {
        word = -1;
    }
    m_saveCounter = 0;
    m_saveTitle.Set(nullptr);
}

bool TsPlayer::AddCharacter(OmRef<TsPCObject> pc)
{
    if (!pc) {
        return false;
    }
    for (int32_t i = 0; i < m_characterCount; ++i) {
        if (m_characters[i] == pc) {
            LogErrorF("TsPlayer::AddCharacter - %s is already in the party", pc->NameOrEmpty());
            return false;
        }
    }
    if (m_characterCount >= kMaxCharacters) {
        LogErrorF("TsPlayer::AddCharacter - the party is full (%d characters); %s is not added", kMaxCharacters,
                  pc->NameOrEmpty());
        return false;
    }
    m_characters[m_characterCount++] = std::move(pc);
    return true;
}

TsPCObject* TsPlayer::GetCharacterAt(int32_t i) const
{
    return i >= 0 && i < m_characterCount ? m_characters[i] : nullptr;
}

TsPCObject* TsPlayer::GetCharacter(const char* name) const
{
    for (int32_t i = 0; name && i < m_characterCount; ++i) {
        if (m_characters[i] && m_characters[i]->GetName() && std::strcmp(m_characters[i]->GetName(), name) == 0) {
            return m_characters[i];
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
    if (!pc || !m_squad || !m_squad->HasMember(pc)) {
        return;
    }
    pc->SetPlayer(nullptr);
    if (TsEntityDB* db = TsAccess::EntityDB()) {
        db->RemoveEntity(pc);
    }
    m_squad->RemoveMember(pc);
}

void TsPlayer::AddCharacterToSquad(TsPCObject* add, TsPCObject* remove)
{
    LeaveSquad(remove);
    if (add && m_squad && add->GetSquad() != m_squad) {
        if (m_squad->GetMemberCount() >= kMaxSquadMembers) {
            LogErrorF("Player squad full, cannot add character %s", add->NameOrEmpty());
        } else {
            m_squad->AddMember(add);
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
    while (m_squad && m_squad->GetMemberCount() > 0) {
        TsPCObject* pc = TsPCObject::Cast(m_squad->GetMember(0));
        if (pc) {
            LeaveSquad(pc);
        } else {
            m_squad->RemoveMember(m_squad->GetMember(0));
        }
    }
    RebuildSquadArray();
}

void TsPlayer::RemoveSquadMember(TsCharacterObject* character)
{
    if (TsPCObject* pc = TsPCObject::Cast(character)) {
        LeaveSquad(pc);
    } else if (m_squad && character) {
        m_squad->RemoveMember(character);
    }
    RebuildSquadArray();
}

void TsPlayer::RebuildSquadArray()
{
    m_squadCount = 0;
    for (TsPCObject*& member : m_squadArray) {
        member = nullptr;
    }
    for (int32_t i = 0; m_squad && i < m_squad->GetMemberCount() && m_squadCount < kMaxSquadMembers; ++i) {
        if (TsPCObject* pc = TsPCObject::Cast(m_squad->GetMember(i))) {
            m_squadArray[m_squadCount++] = pc;
        }
    }
    m_currentIndex = 0;
}

void TsPlayer::ChooseCurrentCharacter(int32_t pcType)
{
    if (m_squadCount >= 2) {
        int32_t highest = 0;
        for (int32_t i = 1; i < m_squadCount; ++i) {
            if (m_squadArray[i]->GetPCType() > m_squadArray[highest]->GetPCType()) {
                highest = i;
            }
        }
        const int32_t last = m_squadCount - 1;
        TsPCObject* moved = m_squadArray[highest];
        for (int32_t i = highest; i < last; ++i) {
            m_squadArray[i] = m_squadArray[i + 1];
        }
        m_squadArray[last] = moved;
        if (m_currentIndex == highest) {
            m_currentIndex = last;
        }
    }
    for (int32_t i = 0; pcType != TS_PC_NONE && i < m_squadCount; ++i) {
        if (m_squadArray[i]->GetPCType() == pcType) {
            m_currentIndex = i;
        }
    }
    if (m_squadCount > 0) {
        SetCurrentCharacter(m_currentIndex);
    }
}

void TsPlayer::SetCurrentCharacter(int32_t i)
{
    if (i < 0 || i >= m_squadCount || !m_squadArray[i]) {
        return;
    }
    if (m_squad) {
        m_squad->SetLeader(m_squadArray[i]);
    }
    m_currentIndex = i;
}

void TsPlayer::SetSquad(TsSquadObject* squad)
{
    if (!squad) {
        LogError("TsPlayer::SetSquad - the player always has a squad; none given");
        return;
    }
    if (squad == m_squad) {
        return;
    }
    m_squad.Reset(squad);
}

void TsPlayer::MakeSquadImmune()
{
    for (int32_t i = 0; m_squad && i < m_squad->GetMemberCount(); ++i) {
        m_squad->GetMember(i)->SetLifeState(0);
    }
}

void TsPlayer::HoldSquad()
{
    for (TsPCObject* member : m_squadArray) {
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
    for (int32_t i = 0; i < m_characterCount; ++i) {
        if (m_characters[i]) {
            m_characters[i]->Register(archive);
        }
    }
    if (m_squad) {
        m_squad->Register(archive);
    }
    if (m_diary) {
        m_diary->Register(archive);
    }
    return true;
}

void TsPlayer::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteI32(m_characterCount);
    for (int32_t i = 0; i < m_characterCount; ++i) {
        archive.WriteObjectRef(m_characters[i]);
    }
    archive.WriteObjectRef(m_squad);
    archive.WriteI32(m_currentIndex);
    archive.WriteI32(m_kitty);
    m_levelInfo->Write(archive);
    archive.WriteU32(m_levelWord);
    for (int32_t word : m_scriptState) {
        archive.WriteI32(word);
    }
    archive.WriteI32(m_saveCounter);
    m_saveTitle.Write(archive);
    m_saveDate.Write(archive);
    archive.WriteObjectRef(m_diary);
}

// A party never holds more than seven: a larger count is a damaged file,
// refused before any slot is written.
void TsPlayer::ReadCharacters(OmArchive& archive)
{
    archive.ReadI32(m_characterCount);
    if (archive.HasFailed()) {
        m_characterCount = 0;
        return;
    }
    if (m_characterCount < 0 || m_characterCount > kMaxCharacters) {
        const int32_t count = m_characterCount;
        m_characterCount = 0;
        char why[96];
        std::snprintf(why, sizeof why, "a player holds %d characters (at most %d)", count, kMaxCharacters);
        archive.Fail(why);
        return;
    }
    // The class is checked against the file's class table: the character
    // may not be constructed yet when its reference is read.
    for (int32_t i = 0; i < m_characterCount && !archive.HasFailed(); ++i) {
        archive.ReadRef(m_characters[i]);
    }
}

void TsPlayer::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    ReadCharacters(archive);
    archive.ReadRef(m_squad);
    archive.ReadI32(m_currentIndex);
    archive.ReadI32(m_kitty);
    m_levelInfo = std::make_unique<TsLevelInfo>();
    m_levelInfo->Read(archive);
    archive.ReadU32(m_levelWord);
    for (int32_t& word : m_scriptState) {
        archive.ReadI32(word);
    }
    archive.ReadI32(m_saveCounter);
    m_saveTitle.Read(archive);
    m_saveDate.Read(archive);
    archive.ReadRef(m_diary);
    // The squad array is rebuilt from the squad by InitialiseForLevel; an
    // index read from the file is kept only when it can address that array.
    if (m_currentIndex < -1 || m_currentIndex >= kMaxSquadMembers) {
        m_currentIndex = -1;
    }
}

TsPCObject* TsPlayer::GetCurrentCharacter() const
{
    return GetSquadMember(m_currentIndex);
}

TsPCObject* TsPlayer::GetSquadMember(int32_t i) const
{
    return i >= 0 && i < kMaxSquadMembers ? m_squadArray[i] : nullptr;
}

int32_t TsPlayer::GetKitty() const
{
    return _IsEasterEggEnabled(EGG_RICH) ? kRichKitty : m_kitty;
}

int32_t TsPlayer::AddToKitty(int32_t amount)
{
    return ChangeKitty(amount);
}

int32_t TsPlayer::TakeFromKitty(int32_t price)
{
    return ChangeKitty(-int64_t(price));
}

int32_t TsPlayer::ChangeKitty(int64_t change)
{
    if (_IsEasterEggEnabled(EGG_RICH)) {
        return kRichKitty;
    }
    // The kitty holds at the ends of its range rather than wrapping round.
    m_kitty = int32_t(std::clamp<int64_t>(int64_t(m_kitty) + change, INT32_MIN, INT32_MAX));
    return m_kitty;
}

int32_t TsPlayer::GetScriptState(int32_t index) const
{
    return index >= 0 && index < kScriptStateCount ? m_scriptState[index] : -1;
}

void TsPlayer::SetScriptState(int32_t index, int32_t value)
{
    if (index >= 0 && index < kScriptStateCount) {
        m_scriptState[index] = value;
    }
}

const char* TsPlayer::GetLevelTitle() const
{
    const char* title = TsMain::Instance() ? TsAccess::GetDialogDisplayString(m_levelInfo->missionDisplayStringID)
                                           : nullptr;
    if (title && *title) {
        return title;
    }
    return m_levelInfo->levelName.IsEmpty() ? m_levelInfo->missionName.Get() : m_levelInfo->levelName.Get();
}

void TsPlayer::MakeSaveName()
{
    ++m_saveCounter;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    char time[32];
    std::strftime(date, sizeof date, "%d/%m/%Y", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    m_saveDate = (std::string(date) + ", " + time).c_str();
    m_saveTitle = TsSaveGames::ComposeSaveName(GetName(), m_saveCounter, GetLevelTitle()).c_str();
}

void TsPlayer::ResetTransientState()
{
    if (m_squad) {
        m_squad->ResetTransientState();
    }
    for (int32_t i = 0; i < m_characterCount; ++i) {
        if (m_characters[i]) {
            m_characters[i]->ResetState();
        }
    }
}

// A squad carried over in the transfer file is in no level yet: each member
// joins this one. The member's saved reference count still holds the
// reference the level left behind gave it, and the new level takes that
// reference over.
void TsPlayer::BringSquadIntoLevel(TsEntityDB& db)
{
    for (int32_t i = 0; m_squad && i < m_squad->GetMemberCount(); ++i) {
        TsPCObject* pc = TsPCObject::Cast(m_squad->GetMember(i));
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
    for (int32_t i = 0; i < m_characterCount; ++i) {
        if (m_characters[i]) {
            if (db) {
                db->MakeLuaGlobal(m_characters[i]);
            }
            m_characters[i]->StopMoving();
        }
    }
    lua_State* L = TsAccess::LuaState();
    if (L && TsScriptHost::IsFunctionDefined(L, "SetupPlayerSquad")) {
        const int top = lua_gettop(L);
        lua_getglobal(L, "SetupPlayerSquad");
        lua_pushstring(L, m_levelInfo->levelName.Get() ? m_levelInfo->levelName.Get() : "");
        TsScriptCall::Protected(L, 1, 0);
        lua_settop(L, top);
    }
    for (int32_t i = 0; m_squad && i < m_squad->GetMemberCount(); ++i) {
        if (TsPCObject* pc = TsPCObject::Cast(m_squad->GetMember(i))) {
            pc->SetStartPosition();
        }
    }
}

bool TsPlayer::InitialiseForLevel(int32_t pcType)
{
    const bool ok = TsObject::Initialise();
    RebuildSquadArray();
    ChooseCurrentCharacter(pcType);
    if (m_squad) {
        m_squad->SetIndex(0);
        // The team is the level's: a squad carried over from the last level
        // still names the team it had there.
        TsTeam* team = nullptr;
        const TsEntityDB* db = TsAccess::EntityDB();
        for (OmList::Node* n = db ? db->GetTeams().GetFirst() : nullptr; n && !team; n = n->next) {
            TsTeam* candidate = TsTeam::Cast(OmList::ValueAt<TsObject>(n));
            if (candidate && candidate->GetTeamId() == m_squad->GetTeamId()) {
                team = candidate;
            }
        }
        if (db) {
            m_squad->SetTeamObject(team);
        }
        m_squad->SetBehaviour(TS_BEHAVIOUR_ATTACK);
        m_squad->SetFormation(FORMATION_NONE);
        m_squad->ChooseIdleBehaviour();
    }
    m_saveCounter = TsSaveGames::HighestSaveNumber(GetName());
    return ok;
}

void TsPlayer::ChangeLevel()
{
    TsMain* app = TsMain::Instance();
    if (m_loadedSaveName.IsEmpty() || !app) {
        return;
    }
    app->SetPendingLoad(m_loadedSaveName.Get());
    app->RequestMode(TS_MODE_LEVEL);
}
