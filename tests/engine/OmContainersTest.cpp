#include <gtest/gtest.h>

#include <vector>

#include "engine/OmArray.h"
#include "engine/OmHashMap.h"
#include "engine/OmHashTable.h"
#include "engine/OmList.h"
#include "engine/OmPointerIndex.h"
#include "engine/OmPrime.h"
#include "engine/OmString.h"
#include "platform/MessageBox.h"

TEST(OmArray, GrowsByWholeStepsKeepsContentsAndConstructsNewElements)
{
    OmArray<uint32_t> array(64);
    for (uint32_t i = 0; i < 64; ++i)
        array.Add(i * 3);
    array.Add(999);
    EXPECT_EQ(array.GetCapacity(), 128u) << "the 65th element adds one step";
    EXPECT_EQ(array[63], 189u);
    EXPECT_EQ(array[64], 999u);
    array.RemoveAll();
    EXPECT_EQ(array.GetCapacity(), 128u) << "capacity never shrinks";
    array.SetAtGrow(200, 5);
    ASSERT_EQ(array.GetCount(), 201u);
    EXPECT_EQ(array.GetCapacity(), 256u);
    EXPECT_EQ(*array.At(200), 5u);

    OmArray<uint16_t> reserved(10, 4);
    EXPECT_EQ(reserved.GetCapacity(), 12u);
    OmArray<uint8_t> zeroStep(0);
    zeroStep.Add(1); // a grow step of 0 must not divide by zero
    EXPECT_EQ(zeroStep.GetCount(), 1u);

    OmArray<OmString> names(2);
    for (const char* name : {"first", "second", "third"})
        names.Add(OmString(name));
    EXPECT_STREQ(names[2].Get(), "third");
    names.Resize(6);
    EXPECT_EQ(names[5].Get(), nullptr) << "new elements are constructed";
}

TEST(OmList, KeepsItsOrderThroughRemovalsAndReusesRemovedNodes)
{
    int a = 1, b = 2, c = 3, d = 4;
    auto values = [](const OmList& list) {
        std::vector<void*> out;
        for (OmList::Node* n = list.GetFirst(); n; OmList::Next(n))
            out.push_back(n->value);
        return out;
    };
    OmList list;
    list.AddTail(&a);
    list.AddTail(&b);
    OmList::Node* cNode = list.AddTail(&c);
    list.AddHead(&d);
    EXPECT_EQ(values(list), (std::vector<void*>{&d, &a, &b, &c}));
    OmList::Node* found = nullptr;
    ASSERT_TRUE(list.Find(&b, found));
    EXPECT_EQ(found->value, &b);
    EXPECT_TRUE(list.Remove(&d)); // the first node
    list.RemoveAt(cNode);         // the last node
    list.RemoveAt(nullptr);
    EXPECT_FALSE(list.Remove(&d));
    EXPECT_EQ(values(list), (std::vector<void*>{&a, &b}));
    OmList::Node* back = list.GetLast();
    EXPECT_EQ(OmList::Prev(back)->value, &a);

    // Removed nodes are reused before anything new is allocated.
    OmList::Node* reused = list.AddTail(&c);
    EXPECT_TRUE(reused == cNode || reused->value == &c);
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty() && !list.GetFirst() && !list.GetLast());
    list.AddHead(&a);
    EXPECT_EQ(values(list), std::vector<void*>{&a});
}

TEST(OmHashMap, RehashesPastHalfFullAndFindsEveryKey)
{
    OmHashMap map;
    std::vector<uint32_t> buckets;
    for (uintptr_t k = 1; k <= 6; ++k) {
        map.Insert(k * 1000, k);
        buckets.push_back(map.GetBucketCount());
    }
    EXPECT_EQ(buckets, (std::vector<uint32_t>{7, 7, 7, 11, 11, 23})) << "8 > 7 on the 4th insertion";
    EXPECT_FALSE(map.Add(3000, 99)) << "present keys are not added again";
    EXPECT_TRUE(map.Add(7000, 7));
    // Addresses above 4 GB must keep their high bits.
    const uintptr_t high = uintptr_t(0x7ffe12345678ull);
    EXPECT_TRUE(map.Add(high, 8));
    EXPECT_TRUE(map.Add(high & 0xFFFFFFFFu, 9)) << "the low half alone is another key";
    uintptr_t value = 0;
    for (uintptr_t k = 1; k <= 7; ++k) {
        ASSERT_TRUE(map.Lookup(k * 1000, value));
        ASSERT_EQ(value, k);
    }
    EXPECT_TRUE(map.Lookup(high, value));
    EXPECT_EQ(value, 8u);
    EXPECT_FALSE(map.Lookup(42, value));
    EXPECT_EQ(map.GetCount(), 9u);
    map.Clear();
    EXPECT_EQ(map.Find(1000), nullptr);
    // A cleared map is used again, past several node blocks.
    for (uintptr_t k = 0; k < 5000; ++k)
        EXPECT_TRUE(map.Add(k * 8, k));
    EXPECT_TRUE(map.Lookup(4999 * 8, value));
    EXPECT_EQ(value, 4999u);
}

