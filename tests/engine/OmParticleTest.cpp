#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/OmParticleSystem.h"
#include "engine/OmRand.h"
#include "engine/OmTextureResource.h"
#include "tests/engine/ArchiveTestSupport.h"
#include "tests/engine/SceneTestSupport.h"
#include "testing/ScratchDir.h"

namespace fs = std::filesystem;

namespace {

// Records the particle runs and vertices the system hands over.
class ParticleRenderer : public RecordingRenderer {
public:
    void DrawParticles(const OmParticleVertex* v, const OmParticleRun* r, uint32_t count) override
    {
        runs.assign(r, r + count);
        uint32_t quads = 0;
        for (uint32_t i = 0; i < count; ++i)
            quads += r[i].quadCount;
        vertices.assign(v, v + 4 * quads);
        ++drawCalls;
    }
    std::vector<OmParticleRun> runs;
    std::vector<OmParticleVertex> vertices;
    int drawCalls = 0;
};

std::vector<unsigned char> EffectBytes(const OmParticleEffect& effect)
{
    std::FILE* f = std::tmpfile();
    EXPECT_TRUE(OmWriteParticleEffect(f, effect));
    std::vector<unsigned char> bytes(size_t(std::ftell(f)));
    std::rewind(f);
    EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
    std::fclose(f);
    return bytes;
}

class ParticleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InitParticleSystem());
        SetParticleEffectPath(folder.Path().c_str());
        OmSRand(1);
    }
    void TearDown() override
    {
        ShutdownParticleSystem();
        for (OmParticleEffect* e : effects) {
            // The records do not own the frame ids the tests hand them.
            delete[] e->frameTextures;
            e->frameTextures = nullptr;
            e->frameCount = 0;
            delete e;
        }
    }

    // A continuous record outside the library, without randomness or gravity.
    OmParticleEffect& Effect(float rate, float life = 1.0f)
    {
        auto* e = new OmParticleEffect();
        e->lifeRandom = e->sizeRandom = e->gravity = 0.0f;
        e->mode = 0;
        e->rate = rate;
        e->lifeBase = life;
        effects.push_back(e);
        return *e;
    }
    static void Start(OmParticleEmitter& emitter, OmParticleEffect& effect, float time,
                      const OmVector3& position = OmVector3())
    {
        emitter.effect = &effect;
        emitter.position = position;
        emitter.Start(time);
    }

    void WriteEffect(const char* name, const OmParticleEffect& effect)
    {
        folder.Write(std::string(name) + "/" + name + ".pbe", EffectBytes(effect));
    }
    void TouchFrame(const char* name, const char* file)
    {
        folder.Write(std::string(name) + "/" + file, std::string());
    }

    ParticleRenderer renderer;
    ScratchDir folder{ScratchDir::kStayOutside};
    std::vector<OmParticleEffect*> effects;
};

bool ReadBytes(const std::vector<unsigned char>& bytes, OmParticleEffect& effect)
{
    std::FILE* f = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    const bool ok = OmReadParticleEffect(f, "test.pbe", effect);
    std::fclose(f);
    return ok;
}

std::vector<unsigned char> FullEffectBytes()
{
    OmParticleEffect e;
    e.rate = 42.0f;
    e.lifeBase = 2.5f;
    e.direction.x = 0.5f;
    e.directionSpread = 0.75f;
    e.valueRandom = 3.0f;
    e.spinRandom = 1.25f;
    e.SetTextureName("flame");
    e.param20 = 0.3f;
    const OmParticleKey a[] = {{0.0f, 1.0f}, {0.5f, 2.0f}};
    const OmParticleKey b[] = {{1.0f, 0.25f}};
    e.SetKeys(0, a, 2);
    e.SetKeys(1, b, 1);
    e.endSize = 4.0f;
    e.frameRate = 12.0f;
    e.green = 0.5f;
    e.blueRandom = 0.1f;
    e.param35 = 99;
    e.duration = 3.0f;
    e.mode = 0;
    return EffectBytes(e);
}

constexpr float kFullTurn = 6.2831855f;

// Size of the file up to and including the texture name's length word.
constexpr size_t kTextLengthOffset = 4 + 16 * 4;

} // namespace

