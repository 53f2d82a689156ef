// The demo campaign's mission level played by the real application at
// 800 x 600, in one run:
//   - the mission's tick with every squad active (target under 5 ms),
//     against the demo level's tick measured in the same run;
//   - frames per second of the game's own frame (the level, its effects,
//     the HUD and the radar, as the main loop draws it; target 60 or more),
//     against a frame that only clears and presents, measured beside it in
//     alternating slices so that the ratio holds on a machine that is busy;
//   - heap allocations per frame of the main loop, ticks included (target
//     0), and per tick and per drawn frame on their own; the script heap's
//     blocks are counted beside them;
//   - the main loop while the hall's squad fights the party, for the
//     allocations of what only a fight does (hits, deaths, their effects):
//     none after the fight's first second (target), the window that ends it
//     included; the fight is fought again at ten pacings of the frames, each
//     on the mission loaded afresh, which move its events between frames;
//   - the main loop on every other screen a player sees - the title with its
//     figure, the town, the trade panel, the tutorial, the in-game menu -
//     each against the clear-only frame measured beside it, with its
//     allocations (target 0).
// What a fight draws for the first time is drawn as the level loads, so
// that the GL driver's shader variants are built then.
// With OM_BENCH_FRAME_HASHES set to a file name, it first plays the title,
// the town, the mission, the trade panel in the town and the in-game menu
// over the mission for a fixed number of frames each (the loop's
// 60 Hz pacing; OM_BENCH_HASH_FRAMES, 600 by default) from a fixed random
// seed, and writes one line per frame with a hash of the picture drawn: two
// trees that draw the same pictures write the same file.
// The clock is the application's, moved by hand: a tick is 100 of its
// 1000 units a second, a frame of the 60 Hz loop 16 or 17. Run it from the
// source folder after tools/make-data, on a display (under xvfb-run for
// llvmpipe); it plays in a scratch folder that sees the scripts and data.
#include <benchmark/benchmark.h>

#include <lua.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string_view>
#include <type_traits>

#include "bench/BenchApp.h"
#include "bench/BenchSupport.h"
#include "engine/OmRand.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsConsole.h"
#include "game/framework/TsEntity.h"
#include "game/framework/TsEntityDB.h"
#include "game/framework/TsLevelInfo.h"
#include "game/framework/TsMain.h"
#include "game/level/TsLevel.h"
#include "game/objects/TsCharacterObject.h"
#include "game/objects/TsPlayer.h"
#include "game/objects/TsSquadObject.h"
#include "game/objects/TsTeam.h"
#include "platform/DebugOutput.h"
#include "platform/EventInjection.h"
#include "platform/GfxDevice.h"
#include "platform/KeyCodes.h"
#include "platform/Window.h"
#include "render/OmD3D.h"
#include "testing/ActiveSquads.h"
#include "testing/AllocationCounter.h"
#include "testing/FramePacings.h"
#include "testing/HallFight.h"
#include "testing/ManualClock.h"
#include "testing/ScratchDir.h"
#include "ui/TsFrontEnd.h"
#include "ui/TsGameFrontEnd.h"
#include "ui/TsHUDe.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int64_t kTickUnits = 100;

// The game's script state counts its own heap through its allocation
// function, out of sight of operator new: each block made or grown counts.
struct LuaHeap {
    lua_Alloc inner = nullptr;
    void* user = nullptr;
    uint64_t allocations = 0;
} g_luaHeap;

void* CountLuaBlock(void*, void* block, size_t oldSize, size_t newSize)
{
    if (newSize > oldSize)
        ++g_luaHeap.allocations;
    return g_luaHeap.inner(g_luaHeap.user, block, oldSize, newSize);
}

void CountLuaHeap(lua_State* L)
{
    if (!L)
        return;
    g_luaHeap.inner = lua_getallocf(L, &g_luaHeap.user);
    lua_setallocf(L, &CountLuaBlock, nullptr);
}

// The application with the level being measured; made once and moved from
// the demo level to the mission when a benchmark asks for that.
class Game {
public:
    // The title screen, with its figure, as the application opens on it.
    bool EnterTitle()
    {
        if (failed_)
            return false;
        if (current_ == "title")
            return true;
        Close();
        if (!std::filesystem::exists("data/frontend"))
            return Fail("no demo data here: run tools/make-data, then this from the source folder");
        if (!Start())
            return Fail("the application did not start (no display?)");
        for (int i = 0; i < 30; ++i)
            Step(kTickUnits);
        if (!dynamic_cast<TsFrontEnd*>(app_->GetMode()))
            return Fail("the title screen did not come up");
        current_ = "title";
        return true;
    }

