// Calls the script binding at random, as a careless level script would: any
// bound function or variable of any class, on any object or none, with
// awkward arguments (int limits, NaN, odd strings, tables, objects of every
// class, earlier results). A Lua error is the expected answer to a bad call;
// a crash or a sanitizer report is a fault. The choices come from a seeded
// generator (the CI test) or the fuzzer's input. Functions that write files
// or start programs are left out; file readers get names that do not exist.
#pragma once

#include <tolua++.h>

#include <lauxlib.h>
#include <lualib.h>

#include <pthread.h>
#include <time.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "game/framework/TsAccess.h"
#include "game/framework/TsCutScene.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsMain.h"
#include "game/framework/TsScriptHandles.h"
#include "game/level/TsGameLevelHost.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsConversation.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsTimerTable.h"
#include "game/world/TsExplosionParams.h"
#include "script/GameBindings.h"
#include "ui/TsRadar.h"

namespace bindingfuzz {

// The numbers past every range a script can give, as Lua reads them: beyond
// every int both ways (and still within a float), the infinities and NaN.
// The sessions' values include them, and so does the test that gives them
// to every setter.
inline constexpr const char* kExtremeNumbers[] = {"1e30", "-1e30", "1/0", "-1/0", "0/0"};

// The next choice; the source runs dry (and answers 0) after its bytes.
class Choices {
public:
    Choices(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    explicit Choices(uint32_t seed) : m_seed(seed ? seed : 1) {}
    uint32_t Next(uint32_t below)
    {
        if (below <= 1)
            return 0;
        uint32_t v = 0;
        if (m_data) {
            for (int i = 0; i < 2; ++i)
                v = v << 8 | (m_at < m_size ? m_data[m_at++] : 0);
        } else {
            m_seed = m_seed * 1103515245u + 12345u;
            v = m_seed >> 16 & 0x7fff;
        }
        return v % below;
    }
    bool Dry() const { return m_data && m_at >= m_size; }

private:
    const uint8_t* m_data = nullptr;
    size_t m_size = 0, m_at = 0;
    uint32_t m_seed = 1;
};

inline std::set<std::string> GlobalNames(lua_State* L)
{
    std::set<std::string> names;
    for (lua_pushnil(L); lua_next(L, LUA_GLOBALSINDEX); lua_pop(L, 1)) {
        if (lua_type(L, -2) == LUA_TSTRING)
            names.insert(lua_tostring(L, -2));
    }
    return names;
}

// Sets the global `name` to the object's handle as the game pushes it:
// a counted object's handle holds a reference of its own.
inline void Publish(lua_State* L, const char* name, void* object, const char* type)
{
    TsScriptHandles::Push(L, object, type);
    lua_setglobal(L, name);
}

// A bound function (table empty for a global one) or a class's variable.
struct Bound {
    std::string table, name;
};

inline bool Denied(const std::string& name)
{
    static const std::set<std::string> denied = {
        "WriteBinary", "SaveWorld", "MakeDetectionMap", "MakeHeightMap", "BeginConvert", "EndConvert",
        "SaveTownStash", "Open", "WriteLine", "Execute", "Screenshot"};
    return denied.count(name) != 0;
}

// Lines of the stories a session tells between its random calls: an object
// made (O), a part reached through it (P), handed to one of the game's
// holders (an inventory, the entity database, the party, a conversation, a
// camera), deleted, used again through what was reached through it; any
// number, in any order, each run on its own. The level closes at the end.
inline const char* const kStoryLines[] = {
    "O = TsNPCObject:new()",
    "O = TsPCObject:new()",
    "O = TsItemObject:new() O:SetMdl('rock.pbf')",
    "O = TsWeaponObject:new()",
    "O = TsSquadObject:new()",
    "O = TsDoorObject:new()",
    "P = O:GetInventory()",
    "P = O:InnateAttack()",
    "P = O:Attributes(false)",
    "Inv = O:GetInventory()",
    "Inv:AddArticle(O)",
    "Inv:AddArticleAndRemove(O)",
    "Inv:RemoveArticle(O)",
    "Db:AddObject(O)",
    "Db:AddEntity(O)",
    "Party:SetSquad(O)",
    "Party:AddCharacter(O)",
    "Party:AddCharacterToSquad(O, nil)",
    "Talk:AddFragment(-1, O, Keeper)",
    "Scene:SetFollowTarget(O)",
    "Scene:SetFollowTarget(nil)",
    "O:delete()",
    "P:delete()",
    "Keeper:delete()",
    "P:SetMaxCount(3)",
    "P:GetArticle(0)",
    "P:SetRange(2)",
    "P:ToggleMode()",
    "O:GetName()",
    "Inv:GetArticle(0):GetName()",
    // A second holder, and what one holder gives to itself.
    "Inv2 = TsNPCObject:new():GetInventory()",
    "Inv2:AddArticle(O)",
    "Inv2:AddArticleAndRemove(O)",
    "O:GiveEntireInventory(O)",
    "Keeper:GiveEntireInventory(Keeper)",
    "O:GiveEntireInventory(Keeper)",
    "Keeper:GiveEntireInventory(O)",
    "Talk:AddFragment(-1, O, O)",
    "Party:AddCharacterToSquad(O, O)",
    // A holder that goes before what it held.
    "H = TsNPCObject:new() H:GetInventory():AddArticle(O)",
    "H:GetInventory():RemoveArticle(O)",
    "H:delete()",
    "return O:GetOwner()",
    "B = TsBoundObject:new() B:SetName('zone')",
    "LE = TsLightEffectObject:new() LE:SetBound('zone')",
    "B:delete()",
    "LE:delete()",
    // What a script keeps only in a local, collected before anything looks
    // it up by name; a part's handle outliving its whole's.
    "do local b = TsBoundObject:new() b:SetName('zone') end collectgarbage()",
    "do local d = TsDoorObject:new() d:SetName('door') end collectgarbage()",
    "do local w = TsWeaponObject:new() P = w:Attributes(false) end collectgarbage()",
    "P = nil O = nil collectgarbage()",
    // A level the script makes, its parts, its conversion, and its going.
    "L = TsLevel:new()",
    "CS = L:GetCutScene()",
    "L:BeginConvert()",
    "L:EndConvert()",
    "L:delete()",
    "CS:IsCutSceneActive()",
    "CS:SetFollowTarget(O)",
    // A view of an object's insides (the radar's objective, a record's text,
    // colour or array) kept past its owner, and used after it.
    "V = Radar:GetObjective()",
    "V = Record.exitTextStringIDs",
    "V = Record.levelName",
    "V = Blast.m_shockColourBias",
    "EndViewOwners()",
    "V:Normalise()",
    "return GetX(V)",
    "V[1] = 3",
    "return V[1]",
    "V:Set('x')",
    "Blast.m_shockColourBias = V",
    "Record.exitTextStringIDs[1] = 2",
    // A level the articles lie in (InLevel, below): one taken, put back in
    // the script's hands and deleted before the level's next pass, step by
    // step and in one go.
    "InLevel(function() TsAccess:EntityDB():AddObject(O) end)",
    "InLevel(function() Inv:AddArticle(O) end)",
    "InLevel(function() Inv:AddArticleAndRemove(O) end)",
    "InLevel(function() end)",
    "InLevel(function() O = TsItemObject:new() TsAccess:EntityDB():AddObject(O) Inv:AddArticle(O) "
    "Inv:RemoveArticle(O) O:delete() end)",
};

// A level for the stories' articles to lie in. An article lying in a level
// is handed over to the inventory that takes it, and the level lists it
// until its next activation pass. InLevel(f) calls f with this level as the
// application's (what TsAccess answers while f runs), then runs the level's
// pass, as its next tick would. The application is made at the first call.
class LevelStage {
public:
    explicit LevelStage(lua_State* L)
    {
        lua_pushlightuserdata(L, this);
        lua_pushcclosure(L, &LevelStage::InLevel, 1);
        lua_setglobal(L, "InLevel");
    }
    ~LevelStage()
    {
        if (!m_app)
            return;
        m_app.reset();
        TsAccess::SetLuaState(m_L); // the application closed a state of its own
    }

private:
    static int InLevel(lua_State* L)
    {
        luaL_checktype(L, 1, LUA_TFUNCTION);
        auto* stage = static_cast<LevelStage*>(lua_touserdata(L, lua_upvalueindex(1)));
        stage->Open(L);
        auto* level = static_cast<TsLevel*>(stage->m_level.get());
        level->BeginConvert();
        lua_pushvalue(L, 1);
        const int status = lua_pcall(L, 0, 0, 0);
        level->GetEntityDB()->UpdateActivation();
        level->EndConvert();
        return status != 0 ? lua_error(L) : 0;
    }

