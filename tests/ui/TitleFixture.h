// The real application with the title front end as its mode, running in a
// scratch folder that links the demo's data and scripts (so saves and
// options.lua stay there).
#pragma once

#include "tests/ui/AppFixture.h"
#include "ui/TsFrontEnd.h"

namespace titletest {

class TitleTest : public apptest::AppTest {
protected:
    TitleTest();
    void SetUp() override;
    TsFrontEnd& Title();
};

constexpr int kKeyEscape = 0x01;
constexpr int kKeyReturn = 0x1C;

} // namespace titletest