    bool Enter(const char* mission, bool afresh = false)
    {
        if (failed_)
            return false;
        if (current_ == mission && !afresh)
            return true;
        // A level is left for another as a player quits and starts the
        // game again: the application goes, a new one comes.
        Close();
        if (!std::filesystem::exists("data/levels/mission"))
            return Fail("no demo data here: run tools/make-data, then this from the source folder");
        if (!Start())
            return Fail("the application did not start (no display?)");
        if (!app_->StartMission("Ann", "OnNewGame", mission, 0))
            return Fail("the mission could not be started (run tools/make-data from the source folder)");
        app_->RequestMode(TS_MODE_LEVEL);
        Step(10);
        plat::InjectKey(*app_->GetWindow(), plat::kKeySpace, true);
        for (int i = 0; i < 3; ++i)
            Step(kTickUnits);
        TsLevel* level = TsAccess::CurrentLevel();
        if (!level || !level->GetWorld())
            return Fail("the level did not load");
        // A new mission opens on its objective page and waits under it.
        level->ActivateIngameFrontEnd(false);
        Step(kTickUnits);
        Step(kTickUnits);
        squads_ = ActivateSquads();
        // A new game started on this level leaves the party's squad without
        // a team (the demo's scripts give it one when a party comes from
        // another level), and nobody is the enemy of a squad without one:
        // it gets the player's team, as in the campaign.
        hallfight::GiveThePartyItsTeam(*TsAccess::CurrentLevel());
        CountLuaHeap(TsAccess::LuaState());
        // Past the opening cut scene, with the patrol under way.
        for (int i = 0; i < 300; ++i)
            app_->Tick();
        current_ = mission;
        return true;
    }

    // One pass of the main loop after the clock moved by the given units.
    void Step(int64_t units)
    {
        clock_->Advance(units);
        app_->Step();
    }
    void Tick() { app_->Tick(); }

    // What the main loop draws when there is no mode: a cleared frame.
    void ClearFrame()
    {
        OmD3D* renderer = OmD3D::Instance();
        renderer->Clear(nullptr, 0);
        if (renderer->BeginScene(app_->GetRenderTime())) {
            renderer->EndScene();
            renderer->Present();
        }
    }

    int Squads() const { return squads_; }
    static TsEntity* Find(const char* name) { return hallfight::Find(*TsAccess::CurrentLevel(), name); }
    // The party's and the hall squad's health added up.
    static float Health()
    {
        float sum = 0.0f;
        for (const char* name : {"Ann", "Bob", "guard1", "guard2", "guard3"}) {
            const auto* character = dynamic_cast<const TsCharacterObject*>(Find(name));
            sum += character ? character->GetHealth() : 0.0f;
        }
        return sum;
    }
    // Where the named entity stands (the origin when there is none).
    static OmVector3 PositionOf(const char* name)
    {
        const TsEntity* entity = Find(name);
        return entity ? entity->GetPosition() : OmVector3();
    }
    bool Paused() const { return TsAccess::CurrentLevel() && TsAccess::CurrentLevel()->IsPaused(); }
    const char* Why() const { return why_; }

    void Close()
    {
        current_.clear();
        app_.reset();
        clock_.reset();
        scratch_.reset();
    }

private:
    bool Start() { return bench::StartApp(scratch_, clock_, app_, kWidth, kHeight); }

    static int ActivateSquads() { return ForceOtherSquadsActive(*TsAccess::CurrentLevel()); }

    bool Fail(const char* why)
    {
        failed_ = true;
        why_ = why;
        return false;
    }

    std::unique_ptr<ScratchDir> scratch_;
    std::unique_ptr<ManualClock> clock_;
    std::unique_ptr<TsMain> app_;
    std::string current_;
    int squads_ = 0;
    bool failed_ = false;
    const char* why_ = "";
};

Game& Shared()
{
    static Game game;
    return game;
}

