// Cost of a script wrapper: one million script calls of GetX(v), whose
// wrapper tests its one argument's class and the absence of a second,
// against bare Lua C functions that read the same vector and push the same
// number: one that checks the argument the usual way (luaL_checkudata) and
// one that trusts it blindly. Prints both ratios.

#include "bench/BenchSupport.h"
#include "engine/OmVector3.h"
#include "script/GameBindings.h"
#include "script/ScriptWrap.h"

#include <benchmark/benchmark.h>
#include <lauxlib.h>
#include <lualib.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kCalls = 1000000;

int BareGetX(lua_State* L)
{
    const OmVector3* v = *static_cast<OmVector3**>(lua_touserdata(L, 1));
    lua_pushnumber(L, v->x);
    return 1;
}

int CheckedGetX(lua_State* L)
{
    const OmVector3* v = *static_cast<OmVector3**>(luaL_checkudata(L, 1, "OmVector3"));
    lua_pushnumber(L, v->x);
    return 1;
}

lua_State* OpenState()
{
    lua_State* L = luaL_newstate();
    for (lua_CFunction lib : {luaopen_base, luaopen_string, luaopen_math}) {
        lua_pushcfunction(L, lib);
        lua_call(L, 0, 0);
    }
    tolua_game_open(L);
    lua_register(L, "BareGetX", BareGetX);
    lua_register(L, "CheckedGetX", CheckedGetX);
    script::PushVectorCopy(L, OmVector3(1, 2, 3));
    lua_setglobal(L, "v");
    return L;
}

// Compiles a loop of one million calls of fn(v) into a function.
void LoadLoop(lua_State* L, const char* fn)
{
    const std::string code = std::string("local f, v, s = ") + fn +
                             ", v, 0\nfor i = 1, " + std::to_string(kCalls) +
                             " do s = s + f(v) end\nreturn s";
    luaL_loadstring(L, code.c_str());
}

void RunLoop(benchmark::State& state, const char* fn)
{
    lua_State* L = OpenState();
    for (auto _ : state) {
        LoadLoop(L, fn);
        if (lua_pcall(L, 0, 1, 0) != 0)
            state.SkipWithError(lua_tostring(L, -1));
        benchmark::DoNotOptimize(lua_tonumber(L, -1));
        lua_pop(L, 1);
    }
    lua_close(L);
}

void BM_BareFunction(benchmark::State& state) { RunLoop(state, "BareGetX"); }
void BM_CheckedFunction(benchmark::State& state) { RunLoop(state, "CheckedGetX"); }
void BM_Wrapper(benchmark::State& state) { RunLoop(state, "GetX"); }

BENCHMARK(BM_BareFunction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckedFunction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Wrapper)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double bare = reporter.Time("BM_BareFunction");
    const double checked = reporter.Time("BM_CheckedFunction");
    const double wrapped = reporter.Time("BM_Wrapper");
    if (bare > 0.0 && checked > 0.0) {
        std::printf("wrapper / bare function with luaL_checkudata: %.2f\n", wrapped / checked);
        std::printf("wrapper / bare function without a check: %.2f\n", wrapped / bare);
    }
    benchmark::Shutdown();
    return 0;
}
