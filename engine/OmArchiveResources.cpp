// The archive's material and texture section.
#include "engine/OmArchive.h"

#include "engine/OmReport.h"
#include "engine/OmResourceOwner.h"

void OmArchive::SizeResourceTables()
{
    ReportError("Archive \"%s\": the material and texture records are not built yet; no resource section", m_path);
}

void OmArchive::NumberResources()
{
}

void OmArchive::WriteResourceSection()
{
    Fail("the material and texture records are not built yet");
}

bool OmArchive::ReadResourceSection()
{
    Fail("the material and texture records are not built yet");
    return false;
}