bool Ready(benchmark::State& state, const char* mission)
{
    if (std::string_view(mission) == "title" ? Shared().EnterTitle() : Shared().Enter(mission))
        return true;
    state.SkipWithError(Shared().Why());
    return false;
}

// Heap allocations per round of a benchmark: through operator new, and
// blocks the script state made or grew.
struct Allocations {
    double heap = 0.0, lua = 0.0;
};

// Runs the body once per iteration and reports allocations per iteration;
// a few rounds first let what lasts be made (buffers, programs, queues).
// What `aside` does after each round is neither counted nor timed.
constexpr int kWarmUpRounds = 6;
struct NoAside {
    void operator()() const {}
};
template <class Body, class Aside = NoAside>
Allocations CountAllocations(benchmark::State& state, Body body, Aside aside = {})
{
    for (int i = 0; i < kWarmUpRounds; ++i)
        body(i);
    const uint64_t before = testalloc::Counted();
    const uint64_t luaBefore = g_luaHeap.allocations;
    uint64_t asideHeap = 0, asideLua = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        body(int(rounds++));
        if constexpr (!std::is_same_v<Aside, NoAside>) {
            state.PauseTiming();
            const uint64_t heap = testalloc::Counted(), lua = g_luaHeap.allocations;
            aside();
            asideHeap += testalloc::Counted() - heap;
            asideLua += g_luaHeap.allocations - lua;
            state.ResumeTiming();
        }
    }
    Allocations counted;
    if (rounds > 0) {
        counted.heap = double(testalloc::Counted() - before - asideHeap) / double(rounds);
        counted.lua = double(g_luaHeap.allocations - luaBefore - asideLua) / double(rounds);
    }
    state.counters["allocations"] = counted.heap;
    state.counters["lua_blocks"] = counted.lua;
    return counted;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A frame's cost is given against the cheapest frame the device can draw,
// the clear-only frame, measured beside it: a frame drawn on a machine that
// something else slows is compared with clear-only frames slowed alike.
// The two take turns in slices of half a second. The body's frames are
// timed by hand, so that only they count as the benchmark's time; its frame
// rate and the reference's go to the counters "fps" and "reference_fps".
template <class Body>
Allocations CountFrames(benchmark::State& state, Body body)
{
    constexpr double kSlice = 0.5;
    double sliceSeconds = 0.0, frameSeconds = 0.0, referenceSeconds = 0.0;
    int64_t frames = 0, references = 0;
    int calls = 0;
    const auto timedBody = [&](int i) {
        const auto start = std::chrono::steady_clock::now();
        body(i);
        if (++calls <= kWarmUpRounds)
            return;
        const double seconds = SecondsSince(start);
        state.SetIterationTime(seconds);
        frameSeconds += seconds;
        sliceSeconds += seconds;
        ++frames;
    };
    const auto reference = [&] {
        if (sliceSeconds < kSlice)
            return;
        const auto start = std::chrono::steady_clock::now();
        for (double spent = 0.0; spent < sliceSeconds; spent = SecondsSince(start)) {
            Shared().ClearFrame();
            ++references;
        }
        referenceSeconds += SecondsSince(start);
        sliceSeconds = 0.0;
        // A frame shown without the device's kept pass lets the kept picture
        // go, so the screen's next two frames make it again (the first
        // records the pass, the second keeps its picture), as a level's first
        // frames do: they are drawn here, neither timed nor counted, with the
        // clock standing, so that the game the body plays (a fight of a
        // fixed length, its orders, its tally of frames) sees only its own
        // frames however many slices the machine's speed makes.
        for (int prime = 0; prime < 2; ++prime)
            Shared().Step(0);
    };
    const Allocations counted = CountAllocations(state, timedBody, reference);
    state.counters["fps"] = frameSeconds > 0.0 ? double(frames) / frameSeconds : 0.0;
    state.counters["reference_fps"] = referenceSeconds > 0.0 ? double(references) / referenceSeconds : 0.0;
    return counted;
}

struct Figures {
    Allocations demoTick, tick, render, loop, fight;
    float healthBeforeFight = 0.0f, healthAfterFight = 0.0f;
    int fightFramesAllocating = 0;
    // After the fight's first second, apart from the frame in which the
    // window that ends it opened (the won message, the game-over question).
    int lateFightFramesAllocating = 0;
    int endWindowFrame = -1;
    uint64_t endWindowAllocations = 0;
    uint32_t triangles = 0, alphaTriangles = 0, textureChanges = 0; // of the last drawn frame
    int squads = 0, demoSquads = 0;
    float walked = 0.0f; // by the first guard while the mission ticked
    bool paused = false, demoPaused = false;
} g_figures;

