// A member of the player's party. It carries which of the party it is, the
// Stay and auto-engage switches the HUD offers, its link to the player
// while it is in the player's squad, and it picks up what it touches while
// it is the character the player controls.
#pragma once

#include <cstdint>

#include "game/objects/TsCharacterObject.h"

class TsPlayer;

enum TsPlayerCharacterId : int32_t {
    TS_PC_NONE = -1,
    TS_PC_HADLEY = 0,
    TS_PC_ORRICK = 1,
    TS_PC_TAMSA = 2,
    TS_PC_PELLIN = 3,
    TS_PC_BRUSK = 4,
    TS_PC_VESSA = 5,
    TS_PC_RECRUIT = 6,
    MAX_PLAYER_CHARACTERS = 7,
};

class TsPCObject : public TsCharacterObject {
    OM_DECLARE_CLASS(TsPCObject)

    static constexpr int32_t kBlockWords = 32;

    TsPCObject();
    explicit TsPCObject(OmArchive& archive);

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    bool Import() override;
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    void OnTouch(TsEntity* other, float separation) override;
    bool AttackTarget(TsEntity* target, const OmVector3& aimPoint, bool force) override;

    void SetPCType(int32_t type) { m_pcType = type; }
    int32_t GetPCType() const { return m_pcType; }
    void SetStay(bool stay) { m_stay = stay ? 1 : 0; }
    bool GetStay() const { return m_stay != 0; }
    // Refused (auto-engage stays off) for a character whose current attack
    // is a skill.
    void SetAutoAttack(bool on);
    bool IsShootOn() const { return m_autoEngage != 0; }
    TsPlayer* GetPlayer() const { return m_player; }
    void SetPlayer(TsPlayer* player) { m_player = player; }
    int32_t GetTicksSinceDeath() const { return m_ticksSinceDeath; }

    // Places the character on the level's first start marker not yet used;
    // false (logged) when none is left.
    bool SetStartPosition();

private:
    bool IsCurrentCharacter() const;
    bool LeadsSquad() const;
    void ApplySkillRule();
    void PublishArticles();
    float HealAmount() const;

    int32_t m_block[kBlockWords] = {};
    int32_t m_pcType = TS_PC_HADLEY;
    int32_t m_pcWord = 0;
    int32_t m_word = 1;
    TsLink<TsPlayer> m_player; // not counted: the player holds its party
    uint8_t m_stay = 0;
    uint8_t m_autoEngage = 1;
    int32_t m_ticksSinceDeath = -1;
};
