// A character's health and vitality with their maxima and their recovery
// per second. Vitality is the outer layer: a blow takes it first and only
// what it cannot absorb reaches health. The vitals say when health has run
// out; dying is the character's own business.
#pragma once

#include <cstdint>

class OmArchive;

class TsVitals {
public:
    // A lower maximum lowers the current value to it.
    void SetMaxHealth(float maximum);
    void SetMaxVitality(float maximum);
    void SetHealth(float value) { m_health = value; }
    void SetVitality(float value) { m_vitality = value; }
    void SetHealthRecovery(float rate) { m_healthRecovery = rate; }
    void SetVitalityRecovery(float rate) { m_vitalityRecovery = rate; }
    float GetMaxHealth() const { return m_maxHealth; }
    float GetHealth() const { return m_health; }
    float GetMaxVitality() const { return m_maxVitality; }
    float GetVitality() const { return m_vitality; }
    float GetVitalityRecovery() const { return m_vitalityRecovery; }

    // Health up or down, at most the maximum; true when it is left at 0 or
    // below (each time, also when it already was).
    bool AddHealth(float delta);
    // Vitality up or down, at most the maximum; below 0 the rest goes on to
    // health. True when that left health at 0 or below.
    bool AddVitality(float delta);
    // A span of seconds' recovery: vitality first, then health. Each step
    // that leaves health at 0 or below calls fell() before the next runs.
    template <class Fell>
    void Recover(float seconds, Fell&& fell)
    {
        if (AddVitality(seconds * m_vitalityRecovery))
            fell();
        if (AddHealth(seconds * m_healthRecovery))
            fell();
    }

    // The six words in the order the character's archive keeps them.
    void Write(OmArchive& archive) const;
    void Read(OmArchive& archive);

private:
    float m_maxHealth = 10.0f;
    float m_health = 10.0f;
    float m_maxVitality = 10.0f;
    float m_vitality = 10.0f;
    float m_healthRecovery = 0.0f;
    // A fifth of the maximum vitality a second.
    float m_vitalityRecovery = 2.0f;
};
