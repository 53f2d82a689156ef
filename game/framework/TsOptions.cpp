#include "game/framework/TsOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "engine/OmMath.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsAudio.h"
#include "game/framework/TsInput.h"
#include "game/framework/TsLog.h"
#include "game/framework/TsScriptHost.h"
#include "platform/FilePath.h"
#include "platform/GfxDevice.h"
#include "platform/KeyCodes.h"
#include "render/OmD3D.h"

namespace {

constexpr const char* kObject = "TsAccess.Options()";

// "%f" as the C locale writes it, whatever locale the process runs in.
std::string FixedSix(float value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    return std::string(buffer, result.ec == std::errc() ? result.ptr : buffer);
}

class OptionsWriter {
public:
    explicit OptionsWriter(std::FILE* file) : m_file(file) {}
    void Text(const char* text) { m_ok = m_ok && std::fputs(text, m_file) >= 0; }
    void Call(const char* name, int value)
    {
        m_ok = m_ok && std::fprintf(m_file, "%s:%s(%d)\n", kObject, name, value) > 0;
    }
    void Call(const char* name, const std::string& value)
    {
        m_ok = m_ok && std::fprintf(m_file, "%s:%s(%s)\n", kObject, name, value.c_str()) > 0;
    }
    void Call(const char* name, int a, int b)
    {
        m_ok = m_ok && std::fprintf(m_file, "%s:%s(%d,%d)\n", kObject, name, a, b) > 0;
    }
    bool Ok() const { return m_ok; }

private:
    std::FILE* m_file;
    bool m_ok = true;
};

} // namespace

TsOptions::TsOptions()
    : m_speechVolume(0), m_musicVolume(0), m_effectsVolume(0), m_texDetail(2), m_animDetail(2), m_fxDetail(2),
      m_gamma(0.5f), m_transparentCam(true), m_animatingInventory(true), m_bindings(), m_screenWidth(800),
      m_screenHeight(600), m_bitDepth(16), m_adapter(0)
{
    m_bindings.SetDefaults();
}

// The steps are truncated before the offset is added, as the sliders have
// always counted them; a place off the slider gives its nearest end.
int TsOptions::VolumeAtSliderPlace(float place)
{
    constexpr int range = kMaxVolume - kMinVolume;
    return kMinVolume + std::clamp(SaturatingInt(place * float(range)), 0, range);
}

void TsOptions::SetLMoveRFire(bool leftMoves)
{
    m_bindings.mouseButton[TS_ACTION_SELECT] = leftMoves ? 0 : 1;
    m_bindings.mouseButton[TS_ACTION_MOVE] = leftMoves ? 0 : 1;
    m_bindings.mouseButton[TS_ACTION_CANCEL] = leftMoves ? 1 : 0;
    m_bindings.mouseButton[TS_ACTION_ATTACK] = leftMoves ? 1 : 0;
}

void TsOptions::SetKeyBinding(int action, int key)
{
    if (action < 0 || action > kLastBindableAction || key < -1 || key >= plat::kKeyCodeCount) {
        return;
    }
    m_bindings.key[action] = key;
}

bool TsOptions::Load()
{
    return Load(TsAccess::LuaState(), kFileName);
}

bool TsOptions::Load(lua_State* L, const char* path)
{
    if (!plat::PathExists(path)) {
        return true;
    }
    if (!L) {
        LogErrorF("%s was not read: no script state is open", path);
        return false;
    }
    const TsOptions before = *this;
    if (TsScriptHost::DoFile(L, path) != TS_SCRIPT_OK) {
        *this = before;
        LogErrorF("%s could not be run; the options stay as they were", path);
        return false;
    }
    return true;
}

bool TsOptions::Save() const
{
    return Save(kFileName);
}

