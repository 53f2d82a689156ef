#include "game/framework/TsLoadScreen.h"

#include <string>

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
    plat::GfxSurface* back = nullptr;
    if (device->GetBackBuffer(0, plat::GfxBackBufferMono, &back) != plat::GfxResult::Ok || !back) {
        return;
    }
    plat::GfxSurfaceDesc desc{};
    back->GetDesc(&desc);
    back->Release();
    plat::GfxSurface* image = nullptr;
    if (device->CreateImageSurface(desc.width, desc.height, desc.format, &image) != plat::GfxResult::Ok || !image) {
        return;
    }
    const std::string path = std::string(".\\data\\") + name;
    const uint32_t filter = 0xF0003; // linear, mirrored edges, dithered
    if (plat::GfxLoadSurfaceFromFile(image, nullptr, nullptr, path.c_str(), nullptr, filter, 0, nullptr)
        != plat::GfxResult::Ok) {
        LogErrorF("Load screen: could not read the image %s", path.c_str());
        image->Release();
        return;
    }
    g_loadScreen.image = image;
}

void ReleaseLoadScreenImage()
{
    if (g_loadScreen.image) {
        g_loadScreen.image->Release();
        g_loadScreen.image = nullptr;
    }
}
