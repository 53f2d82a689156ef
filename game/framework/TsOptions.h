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

    void SetSpeechVolume(int volume) { m_speechVolume = volume; }
    void SetMusicVolume(int volume) { m_musicVolume = volume; }
    void SetEffectsVolume(int volume) { m_effectsVolume = volume; }
    int GetSpeechVolume() const { return m_speechVolume; }
    int GetMusicVolume() const { return m_musicVolume; }
    int GetEffectsVolume() const { return m_effectsVolume; }
    // A volume slider's place (0 at the quietest, 1 at full) for a volume,
    // and the volume at a place. Worked in float: a volume an options file
    // set past the range puts the slider past its end (where the slider
    // holds it) instead of overflowing.
    static float SliderPlaceOf(int volume)
    {
        return (float(volume) - float(kMinVolume)) * (1.0f / float(kMaxVolume - kMinVolume));
    }
    static int VolumeAtSliderPlace(float place);

    void SetTransparentCam(bool on) { m_transparentCam = on; }
    bool IsTransparentCam() const { return m_transparentCam; }
    void SetAnimatingInventory(bool on) { m_animatingInventory = on; }
    bool IsAnimatingInventory() const { return m_animatingInventory; }

    void SetTexDetailLevel(int level) { m_texDetail = level; }
    void SetAnimDetailLevel(int level) { m_animDetail = level; }
    void SetFXDetailLevel(int level) { m_fxDetail = level; }
    int GetTexDetailLevel() const { return m_texDetail; }
    int GetAnimDetailLevel() const { return m_animDetail; }
    int GetFXDetailLevel() const { return m_fxDetail; }

    void SetGamma(float gamma) { m_gamma = gamma; }
    float GetGamma() const { return m_gamma; }

    void SetScreenWidth(int width) { m_screenWidth = width; }
    void SetScreenHeight(int height) { m_screenHeight = height; }
    void SetBitDepth(int depth) { m_bitDepth = depth; }
    void SetAdapter(int adapter) { m_adapter = adapter; }
    int GetScreenWidth() const { return m_screenWidth; }
    int GetScreenHeight() const { return m_screenHeight; }
    int GetBitDepth() const { return m_bitDepth; }
    int GetAdapter() const { return m_adapter; }

    // Left button moves and right fires (true) or the other way round.
    void SetLMoveRFire(bool leftMoves);
    void SetUseMouseWheel(bool on) { m_bindings.useMouseWheel = on ? 1 : 0; }
    // Actions 0-28 and keys -1 (none) to 255; anything else is ignored.
    void SetKeyBinding(int action, int key);
    const TsKeyBindings& GetKeyBindings() const { return m_bindings; }

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

    int m_speechVolume;
    int m_musicVolume;
    int m_effectsVolume;
    int m_texDetail;
    int m_animDetail;
    int m_fxDetail;
    float m_gamma;
    bool m_transparentCam;
    bool m_animatingInventory;
    TsKeyBindings m_bindings;
    int m_screenWidth;
    int m_screenHeight;
    int m_bitDepth;
    int m_adapter;
};