    void Open(lua_State* L)
    {
        if (m_app)
            return;
        m_L = L;
        TsMain::SetLevelHostFactory(&TsGameLevelHost::Make);
        m_app = std::make_unique<TsMain>(TsMain::kTitle, 640, 480);
        TsMain::SetLevelHostFactory(nullptr);
        TsAccess::SetLuaState(L); // the application opened a state of its own
        m_level.reset(TsLevel::Make());
    }

    lua_State* m_L = nullptr;
    std::unique_ptr<TsMain> m_app;
    std::unique_ptr<TsGameMode> m_level;
};

// Stops the run when a call has not returned after a second of the calling
// thread's processor time: a script's number (an index, a count) must not be
// able to hang the game. Processor time, not the clock: a busy machine slows
// a call down without failing it.
class Watchdog {
public:
    static Watchdog& Instance()
    {
        static Watchdog* watchdog = new Watchdog; // its thread runs until the program ends
        return *watchdog;
    }
    void Begin(const char* what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pthread_getcpuclockid(pthread_self(), &m_clock);
        std::snprintf(m_what, sizeof m_what, "%s", what);
        m_start = Seconds();
        m_busy = true;
    }
    void End()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = false;
    }

private:
    static constexpr double kLimitSeconds = 1.0;

    Watchdog()
    {
        std::thread([this] { Watch(); }).detach();
    }
    double Seconds() const
    {
        timespec now{};
        clock_gettime(m_clock, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }
    void Watch()
    {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_busy && Seconds() - m_start > kLimitSeconds) {
                std::fprintf(stderr, "binding fuzz: a call did not return within a second: %s\n", m_what);
                std::abort();
            }
        }
    }

