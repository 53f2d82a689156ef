// Saving and loading an archive of 100,000 small registered objects, against
// a plain fread of the same file (the floor any loader must pay). Prints
// throughput and the ratio of each archive pass to the fread.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench/BenchSupport.h"
#include "engine/OmArchive.h"
#include "engine/OmArray.h"
#include "engine/OmObject.h"

namespace {
constexpr uint32_t kObjects = 100000;
}

// A small object: a name, two numbers and a link to a partner.
class BenchItem : public OmObject {
    OM_DECLARE_CLASS(BenchItem)

    BenchItem() = default;
    explicit BenchItem(OmArchive& archive) : OmObject(archive) {}

    bool Register(OmArchive& archive) override
    {
        if (!OmObject::Register(archive))
            return false;
        if (partner)
            partner->Register(archive);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteU32(value).WriteFloat(weight).WriteObjectRef(partner);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        archive.ReadU32(value).ReadFloat(weight).ReadRef(partner);
    }

    uint32_t value = 0;
    float weight = 0;
    BenchItem* partner = nullptr; // not held
};

// The root: holds every item, so registration stays shallow.
class BenchSet : public OmObject {
    OM_DECLARE_CLASS(BenchSet)

    BenchSet() = default;
    explicit BenchSet(OmArchive& archive) : OmObject(archive) {}
    ~BenchSet() override
    {
        for (uint32_t i = 0; i < items.GetCount(); ++i)
            items[i]->Release();
    }

    bool Register(OmArchive& archive) override
    {
        if (!OmObject::Register(archive))
            return false;
        for (uint32_t i = 0; i < items.GetCount(); ++i)
            items[i]->Register(archive);
        return true;
    }
    void Write(OmArchive& archive) override
    {
        OmObject::Write(archive);
        archive.WriteU32(items.GetCount());
        for (uint32_t i = 0; i < items.GetCount(); ++i)
            archive.WriteObjectRef(items[i]);
    }
    void Read(OmArchive& archive) override
    {
        OmObject::Read(archive);
        uint32_t count = 0;
        archive.ReadU32(count);
        if (!archive.CanRead(uint64_t(count) * 8))
            return archive.Fail("item count larger than the file");
        items.Resize(count);
        for (uint32_t i = 0; i < count; ++i)
            archive.ReadHeldRef(items[i]);
    }

    OmArray<BenchItem*> items{1024};
};

OM_IMPLEMENT_CLASS(BenchItem, OmObject)
OM_IMPLEMENT_CLASS(BenchSet, OmObject)

namespace {

std::string FilePath()
{
    static const std::string path =
        (std::filesystem::temp_directory_path() / ("om_bench_archive_" + std::to_string(getpid()))).string();
    return path;
}

BenchSet* BuildSet()
{
    BenchSet* set = new BenchSet();
    for (uint32_t i = 0; i < kObjects; ++i) {
        BenchItem* item = new BenchItem();
        item->value = i;
        item->weight = float(i) * 0.5f;
        if (i % 16 == 0) {
            char name[32];
            std::snprintf(name, sizeof name, "item%u", i);
            item->SetName(name);
        }
        set->items.Add(item);
    }
    for (uint32_t i = 0; i < kObjects; ++i)
        set->items[i]->partner = set->items[(i * 7 + 1) % kObjects];
    return set;
}

bool Save(BenchSet* set)
{
    OmArchive archive(OmClassRegistry::Instance());
    archive.AddRoot(set);
    return archive.Save(FilePath().c_str());
}

uint64_t FileBytes()
{
    return std::filesystem::file_size(FilePath());
}

void BM_Save(benchmark::State& state)
{
    BenchSet* set = BuildSet();
    for (auto _ : state) {
        if (!Save(set))
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations() * FileBytes()));
    state.SetItemsProcessed(int64_t(state.iterations() * kObjects));
    set->Release();
}

void BM_Load(benchmark::State& state)
{
    BenchSet* original = BuildSet();
    Save(original);
    original->Release();
    for (auto _ : state) {
        OmArchive archive(OmClassRegistry::Instance());
        if (!archive.Load(FilePath().c_str())) {
            state.SkipWithError("load failed");
            break;
        }
        BenchSet* set = BenchSet::Cast(archive.GetRoot(0));
        state.PauseTiming();
        set->Release();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * FileBytes()));
    state.SetItemsProcessed(int64_t(state.iterations() * kObjects));
}

void BM_FreadReference(benchmark::State& state)
{
    BenchSet* original = BuildSet();
    Save(original);
    original->Release();
    std::vector<char> buffer(FileBytes());
    for (auto _ : state) {
        std::FILE* file = std::fopen(FilePath().c_str(), "rb");
        size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        std::fclose(file);
        benchmark::DoNotOptimize(got);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations() * buffer.size()));
}

BENCHMARK(BM_FreadReference)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    OmClassRegistry::Instance().AssignClassIds();
    benchmark::Initialize(&argc, argv);
    bench::RunReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double fread = reporter.Time("BM_FreadReference");
    double save = reporter.Time("BM_Save");
    double load = reporter.Time("BM_Load");
    if (fread > 0 && std::filesystem::exists(FilePath())) {
        double megabytes = double(FileBytes()) / (1024.0 * 1024.0);
        std::printf("\n%u objects, %.2f MB file\n", kObjects, megabytes);
        std::printf("save: %.1f ms (%.0f MB/s), %.1f x the fread\n", save, megabytes / (save / 1000.0), save / fread);
        std::printf("load: %.1f ms (%.0f MB/s), %.1f x the fread\n", load, megabytes / (load / 1000.0), load / fread);
        std::printf("fread reference: %.2f ms\n", fread);
    }
    std::filesystem::remove(FilePath());
    benchmark::Shutdown();
    return 0;
}