// Fields the file does not hold keep their defaults.
TEST(OmParticleEffectFile, ARoundTripKeepsEveryStoredField)
{
    const std::vector<unsigned char> bytes = FullEffectBytes();
    EXPECT_EQ(bytes.size(), kTextLengthOffset + 4 + 6 + 4 + 4 + 16 + 4 + 4 + 8 + 40);
    OmParticleEffect read;
    ASSERT_TRUE(ReadBytes(bytes, read));
    EXPECT_EQ(EffectBytes(read), bytes);
    EXPECT_EQ(read.direction.x, 0.5f);
    EXPECT_EQ(read.direction.y, 1.0f); // y is not in the file
    EXPECT_STREQ(read.textureName, "flame");
    ASSERT_EQ(read.keyCountA, 2u);
    EXPECT_EQ(read.keysA[1].value, 2.0f);
    EXPECT_EQ(read.param35, 99);
}

TEST(OmParticleEffectFile, AnotherVersionsFileReadsAsTheDefaults)
{
    OmParticleEffect other;
    DebugOutputCapture trace;
    EXPECT_TRUE(ReadBytes(archive_test::Patched(FullEffectBytes(), 0, 0x101), other));
    EXPECT_EQ(other.rate, 100.0f);
    EXPECT_FALSE(other.textureName);
}

TEST(OmParticleEffectFile, ADamagedFileIsReportedAndLeavesTheDefaults)
{
    const std::vector<unsigned char> good = FullEffectBytes();
    DebugOutputCapture trace;
    auto expectRefused = [&](const std::vector<unsigned char>& bytes, const char* why) {
        SCOPED_TRACE(why);
        trace.Clear();
        OmParticleEffect read;
        read.SetName("kept");
        EXPECT_FALSE(ReadBytes(bytes, read)) << trace.Text();
        EXPECT_TRUE(trace.Contains("test.pbe is damaged")) << trace.Text();
        EXPECT_EQ(read.rate, 100.0f);
        EXPECT_FALSE(read.textureName);
        EXPECT_EQ(read.keyCountA, 0u);
        EXPECT_FALSE(read.keysA);
        EXPECT_STREQ(read.name, "kept");
    };
    // Every cut after the version word.
    for (size_t length = 4; length < good.size(); ++length)
        expectRefused(std::vector<unsigned char>(good.begin(), good.begin() + long(length)), "cut");

    const size_t text = kTextLengthOffset + 4, countA = text + 6 + 4;
    const struct {
        const char* why;
        size_t at;
        uint32_t word;   // written at `at` when byte is negative
        int byte = -1;
    } patches[] = {
        {"text length beyond the file", kTextLengthOffset, 0x7FFFFF00},
        {"unterminated text", text + 5, 0, 'x'}, // "flame" without its zero
        {"text shorter than its length", text + 2, 0, 0},
        {"key count beyond the file", countA, 0x10000000},
        {"key count one too many", countA, 3},
    };
    for (const auto& patch : patches) {
        std::vector<unsigned char> bytes = good;
        if (patch.byte < 0)
            archive_test::SetWord(bytes, patch.at, patch.word);
        else
            bytes[patch.at] = static_cast<unsigned char>(patch.byte);
        expectRefused(bytes, patch.why);
    }
}

