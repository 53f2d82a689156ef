#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>

#include "game/framework/TsAccess.h"
#include "game/framework/TsOptions.h"
#include "platform/KeyCodes.h"
#include "tests/game/framework/LogCapture.h"
#include "testing/ScratchDir.h"
#include "tests/game/framework/ScriptState.h"

namespace {

TsOptions ChangedOptions()
{
    TsOptions o;
    o.SetSpeechVolume(-100);
    o.SetMusicVolume(-2999);
    o.SetEffectsVolume(-3000);
    o.SetTransparentCam(false);
    o.SetAnimatingInventory(false);
    o.SetTexDetailLevel(0);
    o.SetAnimDetailLevel(1);
    o.SetFXDetailLevel(0);
    o.SetGamma(0.75f);
    o.SetScreenWidth(1024);
    o.SetScreenHeight(768);
    o.SetBitDepth(32);
    o.SetAdapter(1);
    o.SetLMoveRFire(false);
    o.SetUseMouseWheel(false);
    for (int action = TS_ACTION_CAMERA_LEFT; action <= TsOptions::kLastBindableAction; ++action) {
        o.SetKeyBinding(action, 100 + action);
    }
    o.SetKeyBinding(TS_ACTION_ZOOM_OUT, -1);
    return o;
}

// The options file runs through the script bindings onto the game's options.
class OptionsFileTest : public ::testing::Test {
protected:
    OptionsFileTest() { m_options = TsOptions(); }
    ~OptionsFileTest() override { m_options = TsOptions(); }
    // Two sets of options are the same when they write the same file.
    std::string Written(const TsOptions& options)
    {
        EXPECT_TRUE(options.Save("compare.lua"));
        return m_dir.Read("compare.lua");
    }
    LogCapture m_log;
    ScratchDir m_dir;
    ScriptState m_lua;
    TsOptions& m_options = *TsAccess::Options();
};

TEST_F(OptionsFileTest, EverySettingRoundTripsThroughOptionsLuaInAnyLocale)
{
    const TsOptions saved = ChangedOptions();
    // A locale with a decimal comma must not leak into the file.
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const bool written = saved.Save();
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(written);
    const std::string text = m_dir.Read("options.lua");
    EXPECT_NE(text.find("TsAccess.Options():SetGamma(0.750000)\n"), std::string::npos);
    const std::string set = "\nTsAccess.Options():Set";
    size_t settings = 0; // every setting is written, so the comparisons below see them all
    for (size_t at = text.find(set); at != std::string::npos; at = text.find(set, at + 1))
        ++settings;
    EXPECT_EQ(settings, 3u + 2 + 8 + 2 + 24);
    ASSERT_TRUE(m_options.Load(m_lua.L(), "options.lua"));
    EXPECT_EQ(Written(m_options), Written(saved));
    EXPECT_FALSE(std::filesystem::exists("options.lua.tmp"));

    // Defaults round-trip too, including the mouse buttons behind SetLMoveRFire.
    const TsOptions defaults;
    ASSERT_TRUE(defaults.Save());
    ASSERT_TRUE(m_options.Load(m_lua.L(), "OPTIONS.LUA"));
    EXPECT_EQ(Written(m_options), Written(defaults));
}

TEST_F(OptionsFileTest, BadOrMissingFilesKeepTheSettings)
{
    m_options = ChangedOptions();
    EXPECT_TRUE(m_options.Load(m_lua.L(), "options.lua")); // missing: nothing changes
    EXPECT_EQ(Written(m_options), Written(ChangedOptions()));

    // Half-run files (a setting applied, then an error) change nothing either.
    m_dir.Write("options.lua", "TsAccess.Options():SetSpeechVolume(-5)\nTsAccess.Options():SetGamma(\n");
    EXPECT_FALSE(m_options.Load(m_lua.L(), "options.lua"));
    m_dir.Write("options.lua", "TsAccess.Options():SetMusicVolume(-7)\nnot_a_function()\n");
    EXPECT_FALSE(m_options.Load(m_lua.L(), "options.lua"));
    EXPECT_EQ(Written(m_options), Written(ChangedOptions()));
    EXPECT_TRUE(m_log.Contains("options.lua could not be run; the options stay as they were"));
}

TEST(TsOptions, AFailedSaveKeepsThePreviousFile)
{
    LogCapture log;
    ScratchDir dir;
    dir.Write("options.lua", "-- previous settings\n");
    // The temporary file cannot be made where a folder of that name stands.
    std::filesystem::create_directory("options.lua.tmp");
    EXPECT_FALSE(ChangedOptions().Save());
    EXPECT_EQ(dir.Read("options.lua"), "-- previous settings\n");
    EXPECT_FALSE(TsOptions().Save("no/such/folder/options.lua"));
}

// Keys outside 0..255 are the bindings' test (the scripts set them).
TEST(TsOptions, BindingsOfActionsOutsideTheBindableRangeAreIgnored)
{
    TsOptions o;
    const TsKeyBindings before = o.GetKeyBindings();
    o.SetKeyBinding(TS_ACTION_IMMUNITY, plat::kKey4);
    o.SetKeyBinding(-1, plat::kKey4);
    EXPECT_TRUE(o.GetKeyBindings() == before);
    o.SetKeyBinding(TS_ACTION_QUIT, 255);
    EXPECT_EQ(o.GetKeyBindings().key[TS_ACTION_QUIT], 255);
}

TEST(TsOptions, DetailLevelsOutOfRangeFallBackRatherThanIndexPastTheirTables)
{
    TsOptions o;
    for (const auto& [level, size] : {std::pair{3, 128}, {-1, 128}}) {
        o.SetTexDetailLevel(level);
        EXPECT_EQ(o.GetMaxTextureSize(), size) << level;
    }
    o.SetAnimDetailLevel(7);
    EXPECT_EQ(o.GetAnimDetailValue(), 4);
    EXPECT_STREQ(o.GetDetailLevelName(3), "?");
}

TEST(TsOptions, GammaRampsStayLinearOrInsideTheRange)
{
    std::uint16_t ramp[256];
    // e + 1 <= 0 leaves the ramp linear; huge gammas stay inside the range.
    TsOptions::BuildGammaRamp(-1.0f, ramp);
    EXPECT_NEAR(ramp[51], 51.0 / 255.0 * 65535.0, 2.0);
    TsOptions::BuildGammaRamp(1e30f, ramp);
    EXPECT_LE(ramp[255], 65535);
}

// A volume an options file set anywhere in the int range puts the slider at
// or past its nearest end, and any place of the slider gives a volume the
// audio takes.
TEST(TsOptions, VolumesAndSliderPlacesOfAnySizeMeetAtTheRangesEnds)
{
    const struct {
        int volume;
        float place;
    } rows[] = {{TsOptions::kMinVolume, 0.0f}, {-1500, 0.5f}, {TsOptions::kMaxVolume, 1.0f}};
    for (const auto& row : rows) {
        EXPECT_FLOAT_EQ(TsOptions::SliderPlaceOf(row.volume), row.place) << row.volume;
        EXPECT_EQ(TsOptions::VolumeAtSliderPlace(row.place), row.volume) << row.place;
    }
    EXPECT_GT(TsOptions::SliderPlaceOf(INT32_MAX), 1.0f);
    EXPECT_LT(TsOptions::SliderPlaceOf(INT32_MIN), 0.0f);
    for (const float place : {-1e30f, 1e30f, std::nanf("")})
        EXPECT_GE(TsOptions::VolumeAtSliderPlace(place), TsOptions::kMinVolume) << place;
    EXPECT_EQ(TsOptions::VolumeAtSliderPlace(1e30f), TsOptions::kMaxVolume);
}

} // namespace