    std::mutex m_mutex;
    clockid_t m_clock{};
    char m_what[256] = {};
    double m_start = 0.0;
    bool m_busy = false;
};

// What a session did, so a test can tell it reached the binding.
struct Tally {
    size_t functions = 0; // bound functions and variables found
    size_t calls = 0;
    size_t refused = 0; // calls that raised a Lua error
};

// Runs one session: a fresh state with the package, a number of random
// calls, then what the scripts made and kept is destroyed and the state
// closed, as when a level ends.
class Session {
public:
    Session(Choices& choices, Tally& tally) : m_choices(choices), m_tally(tally) {}
    void Run(int steps)
    {
        m_L = luaL_newstate();
        TsAccess::SetLuaState(m_L); // the game's state: objects that go kill their handles in it
        for (lua_CFunction lib : {luaopen_base, luaopen_string, luaopen_math})
            lua_pushcfunction(m_L, lib), lua_call(m_L, 0, 0);
        std::set<std::string> before = GlobalNames(m_L);
        tolua_game_open(m_L);
        lua_settop(m_L, 0);
        Survey(before);
        m_tally.functions = m_callables.size() + m_variables.size();
        MakeValues();
        MakeHolders();
        MakeViewOwners();
        RegisterViewOwnerEnd();
        for (int i = 0; i < steps && !m_choices.Dry(); ++i)
            Step();
        CloseLevel();
        tolua_game_close(m_L);
        TsAccess::SetLuaState(nullptr);
        lua_close(m_L);
        m_L = nullptr;
    }

private:
    static constexpr int kMaxValues = 96;

    // The package's global functions, every class table's functions and
    // every class's variables (tolua keeps their getters in ".get").
    void Survey(const std::set<std::string>& before)
    {
        for (const std::string& name : GlobalNames(m_L)) {
            if (before.count(name))
                continue;
            lua_getglobal(m_L, name.c_str());
            if (lua_iscfunction(m_L, -1) && !Denied(name))
                m_callables.push_back({"", name});
            else if (lua_istable(m_L, -1))
                SurveyClass(name);
            lua_pop(m_L, 1);
        }
    }

    void SurveyClass(const std::string& table)
    {
        m_classes.push_back(table);
        lua_pushnil(m_L);
        while (lua_next(m_L, -2)) {
            if (lua_type(m_L, -2) == LUA_TSTRING) {
                const std::string key = lua_tostring(m_L, -2);
                if (lua_iscfunction(m_L, -1) && key[0] != '.' && key.compare(0, 2, "__") != 0 && key != "new" && !Denied(key))
                    m_callables.push_back({table, key});
                else if (key == ".get" && lua_istable(m_L, -1))
                    SurveyVariables(table);
            }
            lua_pop(m_L, 1);
        }
    }

    void SurveyVariables(const std::string& table)
    {
        for (lua_pushnil(m_L); lua_next(m_L, -2); lua_pop(m_L, 1)) {
            if (lua_type(m_L, -2) == LUA_TSTRING)
                m_variables.push_back({table, lua_tostring(m_L, -2)});
        }
    }

