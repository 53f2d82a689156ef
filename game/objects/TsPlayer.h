// The party: the player's characters (up to seven), the squad in play (up
// to three), the shared money, sixteen script-state words, the record of
// the mission being played, the save-game names and the diary. The
// application holds one; every saved game stores it as its first root.
//
// Characters are not counted references: they belong to the level's entity
// database while in play, and to the archive that carries the player over
// between levels. The squad is owned (one counted reference).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmParticleSystem.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsObject.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsPCObject.h"
#include "game/objects/TsSquadObject.h"

class TsCharacterObject;
class TsEntityDB;
class TsEntity;

class TsPlayer : public TsObject {
    OM_DECLARE_CLASS(TsPlayer)

    static constexpr int32_t kMaxCharacters = 7;
    static constexpr int32_t kMaxSquadMembers = 3;
    static constexpr int32_t kScriptStateCount = 16;
    // Hidden modes: a static table of switches.
    enum EasterEgg : int32_t {
        EGG_STICKMEN = 0,
        EGG_WDUNIFORM = 1,
        EGG_BIGHEADS = 2,
        EGG_RICH = 3,
        EGG_NO_AMMO = 4,
        EGG_NO_DAMAGE = 5,
        EASTEREGGTYPES = 6,
    };
    static constexpr int32_t kRichKitty = 99999;
    static constexpr int32_t kGagTicks = 10;
    // The lock range: a locked target further than this is let go.
    static constexpr float kLockRange = 9.0f;

    TsPlayer();
    explicit TsPlayer(OmArchive& archive);
    ~TsPlayer() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // The player's control: input to orders, then the squad's update.
    void Tick(uint32_t tickCount) override;

    // Back to a new game's party: no characters, an empty squad, no money.
    void Clear();

    // The party.
    // Stores the character in the next of the seven slots with the
    // reference given; false (logged) for an eighth or for one already
    // there, and the reference goes.
    bool AddCharacter(OmRef<TsPCObject> pc);
    // The first character of that name (case-sensitive); none (logged).
    TsPCObject* GetCharacter(const char* name) const;
    int32_t GetCharacterCount() const { return m_characterCount; }
    TsPCObject* GetCharacterAt(int32_t i) const;
    // Takes `remove` out of the squad and the level, then puts `add` into
    // both (refused with a log when the squad is full), then rebuilds the
    // squad array.
    void AddCharacterToSquad(TsPCObject* add, TsPCObject* remove);
    void RemoveAllSquadMembers();
    void RemoveSquadMember(TsCharacterObject* character);
    // Squad-array member i leads the squad and is the current character.
    void SetCurrentCharacter(int32_t i);
    int32_t GetCurrentIndex() const { return m_currentIndex; }
    TsSquadObject* GetSquad() const { return m_squad; }
    // Takes a reference to the new squad and releases the old one.
    void SetSquad(TsSquadObject* squad);
    // Every member of the squad becomes immune to hits.
    void MakeSquadImmune();
    // Every member of the squad array stops and is busy for ten ticks.
    void HoldSquad();
    // The current character's locked target, else its first valid
    // neighbour; proximity 1 at the melee reach, 0 at the lock range.
    TsEntity* GetTargetProximity(bool& isLocked, float& proximity) const;

    static void _EnableEasterEgg(int32_t mode, bool on);
    static bool _IsEasterEggEnabled(int32_t mode);

    TsLevelInfo& GetLevelInfo() { return *m_levelInfo; }
    const TsLevelInfo& GetLevelInfo() const { return *m_levelInfo; }
    TsDiaryData* GetDiary() const { return m_diary; }

    // The character the player controls; none while the index is -1.
    TsPCObject* GetCurrentCharacter() const;
    // Member i (0 to 2) of the squad in play; none outside that range.
    TsPCObject* GetSquadMember(int32_t i) const;
    int32_t GetTeamCount() const { return m_squadCount; }

    int32_t GetKitty() const;
    // Both saturate at the ends of the 32-bit range. A price is taken with
    // TakeFromKitty: negating the lowest price an int holds would overflow.
    int32_t AddToKitty(int32_t amount);
    int32_t TakeFromKitty(int32_t price);
    int32_t GetScriptState(int32_t index) const;
    void SetScriptState(int32_t index, int32_t value);

    // Save numbering: the next save is the counter plus one.
    void SetSaveNumber(int32_t number) { m_saveCounter = number; }
    int32_t GetSaveNumber() const { return m_saveCounter; }
    // Counts the save, stamps the date and names the file the next save is
    // written under: "<player> [<counter>] - <level title>".
    void MakeSaveName();
    const char* GetSaveName() const { return m_saveTitle.Get(); }
    const char* GetSaveDate() const { return m_saveDate.Get(); }
    const char* GetLoadedSaveName() const { return m_loadedSaveName.Get(); }
    void SetLoadedSaveName(const char* name) { m_loadedSaveName = name; }
    // The level's title as saves show it: its display string, else its name.
    const char* GetLevelTitle() const;

    // Before the transfer file is written: the squad and characters drop
    // what belongs to the level being left.
    void ResetTransientState();
    // The script's "SetupPlayerSquad" with the level name.
    void SetupPlayerSquad();
    // After a load: the squad array, the current character and the save
    // counter (the highest save of this player).
    bool InitialiseForLevel(int32_t pcType);
    // Retry after game over: load the save last loaded.
    void ChangeLevel();

    // The squad array from the squad's members (at most three), the
    // current index 0.
    void RebuildSquadArray();
    // After a load: the highest PC type goes last; the given type becomes
    // current.
    void ChooseCurrentCharacter(int32_t pcType);
    int32_t GetGagCounter() const { return m_gagCounter; }

private:
    void ReadCharacters(OmArchive& archive);
    void BringSquadIntoLevel(TsEntityDB& db);
    void LeaveSquad(TsPCObject* pc);
    int32_t ChangeKitty(int64_t change);
    void GagStep();
    void StartGag(TsPCObject& character);
    // The steps of the player's tick.
    void GameKeys(TsPCObject& current);
    void SelectionKeys();
    void QuickSave();
    void MouseOrders(TsPCObject& current);
    void ActBonus();

    int32_t m_characterCount = 0;
    OmRef<TsPCObject> m_characters[kMaxCharacters];
    OmRef<TsSquadObject> m_squad; // released first in the destructor
    TsPCObject* m_squadArray[kMaxSquadMembers] = {};
    int32_t m_currentIndex = -1;
    int32_t m_squadCount = 0;
    int32_t m_kitty = 0;
    int32_t m_gagCounter = kGagTicks;
    OmParticleEmitter m_gagEmitter;
    std::unique_ptr<TsLevelInfo> m_levelInfo;
    uint32_t m_levelWord = 0;
    int32_t m_scriptState[kScriptStateCount];
    OmString m_loadedSaveName;
    int32_t m_saveCounter = 0;
    OmString m_saveTitle;
    OmString m_saveDate;
    OmRef<TsDiaryData> m_diary;
};
