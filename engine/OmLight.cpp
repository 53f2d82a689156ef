#include "engine/OmLight.h"

#include "engine/OmArchive.h"
#include "engine/OmReport.h"
#include "engine/OmRenderer.h"

OM_IMPLEMENT_CLASS(OmLight, OmModifier)

namespace {

void WriteColour(OmArchive& archive, const float colour[4])
{
    for (int i = 0; i < 4; ++i)
        archive.WriteFloat(colour[i]);
}

void ReadColour(OmArchive& archive, float colour[4])
{
    for (int i = 0; i < 4; ++i)
        archive.ReadFloat(colour[i]);
}

} // namespace

OmLight::~OmLight()
{
    if (deviceLightId < 0)
        return;
    if (OmRenderer* renderer = OmRenderer::Current())
        renderer->RemoveLight(this);
}

void OmLight::Write(OmArchive& archive)
{
    OmModifier::Write(archive);
    archive.WriteU32(uint32_t(lightType));
    WriteColour(archive, ambient);
    WriteColour(archive, diffuse);
    WriteColour(archive, specular);
}

void OmLight::Read(OmArchive& archive)
{
    OmModifier::Read(archive);
    uint32_t type = 0;
    archive.ReadU32(type);
    lightType = int32_t(type);
    ReadColour(archive, ambient);
    ReadColour(archive, diffuse);
    ReadColour(archive, specular);
    if (archive.HasFailed())
        return;
    if (OmRenderer* renderer = OmRenderer::Current())
        AddToRenderer(*renderer);
    else
        ReportError("OmLight::Read: no renderer to register light \"%s\" with", NameOrEmpty());
}

void OmLight::Render(OmRenderer& renderer)
{
    renderer.UpdateLight(this);
}

void OmLight::AddToRenderer(OmRenderer& renderer)
{
    deviceLightId = renderer.AddLight(this);
}