    // The pool of values, kept in a registry table so the collector leaves
    // them alone: plain values first (int limits, odd strings, the extreme
    // numbers), then two objects of every class that
    // scripts may make, and some of the records scripts are handed.
    void MakeValues()
    {
        lua_newtable(m_L);
        m_values = luaL_ref(m_L, LUA_REGISTRYINDEX);
        std::string plain = "return 0, 1, -1, 2, 2.9, -2.9, 7, 31, 32, 255, 1023, 1024, 65535, 2147483647, "
                            "-2147483648, 2147483648, 4294967295, 4294967296, 9.3e18, -9.3e18, 1e300, -1e300, "
                            "1e-300, '', 'x', '%s%n%d', '..\\\\..\\\\nowhere', "
                            "'data\\\\missing.tga', '\\255\\254', string.rep('w', 5000), true, {}";
        for (const char* number : kExtremeNumbers)
            plain = plain + ", " + number;
        luaL_loadstring(m_L, plain.c_str());
        lua_call(m_L, 0, LUA_MULTRET);
        for (int i = 1, top = lua_gettop(m_L); i <= top; ++i)
            lua_pushvalue(m_L, i), Keep();
        lua_settop(m_L, 0);
        for (const std::string& table : m_classes) {
            lua_getglobal(m_L, table.c_str());
            lua_getfield(m_L, -1, "new");
            const bool hasNew = lua_iscfunction(m_L, -1);
            lua_pop(m_L, 2);
            for (int i = 0; hasNew && i < 2; ++i)
                Call("Obj=" + table + ":new() return Obj");
        }
        for (const char* make : {"return FxGetExplosionType(0)", "return FxGetExplosionType(3)",
                                 "return TsProjectileAttributes:_Attributes(0)",
                                 "return TsProjectileAttributes:_Attributes(31)", "return TsAccess:Options()"})
            Call(make);
    }

    // The game's holders the stories hand objects to, as globals only (the
    // random calls leave them alone), and a character whose inventory they
    // fill.
    void MakeHolders()
    {
        Publish(m_L, "Db", m_db = new TsEntityDB, "TsEntityDB");
        Publish(m_L, "Talk", m_talk = new TsConversation, "TsConversation");
        Publish(m_L, "Scene", m_scene = new TsCutScene, "TsCutScene");
        Publish(m_L, "Party", m_party = new TsPlayer, "TsPlayer");
        Call("Keeper = TsNPCObject:new() Inv = Keeper:GetInventory()");
        m_stage = std::make_unique<LevelStage>(m_L);
    }

    // Owners the game destroys outright while a script may keep views of
    // their insides: globals Radar, Record and Blast, which the story line
    // EndViewOwners destroys and replaces.
    void MakeViewOwners()
    {
        Publish(m_L, "Radar", (m_radar = std::make_unique<TsRadar>()).get(), "TsRadar");
        Publish(m_L, "Record", (m_record = std::make_unique<TsLevelInfo>()).get(), "TsLevelInfo");
        Publish(m_L, "Blast", (m_blast = std::make_unique<TsExplosionParams>()).get(), "TsExplosionParams");
    }
    static int EndViewOwners(lua_State* L)
    {
        static_cast<Session*>(lua_touserdata(L, lua_upvalueindex(1)))->MakeViewOwners();
        return 0;
    }
    void RegisterViewOwnerEnd()
    {
        lua_pushlightuserdata(m_L, this);
        lua_pushcclosure(m_L, &Session::EndViewOwners, 1);
        lua_setglobal(m_L, "EndViewOwners");
    }

    // The level's order of letting go: the camera, the timers, the
    // conversation, the database, the party, then what the scripts hold.
    void CloseLevel()
    {
        m_radar.reset();
        m_record.reset();
        m_blast.reset();
        m_scene->Release();
        TsTimerTable::Instance().Clear();
        m_talk->Release();
        m_db->Release();
        m_stage.reset();
        m_party->Release();
        TsScriptHandles::DestroyScriptHeld(m_L);
    }

    // Story lines in a row, each at times run twice over as a script calls
    // twice in one tick (a trigger giving each member touching it a key).
    void Story()
    {
        ++m_tally.calls;
        for (uint32_t n = m_choices.Next(6) + 1; n > 0; --n) {
            const char* line = kStoryLines[m_choices.Next(sizeof kStoryLines / sizeof kStoryLines[0])];
            for (uint32_t times = m_choices.Next(3) == 0 ? 2 : 1; times > 0; --times)
                Call(line);
        }
    }

    // Adds the value on top of the stack to the pool (or drops it when the
    // pool is full) and pops it.
    void Keep()
    {
        lua_rawgeti(m_L, LUA_REGISTRYINDEX, m_values);
        const int n = static_cast<int>(lua_objlen(m_L, -1));
        if (n < kMaxValues && !lua_isnil(m_L, -2)) {
            lua_pushvalue(m_L, -2);
            lua_rawseti(m_L, -2, n + 1);
        }
        lua_pop(m_L, 2);
    }

