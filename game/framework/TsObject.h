// The base of every game-layer object: game modes, the entity database,
// players, squads, teams and every positioned object. It adds the game's
// life cycle to the engine's root object: a two-pass set-up after creation
// or loading (Import resolves names to objects, Initialise prepares play),
// a fixed-rate Tick, an interpolated Render and the timer callback.
#pragma once

#include <cstdint>

#include "engine/OmObject.h"

struct TsTimerEntry;

class TsObject : public OmObject {
    OM_DECLARE_ABSTRACT_CLASS(TsObject)

    TsObject() = default;
    explicit TsObject(OmArchive& archive) : OmObject(archive) {}
    // Every link to this object is cut (see TsLink).
    ~TsObject() override;

    // Both passes answer whether the object is ready; callers run every
    // object's pass even after a failure and combine the results.
    virtual bool Import() { return true; }
    virtual bool Initialise() { return true; }
    // Once per 0.1 s game tick.
    virtual void Tick(uint32_t tickCount);
    // renderTime in seconds; fraction is how far the frame lies between the
    // last tick and the next (0..1).
    virtual void Render(float renderTime, float fraction);
    // A timer of this object fired; false stops the timer.
    virtual bool OnTimer(TsTimerEntry& entry);

    // Another object is being destroyed. Links to it (TsLink) are cut on
    // their own; this is for what a holder keeps about it beside a link (a
    // squad's count of threats, its list of members).
    virtual void ForgetObject(const TsObject* gone);

    // Names a class whose objects override ForgetObject: only their pools
    // are walked when an object goes. Returns true, for a static's
    // initialiser.
    static bool ForgetsOthers(const OmClass* record);

protected:
    // Tells every live game object of a class that forgets others that this
    // one goes (from a destructor: a class whose objects others point at
    // without holding).
    void LetOthersForget() const;
};
