// The level's tick with a crowd: 10, 100 and 1,000 characters in squads of
// ten (two squads of five for the ten), every other squad on a team hostile
// to the rest, all of them active, on a flat field 3.5 units a head wide
// laid beside the demo level (an AI map of its own, so every character can
// plan its way). The figures: milliseconds a tick for each count and the
// growth from 100 to 1,000; targets under 10 ms for 1,000 (a tenth of the
// 100 ms tick) and growth no worse than 15 times.
//
// Each count plays in a fresh application on the demo level, run by the
// game's own tick; run it from the source folder after tools/make-data, on
// a display (under xvfb-run for llvmpipe).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bench/BenchApp.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAnimationDB.h"
#include "game/framework/TsConsole.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsMain.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsNPCObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "game/world/TsAIMap.h"
#include "game/world/TsWorld.h"
#include "game/world/TsWorldAIMap.h"
#include "platform/DebugOutput.h"
#include "platform/EventInjection.h"
#include "platform/KeyCodes.h"
#include "platform/Window.h"
#include "testing/ManualClock.h"
#include "testing/ScratchDir.h"
#include "ui/TsFrontEnd.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int64_t kTickUnits = 100;
// The field: 250 tiles of half a unit each way, beside the demo's rooms
// (which end at 20), inside the pathfinder's 256-tile window.
constexpr float kFieldOrigin = 30.0f;
constexpr int32_t kFieldTiles = 250;
constexpr float kTileSize = 0.5f;
constexpr float kSpacing = 3.5f;
constexpr int32_t kTeams[2] = {21, 22};
constexpr int kWarmTicks = 30;
constexpr int kMeasuredTicks = 200;
constexpr int kLaterTicks = 600;

// FNV-1a over the bytes of what the crowd's state is made of.
class StateHash {
public:
    template <class T>
    void Add(const T& value)
    {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
        for (size_t i = 0; i < sizeof value; ++i)
            m_hash = (m_hash ^ bytes[i]) * 1099511628211ull;
    }
    uint64_t Get() const { return m_hash; }

private:
    uint64_t m_hash = 14695981039346656037ull;
};

// The demo level in a fresh application, with the field laid beside it.
class Arena {
public:
    bool Open()
    {
        if (!bench::StartApp(scratch_, clock_, app_, kWidth, kHeight))
            return false;
        if (!app_->StartMission("Ann", "OnNewGame", "demo", 0))
            return false;
        app_->RequestMode(TS_MODE_LEVEL);
        Step(10);
        plat::InjectKey(*app_->GetWindow(), plat::kKeySpace, true);
        for (int i = 0; i < 3; ++i)
            Step(kTickUnits);
        TsLevel* level = TsAccess::CurrentLevel();
        if (!level || !level->GetWorld())
            return false;
        level->ActivateIngameFrontEnd(false);
        Step(kTickUnits);
        return LayField(*level->GetWorld());
    }

    void Close()
    {
        app_.reset();
        clock_.reset();
        scratch_.reset();
    }

    // Count characters on the field, squads of ten, neighbouring squads on
    // hostile teams; the party stands in the middle, where the camera and
    // the pathfinder's window follow it.
    void Populate(int count)
    {
        TsLevel* level = TsAccess::CurrentLevel();
        TsEntityDB* db = level->GetEntityDB();
        for (int t = 0; t < 2; ++t) {
            auto* team = new TsTeam;
            team->SetTeamID(kTeams[t]);
            team->SetAlliance(kTeams[1 - t], TS_ALLIANCE_HOSTILE);
            db->AddObject(OmRef<TsObject>::Adopt(team));
        }
        const int perSquad = std::min(10, count / 2);
        const int columns = int(std::ceil(std::sqrt(double(count))));
        const float side = float(columns - 1) * kSpacing;
        const float centre = kFieldOrigin + 0.5f * kTileSize * float(kFieldTiles);
        const float first = centre - 0.5f * side;
        for (int k = 0; k < count; ++k) {
            auto* c = new TsNPCObject;
            c->SetName(("crowd" + std::to_string(k)).c_str());
            c->SetMdl("walker.pbf");
            c->SetAnimationClass(0);
            c->SetRadius(0.3f);
            c->SetHeight(1.8f);
            c->SetMaxHealth(1.0e6f);
            c->SetHealth(1.0e6f);
            c->SetOrigin(first + float(k % columns) * kSpacing, 0.0f, first + float(k / columns) * kSpacing);
            c->SetDirection(k % 2 ? 1.0f : -1.0f, 0.0f);
            c->SetSquadIndex(100 + k / perSquad);
            c->ForceActive();
            db->AddEntity(OmRef<TsEntity>::Adopt(c));
            c->Initialise();
        }
        for (int s = 0; s < count / perSquad; ++s) {
            auto* squad = new TsSquadObject;
            squad->SetName(("squad" + std::to_string(s)).c_str());
            squad->SetIndex(100 + s);
            squad->SetTeam(kTeams[s % 2]);
            squad->SetBehaviour(TS_BEHAVIOUR_ATTACK);
            squad->SetOrigin(centre, 0.0f, centre);
            squad->SetRange(0.5f * side);
            db->AddObject(OmRef<TsObject>::Adopt(squad));
            squad->Import();
            squad->ForceActive(false);
        }
        TsAccess::AnimDB()->LoadAnimations();
        TsPlayer* player = TsAccess::LocalPlayer();
        for (int i = 0; player && i < player->GetCharacterCount(); ++i)
            if (TsEntity* pc = player->GetCharacterAt(i))
                pc->SetPosition(centre + float(i), 0.0f, centre);
    }

