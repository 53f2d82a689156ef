// The spot where a player character starts a level. Each marker is taken
// by one character; which markers were taken is not saved, since a loaded
// game places its characters where they were.
#pragma once

#include <cstdint>

#include "game/framework/TsEntity.h"

class TsPCStartObject : public TsEntity {
    OM_DECLARE_CLASS(TsPCStartObject)

    TsPCStartObject();
    explicit TsPCStartObject(OmArchive& archive) : TsEntity(archive) {}

    bool IsUsed() const { return m_used != 0; }
    void SetUsed(bool used) { m_used = used ? 1 : 0; }

private:
    uint8_t m_used = 0;
};