    // Runs a chunk protected, keeping a userdata it returns.
    void Call(const std::string& code)
    {
        const int top = lua_gettop(m_L);
        Watchdog::Instance().Begin(code.c_str());
        if (luaL_loadbuffer(m_L, code.data(), code.size(), "fuzz") == 0 && lua_pcall(m_L, 0, 1, 0) == 0 &&
            lua_isuserdata(m_L, -1))
            Keep();
        Watchdog::Instance().End();
        lua_settop(m_L, top);
    }

    void PushValue()
    {
        lua_rawgeti(m_L, LUA_REGISTRYINDEX, m_values);
        const int n = static_cast<int>(lua_objlen(m_L, -1));
        const uint32_t pick = m_choices.Next(static_cast<uint32_t>(n) + 1);
        pick == 0 ? lua_pushnil(m_L) : lua_rawgeti(m_L, -1, static_cast<int>(pick));
        lua_remove(m_L, -2);
    }

    // A value for self: most often an object of the class or one derived
    // from it, else anything at all.
    void PushSelf(const std::string& table)
    {
        if (m_choices.Next(4) != 0) {
            lua_rawgeti(m_L, LUA_REGISTRYINDEX, m_values);
            const int n = static_cast<int>(lua_objlen(m_L, -1));
            const int start = static_cast<int>(m_choices.Next(static_cast<uint32_t>(n) + 1));
            for (int i = 0; i < n; ++i) {
                lua_rawgeti(m_L, -1, (start + i) % n + 1);
                tolua_Error err;
                if (lua_isuserdata(m_L, -1) && tolua_isusertype(m_L, lua_gettop(m_L), table.c_str(), 0, &err)) {
                    lua_remove(m_L, -2);
                    return;
                }
                lua_pop(m_L, 1);
            }
            lua_pop(m_L, 1);
        }
        if (m_choices.Next(3) == 0)
            lua_getglobal(m_L, table.c_str()); // a static call's class table
        else
            PushValue();
    }

    static int Index(lua_State* L) { return lua_gettable(L, 1), 1; }
    static int Assign(lua_State* L) { return lua_settable(L, 1), 0; }
    void Step()
    {
        const int top = lua_gettop(m_L);
        const uint32_t kind = m_choices.Next(12);
        int args = 0;
        std::string what;
        if (kind >= 10) {
            Story();
            return;
        }
        if (kind < 7 && !m_callables.empty()) {
            const Bound& c = m_callables[m_choices.Next(static_cast<uint32_t>(m_callables.size()))];
            what = c.table + "." + c.name;
            if (c.table.empty()) {
                lua_getglobal(m_L, c.name.c_str());
            } else {
                lua_getglobal(m_L, c.table.c_str());
                lua_getfield(m_L, -1, c.name.c_str());
                lua_remove(m_L, -2);
                PushSelf(c.table);
                ++args;
            }
            for (uint32_t i = m_choices.Next(6); i > 0; --i, ++args)
                PushValue();
        } else if (!m_variables.empty()) {
            const Bound& v = m_variables[m_choices.Next(static_cast<uint32_t>(m_variables.size()))];
            const bool assign = kind >= 8;
            what = v.table + "." + v.name;
            lua_pushcfunction(m_L, assign ? Assign : Index);
            PushSelf(v.table);
            lua_pushstring(m_L, v.name.c_str());
            if (assign)
                PushValue();
            args = assign ? 3 : 2;
        } else {
            return;
        }
        ++m_tally.calls;
        Watchdog::Instance().Begin(what.c_str());
        const int status = lua_pcall(m_L, args, 1, 0);
        Watchdog::Instance().End();
        if (status != 0)
            ++m_tally.refused;
        else if (lua_isuserdata(m_L, -1) && m_choices.Next(2) == 0)
            Keep();
        lua_settop(m_L, top);
    }

    Choices& m_choices;
    Tally& m_tally;
    lua_State* m_L = nullptr;
    TsEntityDB* m_db = nullptr;
    TsConversation* m_talk = nullptr;
    TsCutScene* m_scene = nullptr;
    TsPlayer* m_party = nullptr;
    std::unique_ptr<TsRadar> m_radar;
    std::unique_ptr<TsLevelInfo> m_record;
    std::unique_ptr<TsExplosionParams> m_blast;
    std::unique_ptr<LevelStage> m_stage;
    int m_values = LUA_NOREF;
    std::vector<std::string> m_classes;
    std::vector<Bound> m_callables, m_variables;
};

} // namespace bindingfuzz