    // The mean time of a tick of the game, in milliseconds: as the clock
    // on the wall and as the processor spent it on this thread (which a
    // machine shared with other work inflates far less).
    struct TickTime {
        double wall = 0.0;
        double cpu = 0.0;
    };
    TickTime MeasureTick()
    {
        for (int i = 0; i < kWarmTicks; ++i)
            app_->Tick();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuMs();
        for (int i = 0; i < kMeasuredTicks; ++i)
            app_->Tick();
        const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
        return {spent.count() / kMeasuredTicks, (ThreadCpuMs() - cpuStart) / kMeasuredTicks};
    }

    // Runs more ticks of the game.
    void Run(int ticks)
    {
        for (int i = 0; i < ticks; ++i)
            app_->Tick();
    }

    // The crowd's state as one number. Entities are named by their place
    // in the database's list, which is the same in every run.
    static uint64_t HashState()
    {
        TsEntityDB* db = TsAccess::CurrentLevel()->GetEntityDB();
        std::unordered_map<const TsEntity*, int32_t> ordinal;
        for (OmList::Node* n = db->GetEntities().GetFirst(); n; n = n->next)
            ordinal.emplace(static_cast<const TsEntity*>(static_cast<TsObject*>(n->value)), int32_t(ordinal.size()));
        auto id = [&](const TsEntity* e) {
            const auto it = e ? ordinal.find(e) : ordinal.end();
            return it == ordinal.end() ? (e ? -2 : -1) : it->second;
        };
        StateHash hash;
        for (OmList::Node* n = db->GetCharacters().GetFirst(); n; n = n->next) {
            const auto* c = TsCharacterObject::Cast(static_cast<TsObject*>(n->value));
            if (!c)
                continue;
            hash.Add(id(c));
            hash.Add(c->GetPosition());
            hash.Add(c->GetHeading());
            hash.Add(c->GetLifeState());
            hash.Add(c->GetActionState());
            hash.Add(c->GetPendingCommand());
            hash.Add(c->GetHealth());
            hash.Add(c->GetTickCounter());
            hash.Add(c->GetBasePoint());
            hash.Add(id(c->GetFirstTarget()));
            hash.Add(id(c->GetLockedTarget()));
            hash.Add(id(c->GetAssignedTarget()));
            const OmArray<TsCharacterObject::Neighbour>& neighbours = c->GetNeighbours();
            hash.Add(neighbours.GetCount());
            for (uint32_t i = 0; i < neighbours.GetCount(); ++i) {
                hash.Add(id(neighbours[i].entity));
                hash.Add(neighbours[i].separation);
            }
        }
        for (OmList::Node* n = db->GetSquads().GetFirst(); n; n = n->next) {
            const auto* squad = TsSquadObject::Cast(static_cast<TsObject*>(n->value));
            if (!squad)
                continue;
            hash.Add(squad->GetIndex());
            hash.Add(squad->GetEffectiveBehaviour());
            hash.Add(squad->GetThreatCount());
            const OmArray<TsSquadObject::Threat>& threats = squad->GetThreats();
            hash.Add(threats.GetCount());
            for (uint32_t i = 0; i < threats.GetCount(); ++i) {
                hash.Add(id(threats[i].entity));
                hash.Add(threats[i].attackers);
                hash.Add(threats[i].seen);
                hash.Add(threats[i].ticksLeft);
            }
        }
        return hash.Get();
    }