void BM_DemoLevelTick(benchmark::State& state)
{
    if (!Ready(state, "demo"))
        return;
    g_figures.demoTick = CountAllocations(state, [](int) { Shared().Tick(); });
    g_figures.demoSquads = Shared().Squads();
    g_figures.demoPaused = Shared().Paused();
}

void BM_MissionTick(benchmark::State& state)
{
    if (!Ready(state, "mission"))
        return;
    const OmVector3 posted = Game::PositionOf("guard1");
    g_figures.tick = CountAllocations(state, [](int) { Shared().Tick(); });
    g_figures.walked = (Game::PositionOf("guard1") - posted).Length();
    g_figures.squads = Shared().Squads();
    g_figures.paused = Shared().Paused();
}

// The main loop's frame with the clock standing: the level drawn, no tick.
void BM_MissionFrame(benchmark::State& state)
{
    if (!Ready(state, "mission"))
        return;
    g_figures.render = CountFrames(state, [](int) { Shared().Step(0); });
    const OmRenderStats* stats = OmD3D::Instance()->GetFrameStats();
    g_figures.triangles = stats->words[OmRenderStats::kPrimitives];
    g_figures.alphaTriangles = stats->words[OmRenderStats::kAlphaPrimitives];
    g_figures.textureChanges = stats->words[OmRenderStats::kTextureChanges];
}

// The main loop at 60 frames a game second: a tick every sixth frame.
void BM_MissionGameLoop(benchmark::State& state)
{
    if (Ready(state, "mission"))
        g_figures.loop = CountFrames(state, [](int i) { Shared().Step(i % 3 == 2 ? 16 : 17); });
}

// A window over the level: the won message, the game-over question.
bool WindowOpen()
{
    return TsAccess::GameFrontEnd() && TsAccess::GameFrontEnd()->HasOpenWindows();
}

// The hall's squad brought into the party's room: the main loop while they
// fight, a fixed 15 game seconds of it so that every run sees the same fight.
void BM_MissionFight(benchmark::State& state)
{
    // On the mission loaded afresh: the patrol stands where it stood at the
    // start, however many ticks the benchmarks before it ran.
    if (!Shared().Enter("mission", true)) {
        state.SkipWithError(Shared().Why());
        return;
    }
    hallfight::BringTheHallSquadIn(*TsAccess::CurrentLevel());
    g_figures.healthBeforeFight = Game::Health();
    int frame = 0;
    g_figures.fight = CountFrames(state, [&frame](int i) {
        if (i % 6 == 0)
            hallfight::OrderAttacks(*TsAccess::CurrentLevel());
        const bool hadWindow = WindowOpen();
        const uint64_t before = testalloc::Counted();
        Shared().Step(i % 3 == 2 ? 16 : 17);
        const uint64_t made = testalloc::Counted() - before;
        const bool endWindow = !hadWindow && WindowOpen();
        if (endWindow) {
            g_figures.endWindowFrame = frame;
            g_figures.endWindowAllocations = made;
        }
        if (made > 0) {
            ++g_figures.fightFramesAllocating;
            if (frame >= 60 && !endWindow)
                ++g_figures.lateFightFramesAllocating;
        }
        ++frame;
    });
    g_figures.healthAfterFight = Game::Health();
}

// A fight on the mission loaded afresh, at a pacing of the frames, until a
// window ends it (the won message, the game-over question) or 40 game
// seconds: the frames after its first second that allocated, and the
// allocations of the frame whose window ended it.
struct PacedFight {
    int frames = 0, lateFrames = 0;
    uint64_t lateAllocations = 0, endAllocations = 0;
    bool ended = false;
};
PacedFight g_pacedFights[16];

