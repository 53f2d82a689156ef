#include "game/framework/TsStartupDialog.h"

#include <cstdio>

#include "game/framework/TsLog.h"
#include "game/framework/TsOptions.h"
#include "game/framework/TsStartupDialogWindow.h"
#include "platform/GfxTypes.h"
#include "platform/MessageBox.h"
#include "platform/SoundDevice.h"
#include "render/OmD3D.h"

namespace {

constexpr const char* kNoAudioText =
    "Tessaran could not initialise audio subsystem.\nPlease ensure a DirectX 8.1 compatible sound card installed.";
constexpr const char* kNoDisplayText =
    "Tessaran could not initialise DirectX.\nPlease ensure DirectX 8.1 or later is installed.\n"
    "It can be downloaded from www.microsoft.com/directx.";
constexpr const char* kNoModeText =
    "Tessaran could not find a compatible display mode.\nTry changing your desktop display mode to High Color "
    "(16 bit), or updating\nyour video card driver.";

constexpr int kFallbackWidth = 800;
constexpr int kFallbackHeight = 600;
constexpr int kFallbackBits = 16;

} // namespace

bool TsStartupDialog::Run(TsOptions& options, bool& skipVideos)
{
    OmD3D* renderer = OmD3D::Instance();
    if (!renderer) {
        LogError("TsStartupDialog: there is no renderer to choose a display for");
        return false;
    }
    TsStartupDialog dialog(*renderer, options, skipVideos);
    if (dialog.Prepare() != kPlay)
        return false;
    TsStartupDialogWindow window(dialog);
    std::string error;
    if (!window.Create(&error)) {
        LogErrorF("TsStartupDialog: the dialog window cannot be shown: %s", error.c_str());
        plat::ShowMessageBox(kErrorCaption, kNoDisplayText);
        return false;
    }
    return window.RunModal() == kPlay;
}

TsStartupDialog::TsStartupDialog(OmD3D& renderer, TsOptions& options, bool& skipVideos)
    : m_renderer(renderer), m_options(options), m_skipVideos(skipVideos)
{
}

int TsStartupDialog::BitClass(uint32_t format)
{
    using namespace plat::GfxFormat;
    return format == R8G8B8 || format == A8R8G8B8 || format == X8R8G8B8 ? 32 : 16;
}

int TsStartupDialog::Prepare()
{
    if (!CheckSound() || !CheckDisplay())
        return kQuit;
    m_fmvDisabled = m_skipVideos;
    const int count = AdapterCount();
    const int wanted = m_options.GetAdapter();
    m_adapter = wanted >= 0 && wanted < count ? wanted : 0;
    if (ModesOf(m_adapter) == 0) {
        m_adapter = FirstUsableAdapter();
        if (m_adapter < 0) {
            plat::ShowMessageBox(kErrorCaption, kNoModeText);
            return kQuit;
        }
    }
    FillModeTexts();
    m_mode = FindMode(m_options.GetScreenWidth(), m_options.GetScreenHeight(), m_options.GetBitDepth());
    if (m_mode < 0)
        m_mode = FindMode(kFallbackWidth, kFallbackHeight, kFallbackBits);
    if (m_mode < 0)
        m_mode = 0;
    return kPlay;
}

bool TsStartupDialog::CheckSound()
{
    std::string error;
    if (plat::CheckSoundDevice(error))
        return true;
    LogErrorF("TsStartupDialog: sound check failed: %s", error.c_str());
    plat::ShowMessageBox(kErrorCaption, kNoAudioText);
    return false;
}

bool TsStartupDialog::CheckDisplay()
{
    if (!m_renderer.EnumerateAdapters(nullptr)) {
        plat::ShowMessageBox(kErrorCaption, kNoDisplayText);
        return false;
    }
    FillAdapterTexts();
    return true;
}

int TsStartupDialog::ModesOf(int adapter) const
{
    const OmAdapterRecord* record = adapter >= 0 ? m_renderer.GetAdapter(static_cast<uint32_t>(adapter)) : nullptr;
    return record ? static_cast<int>(record->modes.size()) : 0;
}

// The lowest-numbered adapter that has at least one mode, -1 when none has.
int TsStartupDialog::FirstUsableAdapter() const
{
    int found = -1;
    for (int i = AdapterCount() - 1; i >= 0; --i) {
        if (ModesOf(i) > 0)
            found = i;
    }
    return found;
}

int TsStartupDialog::FindMode(int width, int height, int bits) const
{
    const OmAdapterRecord* record = m_renderer.GetAdapter(static_cast<uint32_t>(m_adapter));
    if (!record)
        return -1;
    for (size_t i = 0; i < record->modes.size(); ++i) {
        const plat::GfxDisplayMode& m = record->modes[i];
        if (static_cast<int>(m.width) == width && static_cast<int>(m.height) == height && BitClass(m.format) == bits)
            return static_cast<int>(i);
    }
    return -1;
}

void TsStartupDialog::FillAdapterTexts()
{
    m_adapterTexts.clear();
    for (uint32_t i = 0; i < m_renderer.GetAdapterCount(); ++i)
        m_adapterTexts.emplace_back(m_renderer.GetAdapter(i)->identifier.description);
}

void TsStartupDialog::FillModeTexts()
{
    m_modeTexts.clear();
    const OmAdapterRecord* record = m_renderer.GetAdapter(static_cast<uint32_t>(m_adapter));
    if (!record)
        return;
    for (const plat::GfxDisplayMode& m : record->modes) {
        char text[64];
        std::snprintf(text, sizeof text, "%ld x %ld x %ld", static_cast<long>(m.width), static_cast<long>(m.height),
                      static_cast<long>(BitClass(m.format)));
        m_modeTexts.emplace_back(text);
    }
}

bool TsStartupDialog::SelectAdapter(int index)
{
    if (index < 0 || index >= AdapterCount() || ModesOf(index) == 0)
        return false;
    if (index != m_adapter) {
        m_adapter = index;
        FillModeTexts();
    }
    m_mode = 0;
    return true;
}

bool TsStartupDialog::SelectMode(int index)
{
    if (index < 0 || index >= ModeCount())
        return false;
    m_mode = index;
    return true;
}

int TsStartupDialog::Play()
{
    const OmAdapterRecord* record = m_renderer.GetAdapter(static_cast<uint32_t>(m_adapter));
    if (record && m_mode >= 0 && m_mode < static_cast<int>(record->modes.size())) {
        const plat::GfxDisplayMode& m = record->modes[static_cast<size_t>(m_mode)];
        m_renderer.SelectAdapter(static_cast<uint32_t>(m_adapter));
        m_renderer.SelectDisplayMode(static_cast<uint32_t>(m_mode));
        m_options.SetAdapter(m_adapter);
        m_options.SetScreenWidth(static_cast<int>(m.width));
        m_options.SetScreenHeight(static_cast<int>(m.height));
        m_options.SetBitDepth(BitClass(m.format));
    }
    m_skipVideos = m_fmvDisabled;
    return kPlay;
}
