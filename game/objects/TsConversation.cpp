#include "game/objects/TsConversation.h"

#include <cstring>
#include <string>
#include <strings.h>

#include "engine/OmArchive.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsDialogStrings.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsLevelState.h"
#include "game/framework/TsLog.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsDiaryData.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsTimerTable.h"

OM_IMPLEMENT_CLASS(TsConversationFragment, OmObject)
OM_IMPLEMENT_CLASS(TsConversation, TsObject)

namespace {

constexpr const char* kTraders[] = {"WeaponTrader", "TechTrader", "HerbTrader"};

// Lines are laid out on screen by the HUD with its own font, so the HUD
// installs that font's measure; until it does nothing is wrapped.
TsConversation::TextMeasure s_measure = nullptr;

} // namespace

// ---- fragments -------------------------------------------------------------------

TsConversationFragment::TsConversationFragment() = default;

TsConversationFragment::TsConversationFragment(OmArchive& archive) : OmObject(archive)
{
}

TsConversationFragment::~TsConversationFragment() = default;

void TsConversationFragment::Set(TsCharacterObject* speaker, TsCharacterObject* listener, const char* text,
                                 const char* audioFile)
{
    m_speaker.Reset(speaker);
    m_listener.Reset(listener);
    m_text.Set(text);
    m_audioFile.Set(audioFile);
}

bool TsConversationFragment::Register(OmArchive& archive)
{
    if (!OmObject::Register(archive))
        return false; // already entered
    if (m_speaker)
        m_speaker->Register(archive);
    if (m_listener)
        m_listener->Register(archive);
    return true;
}

void TsConversationFragment::Write(OmArchive& archive)
{
    OmObject::Write(archive);
    m_text.Write(archive);
    archive.WriteObjectRef(m_speaker).WriteObjectRef(m_listener);
}

void TsConversationFragment::Read(OmArchive& archive)
{
    OmObject::Read(archive);
    m_text.Read(archive);
    archive.ReadRef(m_speaker).ReadRef(m_listener);
}

// ---- the conversation ---------------------------------------------------------

TsConversation::~TsConversation()
{
    ForgetTimer(m_lineTimer);
    ForgetTimer(m_startTimer);
    ReleaseFragments();
}

bool TsConversation::Register(OmArchive& archive)
{
    if (!TsObject::Register(archive))
        return false; // already entered
    for (const OmRef<TsConversationFragment>& fragment : m_fragments)
        fragment->Register(archive);
    return true;
}

void TsConversation::Write(OmArchive& archive)
{
    TsObject::Write(archive);
    archive.WriteBool(m_started != 0).WriteU32(uint32_t(m_fragments.size()));
    for (const OmRef<TsConversationFragment>& fragment : m_fragments)
        archive.WriteObjectRef(fragment);
    archive.WriteI32(m_current).WriteI32(m_lineTimer).WriteI32(m_startTimer).WriteBool(m_canAdvance != 0);
}

void TsConversation::Read(OmArchive& archive)
{
    TsObject::Read(archive);
    ReleaseFragments();
    bool started = false, canAdvance = true;
    uint32_t count = 0;
    archive.ReadBool(started).ReadU32(count);
    if (!archive.CanRead(uint64_t(count) * 4)) {
        archive.Fail("a conversation claims more lines than its archive holds");
        return;
    }
    for (uint32_t i = 0; i < count && !archive.HasFailed(); ++i) {
        OmRef<TsConversationFragment> fragment;
        archive.ReadRef(fragment);
        if (fragment)
            m_fragments.push_back(std::move(fragment));
    }
    archive.ReadI32(m_current).ReadI32(m_lineTimer).ReadI32(m_startTimer).ReadBool(canAdvance);
    m_started = started ? 1 : 0;
    m_canAdvance = canAdvance ? 1 : 0;
    if (m_current >= int32_t(m_fragments.size()))
        m_current = int32_t(m_fragments.size()) - 1;
}

void TsConversation::SetTextMeasure(TextMeasure measure)
{
    s_measure = measure;
}

void TsConversation::WordWrap(const char* text, OmString& out, TextMeasure measure)
{
    if (!text || !measure || measure(text) <= kWrapWidth) {
        out.Set(text);
        return;
    }
    std::string wrapped;
    std::string line;
    const char* word = text;
    while (*word) {
        const char* end = std::strchr(word, ' ');
        const size_t length = end ? size_t(end - word) : std::strlen(word);
        const std::string next(word, length);
        if (!line.empty()) {
            const std::string candidate = line + " " + next;
            if (measure(candidate.c_str()) >= kWrapWidth) {
                wrapped += line;
                wrapped += '\n';
                line = next;
            } else {
                line = candidate;
            }
        } else {
            line = next;
        }
        word += length;
        if (*word == ' ')
            ++word;
    }
    wrapped += line;
    out.Set(wrapped.c_str());
}