PacedFight FightAt(const Pacing& pacing)
{
    PacedFight fight;
    if (!Shared().Enter("mission", true))
        return fight;
    TsLevel& level = *TsAccess::CurrentLevel();
    hallfight::BringTheHallSquadIn(level);
    int64_t elapsed = 0, ordered = -kTickUnits;
    for (; elapsed < 40 * 1000 && !fight.ended; ++fight.frames) {
        if (elapsed - ordered >= kTickUnits && !level.IsPaused()) {
            hallfight::OrderAttacks(level);
            ordered = elapsed;
        }
        const int64_t units = pacing.frames[size_t(fight.frames) % pacing.frames.size()];
        const uint64_t before = testalloc::Counted();
        Shared().Step(units);
        const uint64_t made = testalloc::Counted() - before;
        fight.ended = WindowOpen();
        if (fight.ended) {
            fight.endAllocations = made;
        } else if (elapsed >= 1000 && made > 0) {
            ++fight.lateFrames;
            fight.lateAllocations += made;
        }
        elapsed += units;
    }
    return fight;
}

void FightAtPacings()
{
    for (size_t i = 0; i < FramePacings().size() && i < std::size(g_pacedFights); ++i)
        g_pacedFights[i] = FightAt(FramePacings()[i]);
}

// The main loop at 60 frames a second on one screen, set up by open and
// left by close; its allocations go under the screen's name.
struct Screen {
    const char* name;
    const char* level;
    void (*open)();
    void (*close)();
    Allocations counted;
    uint64_t drawCalls = 0, drawsSent = 0; // of one frame: the device's draw calls, OpenGL's draws
};

uint64_t DeviceDrawCalls(const plat::GfxDevice& device)
{
    return device.CallCount(plat::GfxCall::DrawPrimitive) + device.CallCount(plat::GfxCall::DrawIndexedPrimitive)
        + device.CallCount(plat::GfxCall::DrawPrimitiveUP) + device.CallCount(plat::GfxCall::DrawIndexedPrimitiveUP);
}

// The draws of one more frame of the screen.
void CountDraws(Screen& screen)
{
    plat::GfxDevice* device = OmD3D::Instance() ? OmD3D::Instance()->GetDevice() : nullptr;
    if (!device)
        return;
    const uint64_t calls = DeviceDrawCalls(*device), sent = device->DrawsSent();
    Shared().Step(17);
    screen.drawCalls = DeviceDrawCalls(*device) - calls;
    screen.drawsSent = device->DrawsSent() - sent;
}

void OpenTradePanel()
{
    TsHUDe* hud = TsAccess::CurrentLevel()->GetHUD();
    hud->SetTrader(dynamic_cast<TsCharacterObject*>(Game::Find("WeaponTrader")));
    hud->SetTradePanelVisible(true);
}
void CloseTradePanel()
{
    TsHUDe* hud = TsAccess::CurrentLevel()->GetHUD();
    hud->SetTradePanelVisible(false);
    hud->SetTrader(nullptr);
}
void OpenInGameMenu() { TsAccess::CurrentLevel()->ActivateIngameFrontEnd(true); }
void CloseInGameMenu() { TsAccess::CurrentLevel()->ActivateIngameFrontEnd(false); }
void Nothing() {}

Screen g_screens[] = {
    {"title, with its figure", "title", &Nothing, &Nothing, {}},
    {"town", "town", &Nothing, &Nothing, {}},
    {"trade panel (town)", "town", &OpenTradePanel, &CloseTradePanel, {}},
    {"tutorial", "Tutorial", &Nothing, &Nothing, {}},
    {"in-game menu (mission)", "mission", &OpenInGameMenu, &CloseInGameMenu, {}},
};

void BM_Screen(benchmark::State& state)
{
    Screen& screen = g_screens[state.range(0)];
    if (!Ready(state, screen.level))
        return;
    state.SetLabel(screen.name);
    screen.open();
    screen.counted = CountFrames(state, [](int i) { Shared().Step(i % 3 == 2 ? 16 : 17); });
    CountDraws(screen);
    screen.close();
}

