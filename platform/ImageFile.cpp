#include "platform/ImageFile.h"

#include <cstdio>
#include <cstring>

#include "platform/FilePath.h"
#include "platform/ImageCodecs.h"

namespace plat {
namespace codec {

bool CheckImageSize(uint64_t width, uint64_t height, std::string& error)
{
    if (width == 0 || height == 0) {
        error = "image has no pixels";
        return false;
    }
    if (width > kMaxImageSide || height > kMaxImageSide || width * height > kMaxImagePixels) {
        error = "image is too large (" + std::to_string(width) + " x " + std::to_string(height) + ")";
        return false;
    }
    return true;
}

} // namespace codec

namespace {

// Files larger than this are not images the game could use.
constexpr long kMaxFileBytes = 256L << 20;

using Decoder = bool (*)(std::span<const uint8_t>, Image*, ImageInfo&, std::string&);

// The kind comes from the contents, as file names in the data are not
// always honest about it; Targa has no signature and is tried last.
Decoder PickDecoder(std::span<const uint8_t> data)
{
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data.size() >= 8 && std::memcmp(data.data(), kPng, 8) == 0) return codec::DecodePng;
    if (data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        return codec::DecodeJpeg;
    }
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return codec::DecodeBmp;
    return codec::DecodeTga;
}

bool Decode(std::span<const uint8_t> data, Image* out, ImageInfo& info, std::string* error)
{
    std::string why;
    if (out) *out = Image{};
    const bool ok = PickDecoder(data)(data, out, info, why);
    if (!ok) {
        if (out) *out = Image{};
        if (error) *error = why;
    }
    return ok;
}

bool LoadFile(std::string_view gamePath, Image* out, ImageInfo& info, std::string* error)
{
    if (out) *out = Image{};
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(gamePath, bytes, error)) return false;
    std::string why;
    if (!Decode(bytes, out, info, &why)) {
        if (error) *error = std::string(gamePath) + ": " + why;
        return false;
    }
    return true;
}

} // namespace

bool ReadWholeFile(std::string_view gamePath, std::vector<uint8_t>& out, std::string* error)
{
    out.clear();
    std::FILE* f = OpenFile(gamePath, "rb");
    if (!f) {
        if (error) *error = "cannot open " + std::string(gamePath);
        return false;
    }
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
    bool ok = size >= 0 && size <= kMaxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(size_t(size));
        ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    if (!ok) {
        out.clear();
        if (error) *error = "cannot read " + std::string(gamePath);
    }
    return ok;
}

bool LoadImageFile(std::string_view gamePath, Image& out, ImageInfo* info, std::string* error)
{
    ImageInfo scratch;
    return LoadFile(gamePath, &out, info ? *info : scratch, error);
}

bool ReadImageFileInfo(std::string_view gamePath, ImageInfo& info, std::string* error)
{
    return LoadFile(gamePath, nullptr, info, error);
}

bool DecodeImage(std::span<const uint8_t> data, Image& out, ImageInfo* info, std::string* error)
{
    ImageInfo scratch;
    return Decode(data, &out, info ? *info : scratch, error);
}

bool ReadImageInfo(std::span<const uint8_t> data, ImageInfo& info, std::string* error)
{
    return Decode(data, nullptr, info, error);
}

} // namespace plat
