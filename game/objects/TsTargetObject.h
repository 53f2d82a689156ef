// A named point of a level that scripts and characters aim at.
#pragma once

#include "engine/OmVector3.h"
#include "game/framework/TsObject.h"

class TsTargetObject : public TsObject {
    OM_DECLARE_CLASS(TsTargetObject)

    TsTargetObject() = default;
    explicit TsTargetObject(OmArchive& archive) : TsObject(archive) {}

    void Write(OmArchive& archive) override;
    void Read(OmArchive& archive) override;

    const OmVector3& GetOrigin() const { return m_origin; }
    void SetOrigin(float x, float y, float z) { m_origin.Set(x, y, z); }

private:
    OmVector3 m_origin;
};