TEST_F(ParticleTest, EffectsLoadByNameWithFramesByFullPath)
{
    OmParticleEffect smoke;
    smoke.SetTextureName("puff");
    smoke.rate = 7.0f;
    WriteEffect("smoke", smoke);
    // Numbered from 01; the gap after 02 ends the sequence.
    TouchFrame("smoke", "puff01.tga");
    TouchFrame("smoke", "puff02.tga");
    TouchFrame("smoke", "puff04.tga");
    // Another effect with frames of the same name in its own folder.
    WriteEffect("spark", smoke);
    TouchFrame("spark", "puff00.tga");

    ASSERT_EQ(FindParticleEffect("smoke"), 0);
    ASSERT_EQ(FindParticleEffect("spark"), 1);
    EXPECT_EQ(FindParticleEffect("smoke"), 0); // loaded once
    EXPECT_EQ(GetParticleEffectCount(), 2u);
    OmParticleEffect* a = GetParticleEffect(0);
    OmParticleEffect* b = GetParticleEffect(1);
    ASSERT_EQ(a->rate, 7.0f);
    ASSERT_EQ(a->frameCount, 2);
    ASSERT_EQ(b->frameCount, 1);
    const std::string first = renderer.GetTexture(a->frameTextures[0])->fileName;
    EXPECT_NE(first.find("smoke\\puff01.tga"), std::string::npos) << first;
    EXPECT_NE(std::string(renderer.GetTexture(b->frameTextures[0])->fileName).find("spark\\puff00.tga"),
              std::string::npos);

    const int32_t held[] = {a->frameTextures[0], a->frameTextures[1], b->frameTextures[0]};
    ShutdownParticleSystem(); // gives the frame textures back
    for (int32_t id : held)
        EXPECT_EQ(renderer.GetTexture(id), nullptr);
}

TEST_F(ParticleTest, AMissingEffectLoadsAsTheDefaultsUnderItsName)
{
    DebugOutputCapture trace;
    const int32_t index = FindParticleEffect("nothing");
    ASSERT_EQ(index, 0);
    EXPECT_TRUE(trace.Contains("***ERROR***: Failed to load particle type nothing"));
    EXPECT_STREQ(GetParticleEffect(index)->name, "nothing");
    EXPECT_EQ(GetParticleEffect(index)->rate, 100.0f);
}

TEST_F(ParticleTest, ADamagedEffectLoadsAsTheDefaultsWithoutFrames)
{
    DebugOutputCapture trace;
    OmParticleEffect fire;
    fire.SetTextureName("flame");
    fire.rate = 3.0f;
    WriteEffect("fire", fire);
    TouchFrame("fire", "flame00.tga");
    const fs::path file = folder.Root() / "fire" / "fire.pbe";
    fs::resize_file(file, fs::file_size(file) - 3); // cut inside the last word
    const OmParticleEffect* damaged = GetParticleEffect(FindParticleEffect("fire"));
    ASSERT_NE(damaged, nullptr);
    EXPECT_TRUE(trace.Contains("fire.pbe is damaged")) << trace.Text();
    EXPECT_EQ(damaged->rate, 100.0f);
    EXPECT_EQ(damaged->frameCount, 0); // no half-read name to find frames by
}

TEST_F(ParticleTest, AnIndexOutsideTheLibraryOrANullNameGivesNothing)
{
    DebugOutputCapture trace;
    ASSERT_EQ(FindParticleEffect("one"), 0);
    EXPECT_FALSE(GetParticleEffect(-1));
    EXPECT_TRUE(trace.Contains("Couldn't find particle effect index -1"));
    EXPECT_FALSE(GetParticleEffect(1));
    EXPECT_EQ(FindParticleEffect(nullptr), -1);
}

TEST_F(ParticleTest, TheLibraryHolds256EffectsAndTheNextNameCannotBeLoaded)
{
    DebugOutputCapture trace;
    for (int i = 0; i < 256; ++i)
        ASSERT_GE(FindParticleEffect(("e" + std::to_string(i)).c_str()), 0);
    EXPECT_FALSE(GetOrLoadParticleEffect("one_too_many"));
    EXPECT_EQ(FindParticleEffect("one_too_many"), -1);
    EXPECT_TRUE(trace.Contains("Couldn't find particle effect one_too_many"));
}

