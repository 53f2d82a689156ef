#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OmRef.h"
#include "game/objects/TsDiaryData.h"
#include "testing/ScratchDir.h"
#include "tests/game/objects/ArchiveRoundTrip.h"

namespace {

std::string Text(const OmString& s)
{
    return s.Get() ? s.Get() : "(null)";
}

// The diary as "level|title: speaker=line#id; ..." lines, one per page.
std::string Describe(const TsDiaryData& diary)
{
    std::string out;
    for (OmList::Node* p = diary.GetPages().GetFirst(); p; p = p->next) {
        const auto* page = static_cast<const TsDiaryData::Page*>(p->value);
        out += Text(page->levelName) + "|" + Text(page->levelTitle) + ":";
        for (OmList::Node* e = page->entries.GetFirst(); e; e = e->next) {
            const auto* entry = static_cast<const TsDiaryData::Entry*>(e->value);
            out += " " + Text(entry->speaker) + "=" + Text(entry->line) + "#" + std::to_string(entry->id) + ";";
        }
        out += "\n";
    }
    return out;
}

OmRef<TsDiaryData> Load(const std::string& path)
{
    return OmRef<TsDiaryData>(RootAs<TsDiaryData>(LoadRoots(path.c_str()), 0));
}

// Two pages: the desert's three lines, two spoken and one overheard, and
// the town's one.
OmRef<TsDiaryData> Gathered()
{
    auto diary = OmMakeRef<TsDiaryData>();
    diary->AddEntry("desert", "The Desert", "Vessa", 30544, "Keep moving.");
    diary->AddOverheard("town", "The Town", nullptr, "Did you hear that?");
    diary->AddEntry("desert", "ignored: the page exists", nullptr, 30545, "Second line.");
    diary->AddOverheard("desert", "The Desert", "Pellin", "Quiet.");
    return diary;
}
const std::string kDesert = "desert|The Desert: Vessa=Keep moving.#30544; Banter=Second line.#30545; Pellin=Quiet.#-1;";

} // namespace

TEST(TsDiaryData, EntriesGatherOnTheirLevelsPageInOrder)
{
    const OmRef<TsDiaryData> diary = Gathered();
    EXPECT_EQ(diary->GetPageCount(), 2u);
    EXPECT_EQ(diary->GetEntryCount("desert"), 3u);
    EXPECT_EQ(diary->GetEntryCount("town"), 1u);
    EXPECT_EQ(diary->GetEntryCount("Desert"), 0u); // names match exactly
    EXPECT_EQ(diary->GetEntryCount("never"), 0u);
    EXPECT_EQ(diary->GetEntryCount(nullptr), 0u);
    EXPECT_EQ(Describe(*diary), kDesert + "\ntown|The Town: somebody=Did you hear that?#-1;\n");
}

// An empty line comes back as none, as every archive string does.
TEST(TsDiaryData, DiariesRoundTripThroughAnArchive)
{
    ScratchDir dir;
    const OmRef<TsDiaryData> diary = Gathered();
    diary->AddEntry("desert", "The Desert", "Hadley", 2, "");
    diary->AddEntry("caves", nullptr, "Brusk", -1, "Three");
    const auto empty = OmMakeRef<TsDiaryData>();
    ASSERT_TRUE(SaveRoots({diary}, "diary.sav"));
    const OmRef<TsDiaryData> loaded = Load("diary.sav");
    ASSERT_NE(loaded.Get(), nullptr);
    EXPECT_EQ(Describe(*loaded), kDesert + " Hadley=(null)#2;\ntown|The Town: somebody=Did you hear that?#-1;\n"
                                         "caves|(null): Brusk=Three#-1;\n");
    ASSERT_TRUE(SaveRoots({empty}, "empty.sav"));
    const OmRef<TsDiaryData> loadedEmpty = Load("empty.sav");
    ASSERT_NE(loadedEmpty.Get(), nullptr);
    EXPECT_EQ(loadedEmpty->GetPageCount(), 0u);
}

TEST(TsDiaryData, DamagedCopiesFailWithoutBuildingHugeDiaries)
{
    ScratchDir dir;
    const auto two = OmMakeRef<TsDiaryData>();
    two->AddEntry("desert", "The Desert", "Vessa", 1, "One");
    two->AddEntry("desert", "The Desert", "Orrick", 2, "Two");
    ASSERT_TRUE(SaveRoots({two}, "damaged.sav"));
    const std::vector<unsigned char> bytes = archive_test::ReadFile("damaged.sav");
    const uint32_t liveBefore = TsDiaryData::s_pool.GetLiveCount();
    auto loadBytes = [](const std::vector<unsigned char>& b) {
        archive_test::WriteFile("damaged_bad.sav", b);
        return Load("damaged_bad.sav");
    };
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_EQ(loadBytes(std::vector<unsigned char>(bytes.begin(), bytes.begin() + long(length))).Get(), nullptr)
            << length;
        EXPECT_EQ(TsDiaryData::s_pool.GetLiveCount(), liveBefore);
    }
    // Every word from the page count on, made enormous, fails or loads no
    // more than was saved.
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t pageCount = text.find("desert") - 8;
    ASSERT_LT(pageCount, bytes.size());
    for (std::size_t at = pageCount; at + 4 <= bytes.size(); ++at) {
        if (const OmRef<TsDiaryData> loaded = loadBytes(archive_test::Patched(bytes, at, 0xFCFDFEFFu))) {
            EXPECT_LE(loaded->GetEntryCount("desert"), 2u);
        }
    }
}
