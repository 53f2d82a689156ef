#include "tests/ui/TitleFixture.h"

#include <cstdlib>
#include <filesystem>

#include "platform/FilePath.h"

namespace titletest {

namespace {

TsGameMode* MakeTitle() { return new TsFrontEnd(); }

} // namespace

TitleTest::TitleTest() : AppTest(&MakeTitle) {}

void TitleTest::SetUp()
{
    const char* dir = std::getenv("OM_SOURCE_DIR");
    const std::filesystem::path source = dir ? std::filesystem::path(dir) : std::filesystem::current_path();
    ASSERT_TRUE(std::filesystem::exists(source / "data" / "frontend" / "helmer" / "helmer.pbf"))
        << "the demo data is missing: run tools/make-data BUILD_DIR";
    scratch = std::make_unique<ScratchDir>();
    for (const char* shared : {"data", "scripts"})
        std::filesystem::create_directory_symlink(source / shared, shared);
    plat::ClearPathCache();
    AppTest::SetUp();
}

TsFrontEnd& TitleTest::Title() { return *TsFrontEnd::Cast(app->GetMode()); }

} // namespace titletest
