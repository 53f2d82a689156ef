// The party: the player's characters (up to seven), the squad in play (up
// to three), the shared money, sixteen script-state words, the record of
// the mission being played, the save-game names and the diary. The
// application holds one; every saved game stores it as its first root.
//
// The characters and the squad are made by the character and squad
// classes; until they exist the player holds none and says so once where
// it would use them.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/OmString.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsObject.h"

class TsDiaryData;
class TsEntity;

class TsPlayer : public TsObject {
    OM_DECLARE_CLASS(TsPlayer)

    static constexpr int32_t kMaxCharacters = 7;
    static constexpr int32_t kMaxSquadMembers = 3;
    static constexpr int32_t kScriptStateCount = 16;

    TsPlayer();
    explicit TsPlayer(OmArchive& archive);
    ~TsPlayer() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    TsLevelInfo& GetLevelInfo() { return *levelInfo_; }
    const TsLevelInfo& GetLevelInfo() const { return *levelInfo_; }
    TsDiaryData* GetDiary() const { return diary_; }

    // The character the player controls; none until characters exist.
    TsEntity* GetCurrentCharacter() const;
    // Member i (0 to 2) of the squad in play; none outside that range.
    TsEntity* GetSquadMember(int32_t i) const;
    int32_t GetTeamCount() const { return squadCount_; }

    int32_t GetKitty() const { return kitty_; }
    int32_t AddToKitty(int32_t amount);
    int32_t GetScriptState(int32_t index) const;
    void SetScriptState(int32_t index, int32_t value);

    // Save numbering: the next save is the counter plus one.
    void SetSaveNumber(int32_t number) { saveCounter_ = number; }
    int32_t GetSaveNumber() const { return saveCounter_; }
    // Counts the save, stamps the date and names the file the next save is
    // written under: "<player> [<counter>] - <level title>".
    void MakeSaveName();
    const char* GetSaveName() const { return saveTitle_.Get(); }
    const char* GetSaveDate() const { return saveDate_.Get(); }
    const char* GetLoadedSaveName() const { return loadedSaveName_.Get(); }
    void SetLoadedSaveName(const char* name) { loadedSaveName_ = name; }
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

private:
    void ReadCharacters(OmArchive& archive);

    int32_t characterCount_ = 0;
    TsEntity* characters_[kMaxCharacters] = {};
    TsObject* squad_ = nullptr; // owned once squads exist: released in the destructor
    TsEntity* squadArray_[kMaxSquadMembers] = {};
    int32_t currentIndex_ = -1;
    int32_t squadCount_ = 0;
    int32_t kitty_ = 0;
    int32_t gagCounter_ = 10;
    std::unique_ptr<TsLevelInfo> levelInfo_;
    uint32_t levelWord_ = 0;
    int32_t scriptState_[kScriptStateCount];
    OmString loadedSaveName_;
    uint8_t quitRequest_ = 0;
    int32_t saveCounter_ = 0;
    OmString saveTitle_;
    OmString saveDate_;
    TsDiaryData* diary_ = nullptr; // owned: released in the destructor
};
