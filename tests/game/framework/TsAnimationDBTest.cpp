// The animation database: text animations converted, written and read back
// frame for frame; the file layout's sizes; damaged, truncated and hostile
// files refused with the log's messages; bounds on every index.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/OmBoneAnimation.h"
#include "engine/OmSkinShape.h"
#include "game/framework/TsAnimationDB.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/engine/TextFiles.h"

namespace {

// An animation text file: frame f turns every bone by a different angle
// and moves the root by 10f tool units along X.
std::string AnimationText(int bones, int frames, float turn, const char* kind = "Relative")
{
    std::string text = std::to_string(bones) + "\n0\n" + std::to_string(frames) + "\nheader\n" + kind +
                       " motion\n1\n2\n3\n4\n5\n6\n";
    char line[128];
    for (int f = 0; f < frames; ++f) {
        text += "// Frame # " + std::to_string(f) + "\n";
        for (int b = 0; b < bones; ++b) {
            const float a = turn * float(f + 1) * float(b + 1);
            text += "0 0 0\nx\nx\nx\nx\n";
            std::snprintf(line, sizeof line, "%f %f 0\n%f %f 0\n0 0 1\n%f %f 0\n", std::cos(a), std::sin(a),
                          -std::sin(a), std::cos(a), 10.0f * float(f), 2.0f * float(b));
            text += line;
        }
    }
    return text;
}

// Both there, and equal.
bool SameAnimation(const OmBoneAnimation* pa, const OmBoneAnimation* pb)
{
    if (!pa || !pb)
        return false;
    const OmBoneAnimation &a = *pa, &b = *pb;
    return a.frameCount == b.frameCount && a.boneCount == b.boneCount && a.duration == b.duration &&
           std::memcmp(a.keys, b.keys, size_t(a.frameCount) * a.boneCount * 16) == 0 &&
           std::memcmp(a.rootPositions, b.rootPositions, size_t(a.frameCount) * 12) == 0;
}

void PutWord(std::string& bytes, size_t at, uint32_t v)
{
    std::memcpy(bytes.data() + at, &v, 4);
}

class AnimationDBTest : public ::testing::Test {
protected:
    // Entry 0 holds a stand (3 bones, 4 frames) and entry 2 a walk (2 bones,
    // 3 frames); entry 1 is empty. Written to "data/animdb.tsa", which m_db
    // opens; a run waits in "anims/run.txt" for a test to convert.
    void WriteSample()
    {
        m_scratch.Write("anims/stand.txt", AnimationText(3, 4, 0.1f));
        m_scratch.Write("anims/walk.txt", AnimationText(2, 3, 0.3f));
        m_scratch.Write("anims/run.txt", AnimationText(2, 2, 0.2f));
        m_source.LoadAnimationTextFile(0, TSANIM_STAND, "anims\\stand.txt");
        m_source.LoadAnimationTextFile(2, TSANIM_WALK, "anims\\walk.txt");
        m_scratch.Write("data/keep", "");
        ASSERT_TRUE(m_source.WriteBinary("data\\animdb.tsa"));
        ASSERT_TRUE(m_db.Open("data\\animdb.tsa"));
    }

    ScratchDir m_scratch;
    LogCapture m_log;
    TsAnimationDB m_source;
    TsAnimationDB m_db;
};

} // namespace

