#include "game/framework/TsLoadScreen.h"

#include <string>
#include <utility>

#include "engine/OmRef.h"
#include "game/framework/TsLog.h"
#include "platform/GfxDevice.h"
#include "platform/GfxFileTexture.h"
#include "render/OmD3D.h"

TsLoadScreen g_loadScreen;

void TsLoadScreen::TickPulse()
{
    if (pulse.next > 1.0f) {
        pulse.next = 0.0f;
    }
    pulse.next += 0.2f;
    pulse.Advance();
}

void LoadLoadScreenImage(const char* name)
{
    ReleaseLoadScreenImage();
    OmD3D* renderer = OmD3D::Instance();
    plat::GfxDevice* device = renderer ? renderer->GetDevice() : nullptr;
    if (!device || !name) {
        LogError("Load screen: no graphics device; the image is not shown");
        return;
    }
    plat::GfxSurfaceDesc desc{};
    {
        OmRef<plat::GfxSurface> back;
        if (device->GetBackBuffer(0, plat::GfxBackBufferMono, back.Put()) != plat::GfxResult::Ok || !back) {
            return;
        }
        back->GetDesc(&desc);
    }
    OmRef<plat::GfxSurface> image;
    if (device->CreateImageSurface(desc.width, desc.height, desc.format, image.Put()) != plat::GfxResult::Ok
        || !image) {
        return;
    }
    const std::string path = std::string(".\\data\\") + name;
    const uint32_t filter = 0xF0003; // linear, mirrored edges, dithered
    if (plat::GfxLoadSurfaceFromFile(image, nullptr, nullptr, path.c_str(), nullptr, filter, 0, nullptr)
        != plat::GfxResult::Ok) {
        LogErrorF("Load screen: could not read the image %s", path.c_str());
        return;
    }
    g_loadScreen.image = std::move(image);
}

void ReleaseLoadScreenImage()
{
    g_loadScreen.image = nullptr;
}
