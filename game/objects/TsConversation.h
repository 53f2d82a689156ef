// A scripted exchange of spoken lines between characters. Scripts add the
// lines from the dialogue-string table and run it; while it runs the player
// is locked out, the radar is hidden, the cut-scene camera frames the first
// speakers, each line plays its recorded voice (a silent line "..." waits
// two seconds), and the player may skip a line or end the exchange.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/OmArray.h"
#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "game/framework/TsObject.h"

class TsCharacterObject;

class TsConversationFragment : public OmObject {
    OM_DECLARE_CLASS(TsConversationFragment)

    TsConversationFragment();
    explicit TsConversationFragment(OmArchive& archive);
    ~TsConversationFragment() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    // Holds a reference on each character.
    void Set(TsCharacterObject* speaker, TsCharacterObject* listener, const char* text, const char* audioFile);
    const char* GetText() const { return m_text.Get(); }
    const char* GetAudioFile() const { return m_audioFile.Get(); }
    TsCharacterObject* GetSpeaker() const { return m_speaker; }
    TsCharacterObject* GetListener() const { return m_listener; }

private:
    OmString m_text;
    OmString m_audioFile; // not saved
    OmRef<TsCharacterObject> m_speaker;
    OmRef<TsCharacterObject> m_listener;
};

class TsConversation : public TsObject {
    OM_DECLARE_CLASS(TsConversation)

    static constexpr const char* kSilentLine = "...";
    static constexpr float kWrapWidth = 510.0f; // pixels
    static constexpr float kStartSeconds = 1.5f;
    static constexpr float kSilentSeconds = 2.0f;
    // The camera mode that searches for an unobstructed view.
    static constexpr int32_t kCameraMode = 3;

    // Pixel width of a text in the conversation font.
    using TextMeasure = float (*)(const char* text);

    TsConversation() = default;
    explicit TsConversation(OmArchive& archive) : TsObject(archive) {}
    ~TsConversation() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    void Tick(uint32_t tickCount) override;
    bool OnTimer(TsTimerEntry& entry) override;

    // ---- script operations ----
    // A line of the dialogue-string table (-1 for a silent line) spoken by
    // speaker to listener; a null speaker adds nothing (logged).
    void AddFragment(int32_t stringId, TsCharacterObject* speaker, TsCharacterObject* listener);
    void Run();
    // Run, told whether the key that started it is still held (a release
    // of that key then does not skip the first line).
    void RunWithStartKey(bool held);
    bool HasConversationStarted() const { return m_started != 0; }
    void SetOverrideLockout(bool flag) { m_overrideLockout = flag ? 1 : 0; }

    void End();
    void Advance();

    // What the player did this tick, as Tick reads it from the input.
    struct Signals {
        bool endReleased = false;  // action 11 or 1 released
        bool skipReleased = false; // action 10 released
        bool useReleased = false;  // action 0 released
        bool usePressed = false;   // action 0 or 1 pressed
    };
    // The tick's work given the player's signals.
    void Update(const Signals& signals);

    uint32_t GetFragmentCount() const { return uint32_t(m_fragments.size()); }
    const TsConversationFragment* GetFragment(uint32_t i) const
    {
        return i < m_fragments.size() ? m_fragments[i].Get() : nullptr;
    }
    // The line at the current index; while the conversation runs, the HUD
    // reads it each frame and draws it.
    const TsConversationFragment* GetCurrentFragment() const;
    int32_t GetCurrent() const { return m_current; }
    bool CanAdvance() const { return m_canAdvance != 0; }
    bool IsCameraUsed() const { return m_cameraUsed != 0; }
    int32_t GetLineTimer() const { return m_lineTimer; }
    int32_t GetStartTimer() const { return m_startTimer; }

    // Breaks text into lines narrower than the wrap width at blanks.
    static void WordWrap(const char* text, OmString& out, TextMeasure measure);
    // The measure word wrap uses: the HUD installs its font's; with none
    // (null) lines are not wrapped.
    static void SetTextMeasure(TextMeasure measure);
    // Whether the camera may frame a character: conversation cameras on,
    // not a trader, not dormant.
    static bool CameraMayFollow(const TsCharacterObject* character);

private:
    void StartLine();
    void FaceEachOther(TsCharacterObject* speaker, TsCharacterObject* listener);
    void FrameFirstSpeaker();
    void ForgetTimer(int32_t& id);
    void ReleaseFragments();

    uint8_t m_started = 0;
    uint8_t m_firstTick = 1;
    std::vector<OmRef<TsConversationFragment>> m_fragments;
    int32_t m_current = -1;
    int32_t m_lineTimer = -1;
    int32_t m_startTimer = -1;
    uint8_t m_canAdvance = 1;
    uint8_t m_cameraUsed = 0;
    uint8_t m_startPending = 0;
    uint8_t m_overrideLockout = 1;
};
