#include "game/framework/TsOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

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
    explicit OptionsWriter(std::FILE* file) : file_(file) {}
    void Text(const char* text) { ok_ = ok_ && std::fputs(text, file_) >= 0; }
    void Call(const char* name, int value) { ok_ = ok_ && std::fprintf(file_, "%s:%s(%d)\n", kObject, name, value) > 0; }
    void Call(const char* name, const std::string& value)
    {
        ok_ = ok_ && std::fprintf(file_, "%s:%s(%s)\n", kObject, name, value.c_str()) > 0;
    }
    void Call(const char* name, int a, int b)
    {
        ok_ = ok_ && std::fprintf(file_, "%s:%s(%d,%d)\n", kObject, name, a, b) > 0;
    }
    bool Ok() const { return ok_; }

private:
    std::FILE* file_;
    bool ok_ = true;
};

} // namespace

TsOptions::TsOptions()
    : speechVolume_(0), musicVolume_(0), effectsVolume_(0), texDetail_(2), animDetail_(2), fxDetail_(2),
      gamma_(0.5f), transparentCam_(true), animatingInventory_(true), bindings_(), screenWidth_(800),
      screenHeight_(600), bitDepth_(16), adapter_(0)
{
    bindings_.SetDefaults();
}

void TsOptions::SetLMoveRFire(bool leftMoves)
{
    bindings_.mouseButton[TS_ACTION_SELECT] = leftMoves ? 0 : 1;
    bindings_.mouseButton[TS_ACTION_MOVE] = leftMoves ? 0 : 1;
    bindings_.mouseButton[TS_ACTION_CANCEL] = leftMoves ? 1 : 0;
    bindings_.mouseButton[TS_ACTION_ATTACK] = leftMoves ? 1 : 0;
}

void TsOptions::SetKeyBinding(int action, int key)
{
    if (action < 0 || action > kLastBindableAction || key < -1 || key >= plat::kKeyCodeCount) {
        return;
    }
    bindings_.key[action] = key;
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
    out.Call("SetSpeechVolume", speechVolume_);
    out.Call("SetMusicVolume", musicVolume_);
    out.Call("SetEffectsVolume", effectsVolume_);
    out.Text("\n-- Game Options\n");
    out.Call("SetTransparentCam", transparentCam_ ? 1 : 0);
    out.Call("SetAnimatingInventory", animatingInventory_ ? 1 : 0);
    out.Text("\n-- Graphics Options\n");
    out.Call("SetTexDetailLevel", texDetail_);
    out.Call("SetAnimDetailLevel", animDetail_);
    out.Call("SetFXDetailLevel", fxDetail_);
    out.Call("SetGamma", FixedSix(gamma_));
    out.Call("SetScreenWidth", screenWidth_);
    out.Call("SetScreenHeight", screenHeight_);
    out.Call("SetBitDepth", bitDepth_);
    out.Call("SetAdapter", adapter_);
    out.Text("\n\n-- Control Bindings\n");
    out.Call("SetLMoveRFire", bindings_.mouseButton[TS_ACTION_MOVE] == 0 ? 1 : 0);
    out.Call("SetUseMouseWheel", bindings_.useMouseWheel != 0 ? 1 : 0);
    out.Text("\n");
    for (int action = TS_ACTION_CAMERA_LEFT; action <= kLastBindableAction; ++action) {
        out.Call("SetKeyBinding", action, bindings_.key[action]);
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
            targets.audio->SetVolumes(effectsVolume_, musicVolume_, speechVolume_);
        } else {
            LogError("Options: there is no audio object; volumes not applied");
        }
    }
    if (flags & APPLY_BINDINGS) {
        if (targets.input) {
            targets.input->SetKeyBindings(bindings_);
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
    BuildGammaRamp(gamma_, ramp.red);
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
    switch (texDetail_) {
    case 1: return 256;
    case 2: return 0;
    default: return 128;
    }
}

int TsOptions::GetAnimDetailValue() const
{
    switch (animDetail_) {
    case 0: return 2;
    case 1: return 3;
    default: return 4;
    }
}

int TsOptions::GetOverallDetail() const
{
    return (std::clamp(texDetail_, 0, 2) + std::clamp(animDetail_, 0, 2) + std::clamp(fxDetail_, 0, 2)) / 3;
}

const char* TsOptions::GetDetailLevelName(int level) const
{
    if (level < 0 || level > 2) {
        return "?";
    }
    const char* name = TsAccess::GetDialogDisplayString(30739 + level);
    return name ? name : "?";
}
