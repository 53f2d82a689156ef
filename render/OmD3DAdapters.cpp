// Adapters and display modes for the start-up dialog, and the choice of a
// depth format the adapter accepts.
#include <algorithm>

#include "engine/OmRef.h"
#include "engine/OmReport.h"
#include "render/OmD3D.h"

using namespace plat;

namespace {

constexpr uint32_t kMinWidth = 640;
constexpr uint32_t kMinHeight = 480;

// Tried in this order forward (direction 0) or backward (direction 1).
constexpr uint32_t kDepthFormats[] = {GfxFormat::D16,   GfxFormat::D15S1,   GfxFormat::D24X8,
                                      GfxFormat::D24S8, GfxFormat::D24X4S4, GfxFormat::D32};
constexpr size_t kDepthFormatCount = std::size(kDepthFormats);

bool Listed(const std::vector<GfxDisplayMode>& modes, const GfxDisplayMode& mode)
{
    return std::any_of(modes.begin(), modes.end(), [&](const GfxDisplayMode& m) {
        return m.width == mode.width && m.height == mode.height && m.format == mode.format;
    });
}

} // namespace

bool OmD3D::CompareDisplayModes(const GfxDisplayMode& a, const GfxDisplayMode& b)
{
    if (a.format != b.format)
        return static_cast<int32_t>(a.format) > static_cast<int32_t>(b.format);
    if (a.width != b.width)
        return a.width < b.width;
    return a.height < b.height;
}

bool OmD3D::EnumerateAdapters(GfxSystem* system)
{
    OmRef<GfxSystem> own;
    if (!system) {
        own.AdoptNew(GfxSystem::Create(kSdkVersion));
        system = own;
        if (!system)
            return false;
    }
    m_adapterCount = system->GetAdapterCount();
    m_adapters.clear();
    m_adapters.resize(m_adapterCount);
    for (uint32_t i = 0; i < m_adapterCount; ++i) {
        OmAdapterRecord& record = m_adapters[i];
        system->GetAdapterIdentifier(i, GfxEnumNoWhqlLevel, &record.identifier);
        system->GetDeviceCaps(i, GfxDevType::Hal, &record.caps);
        if (record.caps.deviceType != GfxDevType::Hal)
            continue;
        record.reportedModeCount = system->GetAdapterModeCount(i);
        for (uint32_t j = 0; j < record.reportedModeCount; ++j) {
            GfxDisplayMode mode{};
            if (system->EnumAdapterModes(i, j, &mode) != GfxResult::Ok)
                continue;
            if (mode.width < kMinWidth || mode.height < kMinHeight || Listed(record.modes, mode))
                continue;
            record.modes.push_back(mode);
        }
        // Stable, so equal entries keep the order they were reported in.
        std::stable_sort(record.modes.begin(), record.modes.end(), CompareDisplayModes);
    }
    return true;
}

const OmAdapterRecord* OmD3D::GetAdapter(uint32_t i) const
{
    return i < m_adapterCount ? &m_adapters[i] : nullptr;
}

bool OmD3D::SelectAdapter(uint32_t i)
{
    if (i >= m_adapterCount)
        return false;
    m_selectedAdapter = static_cast<int32_t>(i);
    return true;
}

bool OmD3D::SelectDisplayMode(uint32_t i)
{
    if (m_selectedAdapter < 0 || i >= m_adapters[static_cast<uint32_t>(m_selectedAdapter)].modes.size())
        return false;
    m_selectedMode = static_cast<int32_t>(i);
    return true;
}

void OmD3D::SelectDepthFormat(uint32_t direction, GfxSystem* system, const GfxDisplayMode& mode)
{
    const bool backward = direction == 1;
    m_params.autoDepthStencilFormat = backward ? kDepthFormats[kDepthFormatCount - 1] : kDepthFormats[0];
    for (size_t n = 0; n < kDepthFormatCount; ++n) {
        const uint32_t depth = kDepthFormats[backward ? kDepthFormatCount - 1 - n : n];
        if (CheckDepthFormat(system, depth, mode.format, mode.format)) {
            m_params.autoDepthStencilFormat = depth;
            return;
        }
    }
}

bool OmD3D::CheckDepthFormat(GfxSystem* system, uint32_t depth, uint32_t adapterFormat,
                             uint32_t targetFormat) const
{
    const uint32_t adapter = m_selectedAdapter < 0 ? 0 : static_cast<uint32_t>(m_selectedAdapter);
    return system->CheckDeviceFormat(adapter, GfxDevType::Hal, adapterFormat, GfxUsage::DepthStencil,
                                     GfxResourceType::Surface, depth) == GfxResult::Ok
        && system->CheckDepthStencilMatch(adapter, GfxDevType::Hal, adapterFormat, targetFormat, depth)
        == GfxResult::Ok;
}