// The title's interference comes in episodes of up to four seconds, with
// pauses of up to eight between them, and while one lasts its three passes
// cost nearly three times the one: two seconds catch anything from none of
// an episode to all of one, and the figure moves with that share by a
// tenth. The title is measured over a few episodes and pauses.
BENCHMARK(BM_Screen)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(15.0)->UseManualTime();
BENCHMARK(BM_Screen)->DenseRange(1, 3)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();
BENCHMARK(BM_DemoLevelTick)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_MissionTick)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_MissionFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();
BENCHMARK(BM_MissionGameLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();
BENCHMARK(BM_Screen)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();
BENCHMARK(BM_MissionFight)->Unit(benchmark::kMillisecond)->Iterations(900)->UseManualTime();

// A figure with its ratio to a reference: for a frame rate, the clear-only
// frame's measured beside it.
void PrintLine(const char* what, double value, const char* unit, double reference, const Allocations& counted,
               const char* target)
{
    std::printf("  %-30s %8.3f %-3s", what, value, unit);
    if (reference > 0.0)
        std::printf("  ratio %6.3f of %7.1f", value / reference, reference);
    else
        std::printf("  %22s", "(reference)");
    std::printf("  %5.2f allocations, %5.2f script blocks  %s\n", counted.heap, counted.lua, target);
}

void PrintFigures(const bench::RunReporter& reporter)
{
    const double demoTick = reporter.Time("BM_DemoLevelTick");
    const double tick = reporter.Time("BM_MissionTick");
    const double frame = reporter.Fps("BM_MissionFrame");
    const double loop = reporter.Fps("BM_MissionGameLoop");
    std::printf("\nThe mission level at %d x %d, %d error(s) logged, per tick or frame:\n", kWidth, kHeight, bench::g_loggedErrors);
    if (demoTick > 0.0 && tick > 0.0) {
        PrintLine("demo level tick", demoTick, "ms", 0.0, g_figures.demoTick, g_figures.demoPaused ? "PAUSED" : "");
        PrintLine("mission tick", tick, "ms", demoTick, g_figures.tick,
                  g_figures.paused ? "PAUSED" : "(target under 5 ms, 0 allocations)");
        std::printf("  (%d squad(s) kept active on the mission, %d on the demo level; the first guard ended\n"
                    "  %.1f units from where the ticks began)\n",
                    g_figures.squads, g_figures.demoSquads, g_figures.walked);
    }
    std::printf("  (each frame rate is given as a ratio of the clear-only frame's, measured beside it)\n");
    if (frame > 0.0)
        PrintLine("mission frame, drawn", frame, "fps", reporter.ReferenceFps("BM_MissionFrame"), g_figures.render,
                  "(target 60 fps, 0 allocations)");
    if (frame > 0.0) {
        const char* threads = std::getenv("LP_NUM_THREADS");
        std::printf("  (a frame: %u triangles, %u of them blended, %u texture changes; llvmpipe threads: %s)\n",
                    g_figures.triangles, g_figures.alphaTriangles, g_figures.textureChanges,
                    threads ? threads : "its default");
    }
    if (loop > 0.0)
        PrintLine("main loop, a tick every 6th", loop, "fps", reporter.ReferenceFps("BM_MissionGameLoop"),
                  g_figures.loop, "(0 allocations)");
    const double fight = reporter.Fps("BM_MissionFight");
    if (fight > 0.0) {
        PrintLine("main loop in a fight", fight, "fps", reporter.ReferenceFps("BM_MissionFight"), g_figures.fight, "");
        std::printf("  (%d of the fight's frames allocated, %d of them after its first second (target 0);\n"
                    "  the party's and the squad's health added up to %.0f before the fight, %.0f after)\n",
                    g_figures.fightFramesAllocating, g_figures.lateFightFramesAllocating,
                    double(g_figures.healthBeforeFight), double(g_figures.healthAfterFight));
        if (g_figures.endWindowFrame >= 0)
            std::printf("  (the window that ends the fight opened in frame %d with %llu allocations)\n",
                        g_figures.endWindowFrame, static_cast<unsigned long long>(g_figures.endWindowAllocations));
    }
    std::printf("  The fight at ten pacings, each on the mission loaded afresh (target 0 and 0):\n");
    for (size_t i = 0; i < FramePacings().size() && i < std::size(g_pacedFights); ++i) {
        const PacedFight& fight = g_pacedFights[i];
        std::printf("    %-13s %5d frames, %d after the first second allocated (%llu allocations); %s %llu\n",
                    FramePacings()[i].name, fight.frames, fight.lateFrames,
                    static_cast<unsigned long long>(fight.lateAllocations),
                    fight.ended ? "the ending window's frame" : "NOT ENDED, last frame",
                    static_cast<unsigned long long>(fight.endAllocations));
    }
    for (int i = 0; i < int(std::size(g_screens)); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "BM_Screen/%d", i);
        const double fps = reporter.Fps(name);
        if (fps > 0.0) {
            PrintLine(g_screens[i].name, fps, "fps", reporter.ReferenceFps(name), g_screens[i].counted,
                      "(0 allocations)");
            std::printf("  (a frame: %llu draw calls to the device, %llu draws sent to OpenGL)\n",
                        static_cast<unsigned long long>(g_screens[i].drawCalls),
                        static_cast<unsigned long long>(g_screens[i].drawsSent));
        }
    }
}