TEST_F(AnimationDBTest, TextAnimationsRoundTripThroughTheBinaryFile)
{
    WriteSample();
    EXPECT_TRUE(m_log.Contains("Animation anims\\stand.txt converted OK"));
    ASSERT_EQ(m_source.GetEntryCount(), 3u);
    const OmBoneAnimation* stand = m_source.GetAnimation(0, TSANIM_STAND);
    ASSERT_NE(stand, nullptr);
    EXPECT_EQ(stand->frameCount, 4u);
    EXPECT_EQ(stand->boneCount, 3u);
    EXPECT_FLOAT_EQ(stand->duration, 4.0f / 30.0f);
    EXPECT_FLOAT_EQ(stand->rootPositions[3].x, 3.0f); // tool units scaled by 0.1

    // The layout: header, three table rows, then the entries in order.
    const std::string bytes = m_scratch.Read("data/animdb.tsa");
    const uint32_t standSize = 12 + 4 * (3 * 16 + 12), walkSize = 12 + 3 * (2 * 16 + 12);
    ASSERT_EQ(bytes.size(), 32u + 36u + 3u * 148u + standSize + walkSize);
    EXPECT_EQ(std::string(bytes.c_str()), "Tessaran animation file");

    EXPECT_EQ(m_db.GetEntryCount(), 3u);
    EXPECT_EQ(m_db.GetAnimation(0, TSANIM_STAND), nullptr); // nothing read until asked
    m_db.MarkForLoading(0);
    m_db.MarkForLoading(2);
    ASSERT_TRUE(m_db.LoadAnimations());
    EXPECT_TRUE(SameAnimation(m_db.GetAnimation(0, TSANIM_STAND), stand));
    EXPECT_TRUE(SameAnimation(m_db.GetAnimation(2, TSANIM_WALK), m_source.GetAnimation(2, TSANIM_WALK)));
    EXPECT_EQ(m_db.GetAnimation(1, TSANIM_WALK), nullptr);

    // Loading again keeps the records characters may be playing.
    const OmBoneAnimation* held = m_db.GetAnimation(0, TSANIM_STAND);
    ASSERT_TRUE(m_db.LoadAnimations());
    EXPECT_EQ(m_db.GetAnimation(0, TSANIM_STAND), held);

    m_db.UnloadAnimations();
    EXPECT_EQ(m_db.GetAnimation(0, TSANIM_STAND), nullptr);
    EXPECT_EQ(m_db.GetEntry(0)->needed, 0);
    EXPECT_EQ(m_db.GetEntryCount(), 3u);
}

TEST_F(AnimationDBTest, AFailedWriteSaysSoAndKeepsThePreviousFile)
{
    WriteSample();
    const std::string bytes = m_scratch.Read("data/animdb.tsa");
    EXPECT_FALSE(m_source.WriteBinary("nowhere\\animdb.tsa"));
    EXPECT_FALSE(m_source.WriteBinary(nullptr));
    EXPECT_TRUE(m_log.Contains("Cannot save anim file"));
    EXPECT_EQ(m_scratch.Read("data/animdb.tsa"), bytes);
}

// A file that stores every bone in model space is read against the bone
// file of its figure: the leg, turned twice as far as the hip in model
// space, is turned as far as the hip relative to it.
TEST_F(AnimationDBTest, ModelSpaceAnimationsAreReadAgainstTheFiguresSkeleton)
{
    m_scratch.Write("anims/swing.txt", AnimationText(2, 3, 0.2f, "Absolute"));
    m_scratch.Write("figure/bones.txt", "2\n1\n" + texttest::Bone(0, "Hip", -1) + texttest::Bone(1, "Leg", 0));
    m_source.LoadAnimationTextFile(0, TSANIM_WALK, "anims\\swing.txt");
    EXPECT_EQ(m_source.GetAnimation(0, TSANIM_WALK), nullptr);
    EXPECT_TRUE(m_log.Contains("requires a skeleton!"));
    m_source.LoadAnimationTextFile(0, TSANIM_WALK, "anims\\swing.txt", "figure\\nothing.txt");
    EXPECT_TRUE(m_log.Contains("The skeleton could not be read from figure\\nothing.txt"));

    m_source.LoadAnimationTextFile(0, TSANIM_WALK, "anims\\swing.txt", "figure\\bones.txt");
    const OmBoneAnimation* swing = m_source.GetAnimation(0, TSANIM_WALK);
    ASSERT_NE(swing, nullptr) << m_log.All();
    for (uint32_t f = 0; f < 3; ++f) {
        const OmQuaternion hip = swing->Key(f, 0), leg = swing->Key(f, 1);
        EXPECT_NEAR(std::fabs(hip.x * leg.x + hip.y * leg.y + hip.z * leg.z + hip.w * leg.w), 1.0f, 1e-4f) << f;
        EXPECT_LT(std::fabs(leg.w), 0.9999f) << f; // and it does turn
    }
}