TEST_F(ParticleTest, ParticlesEmitAgeAndDieAsTheEffectSays)
{
    OmParticleEffect& e = Effect(10.0f);
    e.sizeBase = 0.5f, e.endSize = 3.0f;
    e.speedBase = e.speedRandom = 0.0f;
    OmParticleEmitter emitter;
    emitter.velocity = OmVector3(0, 1, 0);
    Start(emitter, e, 0.0f);
    emitter.Update(1.0f);
    EXPECT_EQ(GetLiveParticleCount(), 10u);
    emitter.Update(1.25f); // int(12.5) - int(10)
    EXPECT_EQ(emitter.liveCount, 12u);
    emitter.Stop();
    for (uint32_t i = 0; i < GetLiveParticleCount(); ++i)
        EXPECT_FLOAT_EQ(GetLiveParticle(i)->size, 0.5f);

    UpdateParticles(1.75f);
    // The first ten are half way through their one-second life.
    uint32_t halfway = 0;
    for (uint32_t i = 0; i < GetLiveParticleCount(); ++i) {
        const OmParticle* p = GetLiveParticle(i);
        if (p->deathTime == 2.0f) {
            ++halfway;
            EXPECT_EQ(p->sizeScale, 1.0f + 0.75f * 2.0f);
            EXPECT_LT(std::fabs(p->fade - 0.25f), 1e-5f);
        }
    }
    EXPECT_EQ(halfway, 10u);
    EXPECT_TRUE(emitter.IsAlive()); // stopped, but its particles live
    std::vector<uint32_t> live;
    for (float t : {2.0f, 2.1f, 3.0f}) {
        UpdateParticles(t);
        live.push_back(GetLiveParticleCount());
    }
    EXPECT_EQ(live, (std::vector<uint32_t>{12, 2, 0})) << "the first ten die after 2 s";
    EXPECT_EQ(emitter.liveCount, 0u);
    EXPECT_FALSE(emitter.IsAlive());
}

TEST_F(ParticleTest, AOneShotEffectSpawnsOnceAndItsParticleDoesNotFade)
{
    OmParticleEffect& once = Effect(1.0f);
    once.duration = 0.0f, once.mode = 1;
    OmParticleEmitter a;
    Start(a, once, 5.0f);
    a.Update(5.05f);
    EXPECT_EQ(a.liveCount, 1u);
    EXPECT_FALSE(a.IsEnabled());
    EXPECT_FLOAT_EQ(GetLiveParticle(0)->fadeRate, 0.0f);
}

TEST_F(ParticleTest, ATimedEffectStopsAfterItsDurationButSpawnsInItsLastUpdate)
{
    OmParticleEffect& timed = Effect(10.0f, 100.0f);
    timed.duration = 1.0f, timed.mode = 1;
    OmParticleEmitter b;
    Start(b, timed, 0.0f);
    b.Update(0.5f);
    EXPECT_EQ(b.liveCount, 5u);
    b.Update(1.5f); // past its end: stops, but this update still spawns
    EXPECT_EQ(b.liveCount, 15u);
    EXPECT_FALSE(b.IsEnabled());
    b.Update(3.0f);
    UpdateParticles(3.0f);
    EXPECT_EQ(b.liveCount, 15u);
}

TEST_F(ParticleTest, FullPoolSkipsSpawnsAndEmittersTakeTheirParticlesWithThem)
{
    OmParticleEffect& e = Effect(1.0e9f); // far more than the pool, and no endless loop
    OmParticleEmitter keeper;
    Start(keeper, e, 0.0f);
    keeper.Update(0.001f);
    keeper.Stop();
    UpdateParticles(0.01f);
    EXPECT_EQ(keeper.liveCount, OM_MAX_PARTICLES);
    EXPECT_EQ(GetLiveParticleCount(), OM_MAX_PARTICLES);
    // Free some: the first few die by fading out.
    for (uint32_t i = 0; i < 10; ++i)
        GetLiveParticle(i)->fade = -1.0f;
    UpdateParticles(0.02f);
    EXPECT_EQ(keeper.liveCount, OM_MAX_PARTICLES - 10);
    auto* brief = new OmParticleEmitter();
    Start(*brief, e, 0.0f);
    brief->Update(0.001f);
    EXPECT_EQ(brief->liveCount, 10u);
    delete brief; // its particles point at it: they go with it
    EXPECT_EQ(GetLiveParticleCount(), OM_MAX_PARTICLES - 10);
    UpdateParticles(0.03f); // would touch the deleted emitter otherwise
    for (uint32_t i = 0; i < GetLiveParticleCount(); ++i)
        EXPECT_EQ(GetLiveParticle(i)->emitter, &keeper);
}