void TsConversation::AddFragment(int32_t stringId, TsCharacterObject* speaker, TsCharacterObject* listener)
{
    if (!speaker) {
        LogErrorF("TsConversation::AddFragment - line %d has no speaker; it is left out", int(stringId));
        return;
    }
    const char* text = kSilentLine;
    const char* audio = "";
    const char* diary = "";
    if (stringId != -1) {
        if (const TsDialogStrings* strings = TsAccess::DialogStrings()) {
            const char* s = strings->GetString(stringId);
            text = s ? s : "";
            audio = strings->GetAudioFile(stringId) ? strings->GetAudioFile(stringId) : "";
            diary = strings->GetDiaryText(stringId) ? strings->GetDiaryText(stringId) : "";
        }
    }
    OmString wrapped;
    WordWrap(text, wrapped, s_measure);
    OmRef<TsConversationFragment> fragment = OmMakeRef<TsConversationFragment>();
    fragment->Set(speaker, listener, wrapped.Get() ? wrapped.Get() : "", audio);
    m_fragments.push_back(std::move(fragment));

    const TsLevelState* level = TsAccess::LevelState();
    TsDiaryData* diaryData = TsAccess::Diary();
    if (level && level->KeepsDiary() && diaryData && *diary) {
        const TsPlayer* player = TsAccess::LocalPlayer();
        const TsLevelInfo* info = TsAccess::LevelInfo();
        // The diary names the speaker as the player knows him, by his
        // display name ("somebody" without one), not by his object name.
        diaryData->AddOverheard(info && info->levelName.Get() ? info->levelName.Get() : "",
                                player ? player->GetLevelTitle() : "", speaker->GetDisplayName(), diary);
    }
}

bool TsConversation::CameraMayFollow(const TsCharacterObject* character)
{
    const TsLevelState* level = TsAccess::LevelState();
    if (!character || !level || !level->GetConversationCamera() || character->IsDormant())
        return false;
    const char* name = character->GetName();
    for (const char* trader : kTraders)
        if (name && strcasecmp(name, trader) == 0)
            return false;
    return true;
}

void TsConversation::ForgetTimer(int32_t& id)
{
    // The entry fires once more and is ignored: its id no longer matches.
    id = -1;
}

void TsConversation::FaceEachOther(TsCharacterObject* speaker, TsCharacterObject* listener)
{
    if (speaker)
        speaker->StopMoving();
    if (!speaker || !listener)
        return;
    listener->StopMoving();
    const OmVector3 d = listener->GetPosition() - speaker->GetPosition();
    speaker->SetDirection(d.x, d.z);
    listener->SetDirection(-d.x, -d.z);
}

void TsConversation::FrameFirstSpeaker()
{
    TsConversationFragment* first = m_fragments[0];
    TsCharacterObject* speaker = first->GetSpeaker();
    TsCharacterObject* listener = first->GetListener();
    TsCutScene* cutScene = TsAccess::CutScene();
    if (cutScene && CameraMayFollow(speaker) && !cutScene->IsCutSceneActive()) {
        if (listener)
            cutScene->SetupConversationCamera(speaker->GetPosition(), listener->GetPosition(), kCameraMode);
        else
            cutScene->FrameConversation(speaker->GetPosition(), speaker->GetDirection(), kCameraMode);
        m_cameraUsed = 1;
    } else if (cutScene && !CameraMayFollow(speaker) && cutScene->IsCutSceneActive()) {
        cutScene->LockActive(false);
        cutScene->SetCutSceneActive(false);
    }
    FaceEachOther(speaker, listener);
}

void TsConversation::Run()
{
    const TsInput* input = TsAccess::Input();
    RunWithStartKey(input && (input->IsActionDown(TS_ACTION_SELECT) || input->IsActionDown(TS_ACTION_CANCEL)));
}