// Keys whose homes crowd together make long runs, one across the table's end.
TEST(OmPointerIndex, FindsEveryKeyLeftAfterErasingFromCrowdedRuns)
{
    std::vector<char> objects(4096);
    OmPointerIndex index;
    for (uint32_t i = 0; i < 1000; ++i)
        index.Set(&objects[i * 4], i);
    index.Set(&objects[8], 77); // a key given a new slot
    EXPECT_EQ(index.GetCount(), 1000u);
    for (uint32_t i = 0; i < 1000; i += 3)
        index.Erase(&objects[i * 4]);
    index.Erase(&objects[4095]); // never given a slot
    for (uint32_t i = 0; i < 1000; ++i) {
        const uint32_t expected = i % 3 == 0 ? OmPointerIndex::kNone : i == 2 ? 77u : i;
        ASSERT_EQ(index.Find(&objects[i * 4]), expected) << i;
    }
    EXPECT_EQ(index.Find(nullptr), OmPointerIndex::kNone);
    index.Clear();
    EXPECT_EQ(index.Find(&objects[4]), OmPointerIndex::kNone);
}

TEST(OmPrimeDeathTest, NextFromTheTableAndPastItIsFatal)
{
    EXPECT_EQ(OmPrime_GetNext(7), 11);
    EXPECT_EQ(OmPrime_GetNext(-5), 3);
    EXPECT_EQ(OmPrime_GetNext(1685759166), 1685759167);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto boxToStderr = [](std::string_view, std::string_view text) {
        fprintf(stderr, "%.*s", int(text.size()), text.data());
    };
    auto previous = plat::SetMessageBoxHook(boxToStderr);
    EXPECT_EXIT(OmPrime_GetNext(1685759167), ::testing::ExitedWithCode(255),
                "OmPrime_GetNext, lastValue = 1685759167, unacceptably large!");
    plat::SetMessageBoxHook(std::move(previous));
}

TEST(OmHashTable, RecordsComeByIndexInOrderAndByKeyFromTheirBucket)
{
    struct Record {
        float x, y, z;
    };
    OmHashTable table(sizeof(Record), 3, 4, 4, 10);
    EXPECT_EQ(table.GetCapacity(), 16u) << "whole pages up to the initial capacity";
    for (uint32_t i = 0; i < 40; ++i) {
        Record r{float(i), 0, 0};
        EXPECT_EQ(table.AddRecord(i % 5, &r), int32_t(i)) << "indexes come out in order";
    }
    EXPECT_EQ(table.GetCapacity(), 40u);
    for (uint32_t i = 0; i < 40; ++i)
        EXPECT_EQ(static_cast<Record*>(table.GetRecord(int32_t(i)))->x, float(i));
    int found = 0; // every record of key 3 is found in its bucket
    for (int32_t i = table.GetBucketHead(3); i != -1; i = table.GetNextInBucket(i))
        found += table.GetKey(i) == 3 && i % 5 == 3;
    EXPECT_EQ(found, 8);
}

// Buckets follow the count, checked when a page is added: the largest
// prime below the power of two above count / load ratio (2 here).
TEST(OmHashTable, RebucketingFollowsTheCountAndKeepsEveryChain)
{
    struct AutoTable : OmHashTable {
        AutoTable() : OmHashTable(12, 2, 4, 2, 0) { SetAutoRebucket(true); }
    } grown;
    const struct {
        uint32_t records, buckets;
    } steps[] = {{16, 7}, {17, 13}, {32, 13}, {33, 31}, {65, 61}, {128, 61}, {129, 127}, {200, 127}};
    for (const auto& step : steps) {
        while (grown.GetCount() < step.records)
            grown.Add(grown.GetCount() * 7919u);
        EXPECT_EQ(grown.GetBucketCount(), step.buckets) << step.records << " records";
        // Every record sits once in the bucket of its key, and only there.
        uint32_t chained = 0;
        for (uint32_t b = 0; b < grown.GetBucketCount(); ++b) {
            for (int32_t j = grown.GetBucketHead(b); j != -1; j = grown.GetNextInBucket(j), ++chained)
                EXPECT_EQ(grown.GetKey(j) % grown.GetBucketCount(), b) << "record " << j;
        }
        EXPECT_EQ(chained, step.records);
    }
}

TEST(OmString, CopiesAssignmentAndEmptiness)
{
    EXPECT_EQ(OmString().Get(), nullptr);
    OmString empty("");
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.Get());

    char source[] = "weapon";
    OmString text(source);
    source[0] = 'W';
    EXPECT_STREQ(text.Get(), "weapon") << "the string owns a copy";
    text = text;
    EXPECT_STREQ(text.Get(), "weapon") << "self-assignment keeps the text";
    text = text.Get() + 2; // a part of its own text
    EXPECT_STREQ(text.Get(), "apon");
    OmString other(text);
    text = nullptr;
    EXPECT_FALSE(text.Get());
    EXPECT_STREQ(other.Get(), "apon");
    EXPECT_STREQ(OmWideString("wide").Get(), "wide");
    { OmWideString neverSetWide; } // destroying one that never held text touches nothing
}
