// Links whose holder leaked: a mode switch drops the pools' pages without
// destructors, and a link left chained in a dropped page would be written
// through by the next link aimed near it.
#include <gtest/gtest.h>

#include "engine/OmClass.h"
#include "engine/OmRef.h"
#include "game/framework/TsLink.h"
#include "game/framework/TsObject.h"
#include "tests/engine/TestClass.h"

// Kept out of the program's registry, so that only the test's own registry
// drops them.
class LinkHolder : public TsObject {
    OM_DECLARE_TEST_CLASS(LinkHolder, TsObject)
    TsLink<TsObject> link;
};
OM_IMPLEMENT_UNLISTED_CLASS(LinkHolder, TsObject)

OM_TEST_CLASS(LinkTarget, TsObject);
OM_IMPLEMENT_UNLISTED_CLASS(LinkTarget, TsObject)

namespace {

class LeakedLinks : public ::testing::Test {
protected:
    // The class whose objects leak.
    template <class T>
    void Leaking()
    {
        m_registry.AddClass(&T::s_class, T::Factory(), &T::s_pool);
    }
    // What a mode switch does with what its holders never gave back.
    void DropLeaked()
    {
        TsLinkBase::UnchainLeaked(m_registry);
        m_registry.FreeAllObjects();
    }
    OmClassRegistry m_registry;
};

TEST_F(LeakedLinks, ALinkInALeakedObjectLeavesTheChainBeforeItsPageGoes)
{
    Leaking<LinkHolder>();
    const OmRef<LinkTarget> kept = OmMakeRef<LinkTarget>();
    LinkHolder* const leaked = new LinkHolder;
    leaked->link = kept.Get();
    DropLeaked();

    // Aiming at the same object walks the chain the leaked link was on.
    const TsLink<TsObject> fresh(kept.Get());
    EXPECT_EQ(fresh.Get(), kept.Get());
}

TEST_F(LeakedLinks, ALinkToALeakedObjectReadsAsNoneOnceItsPageGoes)
{
    Leaking<LinkTarget>();
    LinkTarget* const leaked = new LinkTarget;
    const OmRef<LinkHolder> keeper = OmMakeRef<LinkHolder>();
    keeper->link = leaked;
    DropLeaked();
    EXPECT_EQ(keeper->link.Get(), nullptr);
}

} // namespace