TEST_F(AnimationDBTest, IndicesOutsideTheDatabaseGiveNothing)
{
    for (int32_t entry : {-1, 0, 1 << 30})
        EXPECT_EQ(m_source.GetEntry(entry), nullptr) << entry;
    EXPECT_EQ(m_source.MarkForLoading(9), 9);
    EXPECT_TRUE(m_log.Contains("Animation entry 9 does not exist"));

    m_scratch.Write("anims/a.txt", AnimationText(2, 2, 0.1f));
    m_source.LoadAnimationTextFile(0, TSANIM_COUNT, "anims\\a.txt");
    m_source.LoadAnimationTextFile(0, -1, "anims\\a.txt");
    m_source.LoadAnimationTextFile(int32_t(TsAnimationDB::kMaxEntries), 1, "anims\\a.txt");
    EXPECT_EQ(m_source.GetEntryCount(), 0u);
    EXPECT_TRUE(m_log.Contains("Error converting animation: anims\\a.txt"));

    m_source.LoadAnimationTextFile(4, TSANIM_RUN, "anims\\a.txt"); // grows to five entries
    ASSERT_EQ(m_source.GetEntryCount(), 5u);
    for (int32_t e = -1; e < 4; ++e) {
        for (int32_t s : {-1, 0, int32_t(TSANIM_COUNT) - 1, int32_t(TSANIM_COUNT), int32_t(TSANIM_INVALIDANIM)})
            ASSERT_EQ(m_source.GetAnimation(e, s), nullptr) << e << " " << s;
    }
}

// A new conversion frees the old record (the leak check sees it); a failed
// one leaves the slot empty.
TEST_F(AnimationDBTest, ConvertingIntoAFilledSlotReplacesWhatWasThere)
{
    m_scratch.Write("anims/a.txt", AnimationText(2, 2, 0.1f));
    m_scratch.Write("anims/b.txt", AnimationText(2, 5, 0.1f));
    m_source.LoadAnimationTextFile(4, TSANIM_RUN, "anims\\a.txt");
    m_source.LoadAnimationTextFile(4, TSANIM_RUN, "anims\\b.txt");
    EXPECT_EQ(m_source.GetAnimation(4, TSANIM_RUN)->frameCount, 5u);
    EXPECT_EQ(m_source.GetEntry(4)->count, 1u);
    m_source.LoadAnimationTextFile(4, TSANIM_RUN, "anims\\missing.txt");
    EXPECT_EQ(m_source.GetAnimation(4, TSANIM_RUN), nullptr);
    EXPECT_TRUE(m_log.Contains("Error converting animation: anims\\missing.txt"));
}

// A script may convert into the entries a figure is playing: the figure
// keeps the record it plays until it plays another, then it goes.
TEST_F(AnimationDBTest, AFigureKeepsTheAnimationItPlaysWhenItsSlotIsConvertedAgain)
{
    m_scratch.Write("anims/a.txt", AnimationText(2, 2, 0.1f));
    m_scratch.Write("anims/b.txt", AnimationText(2, 5, 0.1f));
    m_source.LoadAnimationTextFile(0, TSANIM_STAND, "anims\\a.txt");
    const auto figure = OmMakeRef<OmSkinShape>();
    figure->PlayAnimation(m_source.GetAnimation(0, TSANIM_STAND), OM_PLAY_LOOP);
    figure->QueueAnimation(m_source.GetAnimation(0, TSANIM_STAND), OM_PLAY_ONCE);

    m_source.LoadAnimationTextFile(0, TSANIM_STAND, "anims\\b.txt");
    ASSERT_NE(figure->GetAnimation(), m_source.GetAnimation(0, TSANIM_STAND));
    EXPECT_EQ(figure->GetAnimation()->frameCount, 2u);
    EXPECT_EQ(figure->GetQueuedAnimation()->frameCount, 2u);
    EXPECT_EQ(figure->GetAnimation()->GetRefCount(), 2u) << "the figure's two holds alone";
}