void TsConversation::RunWithStartKey(bool held)
{
    m_cameraUsed = 0;
    m_started = 1;
    m_startPending = 1;
    m_firstTick = held ? 1 : 0;
    // The screen is cleared first: closing an open inventory panel lets go
    // of the panel's lockout, which must not take the conversation's along.
    if (TsLevelState* level = TsAccess::LevelState()) {
        level->ConversationStarted();
        level->SetPlayerLockout(m_overrideLockout != 0);
    }
    ForgetTimer(m_startTimer);
    m_startTimer = TsTimerTable::Instance().AddTimer(this, kStartSeconds, 1);
    m_canAdvance = 0;
    if (m_fragments.size() == 0)
        return;
    m_current = 0;
    FrameFirstSpeaker();
}

const TsConversationFragment* TsConversation::GetCurrentFragment() const
{
    return m_current >= 0 && uint32_t(m_current) < m_fragments.size() ? m_fragments[uint32_t(m_current)].Get()
                                                                          : nullptr;
}

void TsConversation::StartLine()
{
    if (m_current < 0 || uint32_t(m_current) >= m_fragments.size()) {
        End();
        return;
    }
    TsConversationFragment* line = m_fragments[uint32_t(m_current)];
    FaceEachOther(line->GetSpeaker(), line->GetListener());
    TsAudio* audio = TsAccess::Audio();
    if (std::strcmp(line->GetText() ? line->GetText() : "", kSilentLine) != 0) {
        if (audio)
            audio->StartDialogue(line->GetAudioFile(), true);
        return;
    }
    if (audio)
        audio->StopDialogue();
    ForgetTimer(m_lineTimer);
    m_lineTimer = TsTimerTable::Instance().AddTimer(this, kSilentSeconds, 1);
}

void TsConversation::Advance()
{
    ++m_current;
    if (uint32_t(m_current) >= m_fragments.size())
        End();
    else
        StartLine();
}

void TsConversation::Tick(uint32_t)
{
    Signals signals;
    if (const TsInput* input = TsAccess::Input()) {
        signals.endReleased = input->IsActionReleased(TS_ACTION_END_TALK) || input->IsActionReleased(TS_ACTION_CANCEL);
        signals.skipReleased = input->IsActionReleased(TS_ACTION_SKIP_LINE);
        signals.useReleased = input->IsActionReleased(TS_ACTION_SELECT);
        signals.usePressed = input->IsActionPressed(TS_ACTION_SELECT) || input->IsActionPressed(TS_ACTION_CANCEL);
    }
    Update(signals);
}

void TsConversation::Update(const Signals& signals)
{
    if (!m_started)
        return;
    if (m_startPending) {
        m_startPending = 0;
        StartLine();
        if (!m_started)
            return;
    }
    if (signals.endReleased) {
        if (m_canAdvance)
            End();
    } else if (m_canAdvance) {
        const TsAudio* audio = TsAccess::Audio();
        const bool lineOver = m_lineTimer < 0 && !(audio && audio->IsDialoguePlaying());
        if (signals.skipReleased || (signals.useReleased && !m_firstTick) || lineOver)
            Advance();
    }
    if (signals.usePressed)
        m_firstTick = 0;
}

// A timer has run out when its entry is the one firing now (counted down
// to zero); a forgotten timer still fires once and is ignored.
bool TsConversation::OnTimer(TsTimerEntry&)
{
    const auto ranOut = [](int32_t id) {
        const TsTimerEntry* entry = id >= 0 ? TsTimerTable::Instance().GetEntry(id) : nullptr;
        return entry && entry->countdown <= 0;
    };
    if (m_startTimer >= 0) {
        if (ranOut(m_startTimer)) {
            m_startTimer = -1;
            m_canAdvance = 1;
        }
        return true;
    }
    if (ranOut(m_lineTimer)) {
        m_lineTimer = -1;
        Advance();
    }
    return true;
}

void TsConversation::ReleaseFragments()
{
    m_fragments.clear();
}

void TsConversation::End()
{
    m_startPending = 0;
    m_started = 0;
    if (TsLevelState* level = TsAccess::LevelState())
        level->SetPlayerLockout(false);
    if (TsAudio* audio = TsAccess::Audio())
        audio->StopDialogue();
    if (m_cameraUsed) {
        if (TsCutScene* cutScene = TsAccess::CutScene()) {
            cutScene->LockActive(false);
            cutScene->SetCutSceneActive(false);
        }
    }
    ForgetTimer(m_lineTimer);
    ForgetTimer(m_startTimer);
    m_canAdvance = 1;
    ReleaseFragments();
    m_current = -1;
    if (TsLevelState* level = TsAccess::LevelState())
        level->ConversationEnded();
}