TEST_F(ParticleTest, DrawingSortsByTextureAndBuildsCameraFacingQuads)
{
    OmParticleEmitter emitters[3];
    const int32_t textures[3] = {7, -1, 3}; // -1: no frames
    for (int i = 0; i < 3; ++i) {
        OmParticleEffect& e = Effect(2.0f, 10.0f);
        if (textures[i] >= 0) {
            e.frameTextures = new int32_t[1]{textures[i]};
            e.frameCount = 1;
        }
        e.spinBase = e.angleSpread = e.speedBase = e.speedRandom = e.directionSpread = 0.0f;
        e.sizeBase = 0.5f;
        Start(emitters[i], e, 0.0f, OmVector3(float(i), 2.0f, 5.0f));
    }
    // Interleave the spawns so the live list is not already sorted.
    for (float t : {0.5f, 1.0f, 1.5f})
        for (OmParticleEmitter& em : emitters)
            em.Update(t);
    ASSERT_EQ(GetLiveParticleCount(), 9u);
    UpdateParticles(1.5f);
    RenderParticles(renderer);

    ASSERT_EQ(renderer.drawCalls, 1);
    ASSERT_EQ(renderer.runs.size(), 3u);
    const int32_t sorted[3] = {-1, 3, 7};
    for (uint32_t r = 0; r < 3; ++r) {
        const OmParticleRun& run = renderer.runs[r];
        EXPECT_EQ(run.texture, sorted[r]) << r;
        EXPECT_EQ(run.firstQuad, 3 * r) << r;
        EXPECT_EQ(run.quadCount, 3u) << r;
    }
    for (uint32_t i = 0; i < GetLiveParticleCount(); ++i)
        EXPECT_EQ(GetLiveParticle(i)->listIndex, int32_t(i));

    // The first quad of the texture-3 run: emitter 2 at x = 2, angle 0, so
    // its corners are the centre plus (-h, h), (h, h), (h, -h), (-h, -h).
    const OmParticle* p = GetLiveParticle(3);
    const OmParticleVertex* v = &renderer.vertices[12];
    EXPECT_NEAR(p->position.x, 2.0f, 1e-5f);
    const float corners[4][4] = {{-0.5f, 0.5f, 0, 0}, {0.5f, 0.5f, 1, 0}, {0.5f, -0.5f, 1, 1}, {-0.5f, -0.5f, 0, 1}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(v[k].x, p->position.x + corners[k][0]) << k;
        EXPECT_FLOAT_EQ(v[k].y, p->position.y + corners[k][1]) << k;
        EXPECT_EQ(v[k].u, corners[k][2]) << k;
        EXPECT_EQ(v[k].v, corners[k][3]) << k;
    }
    EXPECT_EQ(v[0].z, 5.0f);
    EXPECT_EQ(v[0].colour, p->colour);
}

TEST(OmFillParticleIndices, EachQuadIsTwoTrianglesOverItsFourCorners)
{
    uint16_t indices[12];
    OmFillParticleIndices(indices, 2);
    EXPECT_EQ(std::vector<uint16_t>(indices, indices + 12),
              (std::vector<uint16_t>{0, 1, 2, 2, 3, 0, 4, 5, 6, 6, 7, 4}));
}

// A spawn draws its numbers in a fixed order (life, size, angle, the spin's
// size, then its sign), so one seed gives the same particles from every
// compiler.
TEST_F(ParticleTest, TheSpinTakesItsSizeFromOneDrawAndItsSignFromTheNext)
{
    OmParticleEffect& e = Effect(1.0f); // one particle that does not fade
    e.duration = 0.0f, e.mode = 1;
    e.spinBase = 1.0f, e.spinRandom = 4.0f; // sizes 1 to 5: under a full turn
    for (uint32_t seed = 1; seed <= 8; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        OmSRand(seed);
        float draws[5];
        for (float& r : draws)
            r = float(OmRand()) / float(OM_RAND_MAX);
        const float size = draws[3] * e.spinRandom + e.spinBase;
        const float expected = draws[4] <= 0.5f ? kFullTurn - size : size; // a negative spin wraps

        OmSRand(seed);
        OmParticleEmitter emitter;
        Start(emitter, e, 0.0f);
        emitter.Update(0.05f);
        ASSERT_EQ(emitter.liveCount, 1u);
        EXPECT_FLOAT_EQ(GetLiveParticle(GetLiveParticleCount() - 1)->spin, expected);
    }
}
