// The application in a scratch folder that sees the built scripts and data,
// with the level mode registered.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "game/framework/TsEntityDB.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsPCObject.h"
#include "tests/app/AppFixture.h"

namespace apptest {

class DemoLevelTest : public AppTest {
protected:
    void SetUp() override;

    // Starts Ann's new game of the mission, up to its held load screen.
    void LoadMission(const char* mission);
    // The same, through the load screen into the level, letting
    // settleFrames frames run once there.
    void EnterDemoLevel(int settleFrames = 3, const char* mission = "demo");
    // Serves the pending switch, then lets the load screen go.
    void SwitchAndContinue(int settleFrames = 3);
    // Leaves for the title, then loads the named save into the level.
    void LoadFromTitle(const std::string& save);

    static TsLevel* Level();
    // Runs the level's own tick count times, without drawing.
    void Ticks(int count);
    // The level's own ticks until the condition holds, at most limit of
    // them; whether it holds.
    bool TickUntil(const std::function<bool()>& condition, int limit);
    // Script handles hold their own references until Lua collects them: a
    // count read after a script has seen an object waits for that.
    static void CollectScriptHandles();
    // A new member of the player's squad standing at (x, z), brought into
    // play; the current character is left as it was. With a model, that
    // figure; given a character, that one.
    static TsPCObject* AddPartyMember(const char* name, float x, float z, int32_t type = 0, const char* mdl = nullptr,
                                      TsPCObject* pc = nullptr);
    // "hero", the first of the party and its current character, at (x, z).
    static TsPCObject* AddHero(float x, float z);
    // Where a point of the world fell on the screen in the frame last
    // drawn; false behind the camera or off the screen.
    static bool ScreenPoint(const OmVector3& point, int& x, int& y);
    // The middle of an entity, where the cursor finds it.
    static OmVector3 MiddleOf(const TsEntity* entity);
    // The character named, of the demo figure's size, standing at (x, z);
    // with a model, that figure and its animations.
    template <class T>
    static T* Figure(T* c, const char* name, float x, float z, const char* mdl = nullptr)
    {
        c->SetName(name);
        if (mdl) {
            c->SetMdl(mdl);
            c->SetAnimationClass(0);
        }
        c->SetRadius(0.3f);
        c->SetHeight(1.8f);
        c->SetOrigin(x, 0.0f, z);
        return c;
    }
    // A new article of class T filled in by one of the demo's templates.
    template <class T>
    static T* FromTemplate(const char* name)
    {
        auto* article = new T;
        article->SetTemplate(name);
        EXPECT_TRUE(article->RunTemplate()) << name;
        return article;
    }
    // The entity standing at (x, y, z), in play on the level's list.
    template <class T>
    static T* PutInPlay(T* entity, float x, float z, float y = 0.0f)
    {
        entity->SetPosition(x, y, z);
        entity->ForceActive();
        Level()->GetEntityDB()->AddEntity(OmRef<TsEntity>::Adopt(entity));
        return entity;
    }
    // The level's object or entity of class T with that name, or null.
    template <class T>
    static T* Named(const char* name)
    {
        TsEntityDB* db = Level()->GetEntityDB();
        for (const OmList* list : {&db->GetObjects(), &db->GetEntities()})
            for (const OmList::Node* n = list->GetFirst(); n; n = n->next)
                if (auto* object = T::Cast(static_cast<OmObject*>(n->value));
                    object && object->GetName() && std::string(object->GetName()) == name)
                    return object;
        return nullptr;
    }

    uint32_t tick = 1000;
};

// The demo level entered in SetUp, as most level tests want it.
class InDemoLevel : public DemoLevelTest {
protected:
    void SetUp() override
    {
        DemoLevelTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(EnterDemoLevel());
    }
};

} // namespace apptest
