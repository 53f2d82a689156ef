#include "engine/OmPbfRecords.h"

#include <cstdarg>

#include "engine/OmReport.h"

uint32_t OmPbfCurrentVersion = kPbfVersion;

void OmPbfReject(OmFile& file, const char* format, uint32_t a, uint32_t b)
{
    ReportError(format, a, b);
    file.Fail();
}

bool OmPbfString::Serialise(OmFile& file)
{
    uint32_t length = Length();
    file.Transfer(length);
    if (!file.Ok())
        return false;
    if (file.IsWriting()) {
        file.Transfer(const_cast<char*>(m_text.c_str()), length + 1);
        return file.Ok();
    }
    if (length > kMaxLength || length + 1 > file.Remaining()) {
        OmPbfReject(file, "PBF: string of %u characters (at most %u) is corrupt", length, kMaxLength);
        return false;
    }
    std::string text(length + 1, '\0');
    file.Transfer(text.data(), length + 1);
    text.resize(length); // whatever the file put in the terminator's place
    m_text = std::move(text);
    return file.Ok();
}

namespace {

// The smallest file form of a nested array: its count and capacity.
constexpr uint32_t kArrayHeader = 8;

template <class T>
void TransferSets(OmFile& file, OmPbfArray<OmPbfArray<T>>& sets)
{
    sets.Serialise(file, kArrayHeader, [](OmFile& f, OmPbfArray<T>& set) {
        set.Serialise(f, sizeof(T), OmPbfTransferRaw<T>);
    });
}

// Version 2 and later count the corners; version 1 stores exactly three.
void TransferCorners(OmFile& file, OmPbfFace& face)
{
    if (OmPbfCurrentVersion >= 2) {
        if (!face.corners.Serialise(file, sizeof(OmPbfCorner), OmPbfTransferRaw<OmPbfCorner>))
            return;
        if (!file.IsWriting() && face.corners.count != 3)
            OmPbfReject(file, "PBF: a face has %u corners instead of %u", uint32_t(face.corners.count), 3);
        return;
    }
    if (face.corners.count != 3) {
        OmPbfReject(file, "PBF: a face has %u corners instead of %u", uint32_t(face.corners.count), 3);
        return;
    }
    for (int32_t k = 0; k < 3; ++k)
        file.Transfer(&face.corners[k], sizeof(OmPbfCorner));
}

void TransferFace(OmFile& file, OmPbfFace& face)
{
    TransferCorners(file, face);
    file.Transfer(face.material);
}

} // namespace

void OmPbfObject::Serialise(OmFile& file)
{
    if (file.IsWriting())
        file.Transfer(type);
}

std::unique_ptr<OmPbfObject> OmPbfObject::Create(uint32_t type)
{
    switch (type) {
    case kPbfMesh: return std::make_unique<OmPbfMeshRecord>();
    case kPbfValue: return std::make_unique<OmPbfValueRecord>();
    case kPbfLight: return std::make_unique<OmPbfLightRecord>();
    case kPbfMarker: return std::make_unique<OmPbfMarkerRecord>();
    case kPbfVectorList: return std::make_unique<OmPbfVectorListRecord>();
    case kPbfMaxLight: return std::make_unique<OmPbfMaxLightRecord>();
    default: return nullptr;
    }
}

void OmPbfMeshRecord::Serialise(OmFile& file)
{
    OmPbfObject::Serialise(file);
    positions.Serialise(file, 12, OmPbfTransferRaw<OmVector3>);
    normals.Serialise(file, 12, OmPbfTransferRaw<OmVector3>);
    TransferSets(file, colourSets);
    TransferSets(file, uvSets);
    skinWeights.Serialise(file, sizeof(OmPbfSkinWeight), OmPbfTransferRaw<OmPbfSkinWeight>);
    const uint32_t faceBytes = OmPbfCurrentVersion >= 2 ? 12 : 52;
    faces.Serialise(file, faceBytes, TransferFace);
}

void OmPbfValueRecord::Serialise(OmFile& file)
{
    OmPbfObject::Serialise(file);
    name.Serialise(file);
    for (uint32_t& value : values)
        file.Transfer(value);
}

void OmPbfLightRecord::Serialise(OmFile& file)
{
    OmPbfObject::Serialise(file);
    name.Serialise(file);
    file.Transfer(kind);
    OmPbfTransferRaw(file, colour);
    file.Transfer(specularOn).Transfer(diffuseOn).Transfer(innerCone).Transfer(outerCone);
    file.Transfer(attenuate).Transfer(farDistance);
}

void OmPbfVectorListRecord::Serialise(OmFile& file)
{
    OmPbfObject::Serialise(file);
    entries.Serialise(file, sizeof(OmPbfVectorEntry), OmPbfTransferRaw<OmPbfVectorEntry>);
}

void OmPbfBoneRecord::Serialise(OmFile& file)
{
    OmPbfObject::Serialise(file);
    name.Serialise(file);
    file.Transfer(&pivot, 12);
    file.Transfer(matrixA.m, 64).Transfer(bindMatrix.m, 64);
    file.Transfer(inverseBind.m, 64).Transfer(local.m, 64);
    file.Transfer(&localTranslation, 12);
}

void OmPbfMaxLightRecord::Serialise(OmFile& file)
{
    OmPbfObject::Serialise(file);
    name.Serialise(file);
    file.Transfer(on).Transfer(kind);
    OmPbfTransferRaw(file, colour);
    file.Transfer(multiplier).Transfer(flag1).Transfer(flag2).Transfer(flag3);
    file.Transfer(value1).Transfer(value2).Transfer(flag4).Transfer(angleA).Transfer(angleB);
    file.Transfer(shape).Transfer(aspect).Transfer(distance1).Transfer(flag5);
    mapName.Serialise(file);
    file.Transfer(flag6).Transfer(distance2).Transfer(distance3);
    file.Transfer(flag7).Transfer(distance4).Transfer(distance5);
    file.Transfer(mode).Transfer(distance6).Transfer(flag8);
    OmPbfTransferRaw(file, colour2);
    file.Transfer(value3).Transfer(flag9).Transfer(flag10).Transfer(value4).Transfer(value5);
}