bool TsOptions::Save(const char* path) const
{
    const std::string target = plat::ResolvePath(path);
    const std::string temporary = target + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) {
        LogErrorF("Could not write the options to %s", temporary.c_str());
        return false;
    }
    OptionsWriter out(file);
    out.Text("-- Game Options Setup File\n--\n");
    char line[96];
    std::snprintf(line, sizeof line, "\n-- Audio Options (audio range = %d to %d)\n", kMinVolume, kMaxVolume);
    out.Text(line);
    out.Call("SetSpeechVolume", m_speechVolume);
    out.Call("SetMusicVolume", m_musicVolume);
    out.Call("SetEffectsVolume", m_effectsVolume);
    out.Text("\n-- Game Options\n");
    out.Call("SetTransparentCam", m_transparentCam ? 1 : 0);
    out.Call("SetAnimatingInventory", m_animatingInventory ? 1 : 0);
    out.Text("\n-- Graphics Options\n");
    out.Call("SetTexDetailLevel", m_texDetail);
    out.Call("SetAnimDetailLevel", m_animDetail);
    out.Call("SetFXDetailLevel", m_fxDetail);
    out.Call("SetGamma", FixedSix(m_gamma));
    out.Call("SetScreenWidth", m_screenWidth);
    out.Call("SetScreenHeight", m_screenHeight);
    out.Call("SetBitDepth", m_bitDepth);
    out.Call("SetAdapter", m_adapter);
    out.Text("\n\n-- Control Bindings\n");
    out.Call("SetLMoveRFire", m_bindings.mouseButton[TS_ACTION_MOVE] == 0 ? 1 : 0);
    out.Call("SetUseMouseWheel", m_bindings.useMouseWheel != 0 ? 1 : 0);
    out.Text("\n");
    for (int action = TS_ACTION_CAMERA_LEFT; action <= kLastBindableAction; ++action) {
        out.Call("SetKeyBinding", action, m_bindings.key[action]);
    }
    const bool written = out.Ok() && std::fflush(file) == 0 && !std::ferror(file);
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary.c_str());
        LogErrorF("Could not write the options to %s; the old file is kept", temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        LogErrorF("Could not replace %s with the new options", target.c_str());
        return false;
    }
    return true;
}

void TsOptions::Apply(int flags) const
{
    Apply(flags, Targets{OmD3D::Instance(), TsAccess::Audio(), TsAccess::Input()});
}

void TsOptions::Apply(int flags, const Targets& targets) const
{
    if (flags & APPLY_GRAPHICS) {
        ApplyDisplay(targets.renderer);
    }
    if (flags & APPLY_AUDIO) {
        if (targets.audio) {
            targets.audio->SetVolumes(m_effectsVolume, m_musicVolume, m_speechVolume);
        } else {
            LogError("Options: there is no audio object; volumes not applied");
        }
    }
    if (flags & APPLY_BINDINGS) {
        if (targets.input) {
            targets.input->SetKeyBindings(m_bindings);
        } else {
            LogError("Options: there is no input object; control bindings not applied");
        }
    }
}

void TsOptions::ApplyDisplay(OmD3D* renderer) const
{
    if (!renderer) {
        LogError("Options: there is no renderer; texture size and gamma not applied");
        return;
    }
    renderer->SetMaxTextureSize(static_cast<uint32_t>(GetMaxTextureSize()));
    ApplyGamma(renderer->GetDevice());
}

void TsOptions::ApplyGamma() const
{
    OmD3D* renderer = OmD3D::Instance();
    ApplyGamma(renderer ? renderer->GetDevice() : nullptr);
}

void TsOptions::ApplyGamma(plat::GfxDevice* device) const
{
    if (!device) {
        LogError("Options: there is no display device; gamma ramp not set");
        return;
    }
    plat::GfxGammaRamp ramp{};
    device->GetGammaRamp(&ramp);
    BuildGammaRamp(m_gamma, ramp.red);
    std::copy(std::begin(ramp.red), std::end(ramp.red), ramp.green);
    std::copy(std::begin(ramp.red), std::end(ramp.red), ramp.blue);
    plat::GfxCaps caps{};
    const bool calibrate = device->GetDeviceCaps(&caps) >= 0
        && (caps.caps2 & plat::GfxCaps2Bits::CanCalibrateGamma) != 0;
    device->SetGammaRamp(calibrate ? plat::GfxGamma::Calibrate : plat::GfxGamma::NoCalibration, &ramp);
}

void TsOptions::BuildGammaRamp(float gamma, std::uint16_t (&ramp)[256])
{
    const float e = gamma * 1.3f - 0.5f;
    float x = 0.0f;
    for (int i = 0; i < 256; ++i) {
        const float v = e + 1.0f > 0.0f ? std::pow(x, 1.0f / (e + 1.0f)) : x;
        const float scaled = v * 65535.0f;
        ramp[i] = static_cast<std::uint16_t>(std::isnan(scaled) ? 0.0f : std::clamp(scaled, 0.0f, 65535.0f));
        x += 1.0f / 255.0f;
    }
}

int TsOptions::GetMaxTextureSize() const
{
    switch (m_texDetail) {
    case 1: return 256;
    case 2: return 0;
    default: return 128;
    }
}

int TsOptions::GetAnimDetailValue() const
{
    switch (m_animDetail) {
    case 0: return 2;
    case 1: return 3;
    default: return 4;
    }
}

int TsOptions::GetOverallDetail() const
{
    return (std::clamp(m_texDetail, 0, 2) + std::clamp(m_animDetail, 0, 2) + std::clamp(m_fxDetail, 0, 2)) / 3;
}

const char* TsOptions::GetDetailLevelName(int level) const
{
    if (level < 0 || level > 2) {
        return "?";
    }
    const char* name = TsAccess::GetDialogDisplayString(30739 + level);
    return name ? name : "?";
}