TEST_F(AnimationDBTest, SlotZeroIsWrittenAndReadLikeAnyOtherSlot)
{
    m_scratch.Write("anims/a.txt", AnimationText(2, 2, 0.1f));
    m_source.LoadAnimationTextFile(4, 0, "anims\\a.txt");
    m_scratch.Write("data/keep", "");
    ASSERT_TRUE(m_source.WriteBinary("data\\zero.tsa"));
    ASSERT_TRUE(m_db.Open("data\\zero.tsa"));
    m_db.MarkForLoading(4);
    ASSERT_TRUE(m_db.LoadAnimations());
    EXPECT_TRUE(SameAnimation(m_db.GetAnimation(4, 0), m_source.GetAnimation(4, 0)));
}

TEST_F(AnimationDBTest, ForeignDamagedAndTruncatedFilesAreRefusedWithoutHarm)
{
    WriteSample();
    const std::string bytes = m_scratch.Read("data/animdb.tsa");
    auto opens = [&](const std::string& file) {
        m_scratch.Write("data/bad.tsa", file);
        TsAnimationDB db;
        if (!db.Open("data\\bad.tsa"))
            return false;
        for (int32_t e = 0; e < int32_t(db.GetEntryCount()); ++e)
            db.MarkForLoading(e);
        return db.LoadAnimations();
    };
    ASSERT_TRUE(opens(bytes));
    EXPECT_FALSE(m_db.Open("data\\missing.tsa"));
    EXPECT_TRUE(m_log.Contains("Cannot load binary animation file: data\\missing.tsa"));

    // Every truncation fails: the table names data past the end.
    for (size_t length = 0; length < bytes.size(); length += 7)
        EXPECT_FALSE(opens(bytes.substr(0, length))) << length;

    std::string hostile = bytes;
    hostile[3] = 'x';
    EXPECT_FALSE(opens(hostile));
    EXPECT_FALSE(m_db.Open("data\\bad.tsa"));
    EXPECT_TRUE(m_log.Contains("Unknown header, file: data\\bad.tsa"));
    const uint32_t standRecord = 68 + 4 * TSANIM_STAND + 4;
    const struct {
        const char* what;
        uint32_t at, value;
        uint32_t bones = 0; // the record's bone count, right after its frames, when set
    } cases[] = {
        {"an older enumeration", 28, 36},
        {"entry count", 24, 0x40000000u},
        {"offset of entry 0 past the file", 36, 0xFFFFFFF0u},
        {"entry 0 inside the header", 36, 4},
        {"more animations than slots", 40, 38},
        // Records whose counts reach past their entry: frames x bones x 16 would wrap in 32 bits.
        {"frames x bones wrapping", standRecord, 0x10000001u, 0x10000000u},
        {"frames all ones", standRecord, 0xFFFFFFFFu, 0x10000000u},
        {"frames past the entry", standRecord, 100u, 0x10000000u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hostile = bytes;
        PutWord(hostile, c.at, c.value);
        if (c.bones)
            PutWord(hostile, c.at + 4, c.bones);
        EXPECT_FALSE(opens(hostile));
    }
    EXPECT_TRUE(m_log.Contains("Mismatching anim enumerations: data\\bad.tsa"));
    EXPECT_TRUE(m_log.Contains("is damaged; its animations are left out"));
    EXPECT_EQ(m_db.GetEntryCount(), 3u) << "a failed open leaves the database as it was";
    // ...and its animations still load from the file it was opened from.
    EXPECT_STREQ(m_db.GetFileName(), "data\\animdb.tsa");
    for (int32_t e = 0; e < int32_t(m_db.GetEntryCount()); ++e)
        m_db.MarkForLoading(e);
    EXPECT_TRUE(m_db.LoadAnimations());
}

// A conversion made in the running game, where only the table was read,
// and written over the file: the characters never loaded keep theirs.
TEST_F(AnimationDBTest, WritingKeepsTheAnimationsOfEntriesNeverLoaded)
{
    WriteSample();
    m_db.LoadAnimationTextFile(3, TSANIM_RUN, "anims\\run.txt");
    ASSERT_TRUE(m_db.WriteBinary("data\\animdb.tsa"));
    EXPECT_EQ(m_db.GetAnimation(0, TSANIM_STAND), nullptr) << "read for the write, then let go";

    TsAnimationDB written;
    ASSERT_TRUE(written.Open("data\\animdb.tsa"));
    for (int32_t e = 0; e < 4; ++e)
        written.MarkForLoading(e);
    ASSERT_TRUE(written.LoadAnimations());
    EXPECT_TRUE(SameAnimation(written.GetAnimation(0, TSANIM_STAND), m_source.GetAnimation(0, TSANIM_STAND)));
    EXPECT_TRUE(SameAnimation(written.GetAnimation(2, TSANIM_WALK), m_source.GetAnimation(2, TSANIM_WALK)));
    EXPECT_TRUE(SameAnimation(written.GetAnimation(3, TSANIM_RUN), m_db.GetAnimation(3, TSANIM_RUN)));
}

// After a write that moved the entries, the next load (a mode switch) finds
// them in the file just written, wherever it is.
TEST_F(AnimationDBTest, AfterAWriteTheEntriesAreReadFromTheFileJustWritten)
{
    WriteSample();
    m_db.MarkForLoading(0);
    ASSERT_TRUE(m_db.LoadAnimations());
    m_db.LoadAnimationTextFile(0, TSANIM_RUN, "anims\\run.txt"); // entry 2 moves along
    ASSERT_TRUE(m_db.WriteBinary("data\\copy.tsa"));
    EXPECT_STREQ(m_db.GetFileName(), "data\\copy.tsa");

    m_db.UnloadAnimations();
    m_db.MarkForLoading(0);
    m_db.MarkForLoading(2);
    ASSERT_TRUE(m_db.LoadAnimations()) << m_log.All();
    ASSERT_NE(m_db.GetAnimation(0, TSANIM_RUN), nullptr);
    EXPECT_TRUE(SameAnimation(m_db.GetAnimation(2, TSANIM_WALK), m_source.GetAnimation(2, TSANIM_WALK)));
}

// A conversion into an entry whose animations are still only in the file
// adds to them; when the file cannot give them, nothing is converted.
TEST_F(AnimationDBTest, ConvertingIntoAnEntryNotLoadedKeepsItsOtherAnimations)
{
    WriteSample();
    m_db.LoadAnimationTextFile(0, TSANIM_RUN, "anims\\run.txt");
    ASSERT_NE(m_db.GetAnimation(0, TSANIM_RUN), nullptr);
    EXPECT_TRUE(SameAnimation(m_db.GetAnimation(0, TSANIM_STAND), m_source.GetAnimation(0, TSANIM_STAND)));
    EXPECT_EQ(m_db.GetEntry(0)->count, 2u);

    std::filesystem::remove("data/animdb.tsa");
    m_db.LoadAnimationTextFile(2, TSANIM_RUN, "anims\\run.txt");
    EXPECT_EQ(m_db.GetAnimation(2, TSANIM_RUN), nullptr);
    EXPECT_TRUE(m_log.Contains("Entry 2 could not be read from data\\animdb.tsa"));
}