// FNV-1a over the colour of the back buffer as the last frame left it
// (Present copies it out and leaves it be until the next frame draws). The
// picture is its red, green and blue: the game's back buffer has no alpha
// (X8R8G8B8), whatever the stand-in's storage keeps there.
uint64_t PictureHash(std::vector<uint8_t>& pixels)
{
    plat::GfxDevice* device = OmD3D::Instance() ? OmD3D::Instance()->GetDevice() : nullptr;
    if (!device)
        return 0;
    pixels.resize(size_t(kWidth) * kHeight * 4);
    device->ReadBackBuffer(pixels.data());
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < pixels.size(); ++i)
        if (i % 4 != 3) // B, G, R, A in memory
            hash = (hash ^ pixels[i]) * 1099511628211ull;
    return hash;
}

// The pictures of a fixed run of each screen, a line per frame.
void WriteFrameHashes(const char* path)
{
    FILE* out = std::fopen(path, "w");
    if (!out) {
        std::printf("cannot write the frame hashes to %s\n", path);
        return;
    }
    const char* count = std::getenv("OM_BENCH_HASH_FRAMES");
    const int frames = count ? std::max(1, std::atoi(count)) : 600;
    std::vector<uint8_t> pixels;
    for (const char* screen : {"title", "town", "mission"}) {
        OmSRand(1);
        std::srand(1);
        const bool ready = std::string_view(screen) == "title" ? Shared().EnterTitle() : Shared().Enter(screen);
        if (!ready) {
            std::printf("frame hashes: %s did not open: %s\n", screen, Shared().Why());
            break;
        }
        for (int i = 0; i < frames; ++i) {
            Shared().Step(i % 3 == 2 ? 16 : 17);
            std::fprintf(out, "%s %d %016llx\n", screen, i, static_cast<unsigned long long>(PictureHash(pixels)));
        }
    }
    // The panels over a level: the trade panel in the town, the menu over the mission.
    struct Panel {
        const char* name;
        const char* level;
        void (*open)();
        void (*close)();
    };
    for (const Panel& panel : {Panel{"trade", "town", &OpenTradePanel, &CloseTradePanel},
                               Panel{"menu", "mission", &OpenInGameMenu, &CloseInGameMenu}}) {
        OmSRand(1);
        std::srand(1);
        if (!Shared().Enter(panel.level)) {
            std::printf("frame hashes: %s did not open: %s\n", panel.level, Shared().Why());
            break;
        }
        panel.open();
        for (int i = 0; i < frames; ++i) {
            Shared().Step(i % 3 == 2 ? 16 : 17);
            std::fprintf(out, "%s %d %016llx\n", panel.name, i, static_cast<unsigned long long>(PictureHash(pixels)));
        }
        panel.close();
    }
    Shared().Close();
    std::fclose(out);
}

// The counter must see the game's allocations for a 0 to mean anything.
bool CounterCounts()
{
    const uint64_t before = testalloc::Counted();
    int* probe = new int(1);
    benchmark::DoNotOptimize(probe);
    delete probe;
    return testalloc::Counted() > before;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    testalloc::CountEveryThread(true);
    plat::SetDebugOutputHook([](std::string_view) {});
    TsConsole::SetHook(&bench::CountLoggedError, nullptr);
    if (!CounterCounts())
        std::printf("The allocation counter counts nothing: the allocation figures mean nothing\n");
    if (const char* hashes = std::getenv("OM_BENCH_FRAME_HASHES"))
        WriteFrameHashes(hashes);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    FightAtPacings();
    PrintFigures(reporter);
    Shared().Close();
    TsConsole::SetHook(nullptr, nullptr);
    benchmark::Shutdown();
    return 0;
}
