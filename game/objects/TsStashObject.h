// A container placed in a level holding one collectible, made from a
// script template when the level is imported. A player character's touch
// lets the payload out at the stash; the lid swings open and the stash
// fades away.
#pragma once

#include <cstdint>

#include "engine/OmRef.h"
#include "engine/OmString.h"
#include "game/objects/TsCollectibleObject.h"
#include "game/objects/TsModel.h"

class OmNode;

class TsStashObject : public TsModel {
    OM_DECLARE_CLASS(TsStashObject)

    static constexpr int32_t kOpenSound = 230;
    // Opening runs at a tenth of a unit a second: the lid is fully open at
    // 1 and the stash has faded out at 2.
    static constexpr float kOpenRate = 0.1f;
    static constexpr float kGoneAt = 2.0f;

    TsStashObject();
    explicit TsStashObject(OmArchive& archive) : TsModel(archive) {}
    ~TsStashObject() override;

    bool Register(OmArchive& archive) override;
    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;
    // Loads the model and makes the payload from its template; false for
    // an unknown payload class or a failed template.
    bool Import() override;
    bool Initialise() override;
    void Render(float renderTime, float fraction) override;
    // A player character opens the stash and lets the payload out.
    void OnTouch(TsEntity* other, float separation) override;
    // Lets the payload out at the stash for the opener (who may not take it
    // straight back) and starts the lid; a stash without a lid goes at once.
    void Open(TsEntity* opener);

    void SetPayloadType(const char* className) { m_payloadType.Set(className); }
    const char* GetPayloadType() const { return m_payloadType.Get(); }
    void SetPayloadTemplate(const char* name) { m_payloadTemplate.Set(name); }
    const char* GetPayloadTemplate() const { return m_payloadTemplate.Get(); }
    TsCollectibleObject* GetPayload() const { return m_payload; }
    bool IsOpened() const { return m_opened != 0; }
    float GetOpenProgress() const { return m_openProgress; }
    OmNode* GetLid() const { return m_lid; }

    // The first node below root (depth first, children in order) whose
    // name is longer than two characters and holds "lid" in any case.
    static OmNode* FindLid(OmNode* root);
    // One frame of the lid's swing and fade, dt seconds long.
    void AdvanceOpening(float dt);
    // How opaque the opening stash is drawn (1 closed, 0 gone).
    float GetFade() const;

private:
    void SetPayload(TsCollectibleObject* payload);

    OmString m_payloadType;
    OmString m_payloadTemplate;
    OmRef<TsCollectibleObject> m_payload;
    uint8_t m_opened = 0;
    OmNode* m_lid = nullptr; // a node of the model
    float m_openProgress = 0.0f;
};
