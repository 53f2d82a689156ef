#include "game/framework/TsObject.h"

#include "engine/OmArchive.h"
#include "engine/OmClass.h"
#include "engine/OmFastAlloc.h"
#include "game/framework/TsLink.h"

OM_IMPLEMENT_ABSTRACT_CLASS(TsObject, OmObject)

TsObject::~TsObject()
{
    TsLinkBase::CutLinksTo(this);
}

void TsObject::Tick(uint32_t)
{
}

void TsObject::Render(float, float)
{
}

bool TsObject::OnTimer(TsTimerEntry&)
{
    return true;
}

void TsObject::ForgetObject(const TsObject*)
{
}

namespace {

// The classes that forget others; a handful, so a small fixed table.
constexpr int kMaxForgetful = 16;
const OmClass* g_forgetful[kMaxForgetful] = {};
int g_forgetfulCount = 0;

bool Forgets(const OmClass* cls)
{
    for (int i = 0; i < g_forgetfulCount; ++i) {
        if (OmClass::IsDerivedFrom(cls, g_forgetful[i]))
            return true;
    }
    return false;
}

} // namespace

bool TsObject::ForgetsOthers(const OmClass* record)
{
    if (g_forgetfulCount < kMaxForgetful)
        g_forgetful[g_forgetfulCount++] = record;
    return true;
}

void TsObject::LetOthersForget() const
{
    // A failed load takes its objects down in an order of its own.
    if (OmArchive::IsBeingTakenDown(*this))
        return;
    const OmClassRegistry& registry = OmClassRegistry::Instance();
    for (uint32_t i = 0; i < registry.GetCount(); ++i) {
        const OmFastAlloc* pool = registry.GetPool(int32_t(i));
        if (!pool || !Forgets(registry.GetClass(int32_t(i))))
            continue;
        OmFastAllocIterator it;
        pool->BeginIteration(it);
        while (void* cell = pool->NextLiveObject(it)) {
            auto* other = static_cast<TsObject*>(static_cast<OmObject*>(cell));
            if (other != this && !OmArchive::IsBeingTakenDown(*other))
                other->ForgetObject(this);
        }
    }
}
