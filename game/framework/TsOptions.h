// The player's settings: volumes, game switches, detail levels, gamma, the
// display mode and the control bindings. They persist as "options.lua", a
// script of TsAccess.Options():Set...(value) calls.
#pragma once

#include <cstdint>

#include "game/framework/TsKeyBindings.h"

struct lua_State;
class OmD3D;
class TsAudio;
class TsInput;
namespace plat {
class GfxDevice;
}

class TsOptions {
public:
    static constexpr int kMinVolume = -3000;
    static constexpr int kMaxVolume = 0;
    static constexpr int kLastBindableAction = TS_ACTION_QUIT; // SetKeyBinding takes actions up to quit
    static constexpr const char* kFileName = "options.lua";

    // Groups for Apply.
    enum ApplyFlags : int { APPLY_GRAPHICS = 1, APPLY_AUDIO = 4, APPLY_BINDINGS = 8 };

    TsOptions();

    void SetSpeechVolume(int volume) { speechVolume_ = volume; }
    void SetMusicVolume(int volume) { musicVolume_ = volume; }
    void SetEffectsVolume(int volume) { effectsVolume_ = volume; }
    int GetSpeechVolume() const { return speechVolume_; }
    int GetMusicVolume() const { return musicVolume_; }
    int GetEffectsVolume() const { return effectsVolume_; }

    void SetTransparentCam(bool on) { transparentCam_ = on; }
    bool IsTransparentCam() const { return transparentCam_; }
    void SetAnimatingInventory(bool on) { animatingInventory_ = on; }
    bool IsAnimatingInventory() const { return animatingInventory_; }

    void SetTexDetailLevel(int level) { texDetail_ = level; }
    void SetAnimDetailLevel(int level) { animDetail_ = level; }
    void SetFXDetailLevel(int level) { fxDetail_ = level; }
    int GetTexDetailLevel() const { return texDetail_; }
    int GetAnimDetailLevel() const { return animDetail_; }
    int GetFXDetailLevel() const { return fxDetail_; }

    void SetGamma(float gamma) { gamma_ = gamma; }
    float GetGamma() const { return gamma_; }

    void SetScreenWidth(int width) { screenWidth_ = width; }
    void SetScreenHeight(int height) { screenHeight_ = height; }
    void SetBitDepth(int depth) { bitDepth_ = depth; }
    void SetAdapter(int adapter) { adapter_ = adapter; }
    int GetScreenWidth() const { return screenWidth_; }
    int GetScreenHeight() const { return screenHeight_; }
    int GetBitDepth() const { return bitDepth_; }
    int GetAdapter() const { return adapter_; }

    // Left button moves and right fires (true) or the other way round.
    void SetLMoveRFire(bool leftMoves);
    void SetUseMouseWheel(bool on) { bindings_.useMouseWheel = on ? 1 : 0; }
    // Actions 0-28 and keys -1 (none) to 255; anything else is ignored.
    void SetKeyBinding(int action, int key);
    const TsKeyBindings& GetKeyBindings() const { return bindings_; }

    // Runs "options.lua" in the application's script state. A missing file
    // keeps the settings; a file that fails to run logs an error and also
    // keeps the settings as they were before it ran.
    bool Load();
    bool Load(lua_State* L, const char* path);
    // Rewrites "options.lua" through a temporary file, so a failed write
    // leaves the previous file whole. False (and logged) on failure.
    bool Save() const;
    bool Save(const char* path) const;

    // Hands the option groups of the flags to the services that use them:
    // APPLY_GRAPHICS the texture-size limit to the renderer and the gamma
    // ramp to the device, APPLY_AUDIO the three volumes to the audio,
    // APPLY_BINDINGS the key bindings and mouse scheme to the input. A
    // missing service is logged and its group left alone.
    void Apply(int flags) const;
    // The same with the services named (the application's own by default).
    struct Targets {
        OmD3D* renderer;
        TsAudio* audio;
        TsInput* input;
    };
    void Apply(int flags, const Targets& targets) const;
    // Builds the ramp from the gamma option and sets it on the device.
    void ApplyGamma() const;
    // The ramp entry of each of the 256 levels for a gamma setting.
    static void BuildGammaRamp(float gamma, std::uint16_t (&ramp)[256]);

    int GetMaxTextureSize() const;
    int GetAnimDetailValue() const;
    int GetOverallDetail() const;
    const char* GetDetailLevelName(int level) const;

private:
    void ApplyDisplay(OmD3D* renderer) const;
    void ApplyGamma(plat::GfxDevice* device) const;

    int speechVolume_;
    int musicVolume_;
    int effectsVolume_;
    int texDetail_;
    int animDetail_;
    int fxDetail_;
    float gamma_;
    bool transparentCam_;
    bool animatingInventory_;
    TsKeyBindings bindings_;
    int screenWidth_;
    int screenHeight_;
    int bitDepth_;
    int adapter_;
};