    // How many of the crowd have an enemy in their sights or their squad's
    // threats: a crowd that does not fight measures nothing.
    static int Engaged()
    {
        int engaged = 0;
        TsEntityDB* db = TsAccess::CurrentLevel()->GetEntityDB();
        for (OmList::Node* n = db->GetSquads().GetFirst(); n; n = n->next) {
            auto* squad = TsSquadObject::Cast(static_cast<TsObject*>(n->value));
            if (squad && squad->GetIndex() >= 100 && squad->GetThreatCount() > 0)
                engaged += squad->AliveMemberCount();
        }
        return engaged;
    }

private:
    static double ThreadCpuMs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
    }

    void Step(int64_t units)
    {
        clock_->Advance(units);
        app_->Step();
    }

    static bool LayField(TsWorld& world)
    {
        TsAIMap field;
        field.aiMapOrigin.Set(kFieldOrigin, 0.0f, kFieldOrigin);
        field.aiTileSize = kTileSize;
        field.aiTileSizeInverse = 1.0f / kTileSize;
        field.aiRows = field.aiColumns = kFieldTiles;
        field.aiLastColumn = field.aiLastRow = kFieldTiles - 1;
        field.codes.Resize(uint32_t(kFieldTiles * kFieldTiles));
        for (int32_t row = 0; row < kFieldTiles; ++row)
            for (int32_t column = 0; column < kFieldTiles; ++column) {
                const bool edge = row == 0 || column == 0 || row == kFieldTiles - 1 || column == kFieldTiles - 1;
                field.codes.Set(uint32_t(row * kFieldTiles + column), edge ? TS_AITILE_BLOCKED : TS_AITILE_CLEAR);
            }
        return TsWorldAIMap::Install(world, std::move(field));
    }

    std::unique_ptr<ScratchDir> scratch_;
    std::unique_ptr<ManualClock> clock_;
    std::unique_ptr<TsMain> app_;
};

} // namespace

int main()
{
    plat::SetDebugOutputHook([](std::string_view) {});
    TsConsole::SetHook(&bench::CountLoggedError, nullptr);
    if (!fs::exists("data/levels/demo")) {
        std::printf("No demo data here: run tools/make-data, then this from the source folder\n");
        return 1;
    }
    const int counts[3] = {10, 100, 1000};
    double ms[3] = {};
    double cpu[3] = {};
    for (int i = 0; i < 3; ++i) {
        Arena arena;
        if (!arena.Open()) {
            std::printf("The demo level did not open (no display?)\n");
            return 1;
        }
        arena.Populate(counts[i]);
        const Arena::TickTime time = arena.MeasureTick();
        ms[i] = time.wall;
        cpu[i] = time.cpu;
        const int engaged = Arena::Engaged();
        const uint64_t measured = Arena::HashState();
        arena.Run(kLaterTicks);
        const uint64_t later = Arena::HashState();
        std::printf("%5d characters: %8.3f ms a tick, %8.3f ms of processor time (%d of them engaged); state after "
                    "%d ticks %016llx, after %d %016llx\n",
                    counts[i], ms[i], cpu[i], engaged, kWarmTicks + kMeasuredTicks, static_cast<unsigned long long>(measured),
                    kWarmTicks + kMeasuredTicks + kLaterTicks, static_cast<unsigned long long>(later));
        arena.Close();
    }
    const double growth = ms[2] / std::max(ms[1], 1e-9);
    std::printf("growth from 100 to 1,000 characters: %.2fx (%.2fx in processor time)\n", growth,
                cpu[2] / std::max(cpu[1], 1e-9));
    std::printf("target: 1,000 characters under 5 ms a tick: %s; growth no worse than 14x: %s\n",
                ms[2] < 5.0 ? "met" : "missed", growth <= 14.0 ? "met" : "missed");
    if (bench::g_loggedErrors > 0)
        std::printf("%d errors were logged: the figures are suspect\n", bench::g_loggedErrors);
    TsConsole::SetHook(nullptr, nullptr);
    return 0;
}
